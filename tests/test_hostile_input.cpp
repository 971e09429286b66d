// Hostile and mistaken input through the real binary: each distinct way a run
// ends (a result: 0, refused inputs: 3, a run-time error: 1), the pause reply
// that must not run by accident, and the standard streams and odd files that
// once put the run into the wrong file, into a hang or out of memory. The
// fuzz corpus replayed in CI keeps the breadth; these pin the behaviours.

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "binary_run.hpp"

namespace {

using namespace helisolv::test;

std::string task(const std::string& series, const std::string& type, const std::string& inputs) {
  std::string t;
  for (int i = 1; i <= 13; ++i) t += "serbest satir " + std::to_string(i) + "\n";
  t += series + "\n";
  for (int i = 15; i <= 77; ++i) t += "serbest satir " + std::to_string(i) + "\n";
  return t + type + "\n" + inputs + "\n";
}

// One run of the binary in a fresh folder. `shell` is the command line after
// the folder is entered; the program is $H.
struct BinaryRun {
  int status = -1;
  long peakKilobytes = 0;
  std::string out, err, son;
  fs::path dir;

  BinaryRun() {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    dir = fs::temp_directory_path() /
          ("helisolv_hostile_" + std::string(info->name()) + "_" + std::to_string(getpid()));
    fs::remove_all(dir);
    fs::create_directories(dir);
  }
  ~BinaryRun() { fs::remove_all(dir); }

  void write(const char* name, const std::string& text) const {
    std::ofstream(dir / name, std::ios::binary) << text;
  }

