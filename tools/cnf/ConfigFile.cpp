#include "ConfigFile.h"

#include "CnfController.h"
#include "CnfFormatRegistry.h"
#include "CnfNative.h"
#include "Console.h"

class ConfigFilePrivate
{
public:
    bool detect();
    bool readProject(CnfController& controller);
    bool readNative(CnfController& controller);
    void fail(const QString& message);

    QString fileName;
    QByteArray bytes;
    QString error;
    CnfFormat format;
    QSharedPointer<CnfNative> adapter;
    ConfigFile::Checksum checksum = ConfigFile::NoChecksum;
    QString checksumMessage;
    QStringList warnings;
    std::unique_ptr<CnfController> controller = std::make_unique<CnfController>();
};

void ConfigFilePrivate::fail(const QString& message)
{
    error = Console::oneLine(message);
    if (error.isEmpty())
        error = ConfigFile::tr("the reader gave no reason");
}

bool ConfigFilePrivate::detect()
{
    QString reason;
    format = CnfFormatRegistry::detect(bytes, &adapter, &reason);
    if (!format.isValid())
        fail(reason);
    return format.isValid();
}

bool ConfigFilePrivate::readProject(CnfController& target)
{
    if (target.load(bytes, false))
        return true;
    // The parser's message quotes the whole document; keep only the reason.
    QString message = target.lastError();
    const QString document = QString::fromUtf8(bytes);
    if (!document.isEmpty() && message.endsWith(document))
        message.chop(document.size());
    fail(message);
    return false;
}

bool ConfigFilePrivate::readNative(CnfController& target)
{
    if (adapter->createController(target))
        return true;
    // The program decoder reports through the controller, not the adapter.
    fail(adapter->lastError().isEmpty() ? target.lastError() : adapter->lastError());
    return false;
}

ConfigFile::ConfigFile()
    : d(new ConfigFilePrivate)
{
}

ConfigFile::~ConfigFile() = default;

bool ConfigFile::read(const QString& fileName)
{
    d->fileName = fileName;
    QString error;
    if (!Console::readFile(fileName, &d->bytes, &error)) {
        d->fail(error);
        return false;
    }
    if (d->bytes.isEmpty()) {
        d->fail(tr("the file is empty"));
        return false;
    }
    if (!d->detect())
        return false;
    if (!d->format.isNative())
        return d->readProject(*d->controller);

    if (d->format.can(CnfFormat::Checksum)) {
        d->checksum = d->adapter->checkCRC() ? ChecksumValid : ChecksumInvalid;
        if (d->checksum == ChecksumInvalid)
            d->checksumMessage = Console::oneLine(d->adapter->lastError());
    }
    const bool read = d->readNative(*d->controller);
    d->warnings = d->adapter->warnings();
    return read;
}

QString ConfigFile::fileName() const
{
    return d->fileName;
}

QString ConfigFile::errorString() const
{
    return d->error;
}

CnfFormat ConfigFile::format() const
{
    return d->format;
}

QString ConfigFile::adapterVersion() const
{
    return d->adapter ? d->adapter->version() : QString();
}

ConfigFile::Checksum ConfigFile::checksum() const
{
    return d->checksum;
}

QString ConfigFile::checksumMessage() const
{
    return d->checksumMessage;
}

QStringList ConfigFile::warnings() const
{
    return d->warnings;
}

CnfController& ConfigFile::controller() const
{
    return *d->controller;
}

std::unique_ptr<CnfController> ConfigFile::readAgain() const
{
    auto copy = std::make_unique<CnfController>();
    if (!d->format.isNative())
        copy->load(d->bytes, false);
    else if (d->adapter)
        d->adapter->createController(*copy);
    return copy;
}
