#ifndef CNFFORMATREGISTRY_H
#define CNFFORMATREGISTRY_H

#include <QCoreApplication>
#include <QSharedPointer>
#include <QStringList>
#include <QVector>

#include "CnfFormat.h"
#include "cnf_export.h"

class CnfNative;

// The one list of the configuration formats the library knows: the project
// document first, then the native formats in the order in which detection
// offers unknown bytes to them. Detection, dispatch by a controller's "type"
// and "version", the controller's limits and the tool all answer from it; a
// new format is one entry here.
class CNF_EXPORT CnfFormatRegistry
{
    Q_DECLARE_TR_FUNCTIONS(CnfFormatRegistry)

public:
    // Every format, in registry order.
    static const QVector<CnfFormat>& formats();
    // The command-line names of every format, in registry order.
    static QStringList names();
    // The command-line names of the formats that have `capability`, in registry order.
    static QStringList namesWith(CnfFormat::Capability capability);
    // The format of that command-line name; invalid when none.
    static CnfFormat byName(const QString& name);
    // The format of these "type" and "version" codes, compared exactly; a
    // format without a version code takes any version. Invalid when none.
    static CnfFormat byCodes(const QString& typeCode, const QString& versionCode);
    // The format that the controller's "type" and "version" properties name.
    static CnfFormat ofController(const QObject& controller);
    // The limits of a controller: those of its format; for a version the
    // registry does not list, those of the first format of its type;
    // unlimited (65535) for an unknown type.
    static CnfFormat::Limits limitsOf(const QObject& controller);

    // Offers `data` to the detecting native formats in order and returns the
    // first adapter that accepts it, with its format in `format` when given.
    // Null when none does.
    static QSharedPointer<CnfNative> detectNative(const QByteArray& data, CnfFormat* format = nullptr);
    // As above; each adapter reads the file itself.
    static QSharedPointer<CnfNative> detectNative(const QString& fileName, CnfFormat* format = nullptr);
    // Recognises `data` as a project document or a native image. For a native
    // image the accepting adapter is stored in `adapter`. An invalid format
    // means nothing accepted the bytes; `error` then says why.
    static CnfFormat detect(const QByteArray& data, QSharedPointer<CnfNative>* adapter, QString* error);

    // A fresh adapter for writing the controller of these codes; null with a
    // message in `error` (when given) for a type or version nothing writes.
    static QSharedPointer<CnfNative> adapterFor(const QString& typeCode, const QString& versionCode,
                                                QString* error = nullptr);
};

#endif
