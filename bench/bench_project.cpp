// The project document: loading into a controller against QDomDocument's
// parse of the same bytes, saving against QDomDocument's printer of the same
// document, and the memory a loaded controller takes against the parsed DOM.
#include <benchmark/benchmark.h>

#include <QDomDocument>

#include "BenchFixture.h"

namespace {

void BM_ProjectLoad(benchmark::State& state)
{
    const QByteArray document = BenchController::projectDocument(int(state.range(0)));
    for (auto _ : state) {
        benchSettle(state);
        benchMeasured([&] {
            CnfController controller;
            if (!controller.load(document, false))
                state.SkipWithError(qPrintable(controller.lastError().left(200)));
        });
    }
    state.SetBytesProcessed(state.iterations() * document.size());
}
BENCHMARK(BM_ProjectLoad)->Apply(benchSizes);

void BM_ProjectSetContent(benchmark::State& state)
{
    const QByteArray document = BenchController::projectDocument(int(state.range(0)));
    for (auto _ : state) {
        benchSettle(state);
        benchMeasured([&] {
            QDomDocument dom;
            benchmark::DoNotOptimize(dom.setContent(document, false));
        });
    }
    state.SetBytesProcessed(state.iterations() * document.size());
}
BENCHMARK(BM_ProjectSetContent)->Apply(benchSizes);

void BM_ProjectSave(benchmark::State& state)
{
    CnfController controller;
    controller.load(BenchController::projectDocument(int(state.range(0))), false);
    for (auto _ : state) {
        benchSettle(state);
        benchMeasured([&] { benchmark::DoNotOptimize(controller.save(-1)); });
    }
}
BENCHMARK(BM_ProjectSave)->Apply(benchSizes);

void BM_ProjectToByteArray(benchmark::State& state)
{
    QDomDocument dom;
    dom.setContent(BenchController::projectDocument(int(state.range(0))), false);
    for (auto _ : state) {
        benchSettle(state);
        benchMeasured([&] { benchmark::DoNotOptimize(dom.toByteArray(-1)); });
    }
}
BENCHMARK(BM_ProjectToByteArray)->Apply(benchSizes);

// Heap taken by a loaded controller and by the parsed DOM of its document,
// each measured while it is alive.
void BM_ProjectMemory(benchmark::State& state)
{
    const QByteArray document = BenchController::projectDocument(int(state.range(0)));
    std::size_t controllerBytes = 0;
    std::size_t domBytes = 0;
    for (auto _ : state) {
        benchSettle(state);
        {
            const std::size_t before = benchHeapInUse();
            CnfController controller;
            controller.load(document, false);
            controllerBytes = benchHeapInUse() - before;
        }
        {
            const std::size_t before = benchHeapInUse();
            QDomDocument dom;
            dom.setContent(document, false);
            domBytes = benchHeapInUse() - before;
        }
    }
    state.counters["controller_bytes"] = double(controllerBytes);
    state.counters["dom_bytes"] = double(domBytes);
    state.counters["ratio"] = double(controllerBytes) / double(domBytes);
}
BENCHMARK(BM_ProjectMemory)->Arg(10000)->Iterations(1)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
