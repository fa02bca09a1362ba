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

    QSharedPointer<CnfPhaseDef> appendPhase(const QSharedPointer<CnfPhase>& phase, int length);
    QSharedPointer<CnfPhaseDef> appendPhaseFl(const QSharedPointer<CnfPhase>& phase, int fullLength);
    QSharedPointer<CnfPhaseDef> insertPhase(const QSharedPointer<CnfPhaseDef>& after,
                                            const QSharedPointer<CnfPhase>& phase, int length);
    void removePhase(int index);
    void removePhase(const QString& phaseId);
    void clearPhases();

    int phaseCount() const;
    QSharedPointer<CnfPhaseDef> phaseDefAt(int index) const;
    QList<QSharedPointer<CnfPhaseDef>> phases() const;
    QSharedPointer<CnfPhaseDef> findPhaseDef(const QString& phaseId) const;

    int cycle(bool recalc);
    int cycleOffset(int fallback) const;
    void setCycleOffset(int offset);
    void addCycleOffset(int delta);
    bool isCoordinated() const;

    int interstateVariant() const;
    void setInterstateVariant(int variant);

    QMap<int, int> getTimelineData(QSharedPointer<CnfSignalGroup> sg) const;
    void setTimelineData(QSharedPointer<CnfSignalGroup> sg, int time, int state);
    bool hasTimelineData() const;
    void clearTimelineData();

    QByteArray data() const;
    void setData(const QByteArray& data);

    QList<QSharedPointer<CnfSignalGroup>> signalGroups() const;

    void clear();
    void clone(QSharedPointer<CnfProgram> source);

    static QString typeName(Type t, bool human);
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
    static void detachStep(CnfPhaseDef& step);

    QByteArray m_data;
    QList<QSharedPointer<CnfPhaseDef>> m_phases;
    int m_cycleOffset = 0;
    int m_interstateVariant = -1;
};

#endif
