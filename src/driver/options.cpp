#include "driver/options.hpp"

#include <ostream>
#include <string>
#include <string_view>

#include "driver/version.hpp"
#include "io/runtime_error.hpp"

namespace helisolv {

namespace {

constexpr std::string_view kUsage =
    "usage: helisolv [--csv DIR] [--viscous-correction=legacy|ittc78] [--help] [--version]";

// The values --viscous-correction takes.
struct CorrectionName {
  std::string_view name;
  ViscousCorrection method;
};
constexpr CorrectionName kCorrections[] = {
    {"legacy", ViscousCorrection::Legacy},
    {"ittc78", ViscousCorrection::Ittc78},
};

void printHelp(std::ostream& out) {
  out << kUsage << "\n\n"
      << "Reads the task file Helisolv.Tsk in the current folder, asks its questions on the\n"
         "console and writes the report to the console and to Helisolv.Son.\n\n"
         "  --csv DIR, --csv=DIR   also write the run's tables and results as CSV files in DIR\n"
         "                         (created when missing); helisolv-plot DIR draws their\n"
         "                         diagrams\n"
         "  --viscous-correction=legacy   the program's own scale correction (default)\n"
         "  --viscous-correction=ittc78   the published ITTC-78 scale correction\n"
         "  -h, --help             this text\n"
         "  --version              the program's version\n\n"
         "Warnings (a result beyond the series' model tests, a figure that is not a result, an\n"
         "input that looks mistaken) go to standard error as \"helisolv: warning: ...\".\n\n"
         "Exit status: 0 a run with its result; 1 a run-time error (read, open, write);\n"
         "2 a command-line error; 3 a run whose inputs were refused (no result).\n";
}

// An argument as a message shows it: in single quotes, every byte that is not
// printable written as \xNN, a long one cut short.
std::string shown(std::string_view arg) {
  const std::string q = quoted(arg);
  return "'" + q.substr(1, q.size() - 2) + "'";
}

// "legacy or ittc78".
std::string correctionNames() {
  std::string names;
  const size_t count = std::size(kCorrections);
  for (size_t i = 0; i < count; ++i) {
    if (i > 0) names += i + 1 == count ? " or " : ", ";
    names += kCorrections[i].name;
  }
  return names;
}

}  // namespace

std::optional<int> parseOptions(int argc, const char* const* argv, Options& options,
                                std::ostream& out, std::ostream& err) {
  // A command-line error names the argument and why, then the usage line.
  auto usageError = [&err](const std::string& why) {
    err << "helisolv: " << why << '\n' << kUsage << '\n';
    return std::optional<int>(2);
  };
  constexpr std::string_view kCorrection = "--viscous-correction";
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (arg == "--help" || arg == "-h") {
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
        if (i + 1 >= argc) return usageError("--csv needs a folder");
        dir = argv[++i];
      } else {
        dir = arg.substr(6);
      }
      if (dir.empty()) return usageError("--csv needs a folder");
      options.csvDir = std::string(dir);
      continue;
    }
    if (arg == kCorrection || arg.starts_with(std::string(kCorrection) + "=")) {
      if (arg.size() <= kCorrection.size() + 1)
        return usageError(std::string(kCorrection) + " needs a value: " + std::string(kCorrection) +
                          "=" + correctionNames());
      const std::string_view value = arg.substr(kCorrection.size() + 1);
      bool known = false;
      for (const CorrectionName& c : kCorrections) {
        if (value != c.name) continue;
        options.models.viscousCorrection = c.method;
        known = true;
      }
      if (known) continue;
      return usageError("unknown value " + shown(value) + " for " + std::string(kCorrection) +
                        " (" + correctionNames() + ")");
    }
    if (arg.starts_with("-")) return usageError("unknown option " + shown(arg));
    return usageError("unexpected argument " + shown(arg) + " (the task file is always " +
                      "Helisolv.Tsk in the current folder)");
  }
  return std::nullopt;
}

}  // namespace helisolv
