// Project document reading and writing of CnfController.
// Placeholder until the project document reader and writer land: every
// operation fails cleanly.
#include "CnfController.h"
#include "CnfController_p.h"

bool CnfController::load(const QByteArray&, bool)
{
    clear();
    d->lastError = QObject::tr("Project documents are not supported yet");
    return false;
}

bool CnfController::load(const QString&, bool)
{
    clear();
    d->lastError = QObject::tr("Project documents are not supported yet");
    return false;
}

QByteArray CnfController::save(int) const
{
    d->lastError = QObject::tr("Project documents are not supported yet");
    return {};
}

bool CnfController::save(const QString&)
{
    d->lastError = QObject::tr("Project documents are not supported yet");
    return false;
}

QSharedPointer<CnfProgram> cnfRebuildProgramThroughDocument(CnfController&, QSharedPointer<CnfProgram>)
{
    return {};
}
