// Holds the project reader's light XML parser to the DOM: whatever bytes the
// light parser reads, QDomDocument::setContent(data, false) must read too,
// into the same tree (tags, attributes as a set, each element's first text,
// the structure). Any difference aborts.
#include <QByteArray>
#include <QDomDocument>
#include <QDomNamedNodeMap>
#include <QStringList>
#include <QtGlobal>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <utility>
#include <vector>

#include "ProjectXmlTree.h"

namespace {

// A string with its length and null-ness, so that no two describe alike.
QString field(const QString& text)
{
    return QStringLiteral("%1%2:%3").arg(text.isNull() ? QStringLiteral("N") : QString()).arg(text.size()).arg(text);
}

QString line(int depth, const QString& tag, QStringList attributes, bool hasText, const QString& text)
{
    attributes.sort();
    return QStringLiteral("%1 %2 [%3] %4%5")
        .arg(depth)
        .arg(field(tag), attributes.join(QLatin1Char(' ')))
        .arg(hasText ? 1 : 0)
        .arg(field(text));
}

// One line per element in document order: depth, tag, sorted attributes,
// first text, with `line` making each element's line.
template<typename Element, typename Line>
QStringList describe(const Element& root, Line line)
{
    QStringList lines;
    std::vector<std::pair<Element, int>> pending{{root, 0}};
    while (!pending.empty()) {
        const auto [element, depth] = pending.back();
        pending.pop_back();
        if (element.isNull())
            continue;
        lines.append(line(element, depth));
        // Pushed in reverse, taken in document order.
        std::vector<Element> children;
        for (Element child = element.firstChildElement(); !child.isNull(); child = child.nextSiblingElement())
            children.push_back(child);
        for (auto it = children.rbegin(); it != children.rend(); ++it)
            pending.emplace_back(*it, depth + 1);
    }
    return lines;
}

// The lines of the light tree...
QStringList describe(const ProjectXmlElement& root)
{
    return describe(root, [](const ProjectXmlElement& element, int depth) {
        QStringList attributes;
        for (int i = 0; i < element.attributeCount(); ++i)
            attributes.append(field(element.attributeName(i)) + field(element.attributeValue(i)));
        return line(depth, element.tagName(), attributes, element.hasText(), element.text());
    });
}

// ... and of the DOM itself, the way the readers once walked it.
QStringList describe(const QDomElement& root)
{
    return describe(root, [](const QDomElement& element, int depth) {
        QStringList attributes;
        const QDomNamedNodeMap map = element.attributes();
        for (int i = 0; i < map.count(); ++i)
            attributes.append(field(map.item(i).toAttr().name()) + field(map.item(i).toAttr().value()));
        QDomNode text = element.firstChild();
        while (!text.isNull() && !text.isText())
            text = text.nextSibling();
        return line(depth, element.tagName(), attributes, !text.isNull(), text.nodeValue());
    });
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), int(size));
    ProjectXmlTree light;
    if (!light.parse(bytes))
        return 0;
    QDomDocument document;
    if (!document.setContent(bytes, false))
        std::abort();
    const QStringList expected = describe(document.documentElement());
    if (describe(light.root()) != expected || describe(ProjectXmlTree::fromDom(document.documentElement()).root()) != expected)
        std::abort();
    return 0;
}
