#include "CnfPowerDevice.h"

#include <QObject>
#include <QRegularExpression>
#include <QStringList>

namespace {

// Codes and labels of the device types, built once per process.
struct PowerDeviceNames
{
    QStringList codes;
    QStringList labels;
};

const PowerDeviceNames& names()
{
    static const PowerDeviceNames lists{
        {QStringLiteral("none"), QStringLiteral("key"), QStringLiteral("wlk"), QStringLiteral("core"),
         QStringLiteral("key2"), QStringLiteral("key3"), QStringLiteral("wlk2"), QStringLiteral("NV2_SW4"),
         QStringLiteral("ZT4_SW")},
        {QObject::tr("Не назначен"), QObject::tr("Ключ Р5-ЛМП"), QObject::tr("Кнопка пешехода"),
         QObject::tr("Ядро модуля"), QObject::tr("Ключ Р5-СВД"), QObject::tr("Внешний ключ"),
         QObject::tr("Внешняя кнопка пешехода"), QObject::tr("Ключ норвак-2"), QObject::tr("Ключ ЗТ4")},
    };
    return lists;
}

} // namespace

bool CnfPowerDevice::isKey(Type t)
{
    // The newer switches (NV2_SW4, ZT4_SW) are driven differently and do not count as keys.
    return t == Key || t == Key2 || t == Key3;
}

QString CnfPowerDevice::type2String(Type t, bool human)
{
    const PowerDeviceNames& lists = names();
    const int index = int(t);
    if (index >= 0 && index < lists.codes.size())
        return human ? lists.labels.at(index) : lists.codes.at(index);
    return human ? QObject::tr("Тип %1").arg(index) : QObject::tr("type_%1").arg(index);
}

CnfPowerDevice::Type CnfPowerDevice::string2Type(const QString& code)
{
    const int index = names().codes.indexOf(code);
    if (index >= 0)
        return Type(index);
    // The code type2String gives a type without a name of its own.
    static const QRegularExpression unnamed(QStringLiteral("^type_([0-9]{1,9})$"));
    const QRegularExpressionMatch match = unnamed.match(code);
    return match.hasMatch() ? Type(match.captured(1).toInt()) : None;
}
