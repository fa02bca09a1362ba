#include "MultiRingPattern.h"

#include <cmath>
#include <limits>

#include "CnfLogging.h"

namespace {

// The entry a 1-based number names; none when the list has no such entry.
std::optional<QVariant> entry(const QVariantList& list, int number)
{
    if (number < 1 || number > list.size())
        return std::nullopt;
    return list.at(number - 1);
}

} // namespace

std::optional<int> MultiRingPattern::number(const QVariant& value)
{
    switch (value.userType()) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::Long:
    case QMetaType::ULong:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Double:
    case QMetaType::Float: {
        // JSON documents give every number as a real.
        const double real = value.toDouble();
        if (!std::isfinite(real) || std::trunc(real) != real || real < std::numeric_limits<int>::min()
            || real > std::numeric_limits<int>::max()) {
            return std::nullopt;
        }
        return int(real);
    }
    case QMetaType::QString:
    case QMetaType::QByteArray: {
        // A project document gives a program's property back as text.
        bool ok = false;
        const int parsed = value.toString().toInt(&ok, 10);
        return ok ? std::optional<int>(parsed) : std::nullopt;
    }
    default:
        return std::nullopt;
    }
}

std::optional<QVariantMap> MultiRingPattern::resolve(const QVariant& pattern, const QVariant& modules)
{
    const QVariantMap multiRing = modules.toMap().value(QStringLiteral("MultiRing")).toMap();
    QVariantMap resolved;
    int patternNumber = 0; // a pattern held as a map has no number
    if (pattern.userType() == QMetaType::QVariantMap) {
        resolved = pattern.toMap();
    } else if (const auto n = number(pattern)) {
        patternNumber = *n;
        const auto named = entry(multiRing.value(QStringLiteral("patterns")).toList(), patternNumber);
        if (!named || named->userType() != QMetaType::QVariantMap) {
            qCWarning(lcCnfProject, "invalid pattern %d", patternNumber);
            return std::nullopt;
        }
        resolved = named->toMap();
    } else {
        return std::nullopt;
    }
    if (!replaceReference(resolved, QStringLiteral("sequence"), multiRing.value(QStringLiteral("sequences")).toList(),
                          patternNumber)
        || !replaceReference(resolved, QStringLiteral("split"), multiRing.value(QStringLiteral("splits")).toList(),
                             patternNumber)) {
        return std::nullopt;
    }
    return resolved;
}

// A reference given as a map is the entry itself and stays as it is.
bool MultiRingPattern::replaceReference(QVariantMap& pattern, const QString& key, const QVariantList& entries,
                                        int patternNumber)
{
    const auto n = number(pattern.value(key));
    if (!n)
        return true;
    const auto named = entry(entries, *n);
    if (!named) {
        qCWarning(lcCnfProject, "invalid %s %d in pattern %d", qPrintable(key), *n, patternNumber);
        return false;
    }
    pattern.insert(key, *named);
    return true;
}
