#ifndef CONFIGWRITER_H
#define CONFIGWRITER_H

#include <QByteArray>
#include <QCoreApplication>
#include <QString>

#include "CnfFormat.h"

class CnfController;

// Writes a model in a chosen format. A native format first stamps the model
// with its type and version, so the model given is changed: pass a copy when
// the original must stay as it was read.
class ConfigWriter
{
    Q_DECLARE_TR_FUNCTIONS(ConfigWriter)

public:
    explicit ConfigWriter(const CnfFormat& format);

    // The document or image; empty with errorString() set when the model
    // cannot be expressed in the format.
    QByteArray write(CnfController& controller);
    QString errorString() const;

private:
    QByteArray writeProject(CnfController& controller);
    QByteArray writeNative(CnfController& controller);
    bool hasOnlyNativePrograms(CnfController& controller);
    QByteArray fail(const QString& message);

    CnfFormat m_format;
    QString m_error;
};

#endif
