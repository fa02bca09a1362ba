#include "JsonValues.h"

#include <QHash>
#include <QObject>

// A writer names the same few keys in every element: each name is made once
// per thread and shared, which spares an allocation per member written.
QString JsonValues::key(const char* name)
{
    thread_local QHash<QByteArray, QString> made;
    auto it = made.find(QByteArray::fromRawData(name, int(qstrlen(name))));
    if (it == made.end())
        it = made.insert(QByteArray(name), QString::fromLatin1(name));
    return it.value();
}

QVariant JsonValues::idValue(const QString& id)
{
    bool isNumber = false;
    const int number = id.toInt(&isNumber);
    if (isNumber && QString::number(number) == id)
        return number;
    return id;
}

QVariant JsonValues::referenceValue(const QString& id, const QString& name, bool nameFindsElement)
{
    const QVariant byId = idValue(id);
    if (byId.userType() == QMetaType::Int)
        return byId;
    if (!name.isEmpty() && nameFindsElement)
        return name;
    return QVariant();
}

void JsonValues::insertIfNotEmpty(QVariantMap& map, const char* name, const QString& text)
{
    if (!text.isEmpty())
        map.insert(key(name), text);
}

void JsonValues::insertProperties(QVariantMap& map, const QObject& object, const QStringList& excluded)
{
    const auto names = object.dynamicPropertyNames();
    for (const QByteArray& name : names) {
        const QString text = QString::fromUtf8(name);
        // Names starting with "_q_" are Qt's own bookkeeping.
        if (name.startsWith("_q_") || excluded.contains(text) || map.contains(text))
            continue;
        map.insert(text, object.property(name.constData()));
    }
}
