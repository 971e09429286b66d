// Whole runs in-process in a temporary folder: the task file's fixed lines, the
// inputs of each problem type, and the ends of a run.

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "driver/driver.hpp"
#include "task_run.hpp"

namespace helisolv {
namespace {

namespace fs = std::filesystem;

class Run : public TaskRun {
 protected:
  // A task file whose free lines hold numbers on purpose: they are never read.
  static std::string numberedTask(const std::string& series, const std::string& type,
                                  const std::string& inputs) {
    std::string t;
    for (int i = 1; i <= 13; ++i) t += std::to_string(i) + " 1 2 3\n";
    t += series + "\n";
    for (int i = 15; i <= 77; ++i) t += "9 serbest satir " + std::to_string(i) + "\n";
    return t + type + "\n" + inputs;
  }
  int run(const std::string* taskText) { return runTask(taskText, ""); }
};

const char* const kBannerFile =
    " ------------------------------------------------------------------------\r\n"
    " ! Program: Helisolv    Versiyon: 10/12/2016      Marivenlab            !\r\n"
    " !                                                                      !\r\n"
    " !     WAGENINGEN/GAWN SERISI PERVANE HIDRODINAMIK KARAKTERISTILERI     !\r\n"
    " !                            HESAP PROGRAMI                            !\r\n"
    " ------------------------------------------------------------------------\r\n";

TEST_F(Run, AMissingTaskFileIsCreatedEmptyAndTheFirstReadFails) {
  EXPECT_EQ(run(nullptr), 1);
  ASSERT_TRUE(fs::exists("Helisolv.Tsk"));
  EXPECT_EQ(fs::file_size("Helisolv.Tsk"), 0u);
  EXPECT_EQ(slurp("Helisolv.Son"), kBannerFile);
  EXPECT_EQ(errors.str().rfind("\nrun-time error ", 0), 0u);
  EXPECT_NE(errors.str().find("READ(Helisolv.Tsk)\n- end of file"), std::string::npos);
  EXPECT_NE(errors.str().find("did not exist"), std::string::npos) << errors.str();
  EXPECT_NE(errors.str().find("examples/"), std::string::npos);
}

TEST_F(Run, TaskFileThatCannotBeOpenedIsARunTimeError) {
  fs::create_symlink("Helisolv.Tsk", "Helisolv.Tsk");  // a link to itself
  EXPECT_EQ(run(nullptr), 1);
  EXPECT_EQ(son, kBannerFile);
  EXPECT_NE(errors.str().find("OPEN(Helisolv.Tsk)"), std::string::npos) << errors.str();
}

TEST_F(Run, ResultFileThatCannotBeOpenedIsARunTimeError) {
  fs::create_directory("Helisolv.Son");
  const std::string t = numberedTask("1", "0", "");
  EXPECT_EQ(runTask(&t, ""), 1);
  EXPECT_EQ(console.str(), "");
  EXPECT_NE(errors.str().find("OPEN(Helisolv.Son)"), std::string::npos) << errors.str();
}

TEST_F(Run, ARefusedWriteToTheResultFileIsARunTimeError) {
  if (!fs::exists("/dev/full")) GTEST_SKIP() << "no /dev/full here";
  fs::create_symlink("/dev/full", "Helisolv.Son");
  std::ofstream("Helisolv.Tsk") << numberedTask("1", "0", "");
  std::istringstream keyboard("");
  EXPECT_EQ(runProgram(keyboard, console, errors), 1);  // the device reads back endless zeros
  EXPECT_NE(errors.str().find("WRITE(Helisolv.Son)"), std::string::npos) << errors.str();
  EXPECT_EQ(console.str().find("Stop"), std::string::npos);
}

TEST_F(Run, AnOldResultFileIsRewrittenFromItsStart) {
  std::ofstream("Helisolv.Son") << std::string(5000, 'x');
  const std::string t = numberedTask("1", "11", "");
  EXPECT_EQ(run(&t), 3);  // problem type 11 is refused after the banner
  EXPECT_EQ(slurp("Helisolv.Son").rfind(kBannerFile, 0), 0u);
  EXPECT_EQ(slurp("Helisolv.Son").find('x'), std::string::npos);
}

}  // namespace
}  // namespace helisolv
