#ifndef SVGDIAGRAM_H
#define SVGDIAGRAM_H

#include <QCoreApplication>
#include <QString>

class CnfProgram;
class CnfSignalPlan;

// A signal plan as an SVG timing diagram: time runs to the right with a tick
// every second, one row per signal group, the steps as bands above the rows
// with the phase id on top; green blinking is drawn hatched, red-amber as red
// over amber, flashing amber striped. Every coloured segment is a <rect
// class="segment"> carrying its aspect, first second and length.
class SvgDiagram
{
    Q_DECLARE_TR_FUNCTIONS(SvgDiagram)

public:
    // The diagram as an <svg> element. `idPrefix` keeps the ids of several
    // diagrams on one page apart; `standalone` adds the XML declaration.
    static QString render(const CnfProgram& program, const CnfSignalPlan& plan, const QString& idPrefix,
                          bool standalone);
};

#endif
