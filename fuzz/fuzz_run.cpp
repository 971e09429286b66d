// Fuzz target: one whole run of the program in-process on an arbitrary task
// file and arbitrary console answers. The input is the task file's bytes, a
// NUL byte, then the console answers (no NUL: everything is the task file).
//
// Pause replies would run as commands; the harness points the command
// interpreter at /bin/true so that fuzzed replies never reach a shell.

#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "driver/driver.hpp"

namespace {

// A private working folder for the whole fuzzing process.
void enterWorkFolder() {
  static bool done = false;
  if (done) return;
  done = true;
  namespace fs = std::filesystem;
  fs::path dir = fs::temp_directory_path() / ("helisolv_fuzz_" + std::to_string(getpid()));
  fs::create_directories(dir);
  fs::current_path(dir);
  setenv("COMSPEC", "/bin/true", 1);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  enterWorkFolder();
  const std::string all(reinterpret_cast<const char*>(data), size);
  const size_t split = all.find('\0');
  const std::string task = all.substr(0, split);
  const std::string answers = split == std::string::npos ? std::string() : all.substr(split + 1);
  {
    std::ofstream out("Helisolv.Tsk", std::ios::binary | std::ios::trunc);
    out << task;
  }
  std::istringstream keyboard(answers);
  std::ostringstream console, errors;
  const int status = helisolv::runProgram(keyboard, console, errors);
  // Whatever the input, a run ends by a stop (with a result, or refused) or a
  // run-time error report, and
  // never prints a number that is not finite.
  if (status != 0 && status != 1 && status != 3) std::abort();
  const std::string shown = console.str();
  if (shown.find("nan") != std::string::npos || shown.find("inf") != std::string::npos)
    std::abort();
  return 0;
}
