#include "ConfigFile.h"

#include <QXmlStreamReader>

#include "CnfController.h"
#include "CnfNative.h"
#include "Console.h"
#include "NorvakIIConfig.h"

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
    FileFormat format;
    QSharedPointer<CnfNative> adapter;
    ConfigFile::Checksum checksum = ConfigFile::NoChecksum;
    QString checksumMessage;
    QStringList warnings;
    std::unique_ptr<CnfController> controller = std::make_unique<CnfController>();
};

namespace
{
// True when the bytes start, after an optional byte order mark and white
// space, with "<": the project document is the only XML format.
bool looksLikeXml(const QByteArray& bytes)
{
    int pos = bytes.startsWith("\xEF\xBB\xBF") ? 3 : 0;
    while (pos < bytes.size() && QChar::isSpace(uchar(bytes.at(pos))))
        ++pos;
    return pos < bytes.size() && bytes.at(pos) == '<';
}

QString rootElementName(const QByteArray& bytes)
{
    QXmlStreamReader xml(bytes);
    while (!xml.atEnd()) {
        if (xml.readNext() == QXmlStreamReader::StartElement)
            return xml.name().toString();
    }
    return QString();
}

// The native format an accepted adapter reads. The adapters report their
// version: the firmware for the 3.x images, "adapter" for the text format,
// "0.1" for both JSON formats.
FileFormat nativeFormat(CnfNative& adapter)
{
    const QString version = adapter.version();
    if (version == QLatin1String("adapter"))
        return FileFormat(FileFormat::Adapter);
    if (dynamic_cast<NorvakIIConfig*>(&adapter))
        return FileFormat(FileFormat::NorvakII);
    const FileFormat firmware(FileFormat::Norvak3x, version);
    return firmware.isValid() ? firmware : FileFormat(FileFormat::ZtLoom);
}
} // namespace

void ConfigFilePrivate::fail(const QString& message)
{
    error = Console::oneLine(message);
    if (error.isEmpty())
        error = ConfigFile::tr("the reader gave no reason");
}

bool ConfigFilePrivate::detect()
{
    if (looksLikeXml(bytes)) {
        const QString root = rootElementName(bytes);
        if (root.isEmpty()) {
            fail(ConfigFile::tr("not a project document: no XML element found"));
            return false;
        }
        if (root != QLatin1String("Controller")) {
            fail(ConfigFile::tr("not a project document: the XML root element is \"%1\", not \"Controller\"").arg(root));
            return false;
        }
        format = FileFormat(FileFormat::Project);
        return true;
    }
    adapter = CnfNative::loadNativeConfig(bytes);
    if (!adapter) {
        fail(ConfigFile::tr("not a configuration of any known format"));
        return false;
    }
    format = nativeFormat(*adapter);
    return true;
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
    if (d->format.kind() == FileFormat::Project)
        return d->readProject(*d->controller);

    if (d->format.hasChecksum()) {
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

FileFormat ConfigFile::format() const
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
    if (d->format.kind() == FileFormat::Project)
        copy->load(d->bytes, false);
    else if (d->adapter)
        d->adapter->createController(*copy);
    return copy;
}
