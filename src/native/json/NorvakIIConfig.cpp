#include "NorvakIIConfig.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>

#include "CnfController.h"
#include "CnfLookupSession.h"
#include "CnfProgram.h"
#include "JsonPrinter.h"
#include "NorvakIIReader.h"
#include "NorvakIIWriter.h"
#include "TimelineCodec.h"

namespace {

// The key-order file is part of the library: it is read once.
const QVariant& keyOrder()
{
    static const QVariant format = JsonPrinter::loadFormat(QStringLiteral(":/humanaze/norvakII/format.json"));
    return format;
}

} // namespace

class NorvakIIConfigPrivate
{
public:
    // The document root: as loaded, read in place; as last saved, a map.
    QJsonObject parsed;
    QVariantMap document;
    bool isParsed = false;
};

NorvakIIConfig::NorvakIIConfig()
    : d(new NorvakIIConfigPrivate)
{
}

NorvakIIConfig::NorvakIIConfig(const NorvakIIConfig& other)
    : CnfNative(other)
    , d(new NorvakIIConfigPrivate(*other.d))
{
}

NorvakIIConfig& NorvakIIConfig::operator=(const NorvakIIConfig& other)
{
    CnfNative::operator=(other);
    *d = *other.d;
    return *this;
}

NorvakIIConfig::~NorvakIIConfig() = default;

bool NorvakIIConfig::load(const QByteArray& data)
{
    setLastError(QString());
    d->document.clear();
    d->parsed = QJsonObject();
    d->isParsed = false;
    if (data.isEmpty())
        return false;

    QByteArray json = data;
    if (data.size() > 5 && data.startsWith("#jcfg")) {
        // The header line is not interpreted: the document starts at the
        // first brace, looked for near the beginning only.
        const int brace = data.left(100).indexOf('{');
        if (brace > 0)
            json = data.mid(brace);
    } else if (data.at(0) != '{') {
        return false; // not this format; leave the place to the next adapter
    }

    QJsonParseError parseError;
    const QJsonDocument parsed = QJsonDocument::fromJson(json, &parseError);
    if (parseError.error != QJsonParseError::NoError) {
        setLastError(QObject::tr("JSON parse error at %1: %2")
                         .arg(QString::number(parseError.offset), parseError.errorString()));
        return false;
    }
    if (!parsed.isObject())
        return false;
    d->parsed = parsed.object();
    d->isParsed = true;
    return true;
}

bool NorvakIIConfig::checkCRC()
{
    return true; // the format carries no checksum
}

QByteArray NorvakIIConfig::save(CnfController& controller)
{
    setLastError(QString());
    const CnfLookupSession lookups(controller);
    NorvakIIWriter writer(controller);
    d->parsed = QJsonObject();
    d->isParsed = false;
    if (!writer.write(&d->document)) {
        setLastError(writer.errorString());
        return {};
    }
    const QByteArray text = humanized(d->document);
    if (!text.isEmpty())
        return text;
    // Without its key-order file the document is still written, sorted.
    return QJsonDocument::fromVariant(d->document).toJson(QJsonDocument::Indented);
}

bool NorvakIIConfig::createController(CnfController& controller)
{
    setLastError(QString());
    setWarnings({});
    const CnfLookupSession lookups(controller);
    NorvakIIReader reader(d->isParsed ? JsonAccess::Members(d->parsed) : JsonAccess::Members(d->document),
                          controller);
    if (!reader.read()) {
        setLastError(reader.errorString());
        return false;
    }
    return true;
}

void NorvakIIConfig::initController(CnfController&)
{
}

QByteArray NorvakIIConfig::createDynamicProgram(CnfController& controller, QSharedPointer<CnfProgram> program)
{
    setLastError(QString());
    if (!program && !controller.programs().isEmpty())
        program = controller.programs().first();
    if (!program) {
        setLastError(QObject::tr("У контроллера нет программ"));
        return {};
    }
    QString error;
    const QVariant plan = NorvakIIWriter::signalPlanToVariant(controller, program, &error);
    setLastError(error);
    if (!plan.isValid())
        return {};
    // The compact form with keys in alphabetical order is what the
    // controller takes over its link.
    return QJsonDocument::fromVariant(plan).toJson(QJsonDocument::Compact);
}

QString NorvakIIConfig::version()
{
    return QStringLiteral("0.1");
}

bool NorvakIIConfig::loadTimelineData(CnfController& controller, QSharedPointer<CnfProgram> program,
                                      QList<QVariant> sequences, QString* error)
{
    if (!program) {
        if (error)
            *error = QObject::tr("No program given for the timeline data");
        return false;
    }
    return TimelineCodec::decode(controller, *program, sequences, QStringLiteral("sequences"), error);
}

QByteArray NorvakIIConfig::humanized(QMap<QString, QVariant> document)
{
    return JsonPrinter::printFormatted(document, keyOrder(), QByteArrayLiteral("  "));
}

QByteArray NorvakIIConfig::humanizedSection(QMap<QString, QVariant> data, QStringList section)
{
    return JsonPrinter::printSection(data, keyOrder(), section, QByteArrayLiteral("  "));
}
