#include "CnfNative.h"

#include <QObject>
#include <QSaveFile>

#include "AdapterConfig.h"
#include "CnfController.h"
#include "Norvak318Config.h"
#include "NorvakIIConfig.h"

CnfNative::~CnfNative() = default;

QStringList CnfNative::warnings()
{
    return {};
}

namespace {

using AdapterFactory = QSharedPointer<CnfNative> (*)();

template <class Adapter>
QSharedPointer<CnfNative> create()
{
    return QSharedPointer<CnfNative>(new Adapter);
}

// The order in which an unknown image is offered to the adapters.
const AdapterFactory detectionOrder[] = {
    create<Norvak318Config>,
    create<AdapterConfig>,
    create<NorvakIIConfig>,
};

struct NorvakVersion
{
    const char* version;
    AdapterFactory factory;
};

const NorvakVersion norvakVersions[] = {
    {"3.18", create<Norvak318Config>},
};

enum class Dispatch { Found, UnknownType, UnknownVersion };

// The adapter that writes a controller of this type and version.
Dispatch adapterFor(const QString& type, const QString& version, QSharedPointer<CnfNative>* adapter)
{
    if (type == QLatin1String("norvak")) {
        for (const NorvakVersion& v : norvakVersions) {
            if (version == QLatin1String(v.version)) {
                *adapter = v.factory();
                return Dispatch::Found;
            }
        }
        return Dispatch::UnknownVersion;
    }
    if (type == QLatin1String("adapter")) {
        *adapter = create<AdapterConfig>();
        return Dispatch::Found;
    }
    if (type == QLatin1String("norvakii")) {
        *adapter = create<NorvakIIConfig>();
        return Dispatch::Found;
    }
    return Dispatch::UnknownType;
}

template <class Source>
QSharedPointer<CnfNative> detect(const Source& source)
{
    for (const AdapterFactory factory : detectionOrder) {
        const QSharedPointer<CnfNative> adapter = factory();
        if (adapter->load(source))
            return adapter;
    }
    return {};
}

} // namespace

QSharedPointer<CnfNative> CnfNative::loadNativeConfig(const QByteArray& data)
{
    return detect(data);
}

QSharedPointer<CnfNative> CnfNative::loadNativeConfig(const QString& fileName)
{
    return detect(fileName);
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
    const QString type = controller.property("type").toString();
    const QString version = controller.property("version").toString();
    QSharedPointer<CnfNative> adapter;
    switch (adapterFor(type, version, &adapter)) {
    case Dispatch::UnknownType:
        return report(QObject::tr("Unsupported type of configuration: %1").arg(type));
    case Dispatch::UnknownVersion:
        return report(QObject::tr("Unsupported version of configuration: %1").arg(version));
    case Dispatch::Found:
        break;
    }
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
    QSharedPointer<CnfNative> adapter;
    if (adapterFor(type.toString(), version.toString(), &adapter) == Dispatch::Found)
        adapter->initController(controller);
}
