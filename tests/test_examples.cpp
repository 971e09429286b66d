// Every bundled example runs to its stop through the real binary, with the
// answers its questions need, and prints no field of asterisks: the examples
// stay sound examples.

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

std::vector<std::string> exampleNames() {
  std::vector<std::string> names;
  for (const auto& e : fs::directory_iterator(fs::path(HELISOLV_CASES_DIR) / ".." / "examples"))
    if (e.path().extension() == ".Tsk") names.push_back(e.path().stem().string());
  std::sort(names.begin(), names.end());
  return names;
}

// The console answers an example's problem type asks for (by the file name's
// "typeNN" prefix), then empty lines for the pauses.
std::string answersFor(const std::string& name) {
  const int type = std::stoi(name.substr(4, 2));
  std::string answers = type == 1 ? "H\n" : type == 4 ? "2\n" : type == 5 ? "E\n4 150\n" : "";
  return answers + std::string(20, '\n');
}

class Example : public ::testing::TestWithParam<std::string> {};

TEST_P(Example, RunsToItsStop) {
  const fs::path src = fs::path(HELISOLV_CASES_DIR) / ".." / "examples" / (GetParam() + ".Tsk");
  const fs::path work = fs::temp_directory_path() /
                        ("helisolv_example_" + GetParam() + "_" + std::to_string(getpid()));
  fs::remove_all(work);
  fs::create_directories(work);
  fs::copy_file(src, work / "Helisolv.Tsk");
  std::ofstream(work / "answers.txt") << answersFor(GetParam());
  const std::string cmd = "cd '" + work.string() + "' && env -u COMSPEC timeout 30 '" +
                          HELISOLV_BINARY + "' < answers.txt > stdout.bin 2>&1";
  const int raw = std::system(cmd.c_str());
  ASSERT_TRUE(WIFEXITED(raw));
  EXPECT_EQ(WEXITSTATUS(raw), GetParam() == "type04_bollard_pull_gawn" ? 3 : 0);
  std::ifstream in(work / "Helisolv.Son", std::ios::binary);
  std::ostringstream son;
  son << in.rdbuf();
  EXPECT_EQ(son.str().find("**"), son.str().find("**D**")) << "a field of asterisks";
  EXPECT_EQ(son.str().find("Hata"), std::string::npos) << "an input error";
  fs::remove_all(work);
}

INSTANTIATE_TEST_SUITE_P(Bundled, Example, ::testing::ValuesIn(exampleNames()));

}  // namespace
