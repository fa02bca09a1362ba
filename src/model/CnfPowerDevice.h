#ifndef CNFPOWERDEVICE_H
#define CNFPOWERDEVICE_H

#include <QString>

#include "cnf_export.h"

// One piece of switching hardware (lamp switch key, push-button input,
// module core) on the controller's bus.
class CNF_EXPORT CnfPowerDevice
{
public:
    // Any non-negative value is a type: native images carry types this
    // list does not name, and the model keeps them.
    enum Type : int {
        None = 0,
        Key = 1,
        Wlk = 2,
        Core = 3,
        Key2 = 4,
        Key3 = 5,
        Wlk2 = 6,
        NV2_SW4 = 7,
        ZT4_SW = 8,
    };

    CnfPowerDevice() = default;
    CnfPowerDevice(const CnfPowerDevice&) = default;
    CnfPowerDevice& operator=(const CnfPowerDevice&) = default;
    ~CnfPowerDevice() = default;

    bool isKey() const { return isKey(type); }

    // Whether devices of the type are lamp switch keys.
    static bool isKey(Type t);
    // The text code, or when `human` the translated label.
    static QString type2String(Type t, bool human);
    // The type of a text code, compared exactly; None when unknown.
    static Type string2Type(const QString& code);

    int id = -1;
    QString name;
    int address = -1;
    Type type = None;
    int color = 255; // 0 green, 1 amber, 2 red, 3 white, 255 not set
    int lampCount = 0;
    int controlledLamps = 0;
};

#endif
