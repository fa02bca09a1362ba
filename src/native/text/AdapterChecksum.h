#ifndef ADAPTERCHECKSUM_H
#define ADAPTERCHECKSUM_H

#include <QByteArray>
#include <QCoreApplication>
#include <QString>

// The "MD4=" line of a text configuration: an MD4 digest over the bytes of
// the item lines, each trimmed and without its line end, from the line after
// "BEGIN:" to the line before "END." (both found ignoring case). The bytes
// are those the file holds (Windows-1251), whatever the system's locale.
class AdapterChecksum
{
    Q_DECLARE_TR_FUNCTIONS(AdapterChecksum)

public:
    static constexpr int digestLength = 32;

    // The digest of `text` in lowercase hexadecimal.
    static QByteArray compute(const QByteArray& text);
    // Puts the digest of `text` into the 32 characters after its first "MD4=".
    static void stamp(QByteArray& text);
    // True when `text` has no "MD4=" line before "BEGIN:", or when that line
    // holds the digest; otherwise false with the reason in `error`.
    static bool verify(const QByteArray& text, QString* error);
};

#endif
