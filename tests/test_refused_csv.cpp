// A run refused after its tables were printed leaves no tables in the CSV
// folder: they would describe a propeller the run did not settle on.

#include <gtest/gtest.h>

#include "binary_run.hpp"

namespace helisolv::test {
namespace {

TEST(RefusedCsv, ATablePrintedBeforeTheRefusalIsNotExported) {
  for (const char* name : {"e2e/t6_gawn_last_row_out", "conformance/t7_bp_low"}) {
    SCOPED_TRACE(name);
    const fs::path work = scratchFolder(std::string("refused_csv_") + name);
    Invocation invocation = stageCase(kCasesDir / name, work);
    invocation.args.push_back("--csv=out");
    const Outcome o = runBinary(work, invocation);
    ASSERT_EQ(o.status, 3) << o.err;
    std::vector<std::string> files;
    for (const auto& e : fs::directory_iterator(work / "out"))
      if (!e.path().filename().string().starts_with('.')) files.push_back(e.path().filename());
    EXPECT_EQ(files, std::vector<std::string>{"run.csv"});
    EXPECT_NE(slurp(work / "out" / "run.csv").find("outcome,refused,"), std::string::npos);
    fs::remove_all(work);
  }
}

}  // namespace
}  // namespace helisolv::test
