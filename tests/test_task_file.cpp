// Keyword task files through the real binary: every mistake named with its
// exit status before anything is written, the answers taken from the file,
// tasks and results in other folders, and the warning of a task file that
// is not Helisolv.Tsk.
#include <gtest/gtest.h>

#include "binary_run.hpp"
#include "helisolv/run.hpp"
#include "helisolv/task_file.hpp"

namespace {

using namespace helisolv::test;

const fs::path kSource = kCasesDir / "..";

// A folder of its own for one test, removed after it.
struct Folder {
  fs::path dir = scratchFolder(std::string("taskfile_") +
                               ::testing::UnitTest::GetInstance()->current_test_info()->name());
  int status = -1;
  std::string out, err;

  ~Folder() { fs::remove_all(dir); }

  void write(const fs::path& name, const std::string& text) const {
    fs::create_directories((dir / name).parent_path());
    std::ofstream(dir / name, std::ios::binary) << text;
  }
  std::string read(const fs::path& name) const { return slurp(dir / name); }
  bool has(const fs::path& name) const { return fs::exists(dir / name); }

  // Runs the binary in the folder with these arguments (apart by spaces) and console input.
  void run(const std::string& args, const std::string& input = std::string(40, '\n')) {
    Invocation invocation;
    std::istringstream words(args);
    for (std::string word; words >> word;) invocation.args.push_back(word);
    const Outcome o = runBinaryWithAnswers(dir, invocation, input);
    status = o.status;
    out = o.out;
    err = o.err;
  }
};

const char* const kThrustTask =
    "series = \"wageningen\"\n"
    "problem = \"pitch-for-thrust\"\n"
    "thrust = \"420 kN\"\n"
    "diameter = \"4.6 m\"\n"
    "rpm = \"120 rpm\"\n"
    "advance_speed = \"6.2 m/s\"\n"
    "density = \"1025 kg/m3\"\n"
    "blades = 4\n"
    "area_ratio = 0.75\n"
    "viscous_correction = true\n"
    "shaft_depth = \"4.5 m\"\n";

// kThrustTask with one line replaced (or, without `from`, one line added).
std::string edited(const std::string& from, const std::string& to) {
  std::string text = kThrustTask;
  if (from.empty()) return text + to + "\n";
  const size_t line = text.find("\n" + from + " =");
  EXPECT_TRUE(text.starts_with(from + " =") || line != std::string::npos) << from;
  const size_t at = text.starts_with(from + " =") ? 0 : line + 1;
  const size_t end = text.find('\n', at);
  return text.replace(at, end - at, to);
}

TEST(TaskFile, EveryMistakeIsNamedWithItsStatusBeforeTheRun) {
  const struct {
    std::string text;
    int status;
    const char* says;
  } mistakes[] = {
      {edited("rpm", "rpm = \"120 rpm"), 1, "task.toml: line 5, column 15: TOML syntax error"},
      {edited("advance_speed", "advance_sped = \"6.2 m/s\""), 1,
       "line 6, column 1: unknown key 'advance_sped': did you mean 'advance_speed'?"},
      {edited("rpm", ""), 1,
       "missing input 'rpm', the revolutions, which problem \"pitch-for-thrust\" reads (rpm, rps "
       "or 1/s)"},
      {edited("thrust", "thrust = 420"), 1,
       "line 3, column 10: thrust = 420 has no unit: write the force as a text with one of kN, "
       "N, MN or tf, e.g. thrust = \"420 kN\""},
      {edited("advance_speed", "advance_speed = \"12 kN\""), 1,
       "\"kN\" is a unit of force, not of speed; advance_speed takes m/s or kn"},
      {edited("density", "density = \"1025 kg/l\""), 1, "unknown unit \"kg/l\""},
      {edited("blades", "blades = \"4\""), 1, "blades must be a number, not a text"},
      {edited("problem", "problem = \"pitch-for-thrusts\""), 1,
       "is no problem: did you mean \"pitch-for-thrust\"?"},
      {edited("series", "series = \"gaw\""), 1, "is no series"},
      {edited("", "viscous_correction_model = \"ITTC78\""), 1,
       "viscous_correction_model must be one of legacy, ittc78, reynolds, not \"ITTC78\""},
      {edited("", "[answers]\nrows = 3"), 1,
       "unknown key in [answers] 'rows': did you mean 'row'?"},
  };
  for (const auto& m : mistakes) {
    SCOPED_TRACE(m.text);
    Folder f;
    f.write("task.toml", m.text);
    f.write("task.Son", "an earlier report\n");
    f.run("task.toml");
    EXPECT_EQ(f.status, m.status);
    EXPECT_NE(f.err.find(m.says), std::string::npos) << f.err;
    EXPECT_EQ(f.out, "");
    EXPECT_EQ(f.read("task.Son"), "an earlier report\n");
  }
}

// A value no propeller can have is named before the run; the run then ends as
// the fixed-line task's does, refused by the problem's own check where it
// divides by that value.
TEST(TaskFile, AValueOutOfRangeIsNamedBeforeTheRunThatRefusesIt) {
  const struct {
    std::string text;
    int status;
    const char* says;
  } cases[] = {
      {edited("density", "density = \"-1025 kg/m3\""), 3,
       "helisolv: warning: task.toml: line 7, column 11: density = \"-1025 kg/m3\" is out of "
       "range: the water density must be positive"},
      {edited("diameter", "diameter = \"0 ft\""), 3, "diameter = \"0 m\" is out of range"},
      {edited("blades", "blades = 0"), 3, "blades = 0 is out of range"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    Folder f;
    f.write("task.toml", c.text);
    f.run("task.toml");
    EXPECT_EQ(f.status, c.status);
    EXPECT_TRUE(f.err.starts_with("helisolv: warning: task.toml: ")) << f.err;
    EXPECT_NE(f.err.find(c.says), std::string::npos) << f.err;
    EXPECT_NE(f.out, "");
  }
}

TEST(TaskFile, AnInputTheProblemDoesNotReadIsIgnoredWithAWarning) {
  Folder f;
  f.write("task.toml", edited("", "pitch_ratio = 1.0"));
  f.write("plain.toml", kThrustTask);
  f.run("task.toml");
  EXPECT_EQ(f.status, 0);
  EXPECT_NE(f.err.find("helisolv: warning: task.toml: line 12, column 15: 'pitch_ratio' is not "
                       "an input of problem \"pitch-for-thrust\": ignored"),
            std::string::npos)
      << f.err;
  const std::string out = f.out;
  f.run("plain.toml");
  EXPECT_EQ(f.out, out);
  EXPECT_EQ(f.read("task.Son"), f.read("plain.Son"));
}

// The examples' keyword twins answer the console's questions themselves: with
// Enter alone at every pause they print the recorded bytes of the examples.
TEST(TaskFile, ExamplesRunFromTheirKeywordFilesWithoutConsoleAnswers) {
  int seen = 0;
  int selections = 0;
  for (const auto& e : fs::directory_iterator(kSource / "examples")) {
    if (e.path().extension() != ".toml") continue;
    const std::string name = e.path().stem().string();
    SCOPED_TRACE(name);
    Folder f;
    fs::copy_file(e.path(), f.dir / (name + ".toml"));
    f.run(name + ".toml");
    // The selections of a propeller have no fixed-line twin: their recorded
    // reports stand in tests/selection, in Turkish, and in English beside them.
    if (name.starts_with("selection_")) {
      for (const std::string lang : {"", "en"}) {
        SCOPED_TRACE(lang);
        if (!lang.empty()) f.run("--lang=" + lang + " " + name + ".toml");
        const fs::path recorded =
            kSource / "tests" / "selection" / (lang.empty() ? "" : "english") / name;
        EXPECT_EQ(f.status, 0);
        EXPECT_TRUE(f.out == slurp(recorded.string() + ".console")) << "console differs";
        EXPECT_TRUE(f.read(name + ".Son") == slurp(recorded.string() + ".result"))
            << "result differs";
        EXPECT_EQ(f.err, slurp(recorded.string() + ".errors"));
      }
      ++selections;
      continue;
    }
    const fs::path recorded = kSource / "tests" / "examples" / name;
    ASSERT_TRUE(fs::exists(recorded / "expected.stdout"));
    EXPECT_EQ(f.status, std::stoi(slurp(recorded / "expected.rc")));
    EXPECT_TRUE(f.out == slurp(recorded / "expected.stdout")) << "console differs";
    EXPECT_TRUE(f.read(name + ".Son") == slurp(recorded / "expected.son")) << "result differs";
    ++seen;
  }
  EXPECT_EQ(seen, 20);
  EXPECT_EQ(selections, 2);
}

TEST(TaskFile, AnAnswerRefusedIsAskedOnTheConsole) {
  Folder f;
  std::string text = slurp(kSource / "examples" / "type04_bollard_pull.toml");
  text.replace(text.find("bollard_candidate = 2"), 21, "bollard_candidate = 7");
  f.write("tug.toml", text);
  f.run("tug.toml", "2\n" + std::string(20, '\n'));
  EXPECT_EQ(f.status, 0);
  EXPECT_NE(f.out.find("GECERSIZ SECIM"), std::string::npos);
  EXPECT_TRUE(f.read("tug.Son") ==
              slurp(kSource / "tests" / "examples" / "type04_bollard_pull" / "expected.son"));
}

TEST(TaskFile, TasksAndResultsInOtherFolders) {
  Folder f;
  f.write("ships/tug.toml", kThrustTask);
  f.write("ships/old.Tsk", slurp(kSource / "examples" / "type08_pitch_for_thrust.Tsk"));
  // What a run killed outright left beside the result file goes; the previous report is replaced
  // whole.
  f.write("ships/tug.Son.4242.tmp", "half a report");
  f.write("ships/tug.Son", "an earlier, longer report\n" + std::string(100000, '*'));
  f.run("ships/tug.toml");
  EXPECT_FALSE(f.has("ships/tug.Son.4242.tmp"));
  EXPECT_EQ(f.status, 0);
  EXPECT_TRUE(f.has("ships/tug.Son"));
  EXPECT_FALSE(f.has("Helisolv.Son"));
  EXPECT_FALSE(f.has("Helisolv.Tsk"));
  const std::string son = f.read("ships/tug.Son");
  f.run("ships/old.Tsk");
  EXPECT_EQ(f.read("ships/old.Son"), son);
  f.run("--output reports/tug.txt ships/tug.toml");
  EXPECT_EQ(f.status, 1);  // the folder of --output must exist
  fs::create_directories(f.dir / "reports");
  f.run("--output reports/tug.txt ships/tug.toml");
  EXPECT_EQ(f.status, 0);
  EXPECT_EQ(f.read("reports/tug.txt"), son);
  // The result file never takes the task file's place.
  f.run("--output ships/tug.toml ships/tug.toml");
  EXPECT_EQ(f.status, 2);
  EXPECT_EQ(f.read("ships/tug.toml"), kThrustTask);
  // A task named that does not exist is not created.
  f.run("ships/none.toml");
  EXPECT_EQ(f.status, 1);
  EXPECT_FALSE(f.has("ships/none.toml"));
  EXPECT_FALSE(f.has("ships/none.Son"));
  EXPECT_EQ(f.out, "");
  EXPECT_NE(f.err.find("ships/none.toml: No such file or directory"), std::string::npos) << f.err;
}

TEST(TaskFile, ATaskFileOfAnotherNameIsPointedOut) {
  Folder f;
  f.write("helisolv.tsk", slurp(kSource / "examples" / "type05_open_water_table.Tsk"));
  f.write("notes.txt", "");
  f.run("");
  EXPECT_EQ(f.status, 1);
  EXPECT_NE(f.err.find("helisolv: warning: there is no Helisolv.Tsk in this folder, but "
                       "\"helisolv.tsk\" is: an empty Helisolv.Tsk is created, as always; to "
                       "run another file, name it: helisolv \"helisolv.tsk\""),
            std::string::npos)
      << f.err;
  EXPECT_EQ(f.read("Helisolv.Tsk"), "");
  // Nothing to point at: no warning.
  Folder g;
  g.run("");
  EXPECT_EQ(g.err.find("warning"), std::string::npos) << g.err;
}

TEST(TaskFile, ModelOptionsOfTheFileGiveWayToTheCommandLine) {
  Folder f;
  f.write("plain.toml", kThrustTask);
  f.write("ittc.toml", edited("", "viscous_correction_model = \"ittc78\""));
  f.run("--viscous-correction=ittc78 plain.toml");
  const std::string ittc = f.read("plain.Son");
  f.run("plain.toml");
  const std::string legacy = f.read("plain.Son");
  ASSERT_NE(ittc, legacy);
  f.run("ittc.toml");
  EXPECT_EQ(f.read("ittc.Son"), ittc);
  f.run("--viscous-correction=legacy ittc.toml");
  EXPECT_EQ(f.read("ittc.Son"), legacy);
}

TEST(TaskFile, ConvertPrintsTheOtherForm) {
  Folder f;
  f.write("tug.toml", edited("rpm", "rpm = \"2 rps\"") + "[answers]\nrow = 3\n");
  f.run("convert tug.toml");
  EXPECT_EQ(f.status, 0);
  EXPECT_NE(f.out.find("\n8\n420 4.6 120 6.2 1025 4 0.75 1 4.5\n"), std::string::npos) << f.out;
  f.write("back.Tsk", f.out);
  f.run("convert back.Tsk");
  EXPECT_NE(f.out.find("rpm = \"120 rpm\"\n"), std::string::npos) << f.out;
  f.run("convert missing.toml");
  EXPECT_EQ(f.status, 1);
  f.write("broken.toml", "series = \n");
  f.run("convert broken.toml");
  EXPECT_EQ(f.status, 1);
  EXPECT_NE(f.err.find("line 1, column"), std::string::npos) << f.err;
}

// The library reads the same file and runs it with its answers.
TEST(TaskFile, LibraryParsesAndRunsTheSameTask) {
  const helisolv::TaskParse parsed =
      helisolv::parseTask(slurp(kSource / "examples" / "type05_open_water_table.toml"));
  ASSERT_TRUE(parsed.task);
  EXPECT_EQ(static_cast<int>(parsed.exitStatus), 0);
  EXPECT_EQ(parsed.task->task.problemType, 5);
  EXPECT_EQ(parsed.task->answers.fullScaleDiameter, 4.0f);
  const helisolv::RunResult r = helisolv::run(*parsed.task);
  const fs::path recorded = kSource / "tests" / "examples" / "type05_open_water_table";
  EXPECT_EQ(static_cast<int>(r.exitStatus), 0);
  EXPECT_TRUE(r.console == slurp(recorded / "expected.stdout"));
  EXPECT_TRUE(r.resultFile == slurp(recorded / "expected.son"));
  // A number without unit takes the fixed-line reader's single rounding of its
  // digits, not a double's rounded again (just above a midpoint of 32-bit reals).
  const helisolv::TaskParse exact = helisolv::parseTask(
      "series = \"gawn\"\nproblem = 5\npitch_ratio = 1.00000005960464477539063\nblades = 3\n"
      "area_ratio = 1_0.5e-1\n");
  ASSERT_TRUE(exact.task);
  EXPECT_EQ(exact.task->task.pitchRatio, std::strtof("1.00000005960464477539063", nullptr));
  EXPECT_EQ(exact.task->task.areaRatio, 1.05f);
  const helisolv::TaskParse wrong = helisolv::parseTask("series = \"gawn\"\nproblem = 5\n");
  EXPECT_FALSE(wrong.task);
  EXPECT_EQ(static_cast<int>(wrong.exitStatus), 1);
  EXPECT_EQ(wrong.errors.size(), 3u);
}

}  // namespace
