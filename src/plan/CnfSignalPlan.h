#ifndef CNFSIGNALPLAN_H
#define CNFSIGNALPLAN_H

#include <QCoreApplication>
#include <QList>
#include <QSharedDataPointer>
#include <QSharedPointer>
#include <QString>
#include <QStringList>

#include "cnf_export.h"

class CnfController;
class CnfProgram;
class CnfSignalGroup;
class CnfSignalPlanData;

// The signal plan of a program: what every signal group of the controller
// shows in each second of one cycle, and which step runs when. Step programs
// are laid out from their steps and the intergreens the model computes,
// timeline programs from their timeline; the cycle offset shifts the start.
// A value class; copies share their data.
class CNF_EXPORT CnfSignalPlan
{
    Q_DECLARE_TR_FUNCTIONS(CnfSignalPlan)

public:
    // What a signal head shows. The first five values are those of
    // CnfSignalGroup::ColorState.
    enum Aspect {
        Green = 0,
        GreenBlink = 1,
        Amber = 2,
        Red = 3,
        RedAmber = 4,
        Dark = 5,
        FlashingAmber = 6,
    };

    enum Kind {
        NoPlan,      // the program has no fixed plan (adaptive scripts, empty programs, ...)
        Steps,       // laid out from the program's steps
        Timeline,    // laid out from the program's timeline
        YellowFlash, // every head flashes amber (heads without amber are dark)
        AllDark,     // the signals are switched off
    };

    // From this second of the cycle on, the group shows this aspect.
    struct Change {
        int second;
        Aspect aspect;
    };

    // One signal group's changes over the cycle, the first at second 0.
    struct Row {
        QSharedPointer<CnfSignalGroup> group;
        QList<Change> changes;
    };

    // One step: its intergreen begins at `start` (a second of the cycle) and
    // lasts `intergreen` seconds; its main part follows for `main` seconds.
    // A band may run over the end of the cycle into its beginning.
    struct Band {
        int step;        // index among the program's steps
        QString phaseId;
        QString phaseName;
        int start;
        int intergreen;
        int main;
    };

    // An empty plan: NoPlan, no rows.
    CnfSignalPlan();
    CnfSignalPlan(const CnfSignalPlan& other);
    CnfSignalPlan& operator=(const CnfSignalPlan& other);
    ~CnfSignalPlan();

    // The plan of `program`, a program of `controller`.
    static CnfSignalPlan of(const CnfController& controller, const CnfProgram& program);

    // How the plan was laid out.
    Kind kind() const;
    // The cycle length in seconds; 0 for plans without a cycle (yellow flash,
    // dark, no plan): their rows hold one aspect throughout.
    int cycle() const;
    // The second of the cycle at which the program's own cycle begins.
    int offset() const;
    // One row per signal group of the controller, in the controller's order.
    QList<Row> rows() const;
    // The steps in running order; empty unless kind() is Steps.
    QList<Band> bands() const;
    // What the group of row `row` shows in `second` (taken modulo the cycle);
    // Dark for a row that does not exist.
    Aspect aspectAt(int row, int second) const;
    // What the plan could not show as configured, one sentence each.
    QStringList notes() const;

    // The longest cycle a plan is drawn for: a day.
    static constexpr int MaxCycle = 86400;

    // The aspect's one-letter code: G, g blinking green, Y, R, U red-amber,
    // F flashing amber, . dark.
    static QChar aspectLetter(Aspect aspect);
    // The aspect's name: "green", "green_blink", "amber", "red", "red_amber",
    // "dark", "flashing_amber".
    static QString aspectName(Aspect aspect);

private:
    friend class CnfSignalPlanBuilder;
    QSharedDataPointer<CnfSignalPlanData> d;
};

#endif
