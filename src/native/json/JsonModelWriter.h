#ifndef JSONMODELWRITER_H
#define JSONMODELWRITER_H

#include <QCoreApplication>
#include <QSharedPointer>
#include <QString>
#include <QStringList>
#include <QTime>
#include <QVariant>

#include "CnfAddressTable.h"

class CnfController;
class CnfDayCard;
struct CnfDayCardRecord;
class CnfMatrix;
class CnfPowerDevice;
class CnfProgram;
class CnfSignalGroup;
class CnfWeekCard;
struct JsonDialect;

// The sections the JSON configuration formats share, built from a
// CnfController: signal group items, matrix items, stages, detectors, plans
// and the schedule. Where the formats differ the dialect says how. A
// format's writer derives from this one and adds its own sections. What the
// reader would refuse is refused with a message naming the element (the
// first one is kept); entries whose reference the model lost are left out
// and logged.
class JsonModelWriter
{
    Q_DECLARE_TR_FUNCTIONS(JsonModelWriter)

public:
    QString errorString() const;

    // Removes, at every depth, the objects and arrays that are or become empty.
    static void removeEmptyContainers(QVariant& value);
    // Whether the value is an object or an array without members.
    static bool isEmptyContainer(const QVariant& value);

protected:
    JsonModelWriter(CnfController& controller, const JsonDialect& dialect);
    ~JsonModelWriter() = default;

    QVariantList signalGroupItems();
    // The group of each power device, as findPowerDeviceSg() finds it (the
    // last group listing it), taken in one walk over the groups.
    CnfAddressTable<QSharedPointer<CnfSignalGroup>> groupsOfDevices() const;
    // The "items" of a matrix: one per cell with a time.
    QVariantList matrixItems(const CnfMatrix& matrix);
    QVariant stages();
    QVariant detectors(bool sensors);
    QVariant plans();
    // "default", "days", "weeks", "extraPeriods", "extraDays", the empty ones left out.
    QVariant schedule();
    // Copies every native data name but the excluded ones; with `skipEmpty`
    // also leaves out invalid and null values and empty containers.
    void copyNativeData(QVariantMap& document, const QStringList& excluded, bool skipEmpty);
    // Applies removeEmptyContainers to every root value and drops those that became empty.
    static void pruneDocument(QVariantMap& document);
    bool fail(const QString& message);

    CnfController& m_controller;
    const JsonDialect& m_dialect;

private:
    QVariantMap scheduleDefaults();
    QVariantList dayCards();
    QVariantMap dayCardRecord(const CnfDayCard& card, QTime start, const CnfDayCardRecord& source);
    QString recordTime(QTime time) const;
    QVariantList weekCards();
    QVariantList seasonPlans();
    QVariantList specialDays();
    // How the schedule names an element: by id when it is a number, else by
    // name; invalid when the controller does not have it or it cannot be named.
    QVariant refer(const QSharedPointer<CnfProgram>& program);
    QVariant refer(const QSharedPointer<CnfDayCard>& card);
    QVariant refer(const QSharedPointer<CnfWeekCard>& card);

    QString m_error;
};

#endif
