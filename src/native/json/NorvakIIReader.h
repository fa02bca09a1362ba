#ifndef NORVAKIIREADER_H
#define NORVAKIIREADER_H

#include <QCoreApplication>
#include <QHash>
#include <QList>
#include <QMultiHash>
#include <QSharedPointer>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <initializer_list>

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

// Builds a CnfController from a parsed NorvakII document.
//
// The sections are read in dependency order (devices, groups, matrices,
// stages, detectors, plans, schedule). The first fatal finding stops the
// reading, clears the controller and is kept as the error text. Root keys
// that no section consumes are kept as native data; unknown keys of plans,
// groups, detectors and phase entries become dynamic properties.
class NorvakIIReader : private JsonAccess
{
    Q_DECLARE_TR_FUNCTIONS(NorvakIIReader)

public:
    NorvakIIReader(const QVariantMap& document, CnfController& controller);

    bool read();
    using JsonAccess::errorString;

private:
    // Where an input channel feeds a detector or sensor.
    struct InputChannel {
        int module = 0;
        int channel = 0;
    };
    // Channel and key code assignments collected from the modules, by the
    // detector's (or sensor's) id and by its name.
    struct InputTables {
        QHash<int, InputChannel> channelById;
        QHash<QString, InputChannel> channelByName;
        QHash<int, int> keyCodeById;
        QHash<QString, int> keyCodeByName;
    };

    // Sections, in reading order
    void readOlderSwitches();
    void readSwitchModule();
    void readSwitchItem(const Object& item, int position, const Object& defaults);
    void readInputChannels();
    void readKeyboardChannels();
    void readSignalGroups();
    void readDefaultGroup(const Object& defaults);
    void readSignalGroup(const Object& item);
    void readMatrices();
    void readMatrix(const Object& entry);
    void readFullMatrix(CnfMatrix& matrix, const Array& rows);
    void readSparseMatrix(CnfMatrix& matrix, const Array& items);
    QSharedPointer<CnfSignalGroup> matrixItemGroup(const CnfMatrix& matrix, const Object& item, const char* key);
    void readStages();
    void readDetectors();
    void readSensors();
    void readDetectorList(const char* key, bool sensors);
    void readPlans();
    QSharedPointer<CnfProgram> readPlan(const Object& plan, bool* isDefault);
    void readAlgorithm(CnfProgram& program, const Object& algorithm);
    void readFixed(CnfProgram& program, const Object& algorithm);
    void readSpecial(CnfProgram& program, const Object& algorithm);
    void readTimelinePlan(CnfProgram& program, const Object& algorithm);
    void readStageRing(CnfProgram& program, const Object& algorithm);
    void appendStageRingStep(CnfProgram& program, const QVariant& step, const QList<Object>& entries);
    void readOtherAlgorithm(CnfProgram& program, const Object& algorithm);
    void readProgramMatrix(CnfProgram& program, const Object& algorithm);
    void readSchedule();
    void readScheduleDefaults(const Object& defaults);
    void readDefaultDayCard(const Object& defaults);
    void readDayCards(const Array& entries);
    void readDayCardRecord(CnfDayCard& card, const Object& record);
    void readWeekCards(const Array& entries);
    void setWeekDay(CnfWeekCard& card, int day, const QVariant& value, const QString& where);
    void readSeasonPlans(const Array& entries);
    void readSpecialDays(const Array& entries);
    void setControllerProperties();
    void storeNativeData();

    // Helpers of the sections
    Object takeRootObject(const char* key);
    Array takeRootArray(const char* key);
    Object busDevices();
    bool addPowerDevice(const QSharedPointer<CnfPowerDevice>& device);
    static void recordInput(InputTables& tables, const Reference& ref, const InputChannel& input);
    static void recordKeyCode(InputTables& tables, const Reference& ref, int keyCode);
    static void assignInputs(CnfDetector& detector, const InputTables& tables);
    QSharedPointer<CnfSignalGroup> findGroup(const Reference& ref) const;
    QSharedPointer<CnfProgram> findProgram(const Reference& ref) const;
    QSharedPointer<CnfDayCard> findDayCard(const Reference& ref) const;
    QSharedPointer<CnfWeekCard> findWeekCard(const Reference& ref) const;
    static void setProperties(QObject* object, const Object& source, std::initializer_list<const char*> consumed);

    const Object m_root;
    CnfController& m_controller;
    QStringList m_unconsumedKeys;
    QMultiHash<int, QSharedPointer<CnfPowerDevice>> m_devicesByGroupId;
    QMultiHash<QString, QSharedPointer<CnfPowerDevice>> m_devicesByGroupName;
    InputTables m_detectorInputs;
    InputTables m_sensorInputs;
    QList<QSharedPointer<CnfSignalGroup>> m_groups;
};

#endif
