// Reading and writing a 3.18 image close to the 4080-byte limit.
#include <benchmark/benchmark.h>

#include <QFile>
#include <QMap>
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

QByteArray saved(CnfController& c, QString* error = nullptr)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("image.bin"));
    if (!CnfNative::save(path, c, error))
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


// A program record of `algorithm` that the layout document decodes into
// steps: timers and coordination run phases 0..3 from byte 7 (after the
// entry variant byte of 3.17 on), the pedestrian and call algorithms a
// main and a call phase.
QSharedPointer<CnfProgram> programOf(int number, int algorithm)
{
    auto p = QSharedPointer<CnfProgram>::create();
    p->id = QString::number(number);
    p->type = CnfProgram::NorvakSpecial;
    QByteArray data(63, char(0xFF));
    data[0] = char(number);
    data[1] = char(algorithm);
    data[2] = 1;
    switch (algorithm) {
    case 1: // timer: entries of 7 bytes from byte 7
    case 2: // coordination: cycle and offset, then entries from byte 7
        if (algorithm == 2) {
            data[5] = char(100);
            data[6] = char(15);
        }
        for (int e = 0; e < 4; ++e) {
            data[7 + 7 * e] = char(e);
            data[8 + 7 * e] = char(20 + 5 * e);
        }
        break;
    case 3: // pedestrian: main phase at 7, call phase at 9
    case 4: // call phase: entries from byte 7
        data[7] = 0;
        data[8] = 30;
        data[9] = 2;
        data[10] = 15;
        break;
    default:
        break;
    }
    p->setData(data);
    return p;
}

// The controller of the round-trip image: 12 groups of two keys in two
// conflicting directions, 8 phases, 6 programs of five algorithms, day
// cards, a week, special days and the usual settings; about 2.5 KB.
void buildTestController(CnfController& c)
{
    CnfNative::initController(c, QStringLiteral("norvak"), QStringLiteral("3.18"));
    c.setProperty("number", 1234);
    c.setProperty("description", QStringLiteral("Перекрёсток"));
    const int groups = 12;
    for (int g = 0; g < groups; ++g) {
        auto group = QSharedPointer<CnfSignalGroup>::create();
        group->id = g + 1;
        group->setType(g % 4 == 3 ? CnfSignalGroup::Pedestrian : CnfSignalGroup::Transport);
        for (int k = 0; k < 2; ++k) {
            auto device = QSharedPointer<CnfPowerDevice>::create();
            device->address = 2 * g + k;
            device->type = CnfPowerDevice::Key;
            device->color = k;
            device->lampCount = 2;
            c.addPowerDevice(device);
            group->assignDevice(device);
        }
        group->detectors = {1, 2, 255, 255};
        for (int v = 1; v <= 6; ++v)
            group->variantTimes.insert(v, CnfSGTimes {1, 3, 3, 1, 2, 0});
        c.addSignalGroup(group);
    }
    const auto all = c.signalGroups();
    for (int a = 0; a < groups; ++a) {
        for (int b = 0; b < groups; ++b) {
            if ((a / 6) != (b / 6))
                c.conflictMatrix()->setReleaf(all.at(a), all.at(b), 0.0);
        }
    }
    for (int p = 0; p < 8; ++p) {
        auto phase = QSharedPointer<CnfPhase>::create();
        phase->id = QString::number(p + 1);
        phase->minLength = 5;
        phase->maxLength = 90;
        for (int i = 0; i < 3; ++i)
            phase->signalGroups.append(all.at((p % 2) * 6 + (p / 2 + i) % 6));
        c.addPhase(phase);
    }
    const int algorithms[] = {0, 1, 2, 3, 4, 1};
    for (int n = 0; n < 6; ++n)
        c.addProgram(programOf(n + 1, algorithms[n]));
    const auto programs = c.programs();
    for (int d = 0; d < 4; ++d) {
        auto card = QSharedPointer<CnfDayCard>::create();
        card->id = QString::number(d + 1);
        for (int h = 0; h < 5; ++h)
            card->addRecord(QTime(4 * h + d, 0), programs.at((d + h) % 6), programs.at(0));
        c.addDayCard(card);
    }
    const auto cards = c.dayCards();
    auto week = QSharedPointer<CnfWeekCard>::create();
    week->days.insert(Qt::Monday, cards.at(0));
    week->days.insert(Qt::Saturday, cards.at(1));
    week->days.insert(Qt::Sunday, cards.at(2));
    c.addWeekCard(week);
    for (int m = 1; m <= 8; ++m) {
        auto special = QSharedPointer<CnfSpecialDay>::create();
        special->dayCard = cards.at(3);
        c.addSpecialDay(QDate(2024, m, 1 + m), special);
    }
    const QVariant none;
    c.setNativeData(QStringLiteral("vpu_phases"), QVariantList {1, 2, 3, 4, none, none, none, none});
    c.setNativeData(QStringLiteral("vpu_programs"), QVariantList {1, 2, none, none});
    c.setNativeData(QStringLiteral("countDownTable"),
        QVariantList {QVariantMap {{QStringLiteral("sg"), 1}, {QStringLiteral("count"), 1}},
            QVariantMap {{QStringLiteral("sg"), 7}, {QStringLiteral("count"), 1}}});
}

