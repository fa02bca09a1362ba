#ifndef JSONMODELREADER_H
#define JSONMODELREADER_H

#include <QCoreApplication>
#include <QList>
#include <QSharedPointer>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <initializer_list>
#include <vector>

#include "JsonAccess.h"

class CnfController;
class CnfDayCard;
class CnfDetector;
class CnfMatrix;
class CnfPowerDevice;
class CnfProgram;
class CnfSignalGroup;
class CnfWeekCard;
class QObject;
struct JsonDialect;

// The sections the JSON configuration formats share, read into a
// CnfController: signal group items, sparse matrices, stages, detectors,
// plans with their algorithms, and the schedule. Where the formats differ
// the dialect says how. A format's reader derives from this one and reads
// its own sections; the first fatal finding is kept (see JsonAccess) and
// every section stops once one is.
class JsonModelReader : protected JsonAccess
{
    Q_DECLARE_TR_FUNCTIONS(JsonModelReader)

public:
    using JsonAccess::errorString;

protected:
    JsonModelReader(const Members& document, CnfController& controller, const JsonDialect& dialect);
    ~JsonModelReader() = default;

    // Shared sections
    // A signal group of an "items" entry: id, name, type, other keys as properties.
    QSharedPointer<CnfSignalGroup> readGroupItem(const Object& item);
    // The cells of a matrix entry: its full "matrix", else its sparse "items".
    void readMatrixContent(CnfMatrix& matrix, const Object& entry);
    void readStages();
    // A detector (or sensor) of a list entry: id, name, other keys as properties.
    QSharedPointer<CnfDetector> readDetectorEntry(const Object& entry, bool sensor);
    void readPlans();
    // The schedule kept under the root key `key`.
    void readSchedule(const char* key);
    // Root keys no section consumed become native data.
    void storeNativeData();

    // Helpers of the sections
    Object takeRootObject(const char* key);
    Array takeRootArray(const char* key);
    bool addPowerDevice(const QSharedPointer<CnfPowerDevice>& device);
    QSharedPointer<CnfSignalGroup> findGroup(const Reference& ref) const;
    QSharedPointer<CnfProgram> findProgram(const Reference& ref) const;
    QSharedPointer<CnfDayCard> findDayCard(const Reference& ref) const;
    QSharedPointer<CnfWeekCard> findWeekCard(const Reference& ref) const;
    static void setProperties(QObject* object, const Object& source, std::initializer_list<const char*> consumed);

    const Object m_root;
    CnfController& m_controller;
    const JsonDialect& m_dialect;
    QStringList m_unconsumedKeys;
    // The controller's groups once they are read: the rows and columns of a full matrix.
    QList<QSharedPointer<CnfSignalGroup>> m_groups;

private:
    void readFullMatrix(CnfMatrix& matrix, const Array& rows);
    void readSparseMatrix(CnfMatrix& matrix, const Array& items);
    bool readPlainCell(CnfMatrix& matrix, const Value& element);
    void takeGroupIds();
    CnfSignalGroup* groupOfId(int id) const;
    QSharedPointer<CnfSignalGroup> matrixItemGroup(const CnfMatrix& matrix, const Object& item, const char* key,
                                                   const Value& member);
    QSharedPointer<CnfProgram> readPlan(const Object& plan, bool* isDefault);
    void readAlgorithm(CnfProgram& program, const Object& algorithm);
    void readFixed(CnfProgram& program, const Object& algorithm);
    void readSpecial(CnfProgram& program, const Object& algorithm);
    void readTimelinePlan(CnfProgram& program, const Object& algorithm);
    void readStageRing(CnfProgram& program, const Object& algorithm);
    void appendStageRingStep(CnfProgram& program, const QVariant& step, const QList<Object>& entries);
    void readOtherAlgorithm(CnfProgram& program, const Object& algorithm);
    void readProgramMatrix(CnfProgram& program, const Object& algorithm);
    void readScheduleDefaults(const Object& defaults);
    void readDefaultDayCard(const Object& defaults);
    void readDayCards(const Array& entries);
    void readDayCardRecord(CnfDayCard& card, const Object& record);
    void readWeekCards(const Array& entries);
    void addDefaultWeekCard();
    void setWeekDay(CnfWeekCard& card, int day, const QVariant& value, const QString& where);
    void readSeasonPlans(const Array& entries);
    void readSpecialDays(const Array& entries);

    // The first listed group of each small id, taken for the cells of a
    // sparse matrix.
    std::vector<CnfSignalGroup*> m_groupsById;
};

#endif
