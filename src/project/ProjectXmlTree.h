#ifndef PROJECTXMLTREE_H
#define PROJECTXMLTREE_H

#include <QByteArray>
#include <QDomElement>
#include <QString>
#include <QStringView>

#include <utility>
#include <vector>

#include "ProjectXmlElement.h"

class QXmlStreamReader;

// The read-only element tree the project readers work on: tags, attributes,
// child elements and each element's first text, exactly as the DOM of
// QDomDocument::setContent(data, false) holds them, kept in a few flat
// arrays. parse() builds it in one pass over the bytes for the documents it
// reads exactly as the DOM parser does; every other document goes through
// the DOM and fromDom(), so the readers exist once.
class ProjectXmlTree
{
public:
    // Reads `data`. False, with the tree empty, when the bytes are no well
    // formed document or use anything this parser does not read exactly as
    // the DOM parser does (a DTD, CDATA, an encoding other than UTF-8,
    // carriage returns, ...): such documents are for the DOM.
    bool parse(const QByteArray& data);
    // The tree of `root` and everything under it.
    static ProjectXmlTree fromDom(const QDomElement& root);
    // True when `data` opens an element more than `limit` levels deep before
    // it ends or breaks; `line` and `column` then tell where. The DOM parser
    // recurses per level and runs out of stack on such documents.
    static bool nestsDeeperThan(const QByteArray& data, int limit, qint64* line, qint64* column);

    // The root element; null when the tree is empty.
    ProjectXmlElement root() const;

private:
    friend class ProjectXmlElement;

    // A piece of m_chars; a null string has offset -1, as the DOM keeps
    // null values apart from empty ones.
    struct Span {
        int offset = 0;
        int size = 0;
    };
    struct Element {
        Span tag;
        int firstAttribute = 0;
        int attributeCount = 0;
        int firstChild = -1;
        int nextSibling = -1;
        bool hasText = false;
        Span text;
    };
    struct Attribute {
        Span name;
        Span value;
    };

    void clear();
    Span store(QStringView text);
    QStringView view(Span span) const
    {
        return span.offset < 0 ? QStringView() : QStringView(m_chars.constData() + span.offset, span.size);
    }
    // A new element with no attributes yet, linked after `previousSibling`
    // or, when that is -1, as the first child of `parent` (-1 for the root).
    int appendElement(QStringView tag, int parent, int previousSibling);
    void appendAttribute(int element, QStringView name, QStringView value);
    // The element the reader stands on, as the last child of the innermost
    // open element; `open` holds each open element with its last child so far.
    void appendStartElement(const QXmlStreamReader& reader, std::vector<std::pair<int, int>>& open);
    void setText(int element, QStringView text);
    int appendDomElement(const QDomElement& element, int parent, int previousSibling);

    QString m_chars;
    std::vector<Element> m_elements;
    std::vector<Attribute> m_attributes;
};

#endif
