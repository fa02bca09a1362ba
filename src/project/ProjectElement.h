#ifndef PROJECTELEMENT_H
#define PROJECTELEMENT_H

#include <QDomDocument>
#include <QDomElement>
#include <QPair>
#include <QString>
#include <QVector>

#include <vector>

class ProjectElementSink;

// One element of a project document being written, with its attributes,
// child elements and texts in order. Far cheaper to build than a DOM: the
// writer builds one of these and hands it to a ProjectElementSink.
// A default-constructed element is null, which writers use for "nothing".
class ProjectElement
{
public:
    ProjectElement() = default;
    explicit ProjectElement(const QString& tag);

    bool isNull() const { return m_tag.isEmpty(); }
    QString tagName() const { return m_tag; }

    // Sets the attribute, replacing a value it had.
    void setAttribute(const QString& name, const QString& value);
    void setAttribute(const QString& name, int value);
    void removeAttribute(const QString& name);
    bool hasAttributes() const { return !m_attributes.isEmpty(); }
    bool hasChildNodes() const { return !m_children.empty(); }

    // The new last child element; valid until this element gets another child.
    ProjectElement& appendElement(const QString& tag);
    void appendChild(ProjectElement&& child);
    void appendText(const QString& text);

    // The attributes, sorted by name.
    const QVector<QPair<QString, QString>>& attributes() const { return m_attributes; }
    // Child elements and texts, in order.
    const std::vector<ProjectElement>& children() const { return m_children; }
    // A text child has no tag.
    bool isText() const { return m_tag.isEmpty(); }
    QString text() const { return m_text; }

    // Hands the element and everything below it to `sink`.
    void write(ProjectElementSink& sink) const;
    // Hands only the start of the element and its attributes to `sink`,
    // which then takes the children and the end from the caller.
    void writeStart(ProjectElementSink& sink) const;

    // The same element as a DOM element of `document` (not inserted).
    QDomElement toDom(QDomDocument& document) const;

private:
    QString m_tag;
    QString m_text;
    QVector<QPair<QString, QString>> m_attributes; // sorted by name
    std::vector<ProjectElement> m_children;
};

#endif
