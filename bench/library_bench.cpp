// The library's entry points in process: a whole run of the heaviest design
// task through helisolv::run (nothing touches a folder), and the open-water
// curve of one propeller over 1,000,000 J. Run by hand, never by CI:
//   <build>/bench/helisolv_library_bench
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "helisolv/curve.hpp"
#include "helisolv/run.hpp"

namespace {

void heaviestRun(benchmark::State& state) {
  std::string task;
  for (int i = 1; i <= 13; ++i) task += "*\n";
  task += "2\n";
  for (int i = 15; i <= 77; ++i) task += "*\n";
  task += "3\n5000 7 200 1025 3 0.8\n";
  for (auto _ : state) benchmark::DoNotOptimize(helisolv::run(task, "\n\n\n"));
}
BENCHMARK(heaviestRun)->Unit(benchmark::kMillisecond);

void millionPointCurve(benchmark::State& state) {
  const std::size_t n = 1000000;
  std::vector<float> j(n), kt(n), kq(n), eta0(n);
  for (std::size_t i = 0; i < n; ++i) j[i] = 0.1f + 1.4f * static_cast<float>(i) / 1e6f;
  const helisolv::SeriesModel model{static_cast<int>(state.range(0))};
  for (auto _ : state) {
    helisolv::evaluateOpenWaterCurve(model, {4.0f, 0.55f, 1.0f}, j, kt, kq, eta0);
    benchmark::DoNotOptimize(kt.data());
  }
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(n));
}
BENCHMARK(millionPointCurve)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);

}  // namespace
