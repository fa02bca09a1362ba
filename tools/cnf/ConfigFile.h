#ifndef CONFIGFILE_H
#define CONFIGFILE_H

#include <QByteArray>
#include <QCoreApplication>
#include <QScopedPointer>
#include <QString>
#include <QStringList>

#include <memory>

#include "CnfFormat.h"

class CnfController;
class ConfigFilePrivate;

// One configuration file given to the tool: its bytes, the format they were
// recognised as, and the model read from them.
class ConfigFile
{
    Q_DECLARE_TR_FUNCTIONS(ConfigFile)

public:
    enum Checksum {
        NoChecksum, // the format carries none: project document, JSON
        ChecksumValid,
        ChecksumInvalid,
    };

    ConfigFile();
    ~ConfigFile();

    // Reads the file ("-" for standard input), recognises its format and
    // fills the model. False with errorString() set when the file is
    // unreadable, of no known format, or rejected by its reader.
    bool read(const QString& fileName);

    QString fileName() const;
    QString errorString() const;
    CnfFormat format() const;
    // The native adapter's own version text; empty for a project document.
    QString adapterVersion() const;
    Checksum checksum() const;
    QString checksumMessage() const;
    QStringList warnings() const;

    // The model read from the file.
    CnfController& controller() const;
    // A second, independent model read from the same bytes, for operations
    // that change the model (writers stamp and update it).
    std::unique_ptr<CnfController> readAgain() const;

private:
    Q_DISABLE_COPY(ConfigFile)
    QScopedPointer<ConfigFilePrivate> d;
};

#endif
