#include "ProjectElement.h"

#include <algorithm>

#include "ProjectElementSink.h"

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

ProjectElement& ProjectElement::appendElement(const QString& tag)
{
    m_children.emplace_back(tag);
    return m_children.back();
}

void ProjectElement::appendChild(ProjectElement&& child)
{
    m_children.push_back(std::move(child));
}

void ProjectElement::appendText(const QString& text)
{
    ProjectElement child;
    child.m_text = text;
    m_children.push_back(std::move(child));
}

void ProjectElement::write(ProjectElementSink& sink) const
{
    writeStart(sink);
    for (const ProjectElement& child : m_children) {
        if (child.isText())
            sink.text(child.m_text);
        else
            child.write(sink);
    }
    sink.endElement(m_tag);
}

void ProjectElement::writeStart(ProjectElementSink& sink) const
{
    sink.startElement(m_tag);
    for (const auto& attribute : m_attributes)
        sink.attribute(attribute.first, attribute.second);
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
