#ifndef FILEFORMAT_H
#define FILEFORMAT_H

#include <QCoreApplication>
#include <QString>
#include <QStringList>
#include <QVariant>

// A configuration format the tool reads or writes, named on the command line
// "project", "3.14" … "3.18", "norvakii", "zt_loom" or "adapter".
class FileFormat
{
    Q_DECLARE_TR_FUNCTIONS(FileFormat)

public:
    enum Kind {
        Unknown,
        Project,  // the library's XML project document
        Norvak3x, // binary image of the firmware 3.14 to 3.18
        NorvakII, // JSON of the second-generation controller
        ZtLoom,   // JSON of the second controller family
        Adapter,  // text configuration of the communication adapter
    };

    // What the tool can do with files of a format.
    enum Capability {
        Detect = 0x1, // recognised among other formats by its content
        Read = 0x2,
        Write = 0x4,
    };
    Q_DECLARE_FLAGS(Capabilities, Capability)

    FileFormat() = default;
    FileFormat(Kind kind, const QString& firmware = QString());

    // The format a command-line name stands for; invalid when none.
    static FileFormat fromName(const QString& name);
    // Every name fromName() accepts.
    static QStringList names();
    // Every format the tool knows something of, in the order of `cnf formats`.
    static QList<FileFormat> all();
    // The names of the formats that can be written, for --to and --as.
    static QStringList writableNames();
    // The native format that the controller's "type" and "version" name.
    static FileFormat ofController(const QObject& controller);

    bool isValid() const { return m_kind != Unknown; }
    bool isNative() const { return isValid() && m_kind != Project; }
    // Whether files of the format carry an integrity value (checksum, digest).
    bool hasChecksum() const { return m_kind == Norvak3x || m_kind == Adapter; }
    Kind kind() const { return m_kind; }
    // What works today; the one place that says which readers and writers exist.
    Capabilities capabilities() const;

    QString name() const;
    QString description() const;

    // The controller's "type" and "version" codes of a native format.
    QVariant typeCode() const;
    QVariant versionCode() const;

private:
    Kind m_kind = Unknown;
    QString m_firmware; // "3.14" … "3.18" for Norvak3x
};

Q_DECLARE_OPERATORS_FOR_FLAGS(FileFormat::Capabilities)

#endif
