#include "ProjectXml.h"

#include <algorithm>

#include "CnfLogging.h"

namespace {

bool isNameStart(QChar c)
{
    return c.isLetter() || c == QLatin1Char('_') || c == QLatin1Char(':');
}

bool isNameChar(QChar c)
{
    return isNameStart(c) || c.isDigit() || c == QLatin1Char('-') || c == QLatin1Char('.');
}

bool isXmlChar(uint code)
{
    if (code < 0x20)
        return code == 0x9 || code == 0xA || code == 0xD;
    if (code >= 0xD800 && code <= 0xDFFF)
        return false;
    return code != 0xFFFE && code != 0xFFFF && code <= 0x10FFFF;
}

} // namespace

bool ProjectXml::isName(const QString& name)
{
    if (name.isEmpty() || !isNameStart(name.at(0)))
        return false;
    for (const QChar c : name) {
        if (!isNameChar(c))
            return false;
    }
    return true;
}

QString ProjectXml::cleanText(const QString& text)
{
    // Nearly every text is clean already: it is then shared, not copied.
    int i = 0;
    for (; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate())
            ++i;
        else if (!isXmlChar(c.unicode()))
            break;
    }
    if (i == text.size())
        return text;
    QString result = text.left(i);
    result.reserve(text.size());
    for (; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) {
            result.append(c);
            result.append(text.at(++i));
        } else if (isXmlChar(c.unicode())) {
            result.append(c);
        }
    }
    return result;
}

bool ProjectXml::setAttribute(ProjectElement& element, const QString& name, const QString& value)
{
    if (!isName(name)) {
        qCWarning(lcCnfProject, "Project document: attribute name \"%s\" cannot be stored", qUtf8Printable(name));
        return false;
    }
    element.setAttribute(name, cleanText(value));
    return true;
}

void ProjectXml::appendText(ProjectElement& element, const QString& text)
{
    element.appendText(cleanText(text));
}

QList<QByteArray> ProjectXml::propertyNames(const QObject& object)
{
    QList<QByteArray> names = object.dynamicPropertyNames();
    const auto isInternal = [](const QByteArray& name) { return name.startsWith("_q_"); };
    // Nearly always there are none to drop: the object's own list is then
    // shared rather than copied.
    if (std::any_of(names.cbegin(), names.cend(), isInternal))
        names.erase(std::remove_if(names.begin(), names.end(), isInternal), names.end());
    return names;
}

QVector<QPair<QString, QVariant>> ProjectXml::properties(const QObject& object)
{
    const QList<QByteArray> names = propertyNames(object);
    QVector<QPair<QString, QVariant>> values;
    values.reserve(names.size());
    for (const QByteArray& name : names)
        values.append({QString::fromUtf8(name), object.property(name.constData())});
    return values;
}

QVector<ProjectXmlElement> ProjectXml::children(const ProjectXmlElement& parent, QStringView tag)
{
    QVector<ProjectXmlElement> result;
    for (ProjectXmlElement e = parent.firstChildElement(tag); !e.isNull(); e = e.nextSiblingElement(tag))
        result.append(e);
    return result;
}
