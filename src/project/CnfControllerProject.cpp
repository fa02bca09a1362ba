// Project document reading and writing of CnfController.
#include "CnfLogging.h"
#include <QFile>
#include <QSaveFile>

#include "CnfController.h"
#include "CnfController_p.h"
#include "CnfFormatRegistry.h"
#include "CnfLookupSession.h"
#include "ProgramElementReader.h"
#include "ProgramElementWriter.h"
#include "ProjectDocumentSerializer.h"
#include "ProjectElementBuilder.h"
#include "ProjectReader.h"
#include "ProjectWriter.h"
#include "ProjectXmlTree.h"

namespace {

// Far deeper than any project document nests (native data stops at 128
// levels), and shallow enough for the DOM parser's recursion.
constexpr int MaxDomDepth = 1000;

// Reads `data` through the DOM into `tree`; false with `error` set when the
// document is broken or nests too deep for the DOM parser.
bool readThroughDom(const QByteArray& data, ProjectXmlTree& tree, QString& error)
{
    qint64 deepLine = 0;
    qint64 deepColumn = 0;
    if (ProjectXmlTree::nestsDeeperThan(data, MaxDomDepth, &deepLine, &deepColumn)) {
        error = QObject::tr("Ошибка обработки xml данных в строке %1, столбец %2: элементы вложены глубже %3 уровней")
                    .arg(deepLine)
                    .arg(deepColumn)
                    .arg(MaxDomDepth);
        return false;
    }
    QDomDocument document;
    QString message;
    int line = 0;
    int column = 0;
    if (!document.setContent(data, false, &message, &line, &column)) {
        error = QObject::tr("Ошибка обработки xml данных в строке %1, столбец %2: %3 ").arg(line).arg(column).arg(message)
            + QString::fromUtf8(data);
        return false;
    }
    tree = ProjectXmlTree::fromDom(document.documentElement());
    return true;
}

} // namespace

bool CnfController::load(const QByteArray& data, bool strict)
{
    clear();
    if (!d)
        return false;
    // Documents the light parser cannot read exactly as the DOM does, broken
    // ones included, go through the DOM, which also words every parse error.
    ProjectXmlTree tree;
    if (!tree.parse(data) && !readThroughDom(data, tree, d->lastError))
        return false;
    d->loadedDocument = data;
    d->strict = strict;
    const CnfLookupSession lookups(*this);
    ProjectReader reader(*this, strict);
    if (reader.read(tree.root()))
        return true;
    d->lastError = reader.errorString();
    return false;
}

bool CnfController::load(const QString& fileName, bool strict)
{
    clear();
    if (!d)
        return false;
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly)) {
        d->lastError = QObject::tr("Ошибка открытия файла %1: %2").arg(fileName, file.errorString());
        return false;
    }
    return load(file.readAll(), strict);
}

QByteArray CnfController::save(int indent) const
{
    if (!d)
        return QByteArray();
    d->lastError.clear();
    const CnfLookupSession lookups(*this);
    // Each child of the root is printed as soon as it is finished.
    ProjectDocumentSerializer serializer(indent);
    ProjectWriter writer(*this, d->nativeData);
    if (!writer.write(serializer)) {
        d->lastError = writer.errorString();
        return QByteArray();
    }
    return serializer.finish();
}

QByteArray cnfCopyDocument(const CnfController& controller, const CnfControllerPrivate& data)
{
    const CnfLookupSession lookups(controller);
    ProjectWriter writer(controller, data.nativeData, RefusedEntry::LeaveOut);
    ProjectElementBuilder builder;
    // Printed by the DOM, as copies always were: its text escapes differ
    // from the document writer's in corners (a carriage return in a text).
    QDomDocument document;
    if (writer.write(builder))
        document.appendChild(builder.root().toDom(document));
    return document.toByteArray(-1);
}

bool CnfController::save(const QString& fileName)
{
    if (!d)
        return false;
    // The document is complete before the file is touched, and the file is
    // replaced only once the new contents are on disk.
    const QByteArray document = save(-1);
    if (document.isEmpty())
        return false;
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        d->lastError = QObject::tr("Ошибка открытия %1: %2").arg(fileName, file.errorString());
        return false;
    }
    if (file.write(document) != document.size() || !file.commit()) {
        d->lastError = QObject::tr("Ошибка записи %1: %2").arg(fileName, file.errorString());
        file.cancelWriting();
        return false;
    }
    return true;
}

QSharedPointer<CnfProgram> cnfRebuildProgramThroughDocument(CnfController& controller,
                                                            QSharedPointer<CnfProgram> program)
{
    if (!program)
        return {};
    ProgramElementWriter writer(controller);
    const ProjectElement element = writer.write(program);
    if (element.isNull()) {
        qCWarning(lcCnfProject).noquote() << writer.errorString();
        return {};
    }
    const bool adapter = CnfFormatRegistry::ofController(controller).recordLayout() == CnfFormat::AdapterLayout;
    ProgramElementReader reader(controller, false, adapter);
    QDomDocument document;
    const QSharedPointer<CnfProgram> rebuilt = reader.read(element.toDom(document));
    if (!rebuilt) {
        qCWarning(lcCnfProject).noquote() << reader.errorString();
        return {};
    }
    // The document names the program's own matrix by id only; keep the
    // matrix itself, which need not be one the controller lists.
    rebuilt->matrix = program->matrix;
    rebuilt->usesDefaultMatrix = program->usesDefaultMatrix;
    return rebuilt;
}