  // The child is the program itself (exec), so wait4 gives its peak memory.
  void operator()(const std::string& shell) {
    const std::string line = "cd '" + dir.string() + "' && export H='" + HELISOLV_BINARY +
                             "' && unset COMSPEC && exec timeout 20 sh -c '" + shell + "'";
    const pid_t child = fork();
    if (child == 0) {
      execl("/bin/sh", "sh", "-c", line.c_str(), static_cast<char*>(nullptr));
      _exit(127);
    }
    int raw = 0;
    rusage usage{};
    ASSERT_EQ(wait4(child, &raw, 0, &usage), child);
    ASSERT_TRUE(WIFEXITED(raw));
    status = WEXITSTATUS(raw);
    ASSERT_NE(status, 124) << "no end within 20 seconds: " << shell;
    peakKilobytes = usage.ru_maxrss;
    out = slurp(dir / "stdout.bin");
    err = slurp(dir / "stderr.bin");
    son = slurp(dir / "Helisolv.Son");
  }
};

const char* const kStreams = "\"$H\" < answers.txt > stdout.bin 2> stderr.bin";

struct Case {
  const char* name;
  std::string task;
  std::string answers;
  int status;
  std::string shows;  // on the console (0, 3) or in the error report (1)
};

TEST(HostileInput, EachKindOfEndHasItsStatusAndItsReport) {
  const std::string extraLine = "ek satir\n" + task("1", "5", "1.0 4 0.55");
  std::string dosTask;
  for (char ch : task("1", "5", "1.0\t4\t0.55"))
    dosTask += ch == '\n' ? "\r\n" : std::string(1, ch);
  const Case cases[] = {
      // Refused inputs: the run stops with its message and status 3.
      {"area ratio", task("1", "5", "1.0 4 1.2"), "H\n", 3, "Ae = 1.2000 sinir disinda"},
      {"zero diameter", task("1", "1", "400 0 6 1025 4 0.55"), "", 3, "istenen D ="},
      {"console revolutions", task("1", "5", "1.0 4 0.55"), "E\n4 0\n", 3, "istenen N ="},
      {"series type 3", task("3", "2", "600 200 7 1025 4 0.7"), "", 3,
       "\r\n Helisolv Programi Data Giris Hata Uyarisi: \r\n Istenen seri tipi = 3 gecersizdir; 1 "
       "(Wageningen B) veya 2 (Gawn) olmalidir.\r\n\r\n\r\n  BITIRMEK ICIN ENTER TUSUNA "
       "BASINIZ\r\n"},
      {"problem type 420", task("1", "420", ""), "", 3,
       " Istenen problem tipi = 420 gecersizdir; 1 ile 10 arasinda olmalidir.\r\n"},
      {"thrust out of range", task("1", "8", "900 4.0 150 6 1025 4 0.55 1 5.0"), "", 3,
       "Itme sinirlari disindasiniz"},
      {"power out of range", task("1", "9", "300 4.0 150 6 1025 4 0.55 1 5.0"), "", 3,
       "Guc sinirlari disindasiniz"},
      {"torque out of range", task("1", "10", "800 4.0 150 6 1025 4 0.55 1 5.0"), "", 3,
       "Moment sinirlari disindasiniz"},
      {"bollard with Gawn", task("2", "4", "2000 150 1025 4 0.55 3 3.5 4"), "", 3,
       "BOLLARD DURUMU HESABI MUMKUN DEGIL"},
      {"bollard Kq unswept", task("1", "4", "2000 150 1025 4 0.55 2.0 3.5 4"), "2\n", 3,
       "ICIN P/D HESABI MEVCUT PERVANE ICIN MUMKUN"},
      {"no candidate Kt/J2", task("1", "1", "2000 1 2 1025 4 0.55"), "E\n1\n", 3, "bulunamadi"},
      {"no candidate Kt/J4", task("1", "2", "9000 600 1 1025 4 0.55"), "", 3, "bulunamadi"},
      {"no candidate Kq/J5", task("2", "3", "90000 0.5 600 1025 3 0.55"), "", 3, "bulunamadi"},
      {"Bp-delta two rows", task("1", "7", "20 70 4 0.55 1025 3 200 10 0"), "", 3, "3 DEN AZ"},
      {"Bp outside table", task("2", "7", "3 300 3 0.5 1025 4.0 150 6 0"), "", 3,
       "TABLO SINIRLARI DISINDA"},
      {"operating J out", task("1", "6", "1.0 4 0.55 1025 2.0 120 12 0"), "", 3, "DISINA DUSUYOR"},
      // Input the reader cannot take: a run-time error naming line and value.
      {"missing value", task("1", "8", "420 4.6 120 6.2 1025 4 0.75 1"), "", 1,
       "\nrun-time error 1: READ(Helisolv.Tsk)\n- end of file at line 80: value 9 of 9 (shaft "
       "depth Hs, m) is missing\n"},
      {"extra line", extraLine, "", 1,
       "- invalid integer at line 14: value 1 of 1 (series type, 1 Wageningen B or 2 Gawn) is "
       "\"serbest\"\n"},
      {"decimal comma", task("1", "6", "1.0 4 0,55 1025 4.0 150 6.2 1"), "", 1,
       "- invalid integer at line 79: value 8 of 8 (viscous correction flag, 1 yes or 0 no) is "
       "\"6.2\"; the line holds \"0,55\": a comma separates two values"},
      {"control bytes", task("1", "5", "1.0 \x1b[2J 0.55"), "", 1,
       "value 2 of 3 (blade number Z) is \"\\x1b[2J\""},
      {"console ends", task("1", "5", "1.0 4 0.55"), "", 1,
       "end of file at console line 1: the answer is missing; the question was \"ITTC VISKOZ "
       "DUZELTMESI ISTER MISIN E/H <H>\", that is: apply the ITTC78 viscous correction?"},
      {"torque with its unit", task("1", "10", "320kNm 4.6 120 6.2 1025 4 0.75 0 4.5"), "", 1,
       "value 1 of 9 (required torque Q, kN m) is \"320kNm\""},
      {"real 1e39", task("1", "5", "1.0 1e39 0.55"), "", 1, "invalid real at line 79"},
      {"integer 2^31", task("1", "2147483648", ""), "", 1,
       "run-time error 4: READ(Helisolv.Tsk)\n- integer out of range at line 78"},
      // Accepted: odd but readable input gives the result.
      {"tabs and CR LF", dosTask, "H\r\n", 0, "HESAPLARDA WAGENINGEN B SERISI"},
  };
  const fs::path dir = scratchFolder("hostile_ends");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::ofstream(dir / "Helisolv.Tsk", std::ios::binary) << c.task;
    std::ofstream(dir / "Helisolv.Son", std::ios::binary) << "ESKI KAYIT\r\n";
    // A pause at the end of the answers goes on.
    const Outcome run = runBinaryWithAnswers(dir, {}, c.answers);
    EXPECT_EQ(run.status, c.status) << run.err;
    const std::string& where = c.status == 1 ? run.err : run.out;
    EXPECT_NE(where.find(c.shows), std::string::npos) << where;
    if (c.status == 1) {
      EXPECT_EQ(run.err.rfind("\nrun-time error ", 0), 0u);
    } else {
      // Standard error holds warnings only.
      std::istringstream lines(run.err);
      for (std::string line; std::getline(lines, line);)
        EXPECT_EQ(line.rfind("helisolv: warning: ", 0), 0u) << line;
    }
    EXPECT_EQ(slurp(dir / "Helisolv.Son").find("ESKI KAYIT"), std::string::npos);
    for (const char* bad : {"nan", "inf"}) EXPECT_EQ(run.out.find(bad), std::string::npos) << bad;
  }
  fs::remove_all(dir);
}

