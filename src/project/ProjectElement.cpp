#include "ProjectElement.h"

#include <algorithm>

#include "ProjectElementSink.h"

ProjectElement::ProjectElement(const QString& tag)
    : m_tag(tag)
{
}

void ProjectElement::setAttribute(const QString& name, const QString& value)
{
    setValue(name, Value{value, 0, false});
}

void ProjectElement::setAttribute(const QString& name, int value)
{
    setValue(name, Value{QString(), value, true});
}

// Kept sorted by name, the order they are printed in.
void ProjectElement::setValue(const QString& name, Value&& value)
{
    if (m_attributes.empty())
        m_attributes.reserve(4);
    auto it = std::lower_bound(m_attributes.begin(), m_attributes.end(), name,
                               [](const Attribute& a, const QString& n) { return a.name < n; });
    if (it != m_attributes.end() && it->name == name) {
        it->value = std::move(value);
        return;
    }
    m_attributes.insert(it, Attribute{name, std::move(value)});
}

void ProjectElement::removeAttribute(const QString& name)
{
    m_attributes.erase(std::remove_if(m_attributes.begin(), m_attributes.end(),
                                      [&name](const Attribute& a) { return a.name == name; }),
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
    appendTextChild().text = text;
}

void ProjectElement::appendText(int value)
{
    Value& text = appendTextChild();
    text.number = value;
    text.isNumber = true;
}

ProjectElement::Value& ProjectElement::appendTextChild()
{
    if (!m_hasText && m_children.empty()) {
        m_hasText = true;
        return m_text;
    }
    m_children.emplace_back();
    return m_children.back().m_text;
}

void ProjectElement::write(ProjectElementSink& sink) const
{
    writeStart(sink);
    if (m_hasText)
        writeText(sink, m_text);
    for (const ProjectElement& child : m_children) {
        if (child.isText())
            writeText(sink, child.m_text);
        else
            child.write(sink);
    }
    sink.endElement(m_tag);
}

void ProjectElement::writeText(ProjectElementSink& sink, const Value& text)
{
    if (text.isNumber)
        sink.text(text.number);
    else
        sink.text(text.text);
}

void ProjectElement::writeStart(ProjectElementSink& sink) const
{
    sink.startElement(m_tag);
    for (const Attribute& attribute : m_attributes) {
        if (attribute.value.isNumber)
            sink.attribute(attribute.name, attribute.value.number);
        else
            sink.attribute(attribute.name, attribute.value.text);
    }
}

QDomElement ProjectElement::toDom(QDomDocument& document) const
{
    QDomElement element = document.createElement(m_tag);
    for (const Attribute& attribute : m_attributes)
        element.setAttribute(attribute.name, attribute.value.toString());
    if (m_hasText)
        element.appendChild(document.createTextNode(m_text.toString()));
    for (const ProjectElement& child : m_children) {
        if (child.isText())
            element.appendChild(document.createTextNode(child.m_text.toString()));
        else
            element.appendChild(child.toDom(document));
    }
    return element;
}

QString ProjectElement::Value::toString() const
{
    return isNumber ? QString::number(number) : text;
}
