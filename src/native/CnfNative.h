#ifndef CNFNATIVE_H
#define CNFNATIVE_H

#include <QByteArray>
#include <QSharedPointer>
#include <QString>
#include <QStringList>
#include <QVariant>

#include "cnf_export.h"

class CnfController;
class CnfProgram;

// The common interface of the native adapters: each knows one controller
// family's own configuration format, recognises it, turns it into a
// CnfController and writes a controller back into it.
class CNF_EXPORT CnfNative
{
public:
    CnfNative() = default;
    CnfNative(const CnfNative&) {}
    CnfNative& operator=(const CnfNative&) { return *this; }
    virtual ~CnfNative();

    virtual bool load(const QByteArray& data) = 0;
    virtual bool load(const QString& fileName) = 0;
    virtual bool checkCRC() = 0;
    virtual QByteArray save(CnfController& controller) = 0;
    virtual bool createController(CnfController& controller) = 0;
    virtual void initController(CnfController& controller) = 0;
    virtual QByteArray createDynamicProgram(CnfController& controller, QSharedPointer<CnfProgram> program) = 0;
    virtual QString version() = 0;
    virtual QString lastError() = 0;
    virtual QStringList warnings();

    // Recognises an image by trying every adapter in a fixed order.
    static QSharedPointer<CnfNative> loadNativeConfig(const QByteArray& data);
    static QSharedPointer<CnfNative> loadNativeConfig(const QString& fileName);
    // Writes `controller` to `fileName` through the adapter its "type" names.
    static bool save(const QString& fileName, CnfController& controller, QString* error);
    // Stamps a new controller with a native type and version and lets the
    // matching adapter put its defaults in.
    static void initController(CnfController& controller, QVariant type, QVariant version);
};

#endif
