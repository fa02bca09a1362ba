// Feeds arbitrary bytes to the NorvakII reader: load, then build a controller.
#include <QByteArray>
#include <QLoggingCategory>

#include <cstddef>
#include <cstdint>

#include "CnfController.h"
#include "NorvakIIConfig.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const bool quiet = [] {
        QLoggingCategory::setFilterRules(QStringLiteral("*.warning=false"));
        return true;
    }();
    Q_UNUSED(quiet);

    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(data), int(size));
    NorvakIIConfig config;
    if (config.load(bytes)) {
        CnfController controller;
        config.createController(controller);
        // A second conversion rebuilds the controller from scratch.
        config.createController(controller);
    }
    return 0;
}
