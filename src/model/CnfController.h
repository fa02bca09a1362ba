#ifndef CNFCONTROLLER_H
#define CNFCONTROLLER_H

#include <QByteArray>
#include <QDate>
#include <QDomDocument>
#include <QList>
#include <QMap>
#include <QObject>
#include <QSharedPointer>
#include <QString>
#include <QStringList>
#include <QVariant>

#include "VObject.h"
#include "cnf_export.h"

class CnfDayCard;
class CnfDetector;
class CnfInterstate;
class CnfMatrix;
class CnfPhase;
class CnfPowerDevice;
class CnfProgram;
class CnfSeasonPlan;
class CnfSignalGroup;
class CnfSpecialDay;
class CnfWeekCard;
class CnfControllerPrivate;

// One traffic controller's whole configuration. Controller-wide settings are
// dynamic properties: "type", "version", "number", "description".
class CNF_EXPORT CnfController : public QObject
{
public:
    CnfController();
    CnfController(const CnfController& other);
    ~CnfController() override;

    void clear();
    QString lastError() const;

    // Collections (copies)
    QList<QSharedPointer<CnfSignalGroup>> signalGroups() const;
    QList<QSharedPointer<CnfPhase>> phases() const;
    QList<QSharedPointer<CnfPowerDevice>> powerDevices() const;
    QList<QSharedPointer<CnfProgram>> programs() const;
    QList<QSharedPointer<CnfDayCard>> dayCards() const;
    QList<QSharedPointer<CnfWeekCard>> weekCards() const;
    QList<QSharedPointer<CnfSeasonPlan>> seasonPlans() const;
    QList<QSharedPointer<CnfMatrix>> matrixList() const;
    QList<QSharedPointer<CnfDetector>> detectorsList() const;
    QList<QSharedPointer<CnfDetector>> sensorsList() const;
    QMap<QDate, QSharedPointer<CnfSpecialDay>> specialDays() const;

    // Singled-out elements
    QSharedPointer<CnfSignalGroup> defaultSignalGroup() const;
    void setDefaulSignalGroup(QSharedPointer<CnfSignalGroup> g);
    QSharedPointer<CnfMatrix> conflictMatrix() const;
    void setConflictMatrix(QSharedPointer<CnfMatrix> m);
    QSharedPointer<CnfMatrix> safetyMatrix() const;
    void setSafetyMatrix(QSharedPointer<CnfMatrix> m);
    QSharedPointer<CnfMatrix> defaultMatrix() const;
    void setDefaultMatrix(QSharedPointer<CnfMatrix> m);
    QSharedPointer<CnfProgram> defaultProgram() const;
    void setDefaultProgram(QSharedPointer<CnfProgram> p);
    QSharedPointer<CnfProgram> reserveProgram() const;
    void setReserveProgram(QSharedPointer<CnfProgram> p);
    QSharedPointer<CnfDayCard> defaultDayCard() const;
    void setDefaultDayCard(QSharedPointer<CnfDayCard> c);
    QSharedPointer<CnfInterstate> interstate() const;
    void setInterstate(QSharedPointer<CnfInterstate> is);

    // Additions
    void addSignalGroup(QSharedPointer<CnfSignalGroup> sg);
    bool addPowerDevice(QSharedPointer<CnfPowerDevice> dev);
    void addPhase(QSharedPointer<CnfPhase> phase);
    void addMatrix(QSharedPointer<CnfMatrix> m, bool asDefault = false, bool asSafety = false);
    void addDetector(QSharedPointer<CnfDetector> d);
    void addSensor(QSharedPointer<CnfDetector> d);
    void addProgram(QSharedPointer<CnfProgram> p);
    void addDayCard(QSharedPointer<CnfDayCard> c);
    void addWeekCard(QSharedPointer<CnfWeekCard> c);
    void addSeasonPlan(QSharedPointer<CnfSeasonPlan> sp);
    void addSpecialDay(QDate date, QSharedPointer<CnfSpecialDay> day);

