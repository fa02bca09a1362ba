// Feeds arbitrary JSON to the key-order printer: printed without a format,
// a document must parse back to the same value; printed with the NorvakII
// key-order file, it must still parse, with the same keys at its root.
#include <QByteArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "JsonPrinter.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(data), int(size));
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(bytes, &error);
    if (error.error != QJsonParseError::NoError)
        return 0;
    const QVariant value = document.toVariant();

    // The values are compared, not the documents: Qt keeps a key with a raw
    // NUL character (which JSON does not allow) in a form that compares
    // unequal to the same key read from its escaped form.
    const QByteArray plain = JsonPrinter::printFormatted(value, QVariant(), QByteArrayLiteral("  "));
    if (QJsonDocument::fromJson(plain, &error).toVariant() != value || error.error != QJsonParseError::NoError)
        std::abort();

    static const QVariant format = JsonPrinter::loadFormat(QStringLiteral(":/humanaze/norvakII/format.json"));
    const QByteArray formatted = JsonPrinter::printFormatted(value, format, QByteArrayLiteral("  "));
    const QJsonDocument reread = QJsonDocument::fromJson(formatted, &error);
    if (error.error != QJsonParseError::NoError || reread.isObject() != document.isObject()
        || reread.toVariant().toMap().keys() != value.toMap().keys())
        std::abort();
    return 0;
}
