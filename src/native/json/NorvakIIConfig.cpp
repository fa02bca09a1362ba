#include "NorvakIIConfig.h"

#include <QJsonDocument>
#include <QJsonParseError>

#include "CnfController.h"
#include "CnfProgram.h"
#include "NorvakIIReader.h"

class NorvakIIConfigPrivate
{
public:
    // The parsed document root.
    QVariantMap document;
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
    d->document = parsed.toVariant().toMap();
    return true;
}

bool NorvakIIConfig::checkCRC()
{
    return true; // the format carries no checksum
}

QByteArray NorvakIIConfig::save(CnfController&)
{
    setLastError(QObject::tr("Writing NorvakII configurations is not supported yet"));
    return {};
}

bool NorvakIIConfig::createController(CnfController& controller)
{
    setLastError(QString());
    setWarnings({});
    NorvakIIReader reader(d->document, controller);
    if (!reader.read()) {
        setLastError(reader.errorString());
        return false;
    }
    return true;
}

void NorvakIIConfig::initController(CnfController&)
{
}

QByteArray NorvakIIConfig::createDynamicProgram(CnfController&, QSharedPointer<CnfProgram>)
{
    setLastError(QObject::tr("Writing NorvakII configurations is not supported yet"));
    return {};
}

QString NorvakIIConfig::version()
{
    return QStringLiteral("0.1");
}

bool NorvakIIConfig::loadTimelineData(CnfController& controller, QSharedPointer<CnfProgram> program,
                                      QList<QVariant> sequences, QString* error)
{
    return NorvakIIReader::readTimeline(controller, program, sequences, error);
}
