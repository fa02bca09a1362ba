#include "ConfigWriter.h"

#include <QTemporaryFile>

#include "CnfController.h"
#include "CnfNative.h"
#include "CnfProgram.h"
#include "Console.h"

namespace
{
// A format without a code leaves the controller's property unset.
QVariant code(const QString& text)
{
    return text.isEmpty() ? QVariant() : QVariant(text);
}
} // namespace

ConfigWriter::ConfigWriter(const CnfFormat& format)
    : m_format(format)
{
}

QString ConfigWriter::errorString() const
{
    return m_error;
}

QByteArray ConfigWriter::fail(const QString& message)
{
    m_error = Console::oneLine(message);
    if (m_error.isEmpty())
        m_error = tr("the writer gave no reason");
    return QByteArray();
}

QByteArray ConfigWriter::write(CnfController& controller)
{
    m_error.clear();
    if (!m_format.isValid())
        return fail(tr("no format to write"));
    return m_format.isNative() ? writeNative(controller) : writeProject(controller);
}

QByteArray ConfigWriter::writeProject(CnfController& controller)
{
    const QByteArray document = controller.save(2);
    return document.isEmpty() ? fail(controller.lastError()) : document;
}

// The 3.x images keep every program as its raw record; a program of another
// kind (a timeline, a phase ring) has none to write.
bool ConfigWriter::hasOnlyNativePrograms(CnfController& controller)
{
    if (m_format.recordLayout() != CnfFormat::NorvakLayout)
        return true;
    const auto programs = controller.programs();
    for (const auto& program : programs) {
        if (program && program->type != CnfProgram::NorvakSpecial) {
            fail(tr("program %1 is of type %2 and has no %3 program record")
                     .arg(program->id, CnfProgram::typeName(program->type, false), m_format.name()));
            return false;
        }
    }
    return true;
}

QByteArray ConfigWriter::writeNative(CnfController& controller)
{
    if (!hasOnlyNativePrograms(controller))
        return QByteArray();
    CnfNative::initController(controller, code(m_format.typeCode()), code(m_format.versionCode()));

    // The adapters are reached through the file-writing entry point only.
    QTemporaryFile file;
    if (!file.open())
        return fail(tr("cannot create a temporary file: %1").arg(file.errorString()));
    file.close();
    QString error;
    if (!CnfNative::save(file.fileName(), controller, &error))
        return fail(error);
    QByteArray image;
    if (!Console::readFile(file.fileName(), &image, &error))
        return fail(tr("cannot read back the written configuration: %1").arg(error));
    return image;
}
