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

// One traffic controller's whole configuration: the root of the model. It
// owns the lists of elements and the singled-out ones, keeps them consistent
// (additions reject duplicates, removals cascade) and carries the native
// data. Controller-wide settings are dynamic properties: "type" and
// "version" (the native format, see CnfFormatRegistry), "number",
// "description". Failing operations return false or an empty value and keep
// the reason in lastError().
class CNF_EXPORT CnfController : public QObject
{
public:
    // An empty model with an empty conflict matrix.
    CnfController();
    // A deep copy made through the project document; shares nothing with `other`.
    CnfController(const CnfController& other);
    ~CnfController() override;

    // Empties the model and removes every dynamic property; the conflict
    // matrix object stays, without cells.
    void clear();
    // The reason of the last failure.
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

    // Singled-out elements; a getter returns null when unset. Setting the
    // default group or the default matrix hands it to every group or
    // program; the safety and default matrix are also listed.
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

    // Additions; an element already listed (same id, or the same object for
    // programs and cards) is ignored.
    void addSignalGroup(QSharedPointer<CnfSignalGroup> sg);
    // False, with lastError(), when a device of the same address is listed.
    bool addPowerDevice(QSharedPointer<CnfPowerDevice> dev);
    void addPhase(QSharedPointer<CnfPhase> phase);
    // A matrix of id 0 gets the smallest free id.
    void addMatrix(QSharedPointer<CnfMatrix> m, bool asDefault = false, bool asSafety = false);
    void addDetector(QSharedPointer<CnfDetector> d);
    void addSensor(QSharedPointer<CnfDetector> d);
    // A program without id gets the smallest free number; one whose steps
    // name phases the controller lacks is rebuilt with those phases added.
    void addProgram(QSharedPointer<CnfProgram> p);
    void addDayCard(QSharedPointer<CnfDayCard> c);
    void addWeekCard(QSharedPointer<CnfWeekCard> c);
    void addSeasonPlan(QSharedPointer<CnfSeasonPlan> sp);
    // Replaces an earlier day of the same date.
    void addSpecialDay(QDate date, QSharedPointer<CnfSpecialDay> day);

    // Look-ups by id or by name, exact; null when nothing matches.
    QSharedPointer<CnfSignalGroup> findSG(const int& id) const;
    QSharedPointer<CnfSignalGroup> findSGByName(const QString& name) const;
    QSharedPointer<CnfPowerDevice> findPowerDevice(int id) const;
    QSharedPointer<CnfPowerDevice> findPowerDeviceByAddress(int address) const;
    QSharedPointer<CnfPowerDevice> findPowerDeviceByName(const QString& name) const;
    // The group the device is assigned to.
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

    // Removals, with their cascades: references to the removed element are
    // taken out of phases, matrices, programs and the schedule. Absent
    // elements are ignored.
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

    // Gives every program step a transition from the step before it in its
    // phase; existing transitions stay.
    void createTransitionsFromPrograms();

    // Limits of the native format named by "type" and "version", from
    // CnfFormatRegistry; 65535 for no limit. Reported, not enforced.
    int getMaxPhaseCount() const;
    int getMaxProgramCount() const;
    int getMaxDayCardCount() const;
    int getMaxSpecialDayCount() const;
    int getMaxDayCardItems() const;
    int getMaxDeviceCount() const;
    int getMaxSgCount() const;

    // Native data: controller-specific settings by top-level name.
    // A handle on the stored tree; changes through it change the controller.
    VObject nativeData();
    QStringList nativeDataNames() const;
    // The value under `name`, or `fallback` when it is absent or invalid.
    QVariant getNativeData(const QString& name, const QVariant& fallback = QVariant()) const;
    // Stores `value` under `name`; an invalid value removes the name.
    void setNativeData(const QString& name, QVariant value);
    void clearNativeData();

    // Project document
    // Clears the model and reads the document; false with lastError() on
    // broken XML or a broken reference, leaving what was read. Not `strict`:
    // missing transitions are derived from the programs.
    bool load(const QByteArray& data, bool strict);
    bool load(const QString& fileName, bool strict);
    // The project document, indented by `indent` (-1: none); empty with
    // lastError() when an element cannot be written.
    QByteArray save(int indent) const;
    // Writes the document to `fileName`, replacing it only when complete.
    bool save(const QString& fileName);

    // Layouts and raw program records
    // A copy of the compiled-in layout of the communication adapter.
    static QDomDocument adapterLayout();
    // A copy of the layout of firmware `version` ("3.18"); null when none.
    static QDomDocument norvakLayout(QString version);
    // The layout the controller's "type" and "version" name; null for
    // formats without raw program records.
    QDomDocument norvakLayout() const;
    // Decodes a raw program record into `program` with the controller's
    // layout; false with lastError() when the record does not fit it.
    bool setProgramRawData(QSharedPointer<CnfProgram> program, const QByteArray& data);

    // Dynamic program blob (one program as a small project document)
    // The blob of `program` with what another controller needs to read it; empty with lastError() set.
    QByteArray createDynamicProgram(QSharedPointer<CnfProgram> program);
    // A new program read from `blob` and bound to this controller's elements (not added); null with lastError() set.
    QSharedPointer<CnfProgram> loadDynamicProgram(const QByteArray& blob);

private:
    CnfController& operator=(const CnfController&) = delete;

    friend class CnfControllerPrivate;
    friend void cnfAppendProgramAsRead(CnfController& controller, QSharedPointer<CnfProgram> program);
    CnfControllerPrivate* d;
};

#endif
