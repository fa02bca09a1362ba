#include "NativeValueCodec.h"

#include "ProjectXml.h"

namespace {

// Nesting deeper than this is not native data of any controller; the
// limit keeps a hostile document from exhausting the stack.
constexpr int MaxDepth = 128;

const QString MapTag = QStringLiteral("Map");
const QString ListTag = QStringLiteral("List");
const QString ItemTag = QStringLiteral("Item");
const QString NameAttribute = QStringLiteral("name");
const QString TypeAttribute = QStringLiteral("type");

// The name of the value's type; the common ones without converting the
// name on every call.
QString typeName(const QVariant& value)
{
    switch (value.userType()) {
    case QMetaType::Int:
        return QStringLiteral("int");
    case QMetaType::QString:
        return QStringLiteral("QString");
    case QMetaType::Bool:
        return QStringLiteral("bool");
    case QMetaType::Double:
        return QStringLiteral("double");
    case QMetaType::QVariantMap:
        return QStringLiteral("QVariantMap");
    case QMetaType::QVariantList:
        return QStringLiteral("QVariantList");
    default:
        return QString::fromLatin1(value.typeName());
    }
}

} // namespace

QVector<NativeValueCodec::NamedValue> NativeValueCodec::decodeNamedValues(const ProjectXmlElement& nativeData)
{
    QVector<NamedValue> values;
    for (int i = 0; i < nativeData.attributeCount(); ++i) {
        QString text = nativeData.attributeValue(i);
        if (text == QLatin1String("true"))
            text = QStringLiteral("1");
        else if (text == QLatin1String("false"))
            text = QStringLiteral("0");
        values.append({nativeData.attributeName(i), text});
    }
    for (ProjectXmlElement child = nativeData.firstChildElement(); !child.isNull(); child = child.nextSiblingElement()) {
        const QString name = child.attribute(NameAttribute);
        if (!name.isEmpty())
            values.append({name, decode(child)});
    }
    return values;
}

QVariant NativeValueCodec::decode(const ProjectXmlElement& element)
{
    return decode(element, 0);
}

QVariant NativeValueCodec::decode(const ProjectXmlElement& element, int depth)
{
    if (depth > MaxDepth)
        return QVariant();
    if (element.hasTagName(MapTag)) {
        QVariantMap map;
        for (const ProjectXmlElement& item : ProjectXml::children(element, ItemTag)) {
            const QString name = item.attribute(NameAttribute);
            if (!name.isEmpty())
                map.insert(name, decodeItem(item, depth + 1));
        }
        return map;
    }
    if (element.hasTagName(ListTag)) {
        QVariantList list;
        for (const ProjectXmlElement& item : ProjectXml::children(element, ItemTag))
            list.append(decodeItem(item, depth + 1));
        return list;
    }
    if (element.hasTagName(ItemTag))
        return decodeItem(element, depth + 1);
    return QVariant();
}

QVariant NativeValueCodec::decodeItem(const ProjectXmlElement& item, int depth)
{
    const ProjectXmlElement child = item.firstChildElement();
    if (!child.isNull())
        return decode(child, depth);
    return decodeScalar(item);
}

QVariant NativeValueCodec::decodeScalar(const ProjectXmlElement& item)
{
    if (!item.hasText())
        return QVariant();
    QVariant value(item.text());
    const int type = QVariant::nameToType(item.attribute(TypeAttribute).toLatin1().constData());
    // Only the built-in value types are converted; pointer and user types
    // cannot come from text.
    if (type != QMetaType::UnknownType && type < QMetaType::User && type != QMetaType::Void
        && type != QMetaType::QObjectStar && type != QMetaType::VoidStar && type != QMetaType::Nullptr) {
        value.convert(type);
    }
    return value;
}

void NativeValueCodec::encodeNamed(ProjectElement& target, const QString& name, const QVariant& value)
{
    if (!value.isValid())
        return;
    ProjectElement container = encodeContainer(name, value);
    if (!container.isNull()) {
        target.appendChild(std::move(container));
        return;
    }
    if (ProjectXml::isName(name)) {
        ProjectXml::setAttribute(target, name, value.toString());
        return;
    }
    // A name that cannot be an attribute travels as a named item, which
    // every reader of the format takes as a top-level value too.
    ProjectElement& item = target.appendElement(ItemTag);
    ProjectXml::setAttribute(item, NameAttribute, name);
    ProjectXml::setAttribute(item, TypeAttribute, typeName(value));
    ProjectXml::appendText(item, value.toString());
}

ProjectElement NativeValueCodec::encodeContainer(const QString& name, const QVariant& value)
{
    ProjectElement container;
    if (isMap(value)) {
        container = ProjectElement(MapTag);
        const QVariantMap map = value.toMap();
        for (auto it = map.cbegin(); it != map.cend(); ++it)
            appendItem(container, it.key(), it.value());
    } else if (isList(value)) {
        container = ProjectElement(ListTag);
        const QVariantList list = value.toList();
        for (const QVariant& entry : list)
            appendItem(container, QString(), entry);
    } else {
        return container;
    }
    if (!name.isEmpty())
        ProjectXml::setAttribute(container, NameAttribute, name);
    return container;
}

ProjectElement& NativeValueCodec::appendMapItem(ProjectElement& container, const QString& name)
{
    return appendTypedItem(container, name, QStringLiteral("QVariantMap")).appendElement(MapTag);
}

ProjectElement& NativeValueCodec::appendListItem(ProjectElement& container, const QString& name)
{
    return appendTypedItem(container, name, QStringLiteral("QVariantList")).appendElement(ListTag);
}

void NativeValueCodec::appendIntItem(ProjectElement& container, const QString& name, int value)
{
    appendTypedItem(container, name, QStringLiteral("int")).appendText(value);
}

void NativeValueCodec::appendStringItem(ProjectElement& container, const QString& name, const QString& value)
{
    ProjectXml::appendText(appendTypedItem(container, name, QStringLiteral("QString")), value);
}

ProjectElement& NativeValueCodec::appendList(ProjectElement& parent)
{
    return parent.appendElement(ListTag);
}

ProjectElement& NativeValueCodec::appendTypedItem(ProjectElement& container, const QString& name,
                                                  const QString& type)
{
    ProjectElement& item = container.appendElement(ItemTag);
    if (!name.isEmpty())
        item.setAttribute(NameAttribute, ProjectXml::cleanText(name));
    item.setAttribute(TypeAttribute, ProjectXml::cleanText(type));
    return item;
}

void NativeValueCodec::appendItem(ProjectElement& container, const QString& name, const QVariant& value)
{
    ProjectElement& item = appendTypedItem(container, name, typeName(value));
    ProjectElement inner = encodeContainer(QString(), value);
    if (!inner.isNull())
        item.appendChild(std::move(inner));
    else if (value.userType() == QMetaType::Int)
        item.appendText(value.toInt());
    else
        ProjectXml::appendText(item, value.toString());
}

bool NativeValueCodec::isMap(const QVariant& value)
{
    return value.type() == QVariant::Map || value.type() == QVariant::Hash;
}

bool NativeValueCodec::isList(const QVariant& value)
{
    return value.type() == QVariant::List || value.type() == QVariant::StringList;
}
