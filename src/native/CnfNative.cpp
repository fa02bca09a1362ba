#include "CnfNative.h"

#include <QObject>
#include <QSaveFile>

#include "CnfController.h"
#include "CnfFormatRegistry.h"

CnfNative::~CnfNative() = default;

QStringList CnfNative::warnings()
{
    return {};
}

QSharedPointer<CnfNative> CnfNative::loadNativeConfig(const QByteArray& data)
{
    return CnfFormatRegistry::detectNative(data);
}

QSharedPointer<CnfNative> CnfNative::loadNativeConfig(const QString& fileName)
{
    return CnfFormatRegistry::detectNative(fileName);
}

// The file is replaced only once the whole image is written: a failure at
// any point leaves an existing file as it was.
bool CnfNative::save(const QString& fileName, CnfController& controller, QString* error)
{
    auto report = [error](const QString& message) {
        if (error)
            *error = message;
        return false;
    };
    QString dispatchError;
    const QSharedPointer<CnfNative> adapter = CnfFormatRegistry::adapterFor(
        controller.property("type").toString(), controller.property("version").toString(), &dispatchError);
    if (!adapter)
        return report(dispatchError);
    const QByteArray image = adapter->save(controller);
    if (image.isEmpty())
        return report(adapter->lastError());

    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly))
        return report(QObject::tr("Unable to open file '%1' for writing: %2").arg(file.fileName(), file.errorString()));
    if (file.write(image) != image.size() || !file.commit()) {
        file.cancelWriting();
        return report(QObject::tr("Error on writing file '%1'").arg(file.fileName()));
    }
    return true;
}

void CnfNative::initController(CnfController& controller, QVariant type, QVariant version)
{
    controller.setProperty("type", type);
    controller.setProperty("version", version);
    const QSharedPointer<CnfNative> adapter = CnfFormatRegistry::adapterFor(type.toString(), version.toString());
    if (adapter)
        adapter->initController(controller);
}
