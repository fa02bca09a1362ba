// Feeds arbitrary bytes as a raw program record to the layout-driven decoder.
// The first byte picks the layout (adapter or firmware 3.14 to 3.18); the rest
// is the record, decoded on a controller with a few phases.
#include <QByteArray>
#include <QSharedPointer>

#include <cstddef>
#include <cstdint>

#include "CnfController.h"
#include "CnfPhase.h"
#include "CnfPhaseDef.h"
#include "CnfProgram.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    static const char* const versions[] = {"", "3.14", "3.15", "3.16", "3.17", "3.18"};
    const int layout = data[0] % 6;

    CnfController controller;
    controller.setProperty("type", layout == 0 ? "adapter" : "norvak");
    controller.setProperty("version", versions[layout]);
    for (int i = 0; i < 4; ++i) {
        auto phase = QSharedPointer<CnfPhase>::create();
        phase->id = QString::number(i + 1);
        controller.addPhase(phase);
    }

    auto program = QSharedPointer<CnfProgram>::create();
    const QByteArray record(reinterpret_cast<const char*>(data + 1), int(size - 1));
    if (controller.setProgramRawData(program, record)) {
        // Touch what the decoder built.
        for (const auto& step : program->phases())
            (void)step->length();
        (void)program->cycle(true);
    }
    return 0;
}
