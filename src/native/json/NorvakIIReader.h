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

#include "JsonModelReader.h"

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
class NorvakIIReader : private JsonModelReader
{
    Q_DECLARE_TR_FUNCTIONS(NorvakIIReader)

public:
    NorvakIIReader(const Members& document, CnfController& controller);

    bool read();
    using JsonModelReader::errorString;

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
    void readDetectors();
    void readSensors();
    void readDetectorList(const char* key, bool sensors);
    void readScheduleSection();
    void setControllerProperties();

    // Helpers of the sections
    Object busDevices();
    static void recordInput(InputTables& tables, const Reference& ref, const InputChannel& input);
    static void recordKeyCode(InputTables& tables, const Reference& ref, int keyCode);
    static void assignInputs(CnfDetector& detector, const InputTables& tables);

    QMultiHash<int, QSharedPointer<CnfPowerDevice>> m_devicesByGroupId;
    QMultiHash<QString, QSharedPointer<CnfPowerDevice>> m_devicesByGroupName;
    InputTables m_detectorInputs;
    InputTables m_sensorInputs;
};

#endif