TEST(HostileInput, APauseReplyRunsOnlyThroughComspec) {
  // Type 8 pauses between its pages; the replies copy the report so far, end
  // by a closed pipe as they would outside the program, and ask for a file.
  for (const bool comspec : {false, true}) {
    BinaryRun run;
    run.write("Helisolv.Tsk", task("1", "8", "420 4.6 120 6.2 1025 4 0.75 1 4.5"));
    std::string replies = "cp Helisolv.Son seen.son\nkill -PIPE $$; touch survived\n";
    for (int i = 0; i < 6; ++i) replies += "touch made-by-pause   \n";
    run.write("answers.txt", replies);
    run(std::string(comspec ? "COMSPEC=/bin/sh " : "unset COMSPEC; ") + kStreams);
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(fs::exists(run.dir / "made-by-pause"), comspec);
    const std::string seen = slurp(run.dir / "seen.son");
    EXPECT_TRUE(!comspec || (seen.starts_with(" ---") && run.son.starts_with(seen))) << seen;
    EXPECT_FALSE(fs::exists(run.dir / "survived")) << "the command ignored SIGPIPE";
    EXPECT_EQ(run.out.find("touch"), std::string::npos);
    const std::string note =
        "helisolv: pause reply not run as a command (set COMSPEC to a command interpreter to run "
        "it)\n";
    EXPECT_EQ(run.err.find(note) != std::string::npos, !comspec) << run.err;
  }
}

