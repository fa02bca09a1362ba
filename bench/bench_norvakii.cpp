// NorvakII configurations against Qt's JSON parse and print of the same
// bytes. The controllers come from the shared generator, without the raw 3.x
// program records the format has no place for.
#include "BenchFixture.h"
#include "NorvakIIConfig.h"

namespace {

using NorvakII = BenchJsonFormat<NorvakIIConfig, BenchController::Target::NorvakII, BenchController::norvakIIDocument>;

void BM_NorvakIILoad(benchmark::State& state) { NorvakII::load(state); }
BENCHMARK(BM_NorvakIILoad)->Apply(benchSizes);
void BM_NorvakIIFromJson(benchmark::State& state) { NorvakII::fromJson(state); }
BENCHMARK(BM_NorvakIIFromJson)->Apply(benchSizes);
void BM_NorvakIISave(benchmark::State& state) { NorvakII::save(state); }
BENCHMARK(BM_NorvakIISave)->Apply(benchSizes);
void BM_NorvakIIToJson(benchmark::State& state) { NorvakII::toJson(state); }
BENCHMARK(BM_NorvakIIToJson)->Apply(benchSizes);

} // namespace

BENCHMARK_MAIN();
