// Feeds arbitrary bytes as a dynamic program blob to a controller with a few
// groups, phases and matrices, once as a plain controller and once as a 3.18
// controller (so that raw records decode). A program that loads is written
// as a blob again. Neither operation may change the controller.
#include <QByteArray>
#include <QSharedPointer>
#include <QtGlobal>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "CnfController.h"
#include "CnfMatrix.h"
#include "CnfPhase.h"
#include "CnfPhaseDef.h"
#include "CnfProgram.h"
#include "CnfSignalGroup.h"

static void buildReceiver(CnfController& controller, bool native)
{
    if (native) {
        controller.setProperty("type", "norvak");
        controller.setProperty("version", "3.18");
    }
    QList<QSharedPointer<CnfSignalGroup>> groups;
    for (int id = 1; id <= 4; ++id) {
        auto group = QSharedPointer<CnfSignalGroup>::create();
        group->id = id;
        controller.addSignalGroup(group);
        groups.append(group);
    }
    for (int id = 1; id <= 4; ++id) {
        auto phase = QSharedPointer<CnfPhase>::create();
        phase->id = QString::number(id);
        phase->signalGroups = {groups.at(id - 1), groups.at(id % 4)};
        phase->minLength = id == 1 ? 5 : -1;
        phase->maxLength = id == 1 ? 60 : -1;
        controller.addPhase(phase);
    }
    controller.conflictMatrix()->setReleaf(groups.at(0), groups.at(2), 0);
    auto intergreen = QSharedPointer<CnfMatrix>::create();
    intergreen->setId(1);
    intergreen->setReleaf(groups.at(2), groups.at(0), 4);
    controller.addMatrix(intergreen, true, false);
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const bool quiet = [] {
        qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});
        return true;
    }();
    Q_UNUSED(quiet);
    const QByteArray blob(reinterpret_cast<const char*>(data), int(size));
    for (bool native : {false, true}) {
        CnfController receiver;
        buildReceiver(receiver, native);
        const QByteArray before = receiver.save(-1);
        const QSharedPointer<CnfProgram> program = receiver.loadDynamicProgram(blob);
        if (program) {
            for (const auto& step : program->phases())
                (void)step->fullLength();
            (void)program->cycle(true);
            (void)receiver.createDynamicProgram(program);
        }
        if (receiver.save(-1) != before)
            std::abort();
    }
    return 0;
}
