// The model options by name, and what a run with the published models says
// besides its report: one warning per cause however often a model leaves its
// fitted range, and run.csv naming the model and correction that ran.

#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
#include <string>

#include "driver/options.hpp"
#include "slurp.hpp"
#include "task_run.hpp"

namespace helisolv {
namespace {

// Every value of the table is taken on the command line and named back, the
// first of each option is the default, and nothing else is taken.
TEST(ModelOptionNames, EveryValueParsesAndIsNamedBack) {
  const ModelOptions defaults;
  for (const ModelOptionValue& v : kModelOptionValues) {
    const std::string arg = "--" + std::string(v.option) + "=" + std::string(v.value);
    const char* argv[] = {"helisolv", arg.c_str()};
    Options options;
    std::ostringstream out, err;
    EXPECT_FALSE(parseOptions(2, argv, options, out, err).has_value()) << arg;
    EXPECT_EQ(modelOptionValue(options.models, v.option), v.value) << arg;
    const bool first =
        &v == &*std::find_if(kModelOptionValues.begin(), kModelOptionValues.end(),
                             [&v](const ModelOptionValue& w) { return w.option == v.option; });
    EXPECT_EQ(modelOptionValue(defaults, v.option) == v.value, first) << arg;
  }
  ModelOptions models;
  EXPECT_FALSE(setModelOption(models, "gawn-model", "Regression"));
  EXPECT_FALSE(setModelOption(models, "viscous-correction", "regression"));
  EXPECT_FALSE(setModelOption(models, "csv", "legacy"));
  EXPECT_EQ(modelOptionValue(models, "csv"), "");
}

class PublishedModelRun : public TaskRun {
 protected:
  // The warning lines of the last run that are not the note of which
  // correction ran.
  long warningLines() const {
    const std::string e = errors.str();
    long count = 0;
    for (size_t at = e.find("helisolv: warning: "); at != std::string::npos;
         at = e.find("helisolv: warning: ", at + 1))
      ++count;
    return count - (e.find("the viscous correction applied is") != std::string::npos);
  }
};

// A 0.3 m propeller at 120 rpm has Rn about 4e5 at every row of its table:
// one warning for the whole run, and the report the same with and without it
// apart from the corrected numbers. In range, no warning.
TEST_F(PublishedModelRun, ReynoldsNumberOutsideTheRangeWarnsOnce) {
  options.models.viscousCorrection = ViscousCorrection::Reynolds;
  EXPECT_EQ(run(1, 6, "1.0 4 0.55 1025 0.3 120 0.4 1"), 0);
  EXPECT_EQ(warningLines(), 1) << errors.str();
  EXPECT_NE(errors.str().find("Reynolds number"), std::string::npos) << errors.str();
  EXPECT_EQ(console.str().find("warning"), std::string::npos);

  EXPECT_EQ(run(1, 6, "1.0 4 0.55 1025 4 200 6 1"), 0);
  EXPECT_EQ(warningLines(), 0) << errors.str();
}

// The Gawn series by the regression: the open-water table from J 0.05 and the
// design sweep from P/D 0.5 both leave the fitted ranges many times, and each
// run warns once; the program's own Gawn model never warns.
TEST_F(PublishedModelRun, GawnRegressionOutsideItsFitWarnsOncePerRun) {
  options.models.gawnModel = GawnModel::Regression;
  EXPECT_EQ(run(2, 5, "1.0 3 0.65", "H\n"), 0);
  EXPECT_EQ(warningLines(), 1) << errors.str();
  EXPECT_NE(errors.str().find("Gawn-Burrill regression"), std::string::npos) << errors.str();
  EXPECT_EQ(run(2, 3, "5000 7 200 1025 3 0.8"), 0);
  EXPECT_EQ(warningLines(), 1) << errors.str();

  options.models.gawnModel = GawnModel::Legacy;
  EXPECT_EQ(run(2, 5, "1.0 3 0.65", "H\n"), 0);
  EXPECT_EQ(warningLines(), 0) << errors.str();
}

// run.csv names the correction only where it ran (the Wageningen series,
// answer E) and the open-water model of every run, with the warning.
TEST_F(PublishedModelRun, RunCsvNamesTheModelAndTheCorrection) {
  options.csvDir = "out";
  options.models = {ViscousCorrection::Reynolds, GawnModel::Regression};
  auto rows = [] {
    const std::string csv = slurp("out/run.csv");
    return std::pair(csv.find("viscous correction,") == std::string::npos
                         ? std::string()
                         : csv.substr(csv.find("viscous correction,")),
                     csv);
  };
  EXPECT_EQ(run(1, 5, "1.0 4 0.55", "E\n4 200\n"), 0);
  EXPECT_EQ(rows().first.rfind("viscous correction,reynolds,\nopen-water model,wageningen,\n", 0),
            0u)
      << rows().second;
  EXPECT_EQ(run(1, 5, "1.0 4 0.55", "H\n"), 0);
  EXPECT_EQ(rows().first.rfind("viscous correction,none,\nopen-water model,wageningen,\n", 0), 0u)
      << rows().second;
  EXPECT_EQ(run(2, 5, "1.0 3 0.65", "E\n4 200\n"), 0);
  EXPECT_EQ(rows().first.rfind("viscous correction,none,\nopen-water model,gawn-regression,\n", 0),
            0u)
      << rows().second;
  EXPECT_NE(rows().second.find("\nwarning,\"the Gawn-Burrill regression"), std::string::npos)
      << rows().second;
  options.models = {};
  EXPECT_EQ(run(2, 5, "1.0 3 0.65", "H\n"), 0);
  EXPECT_NE(rows().second.find("\nopen-water model,gawn-legacy,\n"), std::string::npos)
      << rows().second;
}

}  // namespace
}  // namespace helisolv
