// Layout documents and raw program records of CnfController.
#include "CnfController.h"
#include "CnfController_p.h"

#include "CnfLogging.h"
#include <QFile>
#include <QHash>
#include <QMutex>

#include "CnfFormatRegistry.h"
#include "ProgramRecordDecoder.h"
#include "ProgramRecordLayout.h"

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

// A compiled-in layout document and its program records, ready for the
// decoder. Never changes once made.
struct CachedLayout
{
    QDomDocument document;
    ProgramRecordLayout records;
};

const CachedLayout& emptyLayout()
{
    static const CachedLayout empty;
    return empty;
}

// The compiled-in documents never change, and every raw program record of an
// image is decoded with one of them: each is parsed and compiled once per
// process. A document that fails to load is tried again on the next call.
// The cache is only read internally; callers of the public functions get
// their own copy of a document, since a DOM document is shared by reference.
class LayoutCache
{
public:
    static LayoutCache& instance()
    {
        static LayoutCache cache;
        return cache;
    }

    const CachedLayout& adapter()
    {
        QMutexLocker lock(&m_mutex);
        return byPath(QStringLiteral(":/layouts/adapter/cnf.xml"), QObject::tr("Файл разметки не найден"));
    }

    // Found by the version text as given, so that a repeated look-up makes
    // no path.
    const CachedLayout& norvak(const QString& version)
    {
        QMutexLocker lock(&m_mutex);
        const auto known = m_byVersion.constFind(version);
        if (known != m_byVersion.constEnd())
            return **known;
        const QString number = QString(version).remove(QLatin1Char('.'));
        const CachedLayout& layout
            = byPath(QStringLiteral(":/layouts/norvak%1/cnf%1.xml").arg(number),
                     QObject::tr("Для данной версии норвака (%1) нет разметки конфигурации").arg(version));
        if (&layout != &emptyLayout())
            m_byVersion.insert(version, &layout);
        return layout;
    }

private:
    const CachedLayout& byPath(const QString& path, const QString& missingMessage)
    {
        const auto known = m_byPath.constFind(path);
        if (known != m_byPath.constEnd())
            return **known;
        const QDomDocument document = loadLayout(path, missingMessage);
        if (document.isNull())
            return emptyLayout();
        auto* layout = new CachedLayout {document, ProgramRecordLayout(document)};
        m_byPath.insert(path, QSharedPointer<const CachedLayout>(layout));
        return *layout;
    }

    QMutex m_mutex;
    QHash<QString, QSharedPointer<const CachedLayout>> m_byPath;
    QHash<QString, const CachedLayout*> m_byVersion;
};

// The layout of the records of `kind`, the kind of the controller's format.
const CachedLayout& controllerLayoutShared(const CnfController& controller, CnfFormat::RecordLayout kind)
{
    switch (kind) {
    case CnfFormat::NoLayout:
        return emptyLayout();
    case CnfFormat::AdapterLayout:
        return LayoutCache::instance().adapter();
    case CnfFormat::NorvakLayout:
        break;
    }
    return LayoutCache::instance().norvak(controller.property("version").toString());
}

QDomDocument ownCopy(const QDomDocument& layout)
{
    return layout.isNull() ? QDomDocument() : layout.cloneNode(true).toDocument();
}

} // namespace

const ProgramRecordLayout& cnfNorvakRecordLayout(const QString& version)
{
    return LayoutCache::instance().norvak(version).records;
}

QDomDocument CnfController::adapterLayout()
{
    return ownCopy(LayoutCache::instance().adapter().document);
}

QDomDocument CnfController::norvakLayout(QString version)
{
    return ownCopy(LayoutCache::instance().norvak(version).document);
}

QDomDocument CnfController::norvakLayout() const
{
    return ownCopy(controllerLayoutShared(*this, CnfFormatRegistry::ofController(*this).recordLayout()).document);
}

bool CnfController::setProgramRawData(QSharedPointer<CnfProgram> program, const QByteArray& data)
{
    if (!d || !program)
        return false;
    if (program->data() == data)
        return true;
    d->lastError.clear();
    ProgramRecordDecoder decoder(*this, *program);
    const CnfFormat::RecordLayout kind = CnfFormatRegistry::ofController(*this).recordLayout();
    if (!decoder.readHead(data, kind == CnfFormat::AdapterLayout)) {
        d->lastError = decoder.errorString();
        return false;
    }
    if (program->nativeType == 0)
        return true;
    if (!decoder.readFields(controllerLayoutShared(*this, kind).records)) {
        d->lastError = decoder.errorString();
        return false;
    }
    return true;
}
