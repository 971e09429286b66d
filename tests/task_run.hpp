// A whole run of the program in-process, in a temporary folder of its own: the
// task file is written, the console answers fed, and the console, the error
// report and the result file captured.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "driver/driver.hpp"
#include "slurp.hpp"

namespace helisolv {

class TaskRun : public ::testing::Test {
 protected:
  void SetUp() override {
    home_ = std::filesystem::current_path();
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    dir_ = std::filesystem::temp_directory_path() /
           ("helisolv_" + std::string(info->test_suite_name()) + "_" + std::to_string(getpid()));
    std::filesystem::remove_all(dir_);
    std::filesystem::create_directories(dir_);
    std::filesystem::current_path(dir_);
  }
  void TearDown() override {
    std::filesystem::current_path(home_);
    std::filesystem::remove_all(dir_);
  }

  // A task file: 13 free lines, the series line, 63 free lines, the problem
  // type line and the input line.
  static std::string task(const std::string& series, const std::string& type,
                          const std::string& inputs) {
    std::string t;
    for (int i = 1; i <= 77; ++i) t += i == 14 ? series + "\n" : "* serbest satir\n";
    return t + type + "\n" + inputs + "\n";
  }

  // Runs the task text (none: no task file) with these console answers.
  int runTask(const std::string* taskText, const std::string& answers) {
    if (taskText) std::ofstream("Helisolv.Tsk", std::ios::binary) << *taskText;
    std::istringstream keyboard(answers);
    console.str("");
    errors.str("");
    const int status = runProgram(keyboard, console, errors, options);
    son = slurp("Helisolv.Son");
    return status;
  }

  // Runs one task; `pauses` empty lines follow the answers for the pauses.
  int run(int series, int type, const std::string& inputs, const std::string& answers = "",
          int pauses = 4) {
    const std::string t = task(std::to_string(series), std::to_string(type), inputs);
    return runTask(&t, answers + std::string(static_cast<size_t>(pauses), '\n'));
  }

  Options options;  // the command line's options of the runs
  std::ostringstream console, errors;
  std::string son;

 private:
  std::filesystem::path home_, dir_;
};

}  // namespace helisolv
