// Hostile input a recorded case cannot stage: closed or odd standard streams,
// a FIFO for a task file, a full disk, a console pipe whose reader is gone, and
// the sign rule of a real. The runs that end with a status and a report are
// the cases of tests/hostile.

#include <gtest/gtest.h>

#include "binary_run.hpp"
#include "io/reader.hpp"

namespace {

using namespace helisolv::test;

TEST(HostileInput, ARealTakesOneSignAtMostInFront) {
  const struct {
    const char* text;
    std::optional<float> value;
  } cases[] = {{"-5", -5.0f},         {"+5", 5.0f},          {"--5", std::nullopt},
               {"+-5", std::nullopt}, {"-+5", std::nullopt}, {"++5", std::nullopt},
               {"5-", std::nullopt},  {"-", std::nullopt},   {"+-1e-60", std::nullopt}};
  for (const auto& c : cases) EXPECT_EQ(helisolv::parseReal(c.text), c.value) << c.text;
}

// Standard output a pipe whose reader is gone before the program writes: the
// run's status, not the end by SIGPIPE, is the status of the line. The shell
// keeps its own copy of the read end until it has started the reader, so a
// reader that has exited proves nothing: a probe writes until a write fails,
// after which no process can ever read the pipe again. The count bounds the
// wait far below the run's timeout.
const char* const kClosedPipe =
    "{ i=0; while [ $i -lt 1000 ] && (printf x) 2>/dev/null; do i=$((i+1)); sleep 0.01; done; "
    "\"$0\" \"$@\" < /dev/null; echo $? > rc; } | :; exit $(cat rc)";

// Each run takes the task of a recorded case and runs under a shell line in
// which "$0" is the program. An empty report: the run must leave that case's
// result file, whatever its streams are.
TEST(HostileInput, StandardStreamsAndOddFiles) {
  const char* const sound = "hostile/pause_reply_without_command_shell";
  const char* const shortLine = "hostile/read_missing_value";  // no shaft depth
  const struct {
    const char* like;
    const char* shell;
    std::vector<std::string> args;
    int status;
    const char* report;
  } odd[] = {
      // Closed descriptors are not handed to the result file, nor to the error report.
      {sound, "exec \"$0\" <&- >&- 2>&-", {}, 0, ""},
      {sound, "exec \"$0\" <&- 2>&-", {}, 0, ""},
      {shortLine, "exec \"$0\" 2>&-", {}, 1, ""},
      {sound,
       "rm Helisolv.Tsk && mkfifo Helisolv.Tsk && exec \"$0\"",
       {},
       1,
       "OPEN(Helisolv.Tsk)\n- cannot open file Helisolv.Tsk: it is a FIFO"},
      {sound, "exec \"$0\" > /dev/full", {}, 1, "WRITE(stdout)\n- cannot write"},
      {sound, "exec \"$0\" \"$@\" > /dev/full", {"--version"}, 1, "WRITE(stdout)\n- cannot write"},
      {sound, "exec \"$0\" \"$@\" > /dev/full", {"--help"}, 1, "WRITE(stdout)\n- cannot write"},
      {sound, kClosedPipe, {}, 1, "WRITE(stdout)\n- cannot write"},
      {sound, kClosedPipe, {"--version"}, 1, "WRITE(stdout)\n- cannot write"},
      // An empty argument, which no args.txt line can hold.
      {sound, "exec \"$0\" \"$@\"", {""}, 2, "helisolv: the task file's name is empty\n"},
  };
  for (const auto& o : odd) {
    SCOPED_TRACE(o.shell);
    const fs::path dir = scratchFolder("hostile_streams");
    fs::copy_file(kCasesDir / o.like / "Helisolv.Tsk", dir / "Helisolv.Tsk");
    Invocation invocation = withArgs(o.args);
    invocation.prefix = "sh -c " + shellQuoted(o.shell);
    const Outcome run = runBinary(dir, invocation);
    EXPECT_EQ(run.status, o.status);
    if (*o.report) {
      EXPECT_NE(run.err.find(o.report), std::string::npos) << run.err;
    } else {
      EXPECT_TRUE(slurp(dir / "Helisolv.Son") == slurp(kCasesDir / o.like / "expected.son"))
          << "the result file holds more than the report";
    }
    fs::remove_all(dir);
  }
}

}  // namespace
