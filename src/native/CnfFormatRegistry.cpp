#include "CnfFormatRegistry.h"

#include "CnfNative.h"
#include "AdapterConfig.h"
#include "Norvak314Config.h"
#include "Norvak315Config.h"
#include "Norvak316Config.h"
#include "Norvak317Config.h"
#include "Norvak318Config.h"
#include "Norvak3xImage.h"
#include "Norvak3xLayout.h"
#include "NorvakIIConfig.h"
#include "ProjectDocumentProbe.h"
#include "ZT_LOOMConfig.h"

namespace {

template <class Adapter>
QSharedPointer<CnfNative> create()
{
    return QSharedPointer<CnfNative>(new Adapter);
}

constexpr CnfFormat::Capabilities nativeAll =
    CnfFormat::Detect | CnfFormat::Read | CnfFormat::Write | CnfFormat::DynamicPrograms | CnfFormat::Checksum;

// The limits of a firmware 3.x version come from its own layout.
CnfFormat::Limits limits3x(const Norvak3xLayout& layout)
{
    CnfFormat::Limits limits;
    limits.phases = layout.maxPhases;
    limits.programs = layout.maxPrograms;
    limits.dayCards = layout.maxDayCards;
    limits.specialDays = layout.maxSpecialDays;
    limits.dayCardItems = Norvak3xLayout::dayCardEntries;
    limits.devices = Norvak3xLayout::powerEntries;
    limits.signalGroups = layout.maxSignalGroups();
    return limits;
}

CnfFormat norvak3x(const Norvak3xLayout& layout, CnfFormat::Factory factory, const char* description)
{
    return CnfFormat(layout.versionText, description, QStringLiteral("norvak"), layout.versionText, nativeAll, factory,
                     CnfFormat::NorvakLayout, limits3x(layout));
}

// The limits of the communication adapter's text configuration.
CnfFormat::Limits adapterLimits()
{
    CnfFormat::Limits limits;
    limits.phases = limits.programs = limits.dayCards = limits.specialDays = 16;
    limits.dayCardItems = 7;
    return limits;
}

QVector<CnfFormat> makeFormats()
{
    using F = CnfFormat;
    return {
        F(QStringLiteral("project"), QT_TRANSLATE_NOOP("CnfFormat", "project document"), QString(), QString(),
          F::Detect | F::Read | F::Write, nullptr, F::NorvakLayout, F::Limits()),
        // Native formats, in detection order.
        norvak3x(Norvak3xLayout::v314(), create<Norvak314Config>, QT_TRANSLATE_NOOP("CnfFormat", "firmware 3.14 image")),
        norvak3x(Norvak3xLayout::v315(), create<Norvak315Config>, QT_TRANSLATE_NOOP("CnfFormat", "firmware 3.15 image")),
        norvak3x(Norvak3xLayout::v316(), create<Norvak316Config>, QT_TRANSLATE_NOOP("CnfFormat", "firmware 3.16 image")),
        norvak3x(Norvak3xLayout::v317(), create<Norvak317Config>, QT_TRANSLATE_NOOP("CnfFormat", "firmware 3.17 image")),
        norvak3x(Norvak3xLayout::v318(), create<Norvak318Config>, QT_TRANSLATE_NOOP("CnfFormat", "firmware 3.18 image")),
        F(QStringLiteral("adapter"), QT_TRANSLATE_NOOP("CnfFormat", "adapter text configuration"),
          QStringLiteral("adapter"), QString(), nativeAll, create<AdapterConfig>, F::AdapterLayout, adapterLimits()),
        // Before NorvakII, which takes any JSON object: ZT_LOOM tells itself by its root "type".
        F(QStringLiteral("zt_loom"), QT_TRANSLATE_NOOP("CnfFormat", "ZT_LOOM JSON configuration"),
          QStringLiteral("ZT_LOOM"), QString(), F::Detect | F::Read | F::Write, create<ZT_LOOMConfig>, F::NoLayout,
          F::Limits()),
        F(QStringLiteral("norvakii"), QT_TRANSLATE_NOOP("CnfFormat", "NorvakII JSON configuration"),
          QStringLiteral("norvakii"), QString(), F::Detect | F::Read | F::Write | F::DynamicPrograms,
          create<NorvakIIConfig>, F::NoLayout,
          F::Limits()),
    };
}

// A 3.x image of another version is passed over on its header and title
// alone: the adapter would only make the message nobody reads. A file is
// left to the adapter, which reads it.
bool mayBe(const CnfFormat& format, const QByteArray& data)
{
    const Norvak3xLayout* layout
        = format.recordLayout() == CnfFormat::NorvakLayout ? Norvak3xLayout::forVersion(format.versionCode()) : nullptr;
    return !layout || Norvak3xImage::fits(data, *layout);
}

bool mayBe(const CnfFormat&, const QString&)
{
    return true;
}

template <class Source>
QSharedPointer<CnfNative> detectIn(const Source& source, CnfFormat* found)
{
    for (const CnfFormat& format : CnfFormatRegistry::formats()) {
        if (!format.hasAdapter() || !format.can(CnfFormat::Detect) || !mayBe(format, source))
            continue;
        const QSharedPointer<CnfNative> adapter = format.createAdapter();
        if (adapter->load(source)) {
            if (found)
                *found = format;
            return adapter;
        }
    }
    return {};
}

} // namespace

