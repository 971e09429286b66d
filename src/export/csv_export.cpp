#include "export/csv_export.hpp"

#include <unistd.h>

#include <array>
#include <cerrno>
#include <filesystem>
#include <fstream>
#include <utility>
#include <vector>

#include "driver/options.hpp"
#include "io/runtime_error.hpp"

namespace helisolv {

namespace {

namespace fs = std::filesystem;
using data::Table;

std::string_view problemName(int problemType) {
  static constexpr std::array<std::string_view, 11> kNames = {
      "",
      "optimum propeller by Kt/J^2",
      "optimum propeller by Kt/J^4",
      "optimum propeller by Kq/J^5",
      "bollard pull",
      "open-water table",
      "operating point",
      "Bp-delta design",
      "pitch ratio for a required thrust",
      "pitch ratio for a required power",
      "pitch ratio for a required torque",
  };
  return problemType >= 1 && problemType <= 10 ? kNames[static_cast<size_t>(problemType)]
                                               : "no such problem type";
}

std::string_view seriesName(int seriesType) {
  if (seriesType == 1) return "Wageningen B-series";
  if (seriesType == 2) return "Gawn series";
  return "no such series";
}

// The polynomials or regression the series was evaluated by.
std::string openWaterModelName(const RunSummary& summary) {
  if (summary.seriesType == 1) return "wageningen";
  if (summary.seriesType == 2)
    return "gawn-" + std::string(modelOptionValue(summary.models, "gawn-model"));
  return "none";
}

// Writes one file; false when it cannot be written whole.
bool writeFile(const fs::path& path, const std::vector<CsvLine>& lines) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  for (const CsvLine& line : lines) {
    for (size_t i = 0; i < line.size(); ++i) {
      if (i > 0) out << ',';
      out << line[i];
    }
    out << '\n';
  }
  out.close();
  return !out.fail();
}

}  // namespace

std::vector<CsvLine> runCsvLines(const RunData& data, const RunSummary& summary,
                                 const std::vector<Warning>& warnings, int status) {
  std::vector<CsvLine> lines{{"quantity", "value", "unit"}};
  lines.push_back({"problem type", std::to_string(summary.problemType), ""});
  lines.push_back({"problem", csvText(problemName(summary.problemType)), ""});
  lines.push_back({"series type", std::to_string(summary.seriesType), ""});
  lines.push_back({"series", csvText(seriesName(summary.seriesType)), ""});
  lines.insert(lines.end(), data.inputs.begin(), data.inputs.end());
  // The scale correction acts only on the Wageningen series, and only when
  // the task or the console asked for it: any flag but 0 applies it.
  const bool corrected = data.viscousFlag != 0 && summary.seriesType == 1;
  lines.push_back(
      {"viscous correction",
       corrected ? std::string(modelOptionValue(summary.models, "viscous-correction")) : "none",
       ""});
  lines.push_back({"open-water model", std::string(openWaterModelName(summary)), ""});
  if (status == 0) {
    lines.push_back({"outcome", "result", ""});
    lines.insert(lines.end(), data.results.begin(), data.results.end());
  } else if (status == 3) {
    lines.push_back({"outcome", "refused", ""});
    lines.push_back({"reason", csvText(data.reason()), ""});
  } else {
    lines.push_back({"outcome", "error", ""});
  }
  for (const Warning& w : warnings) lines.push_back({"warning", csvText(w.text), ""});
  return lines;
}

std::optional<std::string> prepareCsvDirectory(const std::string& dir) {
  std::error_code ec;
  fs::create_directories(dir, ec);
  if (ec) return "cannot create the CSV folder " + dir + ": " + ec.message();
  if (!fs::is_directory(dir, ec)) return "the CSV folder " + dir + " is not a folder";
  if (::access(dir.c_str(), W_OK | X_OK) != 0)
    return "cannot write in the CSV folder " + dir + ": " +
           std::error_code(errno, std::generic_category()).message();
  return std::nullopt;
}

int writeCsvFiles(Session& io, const std::string& dirName, const RunData& data,
                  const RunSummary& summary, int status) {
  const fs::path dir(dirName);
  // Files of an earlier run in the same folder would be read as this run's.
  std::error_code ec;
  fs::remove(dir / "run.csv", ec);
  for (Table table : kAllTables) fs::remove(dir / tableShape(table).file, ec);

  std::vector<std::pair<fs::path, std::vector<CsvLine>>> files;
  files.emplace_back(dir / "run.csv", runCsvLines(data, summary, io.warnings, status));
  // A run without its result leaves no tables: they would describe no propeller.
  if (status == 0) {
    for (const auto& [table, rows] : data.tables) {
      std::vector<CsvLine> lines{tableHead(table, summary.problemType)};
      lines.insert(lines.end(), rows.begin(), rows.end());
      files.emplace_back(dir / tableShape(table).file, std::move(lines));
    }
  }
  for (const auto& [path, lines] : files)
    if (!writeFile(path, lines))
      return reportRuntimeError(io, RuntimeErrorCode::CannotWrite, "WRITE", path.string());
  return status;
}

}  // namespace helisolv