    // Look-ups
    QSharedPointer<CnfSignalGroup> findSG(const int& id) const;
    QSharedPointer<CnfSignalGroup> findSGByName(const QString& name) const;
    QSharedPointer<CnfPowerDevice> findPowerDevice(int id) const;
    QSharedPointer<CnfPowerDevice> findPowerDeviceByAddress(int address) const;
    QSharedPointer<CnfPowerDevice> findPowerDeviceByName(const QString& name) const;
    QSharedPointer<CnfSignalGroup> findPowerDeviceSg(QSharedPointer<CnfPowerDevice> dev) const;
    QSharedPointer<CnfPhase> findPhase(const QString& id) const;
    QSharedPointer<CnfPhase> findPhaseByName(const QString& name) const;
    QSharedPointer<CnfMatrix> findMatrix(const int& id) const;
    QSharedPointer<CnfMatrix> findMatrixByName(const QString& name) const;
    QSharedPointer<CnfDetector> findDetector(int id) const;
    QSharedPointer<CnfDetector> findDetectorByName(const QString& name) const;
    QSharedPointer<CnfDetector> findSensor(int id) const;
    QSharedPointer<CnfDetector> findSensorByName(const QString& name) const;
    QSharedPointer<CnfProgram> findProgram(const QString& id) const;
    QSharedPointer<CnfProgram> findProgramByName(const QString& name) const;
    QSharedPointer<CnfDayCard> findDayCard(const QString& id) const;
    QSharedPointer<CnfDayCard> findDayCardByName(const QString& name) const;
    QSharedPointer<CnfWeekCard> findWeekCard(const QString& id) const;
    QSharedPointer<CnfWeekCard> findWeekCardByName(const QString& name) const;

    // Removals, with their cascades
    void removeSignalGroup(const int& id);
    void removePowerDevice(int address);
    void removePowerDeviceById(int id);
    void removePhase(const QString& id);
    void removeMatrix(const int& id);
    void removeDetector(int id);
    void removeSensor(int id);
    void removeProgram(const QString& id);
    void removeDayCard(QSharedPointer<CnfDayCard> c);
    void removeWeekCard(QSharedPointer<CnfWeekCard> w);
    void removeSeasonPlan(QSharedPointer<CnfSeasonPlan> sp);
    void removeSpecialDay(QDate date);

    // Reordering: the list given replaces the controller's own
    void reorderSignalGroups(QList<QSharedPointer<CnfSignalGroup>>& list);
    void reorderPhases(QList<QSharedPointer<CnfPhase>>& list);
    void reorderPowerDevices(QList<QSharedPointer<CnfPowerDevice>>& list);
    void reorderPrograms(QList<QSharedPointer<CnfProgram>>& list);
    void reorderDetectors(QList<QSharedPointer<CnfDetector>>& list);
    void reorderSensors(QList<QSharedPointer<CnfDetector>>& list);

    void createTransitionsFromPrograms();

    // Limits of the native type (reported, not enforced)
    int getMaxPhaseCount() const;
    int getMaxProgramCount() const;
    int getMaxDayCardCount() const;
    int getMaxSpecialDayCount() const;
    int getMaxDayCardItems() const;
    int getMaxDeviceCount() const;
    int getMaxSgCount() const;

    // Native data
    VObject nativeData();
    QStringList nativeDataNames() const;
    QVariant getNativeData(const QString& name, const QVariant& fallback = QVariant()) const;
    void setNativeData(const QString& name, QVariant value);
    void clearNativeData();

    // Project document
    bool load(const QByteArray& data, bool strict);
    bool load(const QString& fileName, bool strict);
    QByteArray save(int indent) const;
    bool save(const QString& fileName);

    // Layouts and raw program records
    static QDomDocument adapterLayout();
    static QDomDocument norvakLayout(QString version);
    QDomDocument norvakLayout() const;
    bool setProgramRawData(QSharedPointer<CnfProgram> program, const QByteArray& data);

    // Dynamic program blob (one program as a small project document)
    // The blob of `program` with what another controller needs to read it; empty with lastError() set.
    QByteArray createDynamicProgram(QSharedPointer<CnfProgram> program);
    // A new program read from `blob` and bound to this controller's elements (not added); null with lastError() set.
    QSharedPointer<CnfProgram> loadDynamicProgram(const QByteArray& blob);

private:
    CnfController& operator=(const CnfController&) = delete;

    friend class CnfControllerPrivate;
    CnfControllerPrivate* d;
};

#endif
