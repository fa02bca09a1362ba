// Layout documents and raw program records of CnfController.
// Placeholder until the layout documents land.
#include "CnfController.h"
#include "CnfController_p.h"

QDomDocument CnfController::adapterLayout()
{
    return {};
}

QDomDocument CnfController::norvakLayout(QString)
{
    return {};
}

QDomDocument CnfController::norvakLayout() const
{
    return {};
}

bool CnfController::setProgramRawData(QSharedPointer<CnfProgram> program, const QByteArray& data)
{
    if (!program)
        return false;
    program->setData(data);
    d->lastError = QObject::tr("Raw program records are not supported yet");
    return false;
}

QString CnfProgram::norvakTypeName(int nativeType, QString, bool)
{
    return QString::number(nativeType);
}