TEST(HostileInput, StandardStreamsAndOddFiles) {
  const std::string sound = task("1", "8", "420 4.6 120 6.2 1025 4 0.75 1 4.5");
  std::string reference;
  {
    BinaryRun run;
    run.write("Helisolv.Tsk", sound);
    run.write("answers.txt", "");
    run(kStreams);
    reference = run.son;
  }
  // Closed descriptors are not handed to the result file.
  for (const char* closed : {"\"$H\" < /dev/null >&- 2>&-", "\"$H\" <&- > stdout.bin 2>&-"}) {
    SCOPED_TRACE(closed);
    BinaryRun run;
    run.write("Helisolv.Tsk", sound);
    run(closed);
    EXPECT_EQ(run.status, 0);
    EXPECT_TRUE(run.son == reference) << "the result file holds more than the report";
  }
  // Each ends with a clear report, at once and in little memory.
  struct Odd {
    const char* taskFile;  // shell command making Helisolv.Tsk (none: the sound task)
    std::string run;
    const char* shows;
  };
  // Standard output a pipe whose reader is gone before the program writes:
  // the run's status, not the end by SIGPIPE, is the status of the line. The
  // shell keeps its own copy of the read end until it has started the reader,
  // so a reader that has exited proves nothing: a probe writes until a write
  // fails (killed by SIGPIPE or refused), after which no process can ever read
  // the pipe again. The count bounds the wait far below the run's timeout.
  const auto closedPipe = [](const std::string& args) {
    return "{ i=0; while [ $i -lt 1000 ] && (printf x) 2>/dev/null; do i=$((i+1)); sleep 0.01; "
           "done; \"$H\" " +
           args +
           " < /dev/null 2> stderr.bin; echo $? > rc; } | :; "
           "exit $(cat rc)";
  };
  const Odd odd[] = {
      {"ln -s /dev/zero Helisolv.Tsk", "\"$H\" < /dev/null > stdout.bin 2> stderr.bin",
       "READ(Helisolv.Tsk)\n- line too long at line 1"},
      {"", "\"$H\" < /dev/zero > stdout.bin 2> stderr.bin",
       "READ(stdin)\n- line too long at console line 1"},
      {"mkdir Helisolv.Tsk", kStreams,
       "OPEN(Helisolv.Tsk)\n- cannot open file Helisolv.Tsk: it is a directory"},
      {"mkfifo Helisolv.Tsk", kStreams,
       "OPEN(Helisolv.Tsk)\n- cannot open file Helisolv.Tsk: it is a FIFO"},
      {"", "\"$H\" < /dev/null > /dev/full 2> stderr.bin", "WRITE(stdout)\n- cannot write"},
      {"", "\"$H\" --version > /dev/full 2> stderr.bin", "WRITE(stdout)\n- cannot write"},
      {"", "\"$H\" --help > /dev/full 2> stderr.bin", "WRITE(stdout)\n- cannot write"},
      {"", closedPipe(""), "WRITE(stdout)\n- cannot write"},
      {"", closedPipe("--version"), "WRITE(stdout)\n- cannot write"},
      // A link to nowhere is reported, never followed to make a file there.
      {"ln -s elsewhere/made.Tsk Helisolv.Tsk && mkdir elsewhere", kStreams,
       "OPEN(Helisolv.Tsk)\n- cannot open file Helisolv.Tsk: it is a symbolic link to "
       "\"elsewhere/made.Tsk\", which does not exist\n"},
  };
  for (const Odd& o : odd) {
    SCOPED_TRACE(std::string(o.taskFile) + " " + o.run);
    BinaryRun run;
    run.write("answers.txt", "");
    if (*o.taskFile)
      run(std::string(o.taskFile) + "; " + o.run);
    else
      run.write("Helisolv.Tsk", sound), run(o.run);
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find(o.shows), std::string::npos) << run.err;
#ifndef __SANITIZE_ADDRESS__
    // The figure starts from the test process's own size at the fork, which
    // the address sanitizer's shadow memory makes far larger: checked only
    // in a build without it.
    EXPECT_LT(run.peakKilobytes, 64 * 1024) << "peak memory";
#endif
    EXPECT_FALSE(fs::exists(run.dir / "elsewhere" / "made.Tsk"));
  }
}

TEST(HostileInput, WithStandardErrorClosedTheErrorReportStaysOutOfTheResultFile) {
  BinaryRun run;
  run.write("Helisolv.Tsk", task("1", "8", "420 4.6 120 6.2 1025 4 0.75 1"));  // no shaft depth
  run("\"$H\" < /dev/null > stdout.bin 2>&-");
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.son.find("WAGENINGEN/GAWN"), std::string::npos);
  EXPECT_EQ(run.son.find("run-time error"), std::string::npos) << run.son;
}

