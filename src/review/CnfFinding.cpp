#include "CnfFinding.h"

#include <QJsonArray>

QString CnfFinding::severityName(Severity severity)
{
    return severity == Error ? QStringLiteral("error") : QStringLiteral("warning");
}

QJsonObject CnfFinding::toJson() const
{
    QJsonArray involved;
    for (const auto& element : elements)
        involved.append(QJsonObject{{QStringLiteral("kind"), element.first}, {QStringLiteral("id"), element.second}});
    return QJsonObject{
        {QStringLiteral("code"), code},
        {QStringLiteral("severity"), severityName(severity)},
        {QStringLiteral("message"), message},
        {QStringLiteral("elements"), involved},
    };
}
