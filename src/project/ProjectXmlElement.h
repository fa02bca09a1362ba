#ifndef PROJECTXMLELEMENT_H
#define PROJECTXMLELEMENT_H

#include <QString>
#include <QStringView>

class ProjectXmlTree;

// A handle to one element of a ProjectXmlTree, valid while the tree lives:
// the part of QDomElement's interface the project readers use. A default
// handle is null; asking a null handle anything gives empty answers and
// null handles, as a null QDomElement does. An empty tag passed to the
// child and sibling look-ups matches every element.
class ProjectXmlElement
{
public:
    ProjectXmlElement() = default;

    bool isNull() const { return !m_tree; }
    QString tagName() const;
    // True when the element's tag is `tag`, without copying the tag.
    bool hasTagName(QStringView tag) const;

    bool hasAttribute(QStringView name) const;
    // The attribute's value; `defaultValue` when the element has none.
    QString attribute(QStringView name, const QString& defaultValue = QString()) const;
    // The attributes by position, 0 to attributeCount() - 1.
    int attributeCount() const;
    QString attributeName(int i) const;
    QString attributeValue(int i) const;

    ProjectXmlElement firstChildElement(QStringView tag = QStringView()) const;
    ProjectXmlElement nextSiblingElement(QStringView tag = QStringView()) const;

    // True when the element has a text child (text of white space alone is
    // no child, as in the DOM of a parsed document).
    bool hasText() const;
    // The value of the first text child; empty when there is none.
    QString text() const;

private:
    friend class ProjectXmlTree;
    ProjectXmlElement(const ProjectXmlTree* tree, int index);
    int attributeIndex(QStringView name) const;
    // The first element named `tag` from index `from` on along the sibling chain.
    ProjectXmlElement findSibling(int from, QStringView tag) const;

    const ProjectXmlTree* m_tree = nullptr;
    int m_index = -1;
};

#endif
