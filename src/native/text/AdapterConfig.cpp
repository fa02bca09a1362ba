#include "AdapterConfig.h"

#include "AdapterChecksum.h"
#include "AdapterDynamicProgram.h"
#include "AdapterTextLines.h"
#include "AdapterTextReader.h"
#include "AdapterTextWriter.h"
#include "CnfController.h"

class AdapterConfigPrivate
{
public:
    QByteArray data;
};

AdapterConfig::AdapterConfig()
    : d(new AdapterConfigPrivate)
{
}

AdapterConfig::AdapterConfig(const AdapterConfig& other)
    : CnfNative(other)
    , d(new AdapterConfigPrivate(*other.d))
{
}

AdapterConfig::AdapterConfig(AdapterConfig&& other) noexcept
    : CnfNative(other)
    , d(new AdapterConfigPrivate(std::move(*other.d)))
{
}

AdapterConfig& AdapterConfig::operator=(const AdapterConfig& other)
{
    CnfNative::operator=(other);
    *d = *other.d;
    return *this;
}

AdapterConfig& AdapterConfig::operator=(AdapterConfig&& other) noexcept
{
    CnfNative::operator=(other);
    *d = std::move(*other.d);
    return *this;
}

AdapterConfig::~AdapterConfig() = default;

// Recognition only: the lines are not decoded here.
bool AdapterConfig::load(const QByteArray& data)
{
    d->data = data;
    AdapterTextLines lines(data);
    QByteArray line;
    bool inBody = false;
    while (lines.next(&line)) {
        if (line.isEmpty() || line.startsWith('#'))
            continue;
        if (!inBody)
            inBody = line == "BEGIN:";
        else if (line == "END.")
            return true;
    }
    d->data.clear();
    return false;
}

bool AdapterConfig::checkCRC()
{
    QString error;
    const bool valid = AdapterChecksum::verify(d->data, &error);
    setLastError(error);
    return valid;
}

QByteArray AdapterConfig::save(CnfController& controller)
{
    AdapterTextWriter writer(controller);
    const QByteArray text = writer.write();
    setLastError(writer.errorString());
    return text;
}

bool AdapterConfig::createController(CnfController& controller)
{
    controller.clear();
    // Settings of an earlier configuration would pass for this file's.
    for (const char* name : {"number", "description", "version"})
        controller.setProperty(name, QVariant());
    controller.setProperty("type", QStringLiteral("adapter"));
    AdapterTextReader reader(d->data, controller);
    const bool read = reader.read();
    setLastError(reader.errorString());
    return read;
}

void AdapterConfig::initController(CnfController&)
{
}

QByteArray AdapterConfig::createDynamicProgram(CnfController& controller, QSharedPointer<CnfProgram> program)
{
    AdapterDynamicProgram builder(controller);
    const QByteArray record = builder.build(program);
    setLastError(builder.errorString());
    return record;
}

QString AdapterConfig::version()
{
    return QStringLiteral("adapter");
}
