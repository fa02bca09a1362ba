#ifndef PROJECTXML_H
#define PROJECTXML_H

#include <QDomDocument>
#include <QDomElement>
#include <QList>
#include <QObject>
#include <QPair>
#include <QString>
#include <QStringView>
#include <QVariant>
#include <QVector>

#include "ProjectElement.h"
#include "ProjectXmlElement.h"

// Small XML helpers shared by the project document reader and writer. The
// writer goes through them so that no name or text taken from the model can
// make the document unreadable.
class ProjectXml
{
public:
    // True when `name` can stand as an XML attribute or element name.
    static bool isName(const QString& name);
    // `text` without the characters that XML 1.0 cannot carry.
    static QString cleanText(const QString& text);

    // Sets the attribute with a cleaned value; false (nothing set) when
    // `name` is no XML name.
    static bool setAttribute(ProjectElement& element, const QString& name, const QString& value);
    // Appends the cleaned text.
    static void appendText(ProjectElement& element, const QString& text);

    // The names of the object's dynamic properties, without Qt's internal ones.
    static QList<QByteArray> propertyNames(const QObject& object);
    // Those properties with their values, in the object's order.
    static QVector<QPair<QString, QVariant>> properties(const QObject& object);

    // The direct child elements named `tag`, in document order.
    static QVector<ProjectXmlElement> children(const ProjectXmlElement& parent, QStringView tag);
};

#endif
