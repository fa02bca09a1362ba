#include "Console.h"

#include <QFile>
#include <QSaveFile>

#include "OutputFile.h"

#include <cstdio>

namespace
{
// A text stream on a standard stream that always speaks UTF-8.
struct Utf8Stream : QTextStream {
    explicit Utf8Stream(FILE* file)
        : QTextStream(file, QIODevice::WriteOnly)
    {
        setCodec("UTF-8");
    }
};

bool isStandardStream(const QString& fileName)
{
    return fileName == QLatin1String("-");
}
} // namespace

QTextStream& Console::out()
{
    static Utf8Stream stream(stdout);
    return stream;
}

QTextStream& Console::err()
{
    static Utf8Stream stream(stderr);
    return stream;
}

void Console::message(const QString& text)
{
    out().flush();
    err() << "cnf: " << text << '\n';
    err().flush();
}

bool Console::readFile(const QString& fileName, QByteArray* data, QString* error)
{
    QFile file;
    const bool opened = isStandardStream(fileName) ? file.open(stdin, QIODevice::ReadOnly)
                                                   : (file.setFileName(fileName), file.open(QIODevice::ReadOnly));
    if (!opened) {
        *error = tr("cannot open: %1").arg(file.errorString());
        return false;
    }
    *data = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        *error = tr("cannot read: %1").arg(file.errorString());
        return false;
    }
    return true;
}

bool Console::writeFile(const QString& fileName, const QByteArray& data, QString* error)
{
    if (isStandardStream(fileName)) {
        out().flush();
        QFile file;
        if (!file.open(stdout, QIODevice::WriteOnly) || file.write(data) != data.size() || !file.flush()) {
            *error = tr("cannot write to standard output: %1").arg(file.errorString());
            return false;
        }
        return true;
    }
    if (OutputFile::isSpecial(fileName))
        return OutputFile::writeInPlace(fileName, data, error);
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly)) {
        *error = tr("cannot open %1 for writing: %2").arg(fileName, file.errorString());
        return false;
    }
    if (file.write(data) != data.size() || !file.commit()) {
        *error = tr("cannot write %1: %2").arg(fileName, file.errorString());
        return false;
    }
    return true;
}

QString Console::oneLine(const QString& text)
{
    return text.simplified();
}
