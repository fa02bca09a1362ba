#ifndef CNFNATIVE_H
#define CNFNATIVE_H

#include <QByteArray>
#include <QScopedPointer>
#include <QSharedPointer>
#include <QString>
#include <QStringList>
#include <QVariant>

#include "cnf_export.h"

class CnfController;
class CnfNativePrivate;
class CnfProgram;

// The common interface of the native adapters: each knows one controller
// family's own configuration format, recognises it, turns it into a
// CnfController and writes a controller back into it. Failures are reported
// by the result; the reason is then in lastError(). Adapters live on the heap
// and are handed out as QSharedPointer<CnfNative>; the formats and their
// adapters are listed by CnfFormatRegistry.
class CNF_EXPORT CnfNative
{
public:
    CnfNative();
    // Copies the last error and the warnings.
    CnfNative(const CnfNative& other);
    CnfNative& operator=(const CnfNative& other);
    virtual ~CnfNative();

    // Takes the bytes when they are an image of this format; false, keeping
    // nothing of them, otherwise. Never changes a controller.
    virtual bool load(const QByteArray& data) = 0;
    // Reads the whole file and loads its bytes; false with "Error opening
    // %1: %2" when it cannot be opened.
    virtual bool load(const QString& fileName);
    // Whether the loaded image's checksum or digest matches; true when the
    // format carries none.
    virtual bool checkCRC() = 0;
    // The complete image of `controller` after checking it against the
    // format's limits; empty on failure.
    virtual QByteArray save(CnfController& controller) = 0;
    // Clears `controller` and fills it from the loaded image; false on a fatal
    // inconsistency, with the controller possibly partly filled.
    virtual bool createController(CnfController& controller) = 0;
    // Puts the format's defaults into a controller created from scratch.
    virtual void initController(CnfController& controller) = 0;
    // The compact image of one program for a running controller; empty on failure.
    virtual QByteArray createDynamicProgram(CnfController& controller, QSharedPointer<CnfProgram> program) = 0;
    // The adapter's format version text, e.g. "3.18".
    virtual QString version() = 0;
    // The reason of the last failure; empty after a success.
    virtual QString lastError();
    // The recoverable findings of the last createController().
    virtual QStringList warnings();

    // The adapter of the first format that accepts `data`, in the detection
    // order of CnfFormatRegistry; null when none does.
    static QSharedPointer<CnfNative> loadNativeConfig(const QByteArray& data);
    // As above; each adapter tried reads the file itself.
    static QSharedPointer<CnfNative> loadNativeConfig(const QString& fileName);
    // Writes `controller` to `fileName` through the adapter its "type" and
    // "version" name; false with the reason in `error` (when given). An
    // existing file is replaced only by a complete image.
    static bool save(const QString& fileName, CnfController& controller, QString* error);
    // Stamps a new controller with a native type and version and lets the
    // matching adapter, if any, put its defaults in.
    static void initController(CnfController& controller, QVariant type, QVariant version);

protected:
    // Replaces the last error; an empty text clears it.
    void setLastError(const QString& message);
    // Replaces the warnings.
    void setWarnings(const QStringList& warnings);

private:
    QScopedPointer<CnfNativePrivate> d;
};

#endif
