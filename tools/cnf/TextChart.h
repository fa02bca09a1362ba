#ifndef TEXTCHART_H
#define TEXTCHART_H

#include <QCoreApplication>
#include <QString>

class CnfProgram;
class CnfSignalPlan;

// A signal plan as a terminal chart, one character per second: G green,
// g green blinking, Y amber, R red, U red-amber, F flashing amber, . dark;
// under the groups the steps, intergreen as '-' and the main part as the
// phase id followed by '='.
class TextChart
{
    Q_DECLARE_TR_FUNCTIONS(TextChart)

public:
    static QString render(const CnfProgram& program, const CnfSignalPlan& plan);

    // "program ID (NAME), TYPE: cycle C s, offset O s" — shared by every view.
    static QString title(const CnfProgram& program, const CnfSignalPlan& plan);

    // Width given to plans without a cycle (flashing amber, dark).
    static constexpr int NominalWidth = 60;
};

#endif