// The round-trip image in firmware `version` (314..318): the 3.18 controller
// moved to that version, then written.
QByteArray testImage(int version)
{
    static QMap<int, QByteArray> images;
    QByteArray& image = images[version];
    if (image.isEmpty()) {
        CnfController c;
        buildTestController(c);
        CnfNative::initController(c, QStringLiteral("norvak"), QStringLiteral("3.%1").arg(version - 300));
        QString error;
        image = saved(c, &error);
        if (image.isEmpty())
            qWarning("%s", qPrintable(error));
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

// One whole round trip: read the image, build the controller, write it
// again; round_trips is the count per second of CPU time.
void roundTrip(benchmark::State& state, const QByteArray& image)
{
    if (image.isEmpty()) {
        state.SkipWithError("the controller could not be written");
        return;
    }
    for (auto _ : state) {
        const auto adapter = CnfNative::loadNativeConfig(image);
        CnfController c;
        adapter->createController(c);
        const QByteArray written = adapter->save(c);
        if (written.size() != image.size()) {
            state.SkipWithError("the image changed its size on the round trip");
            break;
        }
        benchmark::DoNotOptimize(written);
    }
    state.counters["round_trips"] = benchmark::Counter(double(state.iterations()), benchmark::Counter::kIsRate);
    state.SetBytesProcessed(state.iterations() * image.size());
    state.SetLabel(std::to_string(image.size()) + " bytes");
}

// The floor the round trip is measured against: copying the image and
// computing its checksum.
static void BM_CopyAndChecksum(benchmark::State& state)
{
    const QByteArray image = testImage(318);
    for (auto _ : state) {
        QByteArray copy(image.constData(), image.size());
        quint16 sum = 0;
        for (int i = 0; i < copy.size(); ++i) {
            const quint16 t = quint16(sum + (quint8(copy.at(i)) ^ (i & 0xFF)));
            sum = quint16((t << 1) | (t >> 15));
        }
        benchmark::DoNotOptimize(sum);
    }
    state.SetLabel(std::to_string(image.size()) + " bytes");
}
BENCHMARK(BM_CopyAndChecksum);

// The 3.18 image of a common junction: 12 groups, 6 programs, 2.5 KB.
static void BM_RoundTrip(benchmark::State& state)
{
    roundTrip(state, testImage(318));
}
BENCHMARK(BM_RoundTrip);

// The same controller in every firmware version.
static void BM_RoundTripVersion(benchmark::State& state)
{
    roundTrip(state, testImage(int(state.range(0))));
}
BENCHMARK(BM_RoundTripVersion)->DenseRange(314, 318);

// The 3.18 image close to the size limit.
static void BM_RoundTripLarge(benchmark::State& state)
{
    roundTrip(state, largeImage(state.range(0)));
}
BENCHMARK(BM_RoundTripLarge)->Arg(0)->Arg(1);

BENCHMARK_MAIN();
