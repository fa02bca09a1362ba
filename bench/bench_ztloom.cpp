// ZT_LOOM configurations against Qt's JSON parse and print of the same bytes.
// The controllers come from the shared generator in its ZT_LOOM variant:
// without the kinds of program and the sensors the format has no place for.
#include "BenchFixture.h"
#include "ZT_LOOMConfig.h"

namespace {

using ZtLoom = BenchJsonFormat<ZT_LOOMConfig, BenchController::Target::ZtLoom, BenchController::ztLoomDocument>;

void BM_ZtLoomLoad(benchmark::State& state) { ZtLoom::load(state); }
BENCHMARK(BM_ZtLoomLoad)->Apply(benchSizes);
void BM_ZtLoomFromJson(benchmark::State& state) { ZtLoom::fromJson(state); }
BENCHMARK(BM_ZtLoomFromJson)->Apply(benchSizes);
void BM_ZtLoomSave(benchmark::State& state) { ZtLoom::save(state); }
BENCHMARK(BM_ZtLoomSave)->Apply(benchSizes);
void BM_ZtLoomToJson(benchmark::State& state) { ZtLoom::toJson(state); }
BENCHMARK(BM_ZtLoomToJson)->Apply(benchSizes);

} // namespace

BENCHMARK_MAIN();
