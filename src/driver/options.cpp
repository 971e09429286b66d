#include "driver/options.hpp"

#include <ostream>
#include <string_view>

#include "driver/version.hpp"

namespace helisolv {

namespace {

constexpr std::string_view kUsage =
    "usage: helisolv [--csv DIR] [--viscous-correction=legacy|ittc78] [--help] [--version]";

void printHelp(std::ostream& out) {
  out << kUsage << "\n\n"
      << "Reads the task file Helisolv.Tsk in the current folder, asks its questions on the\n"
         "console and writes the report to the console and to Helisolv.Son.\n\n"
         "  --csv DIR, --csv=DIR   also write the run's tables and results as CSV files in DIR\n"
         "                         (created when missing); helisolv-plot DIR draws their\n"
         "                         diagrams\n"
         "  --viscous-correction=legacy   the program's own scale correction (default)\n"
         "  --viscous-correction=ittc78   the published ITTC-78 scale correction\n"
         "  --help                 this text\n"
         "  --version              the program's version\n\n"
         "Exit status: 0 a run with its result; 1 a run-time error (read, open, write);\n"
         "2 a command-line error; 3 a run whose inputs were refused (no result).\n";
}

}  // namespace

std::optional<int> parseOptions(int argc, const char* const* argv, Options& options,
                                std::ostream& out, std::ostream& err) {
  auto usageError = [&err]() {
    err << kUsage << '\n';
    return std::optional<int>(2);
  };
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (arg == "--help") {
      printHelp(out);
      return 0;
    }
    if (arg == "--version") {
      out << "helisolv " << kVersion << '\n';
      return 0;
    }
    if (arg == "--csv" || arg.starts_with("--csv=")) {
      std::string_view dir;
      if (arg == "--csv") {
        if (i + 1 >= argc) return usageError();
        dir = argv[++i];
      } else {
        dir = arg.substr(6);
      }
      if (dir.empty()) return usageError();
      options.csvDir = std::string(dir);
      continue;
    }
    if (arg == "--viscous-correction=legacy") {
      options.models.viscousCorrection = ViscousCorrection::Legacy;
      continue;
    }
    if (arg == "--viscous-correction=ittc78") {
      options.models.viscousCorrection = ViscousCorrection::Ittc78;
      continue;
    }
    return usageError();
  }
  return std::nullopt;
}

}  // namespace helisolv
