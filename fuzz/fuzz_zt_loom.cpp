// Feeds arbitrary bytes to the ZT_LOOM adapter: load, build a controller,
// write it, and read back what was written, which must load and convert.
#include <QByteArray>
#include <QLoggingCategory>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "CnfController.h"
#include "ZT_LOOMConfig.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const bool quiet = [] {
        QLoggingCategory::setFilterRules(QStringLiteral("*.warning=false"));
        return true;
    }();
    Q_UNUSED(quiet);

    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(data), int(size));
    ZT_LOOMConfig config;
    if (!config.load(bytes))
        return 0;
    CnfController controller;
    if (!config.createController(controller))
        return 0;
    const QByteArray written = config.save(controller);
    if (written.isEmpty())
        return 0; // refused with a message: the model holds what the format cannot
    // What the writer wrote, its own reader takes back.
    ZT_LOOMConfig again;
    CnfController reread;
    if (!again.load(written) || !again.createController(reread))
        abort();
    return 0;
}
