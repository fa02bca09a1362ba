// Placeholder until the adapters land: nothing is recognised or written.
#include "CnfNative.h"

#include <QObject>

#include "CnfController.h"

CnfNative::~CnfNative() = default;

QStringList CnfNative::warnings()
{
    return {};
}

QSharedPointer<CnfNative> CnfNative::loadNativeConfig(const QByteArray&)
{
    return {};
}

QSharedPointer<CnfNative> CnfNative::loadNativeConfig(const QString&)
{
    return {};
}

bool CnfNative::save(const QString&, CnfController& controller, QString* error)
{
    if (error)
        *error = QObject::tr("Unsupported type of configuration: %1").arg(controller.property("type").toString());
    return false;
}

void CnfNative::initController(CnfController& controller, QVariant type, QVariant version)
{
    controller.setProperty("type", type);
    controller.setProperty("version", version);
}
