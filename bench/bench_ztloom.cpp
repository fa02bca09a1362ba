// ZT_LOOM configurations: loading into a controller against Qt's JSON parse
// of the same bytes, and saving against Qt's JSON printer of the same
// document. The controllers come from the shared generator in its ZT_LOOM
// variant: without the kinds of program and the sensors the format has no
// place for.
#include <benchmark/benchmark.h>

#include <QJsonDocument>

#include "BenchController.h"
#include "BenchMemory.h"
#include "CnfController.h"
#include "ZT_LOOMConfig.h"

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

void BM_ZtLoomLoad(benchmark::State& state)
{
    const QByteArray document = BenchController::ztLoomDocument(int(state.range(0)));
    for (auto _ : state) {
        settle(state);
        ZT_LOOMConfig config;
        CnfController controller;
        if (!config.load(document) || !config.createController(controller))
            state.SkipWithError("the generated document was refused");
    }
    state.SetBytesProcessed(state.iterations() * document.size());
}
BENCHMARK(BM_ZtLoomLoad)->Apply(sizes);

void BM_ZtLoomFromJson(benchmark::State& state)
{
    const QByteArray document = BenchController::ztLoomDocument(int(state.range(0)));
    for (auto _ : state) {
        settle(state);
        benchmark::DoNotOptimize(QJsonDocument::fromJson(document));
    }
    state.SetBytesProcessed(state.iterations() * document.size());
}
BENCHMARK(BM_ZtLoomFromJson)->Apply(sizes);

void BM_ZtLoomSave(benchmark::State& state)
{
    CnfController controller;
    BenchController::build(controller, int(state.range(0)), BenchController::Target::ZtLoom);
    ZT_LOOMConfig config;
    for (auto _ : state) {
        settle(state);
        benchmark::DoNotOptimize(config.save(controller));
    }
}
BENCHMARK(BM_ZtLoomSave)->Apply(sizes);

void BM_ZtLoomToJson(benchmark::State& state)
{
    const QJsonDocument json = QJsonDocument::fromJson(BenchController::ztLoomDocument(int(state.range(0))));
    for (auto _ : state) {
        settle(state);
        benchmark::DoNotOptimize(json.toJson(QJsonDocument::Indented));
    }
}
BENCHMARK(BM_ZtLoomToJson)->Apply(sizes);

} // namespace

BENCHMARK_MAIN();
