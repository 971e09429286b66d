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
  const helisolv::SeriesModel model{static_cast<helisolv::Series>(state.range(0))};
  for (auto _ : state) {
    helisolv::evaluateOpenWaterCurve(model, {4.0f, 0.55f, 1.0f}, j, kt, kq, eta0);
    benchmark::DoNotOptimize(kt.data());
  }
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(n));
}
BENCHMARK(millionPointCurve)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);

// The whole Wageningen design space: Z 2 to 7 x 16 area ratios x 91 pitch
// ratios (8,736 propellers) x 1,400 J, 12.2 M points.
void designSpaceGrid(benchmark::State& state) {
  std::vector<helisolv::Propeller> grid;
  for (int z = 2; z <= 7; ++z)
    for (int a = 30; a <= 105; a += 5)
      for (int p = 50; p <= 140; ++p)
        grid.push_back({static_cast<float>(z), static_cast<float>(a) / 100.0f,
                        static_cast<float>(p) / 100.0f});
  std::vector<float> j(1400);
  for (std::size_t i = 0; i < j.size(); ++i) j[i] = 0.1f + 0.001f * static_cast<float>(i);
  const std::size_t n = grid.size() * j.size();
  std::vector<float> kt(n), kq(n), eta0(n);
  for (auto _ : state) {
    helisolv::evaluateOpenWaterGrid({helisolv::Series::Wageningen}, grid, j, kt, kq, eta0);
    benchmark::DoNotOptimize(kt.data());
  }
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(n));
}
BENCHMARK(designSpaceGrid)->Unit(benchmark::kMillisecond);

}  // namespace
