#include "driver/options.hpp"

#include <algorithm>
#include <cmath>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>

#include "helisolv/version.hpp"
#include "io/reader.hpp"
#include "io/runtime_error.hpp"

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
  return "usage: helisolv [--csv DIR] [--output FILE] " + modelOptionForms() +
         " [--tip-speed-limit=M/S] [--lang=tr|en] [--help] [--version] [TASK]\n"
         "       helisolv convert FILE";
}

void printHelp(std::ostream& out) {
  out << usageLine() << "\n\n"
      << "Reads the task file TASK (without it Helisolv.Tsk in the current folder), asks its\n"
         "questions on the console and writes the report to the console and to the result\n"
         "file beside TASK, named after it (tug.toml: tug.Son; without TASK Helisolv.Son).\n"
         "TASK is a keyword file (TOML: named inputs with their units) or a fixed-line file.\n"
         "helisolv convert FILE prints the task file FILE in the other form.\n\n"
         "  --output FILE          write the result file to FILE\n"
         "  --csv DIR, --csv=DIR   also write the run's tables and results as CSV files in DIR\n"
         "                         (created when missing); helisolv-plot DIR draws their\n"
         "                         diagrams\n"
         "  --lang=en              every text of the run in English: report, questions, notes\n"
         "                         (the numbers are the same); --lang=tr, the default, Turkish\n";
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
         "  --tip-speed-limit=M/S  warn when the tip speed of types 8 to 10 exceeds M/S\n"
         "                         (no limit unless given)\n"
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
  std::string q = quoted(arg);
  q.front() = '\'';
  q.back() = '\'';
  return q;
}

// "legacy, ittc78 or reynolds": the values the option takes.
std::string valueNames(std::string_view option) {
  std::vector<std::string_view> names;
  for (const ModelOptionValue& v : kModelOptionValues)
    if (v.option == option) names.push_back(v.value);
  std::string text;
  for (size_t i = 0; i < names.size(); ++i) {
    if (i > 0) text += i + 1 == names.size() ? " or " : ", ";
    text += names[i];
  }
  return text;
}

bool isModelOption(std::string_view option) {
  return std::any_of(kModelOptionValues.begin(), kModelOptionValues.end(),
                     [option](const ModelOptionValue& v) { return v.option == option; });
}

}  // namespace

std::optional<int> parseOptions(int argc, const char* const* argv, Options& options,
                                std::ostream& out, std::ostream& err) {
  // A command-line error names the argument and why, then the usage line.
  auto usageError = [&err](const std::string& why) {
    err << "helisolv: " << why << '\n' << usageLine() << '\n';
    return std::optional<int>(2);
  };
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
    if (arg == "--lang" || arg.starts_with("--lang=")) {
      const std::string_view name = arg == "--lang" ? std::string_view() : arg.substr(7);
      const std::optional<Language> language = languageFromCode(name);
      if (!language)
        return usageError(name.empty() ? std::string("--lang needs a value: --lang=tr or en")
                                       : "unknown value " + shown(name) + " for --lang (tr or en)");
      options.language = *language;
      continue;
    }
    if (arg == "--tip-speed-limit" || arg.starts_with("--tip-speed-limit=")) {
      std::string_view value;
      if (arg == "--tip-speed-limit") {
        if (i + 1 >= argc) return usageError("--tip-speed-limit needs a speed in m/s");
        value = argv[++i];
      } else {
        value = arg.substr(18);
      }
      // A plain decimal number, read as the task file's numbers are.
      const bool plain =
          !value.empty() && value.find_first_not_of("0123456789.eE+-") == std::string_view::npos;
      const std::optional<float> limit = plain ? parseReal(value) : std::nullopt;
      if (!limit || !(*limit > 0.0f) || !std::isfinite(*limit))
        return usageError("--tip-speed-limit needs a speed in m/s greater than 0, not " +
                          shown(value));
      options.models.tipSpeedLimit = *limit;
      continue;
    }
    // --OPTION=VALUE of the model options' table, whole names only.
    const size_t equals = arg.find('=');
    const std::string_view name =
        arg.starts_with("--")
            ? arg.substr(2, equals == std::string_view::npos ? arg.npos : equals - 2)
            : std::string_view();
    if (isModelOption(name)) {
      const std::string_view value =
          equals == std::string_view::npos ? std::string_view() : arg.substr(equals + 1);
      if (value.empty())
        return usageError("--" + std::string(name) + " needs a value: --" + std::string(name) +
                          "=" + valueNames(name));
      if (setModelOption(options.models, name, value)) {
        (name == "gawn-model" ? options.gawnModelGiven : options.viscousCorrectionGiven) = true;
        continue;
      }
      return usageError("unknown value " + shown(value) + " for --" + std::string(name) + " (" +
                        valueNames(name) + ")");
    }
    if (arg == "--output" || arg.starts_with("--output=")) {
      std::string_view file;
      if (arg == "--output") {
        if (i + 1 >= argc) return usageError("--output needs a file");
        file = argv[++i];
      } else {
        file = arg.substr(9);
      }
      if (file.empty()) return usageError("--output needs a file");
      options.outputFile = std::string(file);
      continue;
    }
    if (arg.starts_with("-")) return usageError("unknown option " + shown(arg));
    // "convert" first names the command; a task file of that name is ./convert.
    if (arg == "convert" && !options.taskFile && !options.convertFile) {
      if (i + 1 >= argc) return usageError("convert needs a task file: helisolv convert FILE");
      options.convertFile = std::string(argv[++i]);
      continue;
    }
    if (options.convertFile)
      return usageError("unexpected argument " + shown(arg) + " (convert takes one file)");
    if (options.taskFile)
      return usageError("unexpected argument " + shown(arg) + " (one task file at most)");
    if (arg.empty()) return usageError("the task file's name is empty");
    options.taskFile = std::string(arg);
  }
  return std::nullopt;
}

}  // namespace helisolv
