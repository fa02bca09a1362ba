#ifndef BENCHFIXTURE_H
#define BENCHFIXTURE_H

#include <benchmark/benchmark.h>

#include <QByteArray>
#include <QJsonDocument>

#include "BenchController.h"
#include "BenchMemory.h"
#include "CnfController.h"

// Each timed call starts on a settled heap.
inline void benchSettle(benchmark::State& state)
{
    state.PauseTiming();
    benchSettleHeap();
    state.ResumeTiming();
}

// Runs the work one iteration measures. It is a function of its own, never
// inlined, so that `scripts/bench --instructions` counts the instructions of
// that work alone (callgrind's --toggle-collect), without the set-up around it.
template <class Work>
__attribute__((noinline)) void benchMeasured(Work&& work)
{
    work();
}

// The sizes every format is measured at.
inline void benchSizes(benchmark::internal::Benchmark* bench)
{
    bench->Arg(100)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);
}

// A JSON format of `Config`, fed with the generator's controllers for
// `target` and their documents from `document`: loading into a controller
// against Qt's parse of the same bytes, saving against Qt's printer of the
// same document.
template <class Config, BenchController::Target target, QByteArray (*document)(int)>
struct BenchJsonFormat
{
    static void load(benchmark::State& state)
    {
        const QByteArray bytes = document(int(state.range(0)));
        for (auto _ : state) {
            benchSettle(state);
            benchMeasured([&] {
                Config config;
                CnfController controller;
                if (!config.load(bytes) || !config.createController(controller))
                    state.SkipWithError("the generated document was refused");
            });
        }
        state.SetBytesProcessed(state.iterations() * bytes.size());
    }

    static void fromJson(benchmark::State& state)
    {
        const QByteArray bytes = document(int(state.range(0)));
        for (auto _ : state) {
            benchSettle(state);
            benchMeasured([&] { benchmark::DoNotOptimize(QJsonDocument::fromJson(bytes)); });
        }
        state.SetBytesProcessed(state.iterations() * bytes.size());
    }

    static void save(benchmark::State& state)
    {
        CnfController controller;
        BenchController::build(controller, int(state.range(0)), target);
        Config config;
        // One save untimed first: every timed save then replaces the document
        // the save before it kept, as every save but a first one does.
        config.save(controller);
        for (auto _ : state) {
            benchSettle(state);
            benchMeasured([&] { benchmark::DoNotOptimize(config.save(controller)); });
        }
    }

    static void toJson(benchmark::State& state)
    {
        const QJsonDocument json = QJsonDocument::fromJson(document(int(state.range(0))));
        for (auto _ : state) {
            benchSettle(state);
            benchMeasured([&] { benchmark::DoNotOptimize(json.toJson(QJsonDocument::Indented)); });
        }
    }
};

#endif
