#ifndef JSONVALUES_H
#define JSONVALUES_H

#include <QString>
#include <QStringList>
#include <QVariant>

class QObject;

// How the JSON writers put model values into their documents.
namespace JsonValues {

// A key of the document.
QString key(const char* name);
// An id as the document writes it: a whole number when the text is the
// decimal form of one, else the text itself (never 0 for "N").
QVariant idValue(const QString& id);
// A reference where a number is an id and a text is a name: the id when it
// is a number, else the element's name when that finds the element alone;
// invalid when neither can name it.
QVariant referenceValue(const QString& id, const QString& name, bool nameFindsElement);
// Sets `name` to `text` unless the text is empty.
void insertIfNotEmpty(QVariantMap& map, const char* name, const QString& text);
// Adds the object's dynamic properties under their own names, except the
// excluded names and the keys the map has already: the writer's own values
// from the model win.
void insertProperties(QVariantMap& map, const QObject& object, const QStringList& excluded = {});

} // namespace JsonValues

#endif
