// Names of the native program algorithms, read from the layout documents.
#include "CnfController.h"
#include "CnfProgram.h"

#include <QDomElement>
#include <QHash>
#include <QObject>

namespace {

struct AlgorithmName
{
    QString fullName;
    QString label;
};

using AlgorithmNames = QHash<int, AlgorithmName>;

// The short labels: the layout's value list with the id "7".
QHash<int, QString> shortLabels(const QDomElement& root)
{
    QHash<int, QString> labels;
    for (QDomElement list = root.firstChildElement(QStringLiteral("List")); !list.isNull();
         list = list.nextSiblingElement(QStringLiteral("List"))) {
        if (list.attribute(QStringLiteral("id")) != QLatin1String("7"))
            continue;
        for (QDomElement item = list.firstChildElement(QStringLiteral("Element")); !item.isNull();
             item = item.nextSiblingElement(QStringLiteral("Element")))
            labels.insert(item.attribute(QStringLiteral("value")).toInt(), item.text());
        break;
    }
    return labels;
}

AlgorithmNames readAlgorithmNames(const QString& layoutName)
{
    const QDomDocument layout = layoutName == QLatin1String("adapter") ? CnfController::adapterLayout()
                                                                       : CnfController::norvakLayout(layoutName);
    const QDomElement root = layout.documentElement();
    const QHash<int, QString> labels = shortLabels(root);
    AlgorithmNames names;
    for (QDomElement chapter = root.firstChildElement(QStringLiteral("Chapter")); !chapter.isNull();
         chapter = chapter.nextSiblingElement(QStringLiteral("Chapter"))) {
        if (chapter.attribute(QStringLiteral("id")) != QLatin1String("programs"))
            continue;
        for (QDomElement type = chapter.firstChildElement(QStringLiteral("Type")); !type.isNull();
             type = type.nextSiblingElement(QStringLiteral("Type"))) {
            bool ok = false;
            const int number = type.attribute(QStringLiteral("id")).toInt(&ok);
            if (!ok)
                continue;
            const QString label = labels.contains(number) ? labels.value(number)
                                                          : QObject::tr("тип%1").arg(number);
            names.insert(number, {type.attribute(QStringLiteral("name")), label});
        }
        break;
    }
    return names;
}

} // namespace

QString CnfProgram::norvakTypeName(int nativeType, QString version, bool human)
{
    // Read once per layout and kept for the life of the process.
    static QHash<QString, AlgorithmNames> cache;
    auto names = cache.find(version);
    if (names == cache.end())
        names = cache.insert(version, readAlgorithmNames(version));
    const auto name = names->constFind(nativeType);
    if (name != names->constEnd())
        return human ? name->fullName : name->label;
    return human ? QObject::tr("Неизвестный тип %1").arg(nativeType) : QStringLiteral("alg%1").arg(nativeType);
}
