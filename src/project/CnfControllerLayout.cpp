// Layout documents and raw program records of CnfController.
#include "CnfController.h"
#include "CnfController_p.h"

#include "CnfLogging.h"
#include <QFile>
#include <QHash>

#include "CnfFormatRegistry.h"
#include "ProgramRecordDecoder.h"

namespace {

// Reads a compiled-in layout document; an empty document, with a warning in
// the debug log, when it is missing or broken.
QDomDocument loadLayout(const QString& path, const QString& missingMessage)
{
    cnfRegisterResourcesOnce();
    QFile file(path);
    if (!file.exists()) {
        qCWarning(lcCnfProject).noquote() << missingMessage;
        return {};
    }
    if (!file.open(QIODevice::ReadOnly)) {
        qCWarning(lcCnfProject).noquote() << QObject::tr("Ошибка при открытии файла разметки %1:%2").arg(path, file.errorString());
        return {};
    }
    QDomDocument layout;
    QString error;
    int line = 0;
    int column = 0;
    if (!layout.setContent(&file, &error, &line, &column)) {
        qCWarning(lcCnfProject).noquote() << QObject::tr("Ошибка обработки файла разметки (строка %1, столбец %2): %3")
                                    .arg(line)
                                    .arg(column)
                                    .arg(error);
        return {};
    }
    return layout;
}

// The compiled-in documents never change, and every raw program record of an
// image is decoded with one of them: each is parsed once per process. The
// cache is only read internally; callers of the public functions get their
// own copy, since a DOM document is shared by reference.
const QDomDocument& cachedLayout(const QString& path, const QString& missingMessage)
{
    static QHash<QString, QDomDocument> parsed;
    auto it = parsed.constFind(path);
    if (it != parsed.constEnd())
        return *it;
    const QDomDocument layout = loadLayout(path, missingMessage);
    if (layout.isNull()) {
        static const QDomDocument empty;
        return empty;
    }
    return *parsed.insert(path, layout);
}

const QDomDocument& adapterLayoutShared()
{
    return cachedLayout(QStringLiteral(":/layouts/adapter/cnf.xml"), QObject::tr("Файл разметки не найден"));
}

const QDomDocument& norvakLayoutShared(const QString& version)
{
    const QString number = QString(version).remove(QLatin1Char('.'));
    return cachedLayout(QStringLiteral(":/layouts/norvak%1/cnf%1.xml").arg(number),
                        QObject::tr("Для данной версии норвака (%1) нет разметки конфигурации").arg(version));
}

const QDomDocument& controllerLayoutShared(const CnfController& controller)
{
    static const QDomDocument none;
    switch (CnfFormatRegistry::ofController(controller).recordLayout()) {
    case CnfFormat::NoLayout:
        return none;
    case CnfFormat::AdapterLayout:
        return adapterLayoutShared();
    case CnfFormat::NorvakLayout:
        break;
    }
    return norvakLayoutShared(controller.property("version").toString());
}

QDomDocument ownCopy(const QDomDocument& layout)
{
    return layout.isNull() ? QDomDocument() : layout.cloneNode(true).toDocument();
}

} // namespace

QDomDocument CnfController::adapterLayout()
{
    return ownCopy(adapterLayoutShared());
}

QDomDocument CnfController::norvakLayout(QString version)
{
    return ownCopy(norvakLayoutShared(version));
}

QDomDocument CnfController::norvakLayout() const
{
    return ownCopy(controllerLayoutShared(*this));
}

bool CnfController::setProgramRawData(QSharedPointer<CnfProgram> program, const QByteArray& data)
{
    if (!d || !program)
        return false;
    if (program->data() == data)
        return true;
    d->lastError.clear();
    ProgramRecordDecoder decoder(*this, *program);
    const bool adapter = CnfFormatRegistry::ofController(*this).recordLayout() == CnfFormat::AdapterLayout;
    if (!decoder.readHead(data, adapter)) {
        d->lastError = decoder.errorString();
        return false;
    }
    if (program->nativeType == 0)
        return true;
    if (!decoder.readFields(controllerLayoutShared(*this))) {
        d->lastError = decoder.errorString();
        return false;
    }
    return true;
}
