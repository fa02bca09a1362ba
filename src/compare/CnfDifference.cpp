#include "CnfDifference.h"

#include <QCoreApplication>

QString CnfDifference::toString() const
{
    switch (change) {
    case Missing:
        return QCoreApplication::translate("CnfDifference", "%1: only in the first").arg(element);
    case Added:
        return QCoreApplication::translate("CnfDifference", "%1: only in the second").arg(element);
    case Changed:
    case Reordered:
        break;
    }
    return QCoreApplication::translate("CnfDifference", "%1: %2: \"%3\" → \"%4\"").arg(element, property, first, second);
}

QString CnfDifference::changeName(Change change)
{
    switch (change) {
    case Changed:
        return QStringLiteral("changed");
    case Missing:
        return QStringLiteral("missing");
    case Added:
        return QStringLiteral("added");
    case Reordered:
        return QStringLiteral("reordered");
    }
    return QString();
}

bool CnfDifference::operator==(const CnfDifference& other) const
{
    return kind == other.kind && id == other.id && element == other.element && property == other.property
        && change == other.change && first == other.first && second == other.second;
}
