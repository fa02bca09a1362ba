#ifndef PROJECTELEMENTSINK_H
#define PROJECTELEMENTSINK_H

#include <QString>

// Takes the elements of a project document in document order, one call per
// tag, attribute and text, so that a long list of elements can be written
// without building them first. Attributes come right after their element's
// start, sorted by name; the names and texts are valid XML already.
class ProjectElementSink
{
public:
    virtual ~ProjectElementSink() = default;

    // Opens an element inside the one open, or the root.
    virtual void startElement(const QString& tag) = 0;
    // An attribute of the element just opened.
    virtual void attribute(const QString& name, const QString& value) = 0;
    virtual void attribute(const QString& name, int value) = 0;
    // A text child of the open element.
    virtual void text(const QString& text) = 0;
    virtual void text(int value) = 0;
    // Closes the open element, named `tag`.
    virtual void endElement(const QString& tag) = 0;
};

#endif
