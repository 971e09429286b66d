// The model options by name. What a run with the published models says
// besides its report (one warning per cause however often a model leaves its
// fitted range; run.csv naming the inputs, the model and the correction that
// acted) is recorded under tests/csv.

#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
#include <string>

#include "driver/options.hpp"

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

}  // namespace
}  // namespace helisolv
