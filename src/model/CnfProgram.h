#ifndef CNFPROGRAM_H
#define CNFPROGRAM_H

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QObject>
#include <QSharedPointer>
#include <QString>

#include "CnfSignalGroup.h"
#include "cnf_export.h"

class CnfMatrix;
class CnfPhase;
class CnfPhaseDef;

// A signal program: its kind, its ring of phase steps, cycle and offset,
// timeline data and its raw record in the controller's own encoding.
// Extra settings are dynamic properties ("coordinated", ...).
class CNF_EXPORT CnfProgram : public QObject
{
public:
    // Fixed underlying type: native algorithm numbers outside the list are
    // kept as values of this type ("alg%1").
    enum Type : int {
        NotSet = 0,
        Off = 1,
        YellowFlash = 2,
        Timer = 3,
        Coord = 4,
        NorvakSpecial = 5,
        MultiRing = 6,
        JavaScript = 7,
        Timeline = 8,
        TimelineCoord = 9,
        StageRing = 10,
        Pedestrian = 11,
        Passive = 12,
    };

    CnfProgram();
    ~CnfProgram() override;

    // Appends a step of main duration `length` (unclamped) and recomputes the cycle.
    QSharedPointer<CnfPhaseDef> appendPhase(const QSharedPointer<CnfPhase>& phase, int length);
    // Appends a step whose whole duration, intergreen included, is `fullLength`.
    QSharedPointer<CnfPhaseDef> appendPhaseFl(const QSharedPointer<CnfPhase>& phase, int fullLength);
    // Inserts a step after `after`; null when `after` is not a step of this program.
    QSharedPointer<CnfPhaseDef> insertPhase(const QSharedPointer<CnfPhaseDef>& after,
                                            const QSharedPointer<CnfPhase>& phase, int length);
    // Removes the step at `index`; nothing when out of range.
    void removePhase(int index);
    // Removes every step of that phase.
    void removePhase(const QString& phaseId);
    // Removes every step; the cycle becomes 0.
    void clearPhases();

    int phaseCount() const;
    // Null when `index` is out of range.
    QSharedPointer<CnfPhaseDef> phaseDefAt(int index) const;
    QList<QSharedPointer<CnfPhaseDef>> phases() const;
    // The first step of that phase; null when none.
    QSharedPointer<CnfPhaseDef> findPhaseDef(const QString& phaseId) const;

    // The cycle in seconds: the sum of the steps' whole durations, or the
    // configured cycle of a coordinated phase-ring program. Without `recalc`
    // a cached value above 0 is returned as it is.
    int cycle(bool recalc);
    // The stored offset of a coordinated program; `fallback` for others.
    int cycleOffset(int fallback) const;
    // Stores `offset`, wrapped once into the cycle.
    void setCycleOffset(int offset);
    void addCycleOffset(int delta);
    // Whether the program runs coordinated, so that its offset counts.
    bool isCoordinated() const;

    // The intergreen variant of the groups' timings; -1 for none.
    int interstateVariant() const;
    void setInterstateVariant(int variant);

    // A copy of the group's time map; empty when none.
    QMap<int, int> getTimelineData(QSharedPointer<CnfSignalGroup> sg) const;
    // From second `time` of the cycle the group shows `state` (a CnfSignalGroup::ColorState).
    void setTimelineData(QSharedPointer<CnfSignalGroup> sg, int time, int state);
    bool hasTimelineData() const;
    void clearTimelineData();

    // The raw record in the controller's own encoding.
    QByteArray data() const;
    void setData(const QByteArray& data);

    // The groups the program drives, each once, in order of appearance.
    QList<QSharedPointer<CnfSignalGroup>> signalGroups() const;

    // Back to a fresh program; the id and name stay.
    void clear();
    // Becomes a copy of `source`; phases, matrices and groups are shared.
    void clone(QSharedPointer<CnfProgram> source);

    // The text code ("timer", "alg17") or, when `human`, the translated label.
    static QString typeName(Type t, bool human);
    // The type of a text code, compared exactly; "alg%1" gives that number; NotSet otherwise.
    static Type string2Type(QString code);
    // Names of the native algorithm numbers, read from the layout of `version`.
    static QString norvakTypeName(int nativeType, QString version, bool human);

    QString id;
    QString name;
    Type type = NotSet;
    int cycleTime = 0;
    int nativeType = -1;
    QSharedPointer<CnfMatrix> matrix;
    QSharedPointer<CnfMatrix> defaultMatrix;
    bool usesDefaultMatrix = false;
    // Per signal group: second from the cycle start -> CnfSignalGroup::ColorState.
    QMap<QSharedPointer<CnfSignalGroup>, QMap<int, int>> timeline;

private:
    Q_DISABLE_COPY(CnfProgram)

    QSharedPointer<CnfPhaseDef> createStep(const QSharedPointer<CnfPhase>& phase);
    void appendStep(const QSharedPointer<CnfPhaseDef>& step);
    // Both answer the step as the program's list holds it.
    const QSharedPointer<CnfPhaseDef>& linkStep(QSharedPointer<CnfPhaseDef> step);
    const QSharedPointer<CnfPhaseDef>& linkStepWithoutCycle(const QSharedPointer<CnfPhase>& phase, int duration,
                                                            bool fullDuration);
    friend const QSharedPointer<CnfPhaseDef>& cnfAppendStepAsRead(CnfProgram& program,
        const QSharedPointer<CnfPhase>& phase, int duration, bool fullDuration, bool lastStep);
    static void detachStep(CnfPhaseDef& step);

    QByteArray m_data;
    QList<QSharedPointer<CnfPhaseDef>> m_phases;
    int m_cycleOffset = 0;
    int m_interstateVariant = -1;
};

#endif
