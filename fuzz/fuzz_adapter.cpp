// Feeds arbitrary bytes to the text adapter: load, build a controller, write
// it back. What the writer accepts must read back, carry a valid checksum
// and be written again to the same text.
#include <QByteArray>
#include <QLoggingCategory>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "AdapterConfig.h"
#include "CnfController.h"

// Reads a text this adapter wrote and writes it again; aborts when the
// text does not read back or is refused the second time.
static QByteArray rewrite(const QByteArray& written)
{
    AdapterConfig config;
    CnfController controller;
    if (!config.load(written) || !config.checkCRC() || !config.createController(controller))
        std::abort();
    const QByteArray again = config.save(controller);
    if (again.isEmpty())
        std::abort();
    return again;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const bool quiet = [] {
        QLoggingCategory::setFilterRules(QStringLiteral("*.warning=false"));
        return true;
    }();
    Q_UNUSED(quiet);

    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(data), int(size));
    AdapterConfig config;
    if (!config.load(bytes))
        return 0;
    config.checkCRC();
    CnfController controller;
    if (!config.createController(controller))
        return 0;
    const QByteArray written = config.save(controller);
    if (written.isEmpty())
        return 0;

    if (rewrite(written) != written)
        std::abort();
    return 0;
}
