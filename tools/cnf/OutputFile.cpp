#include "OutputFile.h"

#include <QFile>
#include <QFileInfo>

bool OutputFile::isSpecial(const QString& fileName)
{
    const QFileInfo info(fileName);
    return info.exists() && !info.isFile() && !info.isDir();
}

bool OutputFile::writeInPlace(const QString& fileName, const QByteArray& data, QString* error)
{
    QFile file(fileName);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
        *error = tr("cannot open %1 for writing: %2").arg(fileName, file.errorString());
        return false;
    }
    qint64 written = 0;
    while (written < data.size()) {
        const qint64 chunk = file.write(data.constData() + written, data.size() - written);
        if (chunk <= 0) {
            *error = tr("cannot write %1: %2").arg(fileName, file.errorString());
            return false;
        }
        written += chunk;
    }
    return true;
}
