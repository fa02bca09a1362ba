#include "AdapterChecksum.h"

#include <QCryptographicHash>

#include "AdapterTextLines.h"

namespace {

const QByteArray checksumKey = QByteArrayLiteral("MD4=");

bool startsWithIgnoringCase(const QByteArray& line, const char* prefix)
{
    const QByteArray start(prefix);
    return line.size() >= start.size() && line.left(start.size()).toLower() == start;
}

} // namespace

QByteArray AdapterChecksum::compute(const QByteArray& text)
{
    QCryptographicHash hash(QCryptographicHash::Md4);
    AdapterTextLines lines(text);
    QByteArray line;
    bool inBody = false;
    while (lines.next(&line)) {
        if (!inBody) {
            inBody = startsWithIgnoringCase(line, "begin:");
            continue;
        }
        if (startsWithIgnoringCase(line, "end."))
            break;
        hash.addData(line);
    }
    return hash.result().toHex();
}

void AdapterChecksum::stamp(QByteArray& text)
{
    const int at = text.indexOf(checksumKey);
    if (at >= 0)
        text.replace(at + checksumKey.size(), digestLength, compute(text));
}

bool AdapterChecksum::verify(const QByteArray& text, QString* error)
{
    AdapterTextLines lines(text);
    QByteArray line;
    while (lines.next(&line) && line != "BEGIN:") {
        if (!line.startsWith(checksumKey))
            continue;
        const QByteArray stored = line.mid(checksumKey.size(), 2 * digestLength).trimmed().toLower();
        const QByteArray actual = compute(text);
        if (stored == actual)
            return true;
        *error = tr("Неправильная контрольная сумма MD4 в конфигурации: записано %1, вычислено %2")
                     .arg(QString::fromLatin1(stored), QString::fromLatin1(actual));
        return false;
    }
    return true;
}
