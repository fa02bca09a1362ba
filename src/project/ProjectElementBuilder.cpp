#include "ProjectElementBuilder.h"

void ProjectElementBuilder::startElement(const QString& tag)
{
    if (m_open.empty()) {
        m_root = ProjectElement(tag);
        m_open.push_back(&m_root);
        return;
    }
    m_open.push_back(&m_open.back()->appendElement(tag));
}

void ProjectElementBuilder::attribute(const QString& name, const QString& value)
{
    m_open.back()->setAttribute(name, value);
}

void ProjectElementBuilder::attribute(const QString& name, int value)
{
    m_open.back()->setAttribute(name, value);
}

void ProjectElementBuilder::text(const QString& text)
{
    m_open.back()->appendText(text);
}

void ProjectElementBuilder::text(int value)
{
    m_open.back()->appendText(value);
}

void ProjectElementBuilder::endElement(const QString&)
{
    m_open.pop_back();
}
