#include "JsonDialect.h"

QString JsonDialect::nameOf(const QString& name, const char* defaultName, const QString& id)
{
    if (!name.isEmpty() || !defaultName)
        return name;
    return tr(defaultName).arg(id);
}

const JsonDialect& JsonDialect::norvakII()
{
    static const JsonDialect dialect{
        QT_TR_NOOP("sg%1"), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
        "plan", "sparePlan", "time", nullptr, "h:m:s",
        "conditions",
        /* stageLengths */ false, /* alwaysOnGroups */ false, /* planDefault */ true, /* fixedPlans */ true,
        /* matrixOnlyForStageRing */ false, /* otherAlgorithmMatrix */ true, /* defaultWeekCard */ false,
        {QStringLiteral("diochannel"), QStringLiteral("dionumber"), QStringLiteral("keycode")},
    };
    return dialect;
}

const JsonDialect& JsonDialect::ztLoom()
{
    static const JsonDialect dialect{
        QT_TR_NOOP("Group.%1"), QT_TR_NOOP("Phase.%1"), QT_TR_NOOP("Detector.%1"), QT_TR_NOOP("Program.%1"),
        QT_TR_NOOP("Daily.%1"), QT_TR_NOOP("Weekly.%1"), QT_TR_NOOP("Seasonly.%1"), QT_TR_NOOP("Special.%1"),
        "program", "spareProgram", "start", "stop", "hh:mm",
        "detectors",
        /* stageLengths */ true, /* alwaysOnGroups */ true, /* planDefault */ false, /* fixedPlans */ false,
        /* matrixOnlyForStageRing */ true, /* otherAlgorithmMatrix */ false, /* defaultWeekCard */ true,
        {QStringLiteral("dio1channel"), QStringLiteral("keycode")},
    };
    return dialect;
}
