#ifndef PROJECTELEMENTBUILDER_H
#define PROJECTELEMENTBUILDER_H

#include <vector>

#include "ProjectElement.h"
#include "ProjectElementSink.h"

// Builds the element tree of the document it is given, for the callers that
// need all of it at once.
class ProjectElementBuilder : public ProjectElementSink
{
public:
    void startElement(const QString& tag) override;
    void attribute(const QString& name, const QString& value) override;
    void attribute(const QString& name, int value) override;
    void text(const QString& text) override;
    void text(int value) override;
    void endElement(const QString& tag) override;

    // The root element built; null while nothing was started.
    const ProjectElement& root() const { return m_root; }
    // The root element built, taken over by the caller.
    ProjectElement takeRoot() { return std::move(m_root); }

private:
    ProjectElement m_root;
    // The open elements, innermost last; each lives in its parent's list of
    // children, which does not change while a child of it is open.
    std::vector<ProjectElement*> m_open;
};

#endif