// A command-line error names the argument and why, then the usage line; it
// ends with status 2 before anything is read or written.
TEST(HostileInput, CommandLineErrorsNameTheArgumentAndReadAndWriteNothing) {
  struct Mistake {
    std::vector<std::string> args;
    const char* message;
  };
  const Mistake mistakes[] = {
      {{"--foo"}, "unknown option '--foo'"},
      {{"--csvout"}, "unknown option '--csvout'"},
      {{"--viscous=ittc78"}, "unknown option '--viscous=ittc78'"},
      {{"--gawn-model=reg"}, "unknown value 'reg' for --gawn-model (legacy or regression)"},
      {{"--gawn-model=legacyx"}, "unknown value 'legacyx' for --gawn-model (legacy or regression)"},
      {{"--csv"}, "--csv needs a folder"},
      {{"--csv="}, "--csv needs a folder"},
      {{"--gawn-model="}, "--gawn-model needs a value: --gawn-model=legacy or regression"},
      {{"--viscous-correction=ITTC78"},
       "unknown value 'ITTC78' for --viscous-correction (legacy, ittc78 or reynolds)"},
      {{"--viscous-correction"},
       "--viscous-correction needs a value: --viscous-correction=legacy, ittc78 or reynolds"},
      {{"-H"}, "unknown option '-H'"},
      {{"--a\x1b[2Jb"}, "unknown option '--a\\x1b[2Jb'"},
      {{"extra", "more"}, "unexpected argument 'more' (one task file at most)"},
      {{"convert"}, "convert needs a task file: helisolv convert FILE"},
      {{"convert", "a", "b"}, "unexpected argument 'b' (convert takes one file)"},
      {{"--output"}, "--output needs a file"},
      {{""}, "the task file's name is empty"},
      {{"--csv", "out", "--bogus"}, "unknown option '--bogus'"},
      {{"--tip-speed-limit"}, "--tip-speed-limit needs a speed in m/s"},
      {{"--tip-speed-limit=0"}, "--tip-speed-limit needs a speed in m/s greater than 0, not '0'"},
      {{"--tip-speed-limit", "35,5"},
       "--tip-speed-limit needs a speed in m/s greater than 0, not '35,5'"},
      {{"--tip-speed-limit=1e39"},
       "--tip-speed-limit needs a speed in m/s greater than 0, not '1e39'"},
  };
  const fs::path dir = scratchFolder("hostile_arguments");
  for (const Mistake& m : mistakes) {
    SCOPED_TRACE(::testing::PrintToString(m.args));
    std::ofstream(dir / "Helisolv.Tsk") << task("1", "5", "1.0 4 0.55");
    const Outcome run = runBinary(dir, withArgs(m.args));
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err, std::string("helisolv: ") + m.message +
                           "\nusage: helisolv [--csv DIR] [--output FILE] "
                           "[--viscous-correction=legacy|ittc78|reynolds] "
                           "[--gawn-model=legacy|regression] [--tip-speed-limit=M/S] "
                           "[--lang=tr|en] [--help] [--version] [TASK]\n"
                           "       helisolv convert FILE\n");
    EXPECT_FALSE(fs::exists(dir / "Helisolv.Son"));
    EXPECT_FALSE(fs::exists(dir / "out"));
  }
  fs::remove(dir / "Helisolv.Tsk");
  for (const char* args : {"-h", "--help", "--version"}) {
    SCOPED_TRACE(args);
    const Outcome run = runBinary(dir, withArgs({args}));
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out.rfind(args[1] == 'h' || args[2] == 'h' ? "usage: helisolv" : "helisolv ", 0),
              0u)
        << run.out;
    EXPECT_EQ(run.err, "");
    EXPECT_FALSE(fs::exists(dir / "Helisolv.Son"));
  }
  fs::remove_all(dir);
}

}  // namespace
