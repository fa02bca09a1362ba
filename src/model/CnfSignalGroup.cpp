#include "CnfSignalGroup.h"

#include <QRegularExpression>
#include <QSet>
#include <QStringList>
#include <QVarLengthArray>
#include <QVariant>

#include <algorithm>
#include <optional>
#include <utility>

#include "CnfListAppend.h"
#include "CnfPowerDevice.h"

namespace {

// Codes and labels of the group enumerations, built once per process.
struct SignalGroupNames
{
    QStringList codes;
    QStringList labels;
    QStringList shortLabels;
    QStringList colorCodes;
};

const SignalGroupNames& names()
{
    static const SignalGroupNames lists{
        {QStringLiteral("transport"), QStringLiteral("pedestrian"), QStringLiteral("arrow"),
         QStringLiteral("table"), QStringLiteral("always_on"), QStringLiteral("tram")},
        {QObject::tr("Транспортная"), QObject::tr("Пешеходная"), QObject::tr("Стрелка"),
         QObject::tr("Табло"), QObject::tr("Всегда включена"), QObject::tr("Трамвайная")},
        {QObject::tr("тр"), QObject::tr("пш"), QObject::tr("ст"), QObject::tr("тб"), QObject::tr("вв"),
         QObject::tr("трм")},
        {QStringLiteral("green"), QStringLiteral("green_blink"), QStringLiteral("amber"),
         QStringLiteral("red"), QStringLiteral("red_amber")},
    };
    return lists;
}

// Groups whose heads have no yellow aspect.
bool hasNoYellow(CnfSignalGroup::Type t)
{
    return t == CnfSignalGroup::Pedestrian || t == CnfSignalGroup::Arrow || t == CnfSignalGroup::AlwaysOn;
}

std::optional<int> intProperty(const CnfSignalGroup& group, const char* name)
{
    bool ok = false;
    const int value = group.property(name).toInt(&ok);
    return ok ? std::optional<int>(value) : std::nullopt;
}

// Asks `ownValue` of the group, then of its default group and so on. A
// group met a second time ends the chain (a template that inherits from
// itself, directly or through others), and so does a missing default: 0.
template<typename Lookup>
int inheritedValue(const CnfSignalGroup* group, Lookup ownValue)
{
    // Most groups hold their own value: answered before any walk is set up.
    if (!group)
        return 0;
    if (const std::optional<int> value = ownValue(*group))
        return *value;
    // Chains are short: the first groups go into a list on the stack, so
    // that a value costs no hash set; a longer chain goes on in a set.
    QVarLengthArray<const CnfSignalGroup*, 8> visited;
    visited.append(group);
    QSet<const CnfSignalGroup*> visitedFurther;
    auto seen = [&](const CnfSignalGroup* g) {
        return std::find(visited.cbegin(), visited.cend(), g) != visited.cend() || visitedFurther.contains(g);
    };
    QSharedPointer<CnfSignalGroup> next = group->defaultSignalGroup(); // keeps the current template alive
    group = next.data();
    while (group && !seen(group)) {
        if (visited.size() < visited.capacity())
            visited.append(group);
        else
            visitedFurther.insert(group);
        if (const std::optional<int> value = ownValue(*group))
            return *value;
        next = group->defaultSignalGroup();
        group = next.data();
    }
    return 0;
}

// The value of a timing extension: the property, else the template's.
int extension(const CnfSignalGroup* group, const char* property)
{
    return inheritedValue(group, [property](const CnfSignalGroup& g) { return intProperty(g, property); });
}

} // namespace

CnfSignalGroup::CnfSignalGroup() = default;

CnfSignalGroup::~CnfSignalGroup() = default;

void CnfSignalGroup::setType(Type t)
{
    if (t == type)
        return;
    type = t;
    if (!hasNoYellow(t))
        return;
    const bool clearBlink = t == AlwaysOn;
    for (CnfSGTimes& times : variantTimes) {
        times.yellow = 0;
        times.yellowRed = 0;
        if (clearBlink)
            times.greenBlink = 0;
    }
    if (!interstate)
        return;
    // The record is usually the controller's, shared by every group: clear a copy of our own.
    interstate = QSharedPointer<CnfInterstate>::create(*interstate);
    interstate->yellow = 0;
    interstate->redYellow = 0;
    if (clearBlink)
        interstate->greenBlink = 0;
}

