#include "CnfNative.h"

#include <QFile>
#include <QObject>
#include <QSaveFile>

#include "CnfController.h"
#include "CnfFormatRegistry.h"
#include "Norvak3xConversion.h"

// What every adapter keeps alike: the outcome of its last operation.
class CnfNativePrivate
{
public:
    QString lastError;
    QStringList warnings;
};

CnfNative::CnfNative()
    : d(new CnfNativePrivate)
{
}

CnfNative::CnfNative(const CnfNative& other)
    : d(new CnfNativePrivate(*other.d))
{
}

CnfNative& CnfNative::operator=(const CnfNative& other)
{
    *d = *other.d;
    return *this;
}

CnfNative::~CnfNative() = default;

bool CnfNative::load(const QString& fileName)
{
    setLastError(QString());
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly)) {
        load(QByteArray()); // an earlier image does not survive a failed load
        setLastError(QObject::tr("Error opening %1: %2").arg(fileName, file.errorString()));
        return false;
    }
    return load(file.readAll());
}

QString CnfNative::lastError()
{
    return d->lastError;
}

QStringList CnfNative::warnings()
{
    return d->warnings;
}

void CnfNative::setLastError(const QString& message)
{
    d->lastError = message;
}

void CnfNative::setWarnings(const QStringList& warnings)
{
    d->warnings = warnings;
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
    const QVariant previousType = controller.property("type");
    const QVariant previousVersion = controller.property("version");
    controller.setProperty("type", type);
    controller.setProperty("version", version);
    const QSharedPointer<CnfNative> adapter = CnfFormatRegistry::adapterFor(type.toString(), version.toString());
    if (adapter)
        adapter->initController(controller);
    // A controller moved to another 3.x firmware takes its settings along.
    if (previousType == type && type.toString() == QLatin1String("norvak"))
        Norvak3xConversion::convert(controller, previousVersion.toString());
}
