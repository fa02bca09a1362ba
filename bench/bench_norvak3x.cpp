// Reading and writing a 3.18 image close to the 4080-byte limit.
#include <benchmark/benchmark.h>

#include <QFile>
#include <QTemporaryDir>

#include "CnfController.h"
#include "CnfMatrix.h"
#include "CnfNative.h"
#include "CnfPhase.h"
#include "CnfPowerDevice.h"
#include "CnfProgram.h"
#include "CnfSchedule.h"
#include "CnfSignalGroup.h"

namespace {

// A program of algorithm 0 (no phases), or a timer over phases 1 and 2,
// which the layout document has to decode.
QSharedPointer<CnfProgram> program(int number, bool timer)
{
    auto p = QSharedPointer<CnfProgram>::create();
    p->id = QString::number(number);
    p->type = CnfProgram::NorvakSpecial;
    QByteArray data(63, char(0xFF));
    data[0] = char(number);
    data[1] = 0;
    if (timer) {
        data[1] = 1;
        data[7] = 0;
        data[8] = 20;
        data[14] = 1;
        data[15] = 30;
    }
    p->setData(data);
    return p;
}

// 28 groups with four keys each, every pair of groups in conflict, six
// intergreen variants, 16 full phases, day cards, a week and as many
// programs as still fit.
void buildLargeController(CnfController& c)
{
    CnfNative::initController(c, QStringLiteral("norvak"), QStringLiteral("3.18"));
    c.setProperty("number", 77);
    c.setProperty("description", QStringLiteral("Перекрёсток"));
    const int groups = 28;
    for (int g = 0; g < groups; ++g) {
        auto group = QSharedPointer<CnfSignalGroup>::create();
        group->id = g + 1;
        group->setType(CnfSignalGroup::Transport);
        for (int k = 0; k < 4 && 4 * g + k < 128; ++k) {
            auto device = QSharedPointer<CnfPowerDevice>::create();
            device->address = 4 * g + k;
            device->type = CnfPowerDevice::Key;
            device->color = k % 3;
            device->lampCount = 2;
            c.addPowerDevice(device);
            group->assignDevice(device);
        }
        for (int v = 1; v <= 6; ++v)
            group->variantTimes.insert(v, CnfSGTimes {1, 3, 3, 1, 2, 0});
        c.addSignalGroup(group);
    }
    const auto all = c.signalGroups();
    for (const auto& a : all) {
        for (const auto& b : all) {
            if (a != b)
                c.conflictMatrix()->setReleaf(a, b, 0.0);
        }
    }
    for (int p = 1; p <= 16; ++p) {
        auto phase = QSharedPointer<CnfPhase>::create();
        phase->id = QString::number(p);
        phase->minLength = 5;
        phase->maxLength = 90;
        for (int i = 0; i < 20; ++i)
            phase->signalGroups.append(all.at((p + i) % groups));
        c.addPhase(phase);
    }
    c.addProgram(program(1, false));
    auto card = QSharedPointer<CnfDayCard>::create();
    card->id = QStringLiteral("1");
    for (int h = 0; h < 7; ++h)
        card->addRecord(QTime(3 * h, 0), c.programs().first(), {});
    c.addDayCard(card);
    auto week = QSharedPointer<CnfWeekCard>::create();
    week->days.insert(Qt::Monday, card);
    c.addWeekCard(week);
}

QByteArray saved(CnfController& c)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("image.bin"));
    if (!CnfNative::save(path, c, nullptr))
        return {};
    QFile file(path);
    file.open(QIODevice::ReadOnly);
    return file.readAll();
}

// The largest image of that controller that stays within the limit.
QByteArray largeImage(bool timers)
{
    static QByteArray images[2];
    QByteArray& image = images[timers];
    if (image.isEmpty()) {
        CnfController c;
        buildLargeController(c);
        image = saved(c);
        for (int n = 2; n <= 16; ++n) {
            c.addProgram(program(n, timers));
            const QByteArray larger = saved(c);
            if (larger.isEmpty())
                break;
            image = larger;
        }
    }
    return image;
}

} // namespace

static void BM_Load(benchmark::State& state)
{
    const QByteArray image = largeImage(false);
    for (auto _ : state)
        benchmark::DoNotOptimize(CnfNative::loadNativeConfig(image));
    state.SetBytesProcessed(state.iterations() * image.size());
}
BENCHMARK(BM_Load);

static void BM_CreateController(benchmark::State& state)
{
    const QByteArray image = largeImage(state.range(0));
    const auto adapter = CnfNative::loadNativeConfig(image);
    for (auto _ : state) {
        CnfController c;
        benchmark::DoNotOptimize(adapter->createController(c));
    }
    state.SetLabel(std::to_string(image.size()) + " bytes" + (state.range(0) ? ", timer programs" : ""));
}
BENCHMARK(BM_CreateController)->Arg(0)->Arg(1);

static void BM_Save(benchmark::State& state)
{
    const auto adapter = CnfNative::loadNativeConfig(largeImage(false));
    CnfController c;
    adapter->createController(c);
    for (auto _ : state)
        benchmark::DoNotOptimize(adapter->save(c));
}
BENCHMARK(BM_Save);

// One whole round trip: read the image, build the controller, write it again.
static void BM_RoundTrip(benchmark::State& state)
{
    const QByteArray image = largeImage(false);
    for (auto _ : state) {
        const auto adapter = CnfNative::loadNativeConfig(image);
        CnfController c;
        adapter->createController(c);
        benchmark::DoNotOptimize(adapter->save(c));
    }
    state.SetLabel(std::to_string(image.size()) + " bytes");
}
BENCHMARK(BM_RoundTrip);

BENCHMARK_MAIN();
