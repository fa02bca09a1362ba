#ifndef NATIVEVALUECODEC_H
#define NATIVEVALUECODEC_H

#include <QDomDocument>
#include <QPair>
#include <QString>
#include <QVariant>
#include <QVector>

#include "ProjectElement.h"
#include "ProjectElementSink.h"
#include "ProjectXmlElement.h"

// The project document's encoding of native values: QVariant trees of maps,
// lists and scalars as nested "Map", "List" and "Item" elements. A
// "NativeData" element holds named top-level values, scalars as attributes.
class NativeValueCodec
{
public:
    using NamedValue = QPair<QString, QVariant>;

    // The named values held by a "NativeData" element, in document order.
    // Attribute values are strings ("true" and "false" read as "1" and "0").
    static QVector<NamedValue> decodeNamedValues(const ProjectXmlElement& nativeData);
    // The value of one "Map", "List" or "Item" element; invalid for any
    // other element.
    static QVariant decode(const ProjectXmlElement& element);

    // Writes to `sink` a "NativeData" element holding `values`: a scalar
    // whose name can be an attribute as an attribute, a map or list as a
    // child element carrying the name, any other scalar as a named "Item";
    // the children in the order given. Invalid values are skipped.
    static void writeNamedValues(ProjectElementSink& sink, const QVector<NamedValue>& values);
    // The same "NativeData" element, built.
    static ProjectElement encodeNamedValues(const QVector<NamedValue>& values);

    // The pieces of a container encoded as writeNamedValues() encodes it, for
    // writers that have the values at hand rather than in a QVariant tree.
    // An "Item" of `container` named `name` (no name when empty) holding an
    // empty "Map" or "List", which is returned to be filled; the reference
    // is valid until `container` gets another child.
    static ProjectElement& appendMapItem(ProjectElement& container, const QString& name);
    static ProjectElement& appendListItem(ProjectElement& container, const QString& name);
    // An "Item" of `container` named `name` holding a whole number or a text.
    static void appendIntItem(ProjectElement& container, const QString& name, int value);
    static void appendStringItem(ProjectElement& container, const QString& name, const QString& value);
    // An unnamed empty "List" of `parent`, returned to be filled.
    static ProjectElement& appendList(ProjectElement& parent);

private:
    static QVariant decode(const ProjectXmlElement& element, int depth);
    static QVariant decodeItem(const ProjectXmlElement& item, int depth);
    static QVariant decodeScalar(const ProjectXmlElement& item);
    static void writeScalarAttributes(ProjectElementSink& sink, const QVector<NamedValue>& values);
    static bool writeContainer(ProjectElementSink& sink, const QString& name, const QVariant& value);
    static void writeItem(ProjectElementSink& sink, const QString& name, const QVariant& value);
    static ProjectElement& appendTypedItem(ProjectElement& container, const QString& name, const QString& type);
    static bool isMap(const QVariant& value);
    static bool isList(const QVariant& value);
};

#endif
