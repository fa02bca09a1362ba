#include "ProjectElement.h"

#include <algorithm>

ProjectElement::ProjectElement(const QString& tag)
    : m_tag(tag)
{
}

// Kept sorted by name, the order they are printed in.
void ProjectElement::setAttribute(const QString& name, const QString& value)
{
    if (m_attributes.isEmpty())
        m_attributes.reserve(4);
    auto it = std::lower_bound(m_attributes.begin(), m_attributes.end(), name,
                               [](const QPair<QString, QString>& a, const QString& n) { return a.first < n; });
    if (it != m_attributes.end() && it->first == name) {
        it->second = value;
        return;
    }
    m_attributes.insert(it, {name, value});
}

void ProjectElement::setAttribute(const QString& name, int value)
{
    setAttribute(name, QString::number(value));
}

void ProjectElement::removeAttribute(const QString& name)
{
    m_attributes.erase(std::remove_if(m_attributes.begin(), m_attributes.end(),
                                      [&name](const QPair<QString, QString>& a) { return a.first == name; }),
                       m_attributes.end());
}

void ProjectElement::streamChildrenTo(const ChildSink& sink)
{
    m_sink = sink;
}

void ProjectElement::flushChildren()
{
    if (!m_sink)
        return;
    for (const ProjectElement& child : m_children)
        m_sink(*this, child);
    m_children.clear();
}

void ProjectElement::reserveChildren(int count)
{
    m_children.reserve(count);
}

ProjectElement& ProjectElement::appendElement(const QString& tag)
{
    flushChildren();
    m_children.emplace_back(tag);
    return m_children.back();
}

void ProjectElement::appendChild(ProjectElement&& child)
{
    flushChildren();
    m_children.push_back(std::move(child));
}

void ProjectElement::appendText(const QString& text)
{
    flushChildren();
    ProjectElement child;
    child.m_text = text;
    m_children.push_back(std::move(child));
}

QDomElement ProjectElement::toDom(QDomDocument& document) const
{
    QDomElement element = document.createElement(m_tag);
    for (const auto& attribute : m_attributes)
        element.setAttribute(attribute.first, attribute.second);
    for (const ProjectElement& child : m_children) {
        if (child.isText())
            element.appendChild(document.createTextNode(child.m_text));
        else
            element.appendChild(child.toDom(document));
    }
    return element;
}
