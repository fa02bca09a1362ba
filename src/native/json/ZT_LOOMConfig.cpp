#include "ZT_LOOMConfig.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>

#include "CnfController.h"
#include "CnfLookupSession.h"
#include "JsonPrinter.h"
#include "ZT_LOOMReader.h"
#include "ZT_LOOMWriter.h"

namespace {

const char kFormatFile[] = ":/humanaze/zt_loom/format.json";

// The key-order file is part of the library: it is read once.
const QVariant& keyOrder()
{
    static const QVariant format = JsonPrinter::loadFormat(QLatin1String(kFormatFile));
    return format;
}

// Whether the first "type" of the raw text is the root key with the value
// "ZT_LOOM": the format is told by its text before it is parsed.
bool hasZtLoomType(const QByteArray& data)
{
    const int type = data.indexOf("type");
    if (type < 0)
        return false;
    int end = data.indexOf(',', type);
    if (end < 0)
        end = data.indexOf('}', type);
    if (end < 0)
        return false;
    QByteArray member = data.mid(type, end - type).trimmed();
    member.replace(' ', QByteArray()).replace('"', QByteArray());
    const int colon = member.indexOf(':');
    return colon >= 0 && member.mid(colon + 1) == "ZT_LOOM";
}

// The document without the key-order file: the JSON library's indented form,
// with the version and the type first so that the type is still the first
// one in the text.
QByteArray plainText(QVariantMap document)
{
    const QVariant version = document.take(QStringLiteral("configVersion"));
    const QVariant type = document.take(QStringLiteral("type"));
    QByteArray rest = QJsonDocument::fromVariant(document).toJson(QJsonDocument::Indented);
    rest.remove(0, rest.indexOf('{') + 1);
    QByteArray head = "{\n    \"configVersion\": " + QByteArray::number(version.toInt()) + ",\n    \"type\": \""
        + type.toString().toUtf8() + "\"";
    return head + (document.isEmpty() ? QByteArray("\n}\n") : ",\n" + rest.mid(rest.indexOf('"') - 4));
}

} // namespace

class ZT_LOOMConfigPrivate
{
public:
    // The document root: as loaded, read in place; as last saved, a map.
    QJsonObject parsed;
    QVariantMap document;
    bool isParsed = false;
};

ZT_LOOMConfig::ZT_LOOMConfig()
    : d(new ZT_LOOMConfigPrivate)
{
}

ZT_LOOMConfig::ZT_LOOMConfig(const ZT_LOOMConfig& other)
    : CnfNative(other)
    , d(new ZT_LOOMConfigPrivate(*other.d))
{
}

ZT_LOOMConfig& ZT_LOOMConfig::operator=(const ZT_LOOMConfig& other)
{
    CnfNative::operator=(other);
    *d = *other.d;
    return *this;
}

ZT_LOOMConfig::~ZT_LOOMConfig() = default;

bool ZT_LOOMConfig::load(const QByteArray& data)
{
    setLastError(QString());
    d->document.clear();
    d->parsed = QJsonObject();
    d->isParsed = false;
    if (data.isEmpty() || data.at(0) != '{' || !hasZtLoomType(data))
        return false; // not this format; leave the place to the next adapter
    QJsonParseError parseError;
    const QJsonDocument parsed = QJsonDocument::fromJson(data, &parseError);
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

bool ZT_LOOMConfig::checkCRC()
{
    return true; // the format carries no checksum
}

QByteArray ZT_LOOMConfig::save(CnfController& controller)
{
    setLastError(QString());
    const CnfLookupSession lookups(controller);
    ZT_LOOMWriter writer(controller);
    d->parsed = QJsonObject();
    d->isParsed = false;
    if (!writer.write(&d->document)) {
        setLastError(writer.errorString());
        return {};
    }
    const QByteArray text = humanized(d->document);
    return text.isEmpty() ? plainText(d->document) : text;
}

bool ZT_LOOMConfig::createController(CnfController& controller)
{
    setLastError(QString());
    setWarnings({});
    const CnfLookupSession lookups(controller);
    ZT_LOOMReader reader(d->isParsed ? JsonAccess::Members(d->parsed) : JsonAccess::Members(d->document),
                         controller);
    if (!reader.read()) {
        setLastError(reader.errorString());
        return false;
    }
    return true;
}

void ZT_LOOMConfig::initController(CnfController&)
{
}

QByteArray ZT_LOOMConfig::createDynamicProgram(CnfController&, QSharedPointer<CnfProgram>)
{
    setLastError(QObject::tr("Not supported yet"));
    return {};
}

QString ZT_LOOMConfig::version()
{
    return QStringLiteral("0.1");
}

QByteArray ZT_LOOMConfig::humanized(QMap<QString, QVariant> document, QString* error)
{
    if (error)
        error->clear();
    const QVariant& format = keyOrder();
    if (error && format.userType() != QMetaType::QVariantList)
        *error = QObject::tr("The key-order file %1 cannot be read").arg(QLatin1String(kFormatFile));
    return JsonPrinter::printFormatted(document, format, QByteArrayLiteral("  "));
}

QByteArray ZT_LOOMConfig::humanizedSection(QMap<QString, QVariant> data, QStringList section)
{
    return JsonPrinter::printSection(data, keyOrder(), section, QByteArrayLiteral("  "));
}
