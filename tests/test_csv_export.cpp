// The CSV export's folder refused before the run starts. What a run writes in
// the folder (every bundled example's tables, the warnings in run.csv, a refused
// run over an earlier run's tables) is recorded byte for byte in tests/csv and
// tests/warnings; a folder that cannot be written cannot be recorded there.

#include <gtest/gtest.h>
#include <pwd.h>

#include "binary_run.hpp"
#include "io/runtime_error.hpp"

namespace {

using namespace helisolv::test;

// A run of the bundled type 5 example with --csv dir, under the command `as`.
Outcome runWithCsvFolder(const fs::path& work, const std::string& dir, const std::string& as) {
  fs::copy_file(kCasesDir / ".." / "examples" / "type05_open_water_table.Tsk",
                work / "Helisolv.Tsk", fs::copy_options::overwrite_existing);
  Invocation invocation = withArgs({"--csv", dir});
  invocation.prefix = as;
  return runBinaryWithAnswers(work, invocation, "E\n4 150\n\n\n");
}

// A folder that cannot be made or written ends the run before anything is
// read or written: status 2, the reason on standard error, its name as given
// with any escape bytes shown escaped, never sent to the terminal.
TEST(CsvExport, AFolderThatCannotBeWrittenStopsTheRunFirst) {
  const fs::path work = scratchFolder("csv_unwritable");
  std::ofstream(work / "plain_file") << "x";
  for (const std::string dir : {"plain_file", "plain_file/out", "plain_file/\x1b[2J"}) {
    const Outcome o = runWithCsvFolder(work, dir, "");
    EXPECT_EQ(o.status, 2) << dir;
    EXPECT_EQ(o.out, "") << dir;
    EXPECT_NE(o.err.find(helisolv::quoted(dir)), std::string::npos) << o.err;
    EXPECT_EQ(o.err.find('\x1b'), std::string::npos) << o.err;
    EXPECT_FALSE(fs::exists(work / "Helisolv.Son")) << dir;
    EXPECT_TRUE(fs::is_regular_file(work / "plain_file"));
  }
  // A folder that can be entered but not written, or written but not entered:
  // root writes anywhere, so a run as root is repeated as nobody.
  std::string as;
  if (geteuid() == 0) {
    const passwd* nobody = getpwnam("nobody");
    if (nobody == nullptr) GTEST_SKIP() << "no user nobody to run as";
    if (std::system("setpriv --help > /dev/null 2>&1") == 0)
      as = "setpriv --reuid=" + std::to_string(nobody->pw_uid) +
           " --regid=" + std::to_string(nobody->pw_gid) + " --clear-groups";
    else if (std::system("runuser --help > /dev/null 2>&1") == 0)
      as = "runuser -u nobody --";
    else
      GTEST_SKIP() << "running as root without setpriv or runuser to run as nobody";
  }
  fs::permissions(work, fs::perms::all);  // the run itself could write its result file here
  for (const fs::perms mode : {fs::perms(0555), fs::perms(0666)}) {
    fs::create_directory(work / "locked");
    fs::permissions(work / "locked", mode);
    const Outcome o = runWithCsvFolder(work, "locked", as);
    fs::permissions(work / "locked", fs::perms::owner_all);
    EXPECT_EQ(o.status, 2);
    EXPECT_EQ(o.out, "");
    EXPECT_EQ(o.err, "helisolv: cannot write in the CSV folder \"locked\": Permission denied\n");
    EXPECT_FALSE(fs::exists(work / "Helisolv.Son"));
    EXPECT_TRUE(fs::is_empty(work / "locked"));
    fs::remove(work / "locked");
  }
  fs::remove_all(work);
}

}  // namespace
