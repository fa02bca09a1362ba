// NorvakII configurations: loading into a controller against Qt's JSON parse
// of the same bytes, and saving against Qt's JSON printer of the same
// document. The controllers come from the shared generator, without the raw
// 3.x program records the format has no place for.
#include <benchmark/benchmark.h>

#include <QJsonDocument>

#include "BenchController.h"
#include "BenchMemory.h"
#include "CnfController.h"
#include "NorvakIIConfig.h"

namespace {

// Each timed call starts on a settled heap.
void settle(benchmark::State& state)
{
    state.PauseTiming();
    benchSettleHeap();
    state.ResumeTiming();
}

void sizes(benchmark::internal::Benchmark* bench)
{
    bench->Arg(100)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);
}

void BM_NorvakIILoad(benchmark::State& state)
{
    const QByteArray document = BenchController::norvakIIDocument(int(state.range(0)));
    for (auto _ : state) {
        settle(state);
        NorvakIIConfig config;
        CnfController controller;
        if (!config.load(document) || !config.createController(controller))
            state.SkipWithError("the generated document was refused");
    }
    state.SetBytesProcessed(state.iterations() * document.size());
}
BENCHMARK(BM_NorvakIILoad)->Apply(sizes);

void BM_NorvakIIFromJson(benchmark::State& state)
{
    const QByteArray document = BenchController::norvakIIDocument(int(state.range(0)));
    for (auto _ : state) {
        settle(state);
        benchmark::DoNotOptimize(QJsonDocument::fromJson(document));
    }
    state.SetBytesProcessed(state.iterations() * document.size());
}
BENCHMARK(BM_NorvakIIFromJson)->Apply(sizes);

void BM_NorvakIISave(benchmark::State& state)
{
    CnfController controller;
    BenchController::build(controller, int(state.range(0)), BenchController::Target::NorvakII);
    NorvakIIConfig config;
    for (auto _ : state) {
        settle(state);
        benchmark::DoNotOptimize(config.save(controller));
    }
}
BENCHMARK(BM_NorvakIISave)->Apply(sizes);

void BM_NorvakIIToJson(benchmark::State& state)
{
    const QJsonDocument json = QJsonDocument::fromJson(BenchController::norvakIIDocument(int(state.range(0))));
    for (auto _ : state) {
        settle(state);
        benchmark::DoNotOptimize(json.toJson(QJsonDocument::Indented));
    }
}
BENCHMARK(BM_NorvakIIToJson)->Apply(sizes);

} // namespace

BENCHMARK_MAIN();
