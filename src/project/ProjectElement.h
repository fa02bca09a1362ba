#ifndef PROJECTELEMENT_H
#define PROJECTELEMENT_H

#include <QDomDocument>
#include <QDomElement>
#include <QString>

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
    bool hasAttributes() const { return !m_attributes.empty(); }
    bool hasChildNodes() const { return m_hasText || !m_children.empty(); }

    // The new last child element; valid until this element gets another child.
    ProjectElement& appendElement(const QString& tag);
    void appendChild(ProjectElement&& child);
    void appendText(const QString& text);
    void appendText(int value);

    // Hands the element and everything below it to `sink`.
    void write(ProjectElementSink& sink) const;
    // Hands only the start of the element and its attributes to `sink`,
    // which then takes the children and the end from the caller.
    void writeStart(ProjectElementSink& sink) const;

    // The same element as a DOM element of `document` (not inserted).
    QDomElement toDom(QDomDocument& document) const;

private:
    // An attribute value or a text: numbers are kept as numbers until they
    // are printed, which saves a string for each.
    struct Value
    {
        QString text;
        int number = 0;
        bool isNumber = false;

        QString toString() const;
    };
    struct Attribute
    {
        QString name;
        Value value;
    };

    void setValue(const QString& name, Value&& value);
    Value& appendTextChild();
    static void writeText(ProjectElementSink& sink, const Value& text);
    // A text child has no tag.
    bool isText() const { return m_tag.isEmpty(); }

    QString m_tag;
    // The text of a text child, or the element's own first content when
    // that is a text: most elements hold just one, which then needs no
    // child of its own.
    Value m_text;
    bool m_hasText = false;
    std::vector<Attribute> m_attributes; // sorted by name
    std::vector<ProjectElement> m_children;
};

#endif
