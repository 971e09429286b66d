#include "driver/options.hpp"

#include <algorithm>
#include <ostream>
#include <string>
#include <string_view>

#include "driver/version.hpp"

namespace helisolv {

namespace {

// Each model option with its values, as "--viscous-correction=legacy|ittc78|reynolds".
std::string modelOptionForms() {
  std::string forms;
  std::string_view option;
  for (const ModelOptionValue& v : kModelOptionValues) {
    if (v.option != option) {
      forms += forms.empty() ? "[--" : "] [--";
      forms += v.option;
      forms += '=';
      option = v.option;
    } else {
      forms += '|';
    }
    forms += v.value;
  }
  return forms + "]";
}

std::string usageLine() {
  return "usage: helisolv [--csv DIR] " + modelOptionForms() + " [--help] [--version]";
}

void printHelp(std::ostream& out) {
  out << usageLine() << "\n\n"
      << "Reads the task file Helisolv.Tsk in the current folder, asks its questions on the\n"
         "console and writes the report to the console and to Helisolv.Son.\n\n"
         "  --csv DIR, --csv=DIR   also write the run's tables and results as CSV files in DIR\n"
         "                         (created when missing); helisolv-plot DIR draws their\n"
         "                         diagrams\n";
  // The model options in one column, their descriptions in the next.
  size_t width = 0;
  for (const ModelOptionValue& v : kModelOptionValues)
    width = std::max(width, v.option.size() + v.value.size() + 3);
  for (const ModelOptionValue& v : kModelOptionValues) {
    const std::string form = "--" + std::string(v.option) + "=" + std::string(v.value);
    out << "  " << form << std::string(width + 2 - form.size(), ' ') << v.help << '\n';
  }
  out << "                         the scale correction acts on the Wageningen series where\n"
         "                         the viscous flag is 1 or type 5 is answered E; the Gawn\n"
         "                         model on every run of the Gawn series\n"
         "  --help                 this text\n"
         "  --version              the program's version\n\n"
         "Exit status: 0 a run with its result; 1 a run-time error (read, open, write);\n"
         "2 a command-line error; 3 a run whose inputs were refused (no result).\n";
}

}  // namespace

bool setModelOption(ModelOptions& models, std::string_view option, std::string_view value) {
  for (const ModelOptionValue& v : kModelOptionValues) {
    if (v.option != option || v.value != value) continue;
    if (const auto* method = std::get_if<ViscousCorrection>(&v.choice))
      models.viscousCorrection = *method;
    else
      models.gawnModel = std::get<GawnModel>(v.choice);
    return true;
  }
  return false;
}

std::string_view modelOptionValue(const ModelOptions& models, std::string_view option) {
  for (const ModelOptionValue& v : kModelOptionValues) {
    if (v.option != option) continue;
    const bool chosen = std::holds_alternative<ViscousCorrection>(v.choice)
                            ? std::get<ViscousCorrection>(v.choice) == models.viscousCorrection
                            : std::get<GawnModel>(v.choice) == models.gawnModel;
    if (chosen) return v.value;
  }
  return {};
}

std::optional<int> parseOptions(int argc, const char* const* argv, Options& options,
                                std::ostream& out, std::ostream& err) {
  auto usageError = [&err]() {
    err << usageLine() << '\n';
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
    // --OPTION=VALUE of the model options' table.
    const size_t equals = arg.find('=');
    if (arg.starts_with("--") && equals != std::string_view::npos &&
        setModelOption(options.models, arg.substr(2, equals - 2), arg.substr(equals + 1)))
      continue;
    return usageError();
  }
  return std::nullopt;
}

}  // namespace helisolv
