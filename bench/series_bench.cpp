// Open-water evaluations per second: the Wageningen B-series without and with
// the ITTC78 correction, and the Gawn series. Each iteration is one
// evaluateOpenWater call at a J that moves along a typical table sweep.
#include <benchmark/benchmark.h>

#include "driver/record.hpp"
#include "series/series.hpp"

namespace {

using helisolv::rec;

void sweepEvaluations(benchmark::State& state, int seriesType, int viscousFlag) {
  rec = helisolv::ProblemRecord{};
  rec.seriesType = seriesType;
  rec.viscousFlag = viscousFlag;
  rec.diameter = 4.0f;
  rec.rpm = 120.0f;
  rec.advanceSpeed = 6.0f;
  float pitchRatio = 1.0f;
  float areaRatio = 0.55f;
  float bladeCount = seriesType == 2 ? 3.0f : 4.0f;
  float j = 0.05f;
  for (auto _ : state) {
    rec.advanceRatio = j;
    helisolv::evalOpenWater(pitchRatio, areaRatio, bladeCount);
    benchmark::DoNotOptimize(rec.kt);
    benchmark::DoNotOptimize(rec.kq);
    benchmark::DoNotOptimize(rec.eta0);
    j = j + 0.025f;
    if (j > 1.5f) j = 0.05f;
  }
  state.SetItemsProcessed(state.iterations());
}

void BM_WageningenUncorrected(benchmark::State& state) {
  sweepEvaluations(state, 1, 0);
}
void BM_WageningenCorrected(benchmark::State& state) {
  sweepEvaluations(state, 1, 1);
}
void BM_Gawn(benchmark::State& state) {
  sweepEvaluations(state, 2, 0);
}

BENCHMARK(BM_WageningenUncorrected);
BENCHMARK(BM_WageningenCorrected);
BENCHMARK(BM_Gawn);

}  // namespace
