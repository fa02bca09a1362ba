// Feeds arbitrary bytes to the native image detection and, when an adapter
// accepts them, checks, reads and writes back what it read.
#include <QByteArray>

#include <cstdint>

#include "CnfController.h"
#include "CnfNative.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), int(size));
    const QSharedPointer<CnfNative> adapter = CnfNative::loadNativeConfig(bytes);
    if (!adapter)
        return 0;
    adapter->checkCRC();
    CnfController controller;
    if (adapter->createController(controller)) {
        const QByteArray image = adapter->save(controller);
        if (!image.isEmpty()) {
            // What the writer produces must be readable again.
            CnfController again;
            const QSharedPointer<CnfNative> reread = CnfNative::loadNativeConfig(image);
            if (!reread || !reread->checkCRC() || !reread->createController(again))
                __builtin_trap();
        }
        adapter->createDynamicProgram(controller, {});
    }
    return 0;
}
