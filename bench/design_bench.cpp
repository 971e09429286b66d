// Whole runs of the design problems, types 1, 2 and 3, in process. The
// heaviest is the Kq/J^5 design with the Gawn series: 151 pitch ratios, each a
// curve of up to 1400 evaluations, by the program's own Gawn model and by the
// published regression. Each iteration is one run from task file to
// stop, in a temporary folder, with the console output discarded. Run by hand,
// never by CI:
//   <build>/bench/helisolv_design_bench
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>

#include "driver/driver.hpp"

namespace {

namespace fs = std::filesystem;

void writeTask(const std::string& seriesLine, const std::string& typeLine,
               const std::string& inputs) {
  std::ofstream task("Helisolv.Tsk", std::ios::binary);
  for (int i = 1; i <= 13; ++i) task << "*\n";
  task << seriesLine << "\n";
  for (int i = 15; i <= 77; ++i) task << "*\n";
  task << typeLine << "\n" << inputs << "\n";
}

// models: the command line's model options of the run (none: the defaults).
void designRun(benchmark::State& state, const char* series, const char* type, const char* inputs,
               helisolv::ModelOptions models = {}) {
  const fs::path home = fs::current_path();
  const fs::path dir = fs::temp_directory_path() / ("helisolv_bench_" + std::to_string(getpid()));
  fs::create_directories(dir);
  fs::current_path(dir);
  writeTask(series, type, inputs);
  for (auto _ : state) {
    std::istringstream keyboard("\n\n\n");
    std::ostringstream console, errors;
    benchmark::DoNotOptimize(
        helisolv::runProgram(keyboard, console, errors, {std::nullopt, models}));
  }
  fs::current_path(home);
  fs::remove_all(dir);
}

// The heaviest design a user can ask for: every pitch ratio of the Gawn series
// meets the loading and the curves run long before their Kt turns negative.
BENCHMARK_CAPTURE(designRun, kq_j5_gawn_heaviest, "2", "3", "5000 7 200 1025 3 0.8")
    ->Unit(benchmark::kMillisecond);
// The same with the Gawn series by the published regression (--gawn-model=regression).
BENCHMARK_CAPTURE(designRun, kq_j5_gawn_heaviest_regression, "2", "3", "5000 7 200 1025 3 0.8",
                  helisolv::ModelOptions{helisolv::ViscousCorrection::Legacy,
                                         helisolv::GawnModel::Regression})
    ->Unit(benchmark::kMillisecond);
// The bundled examples of the three design types.
BENCHMARK_CAPTURE(designRun, kq_j5_gawn, "2", "3", "5000 7 150 1025 3 0.7")
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(designRun, kq_j5_wageningen, "1", "3", "5000 7 150 1025 4 0.7")
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(designRun, kt_j4_wageningen, "1", "2", "600 200 7 1025 4 0.7")
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(designRun, kt_j2_wageningen, "1", "1", "350 4 6 1025 4 0.55")
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(designRun, kt_j2_gawn, "2", "1", "400 4.5 6.5 1025 3 0.60")
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(designRun, bp_delta_wageningen_viscous, "1", "7", "25 180 4 0.55 1025 3 200 10 1")
    ->Unit(benchmark::kMillisecond);

}  // namespace