int CnfSignalGroup::yellow(int variant) const
{
    return inheritedValue(this, [variant](const CnfSignalGroup& g) -> std::optional<int> {
        if (hasNoYellow(g.type))
            return 0;
        const auto times = g.variantTimes.constFind(variant);
        if (times != g.variantTimes.cend())
            return times->yellow;
        if (g.interstate)
            return g.interstate->yellow;
        return intProperty(g, "amber");
    });
}

int CnfSignalGroup::redYellow(int variant) const
{
    return inheritedValue(this, [variant](const CnfSignalGroup& g) -> std::optional<int> {
        if (hasNoYellow(g.type))
            return 0;
        const auto times = g.variantTimes.constFind(variant);
        if (times != g.variantTimes.cend())
            return times->yellowRed;
        if (g.interstate)
            return g.interstate->redYellow;
        return intProperty(g, "redAmber");
    });
}

int CnfSignalGroup::greenBlink(int variant) const
{
    return inheritedValue(this, [variant](const CnfSignalGroup& g) -> std::optional<int> {
        if (g.type == AlwaysOn)
            return 0;
        const auto times = g.variantTimes.constFind(variant);
        if (times != g.variantTimes.cend())
            return times->greenBlink;
        if (g.interstate)
            return g.interstate->greenBlink;
        return intProperty(g, "greenBlink");
    });
}

int CnfSignalGroup::extGreen1() const
{
    return extension(this, "extGreen1");
}

int CnfSignalGroup::extGreen2() const
{
    return extension(this, "extGreen2");
}

int CnfSignalGroup::extRed() const
{
    return extension(this, "extRed");
}

QSharedPointer<CnfSignalGroup> CnfSignalGroup::defaultSignalGroup() const
{
    if (m_defaultGroup)
        return m_defaultGroup;
    return m_selfDefault.toStrongRef();
}

void CnfSignalGroup::setDefaulSignalGroup(QSharedPointer<CnfSignalGroup> g)
{
    if (g.data() == this) {
        m_defaultGroup.reset();
        m_selfDefault = g;
    } else {
        m_selfDefault.clear();
        m_defaultGroup = g;
    }
}

QString CnfSignalGroup::friendlyName() const
{
    QString text = QString::number(id);
    if (!name.isEmpty())
        text += QLatin1Char('(') + name + QLatin1Char(')');
    return text + QLatin1Char(',') + type2String(type, true, true);
}

void CnfSignalGroup::assignDevice(QSharedPointer<CnfPowerDevice> d)
{
    if (!devices.contains(d))
        cnfAppendTaken(devices, std::move(d));
}

void CnfSignalGroup::unassignDevice(QSharedPointer<CnfPowerDevice> d)
{
    devices.removeAll(d);
}

QString CnfSignalGroup::type2String(Type t, bool human, bool brief)
{
    const SignalGroupNames& lists = names();
    const int index = int(t);
    if (index >= 0 && index < lists.codes.size()) {
        if (!human)
            return lists.codes.at(index);
        return brief ? lists.shortLabels.at(index) : lists.labels.at(index);
    }
    if (brief)
        return human ? QObject::tr("Тип %1").arg(index) : QStringLiteral("type_%1").arg(index);
    return human ? QObject::tr("т%1").arg(index) : QStringLiteral("t%1").arg(index);
}

CnfSignalGroup::Type CnfSignalGroup::string2Type(const QString& code)
{
    const int index = names().codes.indexOf(code);
    if (index >= 0)
        return Type(index);
    // The codes type2String gives a type without a name of its own.
    static const QRegularExpression unnamed(QStringLiteral("^(?:t|type_)([0-9]{1,9})$"));
    const QRegularExpressionMatch match = unnamed.match(code);
    return match.hasMatch() ? Type(match.captured(1).toInt()) : TypeNotSet;
}

QString CnfSignalGroup::colorState2String(ColorState s)
{
    const QStringList& codes = names().colorCodes;
    const int index = int(s);
    if (index >= 0 && index < codes.size())
        return codes.at(index);
    return QStringLiteral("state_%1").arg(index);
}

CnfSignalGroup::ColorState CnfSignalGroup::string2ColorState(const QString& code)
{
    const int index = names().colorCodes.indexOf(code);
    return index < 0 ? NoColor : ColorState(index);
}
