#ifndef JSONDIALECT_H
#define JSONDIALECT_H

#include <QCoreApplication>
#include <QString>
#include <QStringList>

// The points where the JSON configuration formats differ in the sections
// they share (groups, stages, detectors, plans, schedule): the names of some
// keys, what an unnamed element is called and which optional members an
// entry carries. The shared readers and writers take one of these.
struct JsonDialect {
    Q_DECLARE_TR_FUNCTIONS(JsonDialect)

public:
    // Names written for unnamed elements, "%1" the element's id; null leaves
    // the name out.
    const char* groupName;
    const char* phaseName;
    const char* detectorName;
    const char* programName;
    const char* dayCardName;
    const char* weekCardName;
    const char* seasonPlanName;
    const char* specialDayName;

    // The keys of a daily card record; a null stop key: records have no end.
    const char* recordProgram;
    const char* recordSpare;
    const char* recordStart;
    const char* recordStop;
    // How the writer prints a record's times.
    const char* recordTimeFormat;

    // The algorithm key a phase ring keeps its conditions under.
    const char* stageRingConditions;
    // Stages carry "minTime" and "maxTime".
    bool stageLengths;
    // Signal groups may be of the type "always_ON".
    bool alwaysOnGroups;
    // Plans carry "default"; otherwise the schedule alone names the default program.
    bool planDefault;
    // "Fixed" plans (fixed-time and coordinated) and the "OFF" mode exist.
    bool fixedPlans;
    // A plan names its matrix only when it is a phase ring; otherwise any
    // plan names one that is not the default matrix.
    bool matrixOnlyForStageRing;
    // "MultiRing" and "Passive" plans name a matrix the reader resolves.
    bool otherAlgorithmMatrix;
    // Without weekly cards, the reader makes one that runs the first daily
    // card every day.
    bool defaultWeekCard;
    // Detector properties the writer leaves out: their channels live in the
    // module tree, which keeps them.
    QStringList detectorInputProperties;

    // The name of an element: its own, else the default one above (empty
    // when there is none).
    static QString nameOf(const QString& name, const char* defaultName, const QString& id);

    static const JsonDialect& norvakII();
    static const JsonDialect& ztLoom();
};

#endif
