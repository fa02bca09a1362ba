#include "LossReport.h"

#include <QMap>

namespace
{
struct Noun {
    const char* kind;
    const char* one;
    const char* many;
};

// Kinds of element as CnfDifference names them, for people.
const Noun nouns[] = {
    {"nativeData", QT_TRANSLATE_NOOP("LossReport", "native data value"), QT_TRANSLATE_NOOP("LossReport", "native data values")},
    {"powerDevice", QT_TRANSLATE_NOOP("LossReport", "power device"), QT_TRANSLATE_NOOP("LossReport", "power devices")},
    {"signalGroup", QT_TRANSLATE_NOOP("LossReport", "signal group"), QT_TRANSLATE_NOOP("LossReport", "signal groups")},
    {"phase", QT_TRANSLATE_NOOP("LossReport", "phase"), QT_TRANSLATE_NOOP("LossReport", "phases")},
    {"transition", QT_TRANSLATE_NOOP("LossReport", "transition"), QT_TRANSLATE_NOOP("LossReport", "transitions")},
    {"matrix", QT_TRANSLATE_NOOP("LossReport", "intergreen matrix"), QT_TRANSLATE_NOOP("LossReport", "intergreen matrices")},
    {"matrixCell", QT_TRANSLATE_NOOP("LossReport", "matrix cell"), QT_TRANSLATE_NOOP("LossReport", "matrix cells")},
    {"detector", QT_TRANSLATE_NOOP("LossReport", "detector"), QT_TRANSLATE_NOOP("LossReport", "detectors")},
    {"sensor", QT_TRANSLATE_NOOP("LossReport", "sensor"), QT_TRANSLATE_NOOP("LossReport", "sensors")},
    {"program", QT_TRANSLATE_NOOP("LossReport", "program"), QT_TRANSLATE_NOOP("LossReport", "programs")},
    {"step", QT_TRANSLATE_NOOP("LossReport", "program step"), QT_TRANSLATE_NOOP("LossReport", "program steps")},
    {"dayCard", QT_TRANSLATE_NOOP("LossReport", "day card"), QT_TRANSLATE_NOOP("LossReport", "day cards")},
    {"dayCardRecord", QT_TRANSLATE_NOOP("LossReport", "day card record"), QT_TRANSLATE_NOOP("LossReport", "day card records")},
    {"weekCard", QT_TRANSLATE_NOOP("LossReport", "week card"), QT_TRANSLATE_NOOP("LossReport", "week cards")},
    {"weekDay", QT_TRANSLATE_NOOP("LossReport", "week day"), QT_TRANSLATE_NOOP("LossReport", "week days")},
    {"specialDay", QT_TRANSLATE_NOOP("LossReport", "special day"), QT_TRANSLATE_NOOP("LossReport", "special days")},
    {"seasonPlan", QT_TRANSLATE_NOOP("LossReport", "season plan"), QT_TRANSLATE_NOOP("LossReport", "season plans")},
};
} // namespace

LossReport::LossReport(const QList<CnfDifference>& differences)
{
    for (const CnfDifference& difference : differences) {
        if (!isRecomputed(difference))
            m_differences.append(difference);
    }
}

bool LossReport::isRecomputed(const CnfDifference& difference)
{
    // A native setting the source did not have is the target's default.
    if (difference.kind == QLatin1String("nativeData"))
        return difference.id == QLatin1String("changeTime") || difference.id == QLatin1String("creationTime")
            || difference.change == CnfDifference::Added;
    // A reader derives a transition without times for each change of phase
    // in a program.
    return difference.kind == QLatin1String("transition") && difference.change == CnfDifference::Added
        && difference.second.isEmpty();
}

QString LossReport::noun(const QString& kind, int count)
{
    for (const Noun& entry : nouns) {
        if (kind == QLatin1String(entry.kind))
            return tr(count == 1 ? entry.one : entry.many);
    }
    return kind;
}

// The group a difference is counted in, with `count` of them: "4 detectors",
// "names of 54 elements", "cycle of 2 programs", "order of phases".
QString LossReport::kindOfChange(const CnfDifference& difference, int count)
{
    switch (difference.change) {
    case CnfDifference::Missing:
    case CnfDifference::Added:
        return QStringLiteral("%1 %2").arg(count).arg(noun(difference.kind, count));
    case CnfDifference::Reordered:
        return tr("order of %1").arg(difference.element);
    case CnfDifference::Changed:
        break;
    }
    if (difference.kind == QLatin1String("controller") || difference.kind == QLatin1String("interstate"))
        return tr("controller %1").arg(difference.property);
    if (difference.kind == QLatin1String("nativeData"))
        return QStringLiteral("%1 %2").arg(count).arg(noun(difference.kind, count));
    if (difference.property == QLatin1String("name"))
        return count == 1 ? tr("name of 1 element") : tr("names of %1 elements").arg(count);
    return tr("%1 of %2 %3").arg(difference.property).arg(count).arg(noun(difference.kind, count));
}

QStringList LossReport::summary(const QString& target) const
{
    // Groups in the order first met, counted.
    QStringList lostKeys;
    QStringList addedKeys;
    QMap<QString, QPair<CnfDifference, int>> groups;
    for (const CnfDifference& difference : m_differences) {
        QString key = difference.kind + QLatin1Char('\n') + CnfDifference::changeName(difference.change);
        if (difference.change == CnfDifference::Changed && difference.kind != QLatin1String("nativeData"))
            key = difference.property == QLatin1String("name") ? QStringLiteral("name")
                                                                : key + QLatin1Char('\n') + difference.property;
        if (!groups.contains(key))
            (difference.change == CnfDifference::Added ? addedKeys : lostKeys).append(key);
        groups[key].first = difference;
        ++groups[key].second;
    }
    const auto describe = [&groups](const QStringList& keys) {
        QStringList parts;
        for (const QString& key : keys)
            parts.append(kindOfChange(groups.value(key).first, groups.value(key).second));
        return parts.join(QLatin1String(", "));
    };
    QStringList lines;
    if (!lostKeys.isEmpty())
        lines.append(tr("%1 cannot hold: %2").arg(target, describe(lostKeys)));
    if (!addedKeys.isEmpty())
        lines.append(tr("%1 adds: %2").arg(target, describe(addedKeys)));
    return lines;
}

QStringList LossReport::details() const
{
    QStringList lines;
    for (const CnfDifference& difference : m_differences)
        lines.append(difference.toString());
    return lines;
}

QJsonObject LossReport::toJson(const CnfDifference& difference)
{
    return QJsonObject{
        {QStringLiteral("kind"), difference.kind},
        {QStringLiteral("id"), difference.id},
        {QStringLiteral("element"), difference.element},
        {QStringLiteral("property"), difference.property},
        {QStringLiteral("change"), CnfDifference::changeName(difference.change)},
        {QStringLiteral("first"), difference.first},
        {QStringLiteral("second"), difference.second},
    };
}

QJsonArray LossReport::toJson() const
{
    QJsonArray list;
    for (const CnfDifference& difference : m_differences)
        list.append(toJson(difference));
    return list;
}
