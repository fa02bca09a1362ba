#include "NativeValueCodec.h"

#include <algorithm>
#include <vector>

#include "ProjectElementBuilder.h"
#include "ProjectXml.h"

namespace {

// Nesting deeper than this is not native data of any controller; the
// limit keeps a hostile document from exhausting the stack.
constexpr int MaxDepth = 128;

const QString NativeDataTag = QStringLiteral("NativeData");
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

void NativeValueCodec::writeNamedValues(ProjectElementSink& sink, const QVector<NamedValue>& values)
{
    sink.startElement(NativeDataTag);
    writeScalarAttributes(sink, values);
    for (const NamedValue& value : values) {
        if (!value.second.isValid() || writeContainer(sink, value.first, value.second) || ProjectXml::isName(value.first))
            continue;
        // A name that cannot be an attribute travels as a named item, which
        // every reader of the format takes as a top-level value too.
        writeItem(sink, value.first, value.second);
    }
    sink.endElement(NativeDataTag);
}

ProjectElement NativeValueCodec::encodeNamedValues(const QVector<NamedValue>& values)
{
    ProjectElementBuilder builder;
    writeNamedValues(builder, values);
    return builder.takeRoot();
}

// The scalars whose names can be attributes, sorted by name as attributes
// are written; of two values of one name the later wins.
void NativeValueCodec::writeScalarAttributes(ProjectElementSink& sink, const QVector<NamedValue>& values)
{
    std::vector<const NamedValue*> attributes;
    for (const NamedValue& value : values) {
        if (value.second.isValid() && !isMap(value.second) && !isList(value.second) && ProjectXml::isName(value.first))
            attributes.push_back(&value);
    }
    std::stable_sort(attributes.begin(), attributes.end(),
                     [](const NamedValue* a, const NamedValue* b) { return a->first < b->first; });
    for (size_t i = 0; i < attributes.size(); ++i) {
        if (i + 1 < attributes.size() && attributes[i + 1]->first == attributes[i]->first)
            continue;
        sink.attribute(attributes[i]->first, ProjectXml::cleanText(attributes[i]->second.toString()));
    }
}

// A "Map" or "List" element for `value`, with a "name" attribute when `name`
// is not empty; false, writing nothing, for a scalar.
bool NativeValueCodec::writeContainer(ProjectElementSink& sink, const QString& name, const QVariant& value)
{
    const bool map = isMap(value);
    if (!map && !isList(value))
        return false;
    const QString& tag = map ? MapTag : ListTag;
    sink.startElement(tag);
    if (!name.isEmpty())
        sink.attribute(NameAttribute, ProjectXml::cleanText(name));
    if (map) {
        const QVariantMap entries = value.toMap();
        for (auto it = entries.cbegin(); it != entries.cend(); ++it)
            writeItem(sink, it.key(), it.value());
    } else {
        const QVariantList entries = value.toList();
        for (const QVariant& entry : entries)
            writeItem(sink, QString(), entry);
    }
    sink.endElement(tag);
    return true;
}

// An "Item" named `name` (no name when empty) holding `value`.
void NativeValueCodec::writeItem(ProjectElementSink& sink, const QString& name, const QVariant& value)
{
    sink.startElement(ItemTag);
    if (!name.isEmpty())
        sink.attribute(NameAttribute, ProjectXml::cleanText(name));
    sink.attribute(TypeAttribute, ProjectXml::cleanText(typeName(value)));
    if (!writeContainer(sink, QString(), value)) {
        if (value.userType() == QMetaType::Int)
            sink.text(value.toInt());
        else
            sink.text(ProjectXml::cleanText(value.toString()));
    }
    sink.endElement(ItemTag);
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

bool NativeValueCodec::isMap(const QVariant& value)
{
    return value.type() == QVariant::Map || value.type() == QVariant::Hash;
}

bool NativeValueCodec::isList(const QVariant& value)
{
    return value.type() == QVariant::List || value.type() == QVariant::StringList;
}
