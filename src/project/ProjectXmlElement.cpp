#include "ProjectXmlElement.h"

#include "ProjectXmlTree.h"

ProjectXmlElement::ProjectXmlElement(const ProjectXmlTree* tree, int index)
    : m_tree(tree)
    , m_index(index)
{
}

QString ProjectXmlElement::tagName() const
{
    return m_tree ? m_tree->view(m_tree->m_elements[m_index].tag).toString() : QString();
}

bool ProjectXmlElement::hasTagName(QStringView tag) const
{
    return m_tree && m_tree->view(m_tree->m_elements[m_index].tag) == tag;
}

int ProjectXmlElement::attributeIndex(QStringView name) const
{
    if (!m_tree)
        return -1;
    const ProjectXmlTree::Element& element = m_tree->m_elements[m_index];
    const int end = element.firstAttribute + element.attributeCount;
    for (int i = element.firstAttribute; i < end; ++i) {
        if (m_tree->view(m_tree->m_attributes[i].name) == name)
            return i;
    }
    return -1;
}

bool ProjectXmlElement::hasAttribute(QStringView name) const
{
    return attributeIndex(name) >= 0;
}

QString ProjectXmlElement::attribute(QStringView name, const QString& defaultValue) const
{
    const int i = attributeIndex(name);
    return i < 0 ? defaultValue : m_tree->view(m_tree->m_attributes[i].value).toString();
}

int ProjectXmlElement::attributeCount() const
{
    return m_tree ? m_tree->m_elements[m_index].attributeCount : 0;
}

QString ProjectXmlElement::attributeName(int i) const
{
    if (i < 0 || i >= attributeCount())
        return QString();
    return m_tree->view(m_tree->m_attributes[m_tree->m_elements[m_index].firstAttribute + i].name).toString();
}

QString ProjectXmlElement::attributeValue(int i) const
{
    if (i < 0 || i >= attributeCount())
        return QString();
    return m_tree->view(m_tree->m_attributes[m_tree->m_elements[m_index].firstAttribute + i].value).toString();
}

ProjectXmlElement ProjectXmlElement::findSibling(int from, QStringView tag) const
{
    for (int i = from; i >= 0; i = m_tree->m_elements[i].nextSibling) {
        if (tag.isEmpty() || m_tree->view(m_tree->m_elements[i].tag) == tag)
            return ProjectXmlElement(m_tree, i);
    }
    return ProjectXmlElement();
}

ProjectXmlElement ProjectXmlElement::firstChildElement(QStringView tag) const
{
    return m_tree ? findSibling(m_tree->m_elements[m_index].firstChild, tag) : ProjectXmlElement();
}

ProjectXmlElement ProjectXmlElement::nextSiblingElement(QStringView tag) const
{
    return m_tree ? findSibling(m_tree->m_elements[m_index].nextSibling, tag) : ProjectXmlElement();
}

bool ProjectXmlElement::hasText() const
{
    return m_tree && m_tree->m_elements[m_index].hasText;
}

QString ProjectXmlElement::text() const
{
    return hasText() ? m_tree->view(m_tree->m_elements[m_index].text).toString() : QString();
}
