#include "FileFormat.h"

namespace
{
const QStringList& firmwareVersions()
{
    static const QStringList versions{QStringLiteral("3.14"), QStringLiteral("3.15"), QStringLiteral("3.16"),
                                      QStringLiteral("3.17"), QStringLiteral("3.18")};
    return versions;
}
} // namespace

FileFormat::FileFormat(Kind kind, const QString& firmware)
    : m_kind(kind)
    , m_firmware(kind == Norvak3x ? firmware : QString())
{
    if (kind == Norvak3x && !firmwareVersions().contains(firmware))
        m_kind = Unknown;
}

FileFormat FileFormat::fromName(const QString& name)
{
    if (name == QLatin1String("project"))
        return FileFormat(Project);
    if (firmwareVersions().contains(name))
        return FileFormat(Norvak3x, name);
    if (name == QLatin1String("norvakii"))
        return FileFormat(NorvakII);
    if (name == QLatin1String("zt_loom"))
        return FileFormat(ZtLoom);
    if (name == QLatin1String("adapter"))
        return FileFormat(Adapter);
    return FileFormat();
}

QStringList FileFormat::names()
{
    return QStringList{QStringLiteral("project")} + firmwareVersions()
        + QStringList{QStringLiteral("norvakii"), QStringLiteral("zt_loom"), QStringLiteral("adapter")};
}

QList<FileFormat> FileFormat::all()
{
    QList<FileFormat> formats;
    const auto names = FileFormat::names();
    for (const QString& name : names) {
        const FileFormat format = fromName(name);
        if (format.capabilities())
            formats.append(format);
    }
    return formats;
}

QStringList FileFormat::writableNames()
{
    QStringList result;
    const auto formats = all();
    for (const FileFormat& format : formats) {
        if (format.capabilities() & Write)
            result.append(format.name());
    }
    return result;
}

FileFormat::Capabilities FileFormat::capabilities() const
{
    switch (m_kind) {
    case Project:
        return Detect | Read | Write;
    case Norvak3x:
        return m_firmware == QLatin1String("3.18") ? Detect | Read | Write : Capabilities();
    case NorvakII:
        return Detect | Read;
    case ZtLoom:
    case Adapter:
    case Unknown:
        break;
    }
    return Capabilities();
}

FileFormat FileFormat::ofController(const QObject& controller)
{
    const QString type = controller.property("type").toString();
    if (type == QLatin1String("norvak"))
        return FileFormat(Norvak3x, controller.property("version").toString());
    if (type == QLatin1String("norvakii"))
        return FileFormat(NorvakII);
    if (type == QLatin1String("ZT_LOOM"))
        return FileFormat(ZtLoom);
    if (type == QLatin1String("adapter"))
        return FileFormat(Adapter);
    return FileFormat();
}

QString FileFormat::name() const
{
    switch (m_kind) {
    case Project:
        return QStringLiteral("project");
    case Norvak3x:
        return m_firmware;
    case NorvakII:
        return QStringLiteral("norvakii");
    case ZtLoom:
        return QStringLiteral("zt_loom");
    case Adapter:
        return QStringLiteral("adapter");
    case Unknown:
        break;
    }
    return QString();
}

QString FileFormat::description() const
{
    switch (m_kind) {
    case Project:
        return tr("project document");
    case Norvak3x:
        return tr("firmware %1 image").arg(m_firmware);
    case NorvakII:
        return tr("NorvakII JSON configuration");
    case ZtLoom:
        return tr("ZT_LOOM JSON configuration");
    case Adapter:
        return tr("adapter text configuration");
    case Unknown:
        break;
    }
    return tr("unknown format");
}

QVariant FileFormat::typeCode() const
{
    switch (m_kind) {
    case Norvak3x:
        return QStringLiteral("norvak");
    case NorvakII:
        return QStringLiteral("norvakii");
    case ZtLoom:
        return QStringLiteral("ZT_LOOM");
    case Adapter:
        return QStringLiteral("adapter");
    case Project:
    case Unknown:
        break;
    }
    return QVariant();
}

QVariant FileFormat::versionCode() const
{
    return m_kind == Norvak3x ? QVariant(m_firmware) : QVariant();
}
