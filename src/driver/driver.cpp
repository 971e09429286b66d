#include "driver/driver.hpp"

#include <filesystem>
#include <fstream>
#include <istream>
#include <optional>
#include <ostream>

#include "driver/record.hpp"
#include "export/csv_export.hpp"
#include "export/data_export.hpp"
#include "io/channels.hpp"
#include "io/console.hpp"
#include "io/reader.hpp"
#include "io/runtime_error.hpp"
#include "io/writer.hpp"
#include "problems/solvers.hpp"

namespace helisolv {

ProblemRecord rec;

namespace {

// Reads and discards count whole lines of the task file, 80 characters a record.
void skipLines(Unit unit, int count) {
  for (int i = 0; i < count; ++i) readText80(unit);
}

void printBanner() {
  static constexpr const char* kBanner[] = {
      "(1X,72('-'))",
      "(1X,'! Program: Helisolv    Versiyon: 10/12/2016      Marivenlab            !')",
      "(' !',70X,'!')",
      "(' !',5X,'WAGENINGEN/GAWN SERISI PERVANE HIDRODINAMIK KARAKTERISTILERI     !')",
      "(' !',28X,'HESAP PROGRAMI',28X,'!')",
      "(1X,72('-'))",
  };
  for (Unit unit : {Unit::Console, Unit::Result})
    for (const char* layout : kBanner) write(unit, layout);
}

// Series limits of pitch ratio and area ratio. The upper bounds lie just above
// the round values so that a sweep of step 0.01 reaches them and the exclusive
// area-ratio test accepts 1.05 and 1.10.
void setSeriesLimits() {
  if (rec.seriesType == 1) {
    rec.pdMin = 0.5f;
    rec.pdMax = 1.401f;
    rec.earMin = 0.3f;
    rec.earMax = 1.0501f;
  }
  if (rec.seriesType == 2) {
    rec.pdMin = 0.5f;
    rec.pdMax = 2.001f;
    rec.earMin = 0.201f;
    rec.earMax = 1.101f;
  }
}

// One free-format read of the problem type's inputs, from task-file line 79 on.
// Returns false for a problem type without a solver.
bool readInputs() {
  ProblemRecord& r = rec;
  const Unit t = Unit::Task;
  switch (r.problemType) {
    case 1:
      readList(t, {&r.thrust, &r.diameter, &r.advanceSpeed, &r.rho, &r.bladeCount, &r.areaRatio});
      break;
    case 2:
      readList(t, {&r.thrust, &r.rpm, &r.advanceSpeed, &r.rho, &r.bladeCount, &r.areaRatio});
      break;
    case 3:
      readList(t, {&r.powerKW, &r.advanceSpeed, &r.rpm, &r.rho, &r.bladeCount, &r.areaRatio});
      break;
    case 4:
      readList(t, {&r.powerKW, &r.rpm, &r.rho, &r.bladeCount, &r.areaRatio, &r.bollardDiameter1,
                   &r.bollardDiameter2, &r.bollardDiameter3});
      break;
    case 5:
      readList(t, {&r.pitchRatio, &r.bladeCount, &r.areaRatio});
      break;
    case 6:
      readList(t, {&r.pitchRatio, &r.bladeCount, &r.areaRatio, &r.rho, &r.diameter, &r.rpm,
                   &r.advanceSpeed, &r.viscousFlag});
      break;
    case 7:
      readList(t, {&r.bp, &r.delta, &r.bladeCount, &r.areaRatio, &r.rho, &r.diameter, &r.rpm,
                   &r.advanceSpeed, &r.viscousFlag});
      break;
    case 8:
    case 9:
    case 10:
      // Type 10 holds the required torque (kN m) where type 9 holds the power.
      readList(t,
               {r.problemType == 8 ? &r.thrust : &r.powerKW, &r.diameter, &r.rpm, &r.advanceSpeed,
                &r.rho, &r.bladeCount, &r.areaRatio, &r.viscousFlag, &r.shaftDepth});
      break;
    default:
      return false;
  }
  if (r.problemType == 3 || r.problemType == 4 || r.problemType == 9 || r.problemType == 10)
    r.powerW = r.powerKW * 1000.0f;
  data::taskInputs(r);
  return true;
}

void solve() {
  switch (rec.problemType) {
    case 1:
      solveKtJ2Design();
      break;
    case 2:
      solveKtJ4Design();
      break;
    case 3:
      solveKqJ5Design();
      break;
    case 4:
      solveBollardPull();
      break;
    case 5:
      solveOpenWaterTable();
      break;
    case 6:
      solveOperatingPoint();
      break;
    case 7:
      solveBpDeltaDesign();
      break;
    case 8:
      solvePitchForThrust();
      break;
    case 9:
      solvePitchForPower();
      break;
    case 10:
      solvePitchForTorque();
      break;
    default:
      break;
  }
}

void run(std::ofstream& result, std::ifstream& task, [[maybe_unused]] const Options& options) {
  rec = ProblemRecord{};
  rec.viscousFlag = 0;

  // An existing result file that can only be read still opens; the first
  // record written to it is then the refused write.
  result.open("Helisolv.Son", std::ios::binary | std::ios::trunc);
  if (result) {
    channels().result = &result;
  } else {
    std::error_code ec;
    const bool readable = std::filesystem::is_regular_file("Helisolv.Son", ec) &&
                          std::ifstream("Helisolv.Son").is_open();
    if (!readable) runtimeError(RuntimeErrorCode::CannotOpen, "OPEN", "Helisolv.Son");
  }
  printBanner();

  // A missing task file is created empty; the first read then meets its end.
  std::error_code ec;
  if (!std::filesystem::exists("Helisolv.Tsk", ec) && !ec)
    std::ofstream("Helisolv.Tsk", std::ios::binary);
  task.open("Helisolv.Tsk", std::ios::binary);
  if (!task) runtimeError(RuntimeErrorCode::CannotOpen, "OPEN", "Helisolv.Tsk");
  channels().task = &task;

  skipLines(Unit::Task, 13);
  readList(Unit::Task, {&rec.seriesType});
  setSeriesLimits();
  skipLines(Unit::Task, 63);
  readList(Unit::Task, {&rec.problemType});
  if (readInputs()) solve();

  writeFree(Unit::Default);
  writeFree(Unit::Default);
  pause("BITIRMEK ICIN ENTER TUSUNA BASINIZ");
  stop();
}

}  // namespace

int runProgram(std::istream& keyboard, std::ostream& console, std::ostream& errors,
               const Options& options) {
  // The CSV folder is checked before anything is read or written: a run whose
  // tables cannot be kept does not start.
  std::optional<CsvExport> csv;
  if (options.csvDir) {
    if (const auto why = prepareCsvDirectory(*options.csvDir)) {
      errors << "helisolv: " << *why << '\n';
      return 2;
    }
    csv.emplace(*options.csvDir, options.viscousCorrection);
  }
  useChannels({&keyboard, &console, &errors, nullptr, nullptr});
  std::ofstream result;
  std::ifstream task;
  int status = 0;
  try {
    run(result, task, options);
  } catch (const RunEnd& end) {
    status = end.status;
  } catch (const std::exception& failure) {
    // A failure of the system itself (memory, the file system) still ends the
    // run with a report, never with an abort.
    status = reportRuntimeError(RuntimeErrorCode::SystemFailure, "RUN", "helisolv", failure.what());
  }
  flushOutputs();
  if (csv) status = csv->finish(status);
  useChannels({&keyboard, &console, &errors, nullptr, nullptr});
  return status;
}

}  // namespace helisolv
