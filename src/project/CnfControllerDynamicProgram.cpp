// The dynamic program blob of CnfController.
#include "CnfController.h"
#include "CnfController_p.h"
#include "DynamicProgramReader.h"
#include "DynamicProgramWriter.h"

QByteArray CnfController::createDynamicProgram(QSharedPointer<CnfProgram> program)
{
    if (!d)
        return QByteArray();
    d->lastError.clear();
    DynamicProgramWriter writer(*this);
    const QByteArray blob = writer.write(program);
    if (blob.isEmpty())
        d->lastError = writer.errorString();
    return blob;
}

QSharedPointer<CnfProgram> CnfController::loadDynamicProgram(const QByteArray& blob)
{
    if (!d)
        return {};
    d->lastError.clear();
    DynamicProgramReader reader(*this);
    const QSharedPointer<CnfProgram> program = reader.read(blob);
    d->lastError = reader.errorString();
    return program;
}