const QVector<CnfFormat>& CnfFormatRegistry::formats()
{
    static const QVector<CnfFormat> formats = makeFormats();
    return formats;
}

QStringList CnfFormatRegistry::names()
{
    QStringList names;
    for (const CnfFormat& format : formats())
        names << format.name();
    return names;
}

QStringList CnfFormatRegistry::namesWith(CnfFormat::Capability capability)
{
    QStringList names;
    for (const CnfFormat& format : formats()) {
        if (format.can(capability))
            names << format.name();
    }
    return names;
}

CnfFormat CnfFormatRegistry::byName(const QString& name)
{
    for (const CnfFormat& format : formats()) {
        if (format.name() == name)
            return format;
    }
    return {};
}

CnfFormat CnfFormatRegistry::byCodes(const QString& typeCode, const QString& versionCode)
{
    for (const CnfFormat& format : formats()) {
        if (format.isNative() && format.typeCode() == typeCode
            && (format.versionCode().isEmpty() || format.versionCode() == versionCode))
            return format;
    }
    return {};
}

CnfFormat CnfFormatRegistry::ofController(const QObject& controller)
{
    return byCodes(controller.property("type").toString(), controller.property("version").toString());
}

CnfFormat::Limits CnfFormatRegistry::limitsOf(const QObject& controller)
{
    const QString type = controller.property("type").toString();
    CnfFormat format = ofController(controller);
    for (auto it = formats().cbegin(); !format.isValid() && it != formats().cend(); ++it) {
        if (it->isNative() && it->typeCode() == type)
            format = *it;
    }
    return format.limits();
}

QSharedPointer<CnfNative> CnfFormatRegistry::detectNative(const QByteArray& data, CnfFormat* format)
{
    return detectIn(data, format);
}

QSharedPointer<CnfNative> CnfFormatRegistry::detectNative(const QString& fileName, CnfFormat* format)
{
    return detectIn(fileName, format);
}

CnfFormat CnfFormatRegistry::detect(const QByteArray& data, QSharedPointer<CnfNative>* adapter, QString* error)
{
    adapter->reset();
    switch (probeProjectDocument(data, error)) {
    case ProjectProbe::Project:
        return byName(QStringLiteral("project"));
    case ProjectProbe::OtherXml:
        return {};
    case ProjectProbe::NotXml:
        break;
    }
    CnfFormat format;
    *adapter = detectNative(data, &format);
    if (!*adapter)
        *error = tr("not a configuration of any known format");
    return format;
}

QSharedPointer<CnfNative> CnfFormatRegistry::adapterFor(const QString& typeCode, const QString& versionCode,
                                                        QString* error)
{
    bool typeKnown = false;
    for (const CnfFormat& format : formats()) {
        if (!format.hasAdapter() || format.typeCode() != typeCode)
            continue;
        typeKnown = true;
        if (format.versionCode().isEmpty() || format.versionCode() == versionCode)
            return format.createAdapter();
    }
    if (error) {
        *error = typeKnown ? QObject::tr("Unsupported version of configuration: %1").arg(versionCode)
                           : QObject::tr("Unsupported type of configuration: %1").arg(typeCode);
    }
    return {};
}
