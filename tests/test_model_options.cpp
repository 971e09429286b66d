// The model options by name, and what a run with the published models says
// besides its report: one warning per cause however often a model leaves its
// fitted range, and run.csv naming the inputs, the model and the correction.

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
// design sweep from P/D 0.5 both leave the fitted ranges in rows no result
// rests on, which run.csv notes; a warning only where the reported propeller
// or its design point lies outside. The program's own Gawn model never warns.
TEST_F(PublishedModelRun, GawnRegressionIsJudgedAtTheReportedValues) {
  options.models.gawnModel = GawnModel::Regression;
  options.csvDir = "out";
  const auto noted = [] {
    return slurp("out/run.csv")
               .find("\nnote,\"the Gawn-Burrill regression was evaluated outside") !=
           std::string::npos;
  };
  EXPECT_EQ(run(2, 5, "1.0 3 0.65", "H\n"), 0);
  EXPECT_EQ(warningLines(), 0) << errors.str();
  EXPECT_TRUE(noted()) << slurp("out/run.csv");
  EXPECT_EQ(run(2, 5, "0.6 3 0.4", "H\n"), 0);
  EXPECT_EQ(warningLines(), 1) << errors.str();
  EXPECT_NE(errors.str().find("outside the fitted ranges of the Gawn-Burrill regression at P/D = "
                              "0.600 (fitted 0.8 to 1.8) and area ratio 0.40 (fitted 0.5 to 1.1)"),
            std::string::npos)
      << errors.str();
  // The type 9 example's design point (P/D 1.017) lies inside.
  EXPECT_EQ(run(2, 9, "900 1.8 450 12 1025 3 0.8 0 1.5"), 0);
  EXPECT_EQ(warningLines(), 0) << errors.str();
  EXPECT_TRUE(noted());

  options.models.gawnModel = GawnModel::Legacy;
  EXPECT_EQ(run(2, 5, "0.6 3 0.4", "H\n"), 0);
  EXPECT_EQ(warningLines(), 0) << errors.str();
}

// run.csv before its outcome: the problem, the inputs as read (task file and
// console) with their names and units, the correction that acted (any flag but
// 0 corrects; none where nothing was corrected: types 1 to 4, a flag of 0, the
// Gawn series, no full scale, the area-ratio table of types 8 to 10) and the
// open-water model.
TEST_F(PublishedModelRun, RunCsvNamesEachInputTheCorrectionAndTheModel) {
  struct Case {
    int series, type;
    const char *inputs, *answers;
    ModelOptions models;
    const char* problem;
    std::string rows;  // the inputs
    const char *correction, *model;
  };
  const ModelOptions legacy, ittc78{ViscousCorrection::Ittc78, GawnModel::Legacy},
      reynolds{ViscousCorrection::Reynolds, GawnModel::Regression};
  const std::string ship =  // types 8 to 10 after the requirement
      "given diameter,4.6,m\ngiven rpm,120,1/min\ngiven speed of advance,6.2,m/s\ngiven density,"
      "1025,kg/m3\ngiven blades,4,\n";
  const Case cases[] = {
      {1, 1, "350 4 6 1025 4 0.55", "H\n", reynolds, "optimum propeller by Kt/J^2",
       "given thrust,350,kN\ngiven diameter,4,m\ngiven speed of advance,6,m/s\ngiven density,"
       "1025,kg/m3\ngiven blades,4,\ngiven area ratio,0.55,\n",
       "none", "wageningen"},
      {2, 2, "600 200 7 1025 3 0.7", "", reynolds, "optimum propeller by Kt/J^4",
       "given thrust,600,kN\ngiven rpm,200,1/min\ngiven speed of advance,7,m/s\ngiven density,"
       "1025,kg/m3\ngiven blades,3,\ngiven area ratio,0.7,\n",
       "none", "gawn-regression"},
      {1, 3, "5000 7 150 1025 4 0.7", "", legacy, "optimum propeller by Kq/J^5",
       "given power,5000,kW\ngiven speed of advance,7,m/s\ngiven rpm,150,1/min\ngiven density,"
       "1025,kg/m3\ngiven blades,4,\ngiven area ratio,0.7,\n",
       "none", "wageningen"},
      {1, 4, "2000 150 1025 4 0.55 3 3.5 4", "2\n", legacy, "bollard pull",
       "given power,2000,kW\ngiven rpm,150,1/min\ngiven density,1025,kg/m3\ngiven blades,4,\n"
       "given area ratio,0.55,\ngiven diameter 1,3,m\ngiven diameter 2,3.5,m\ngiven diameter "
       "3,4,m\n",
       "none", "wageningen"},
      {1, 5, "1 4 0.55", "E\n4 200\n", reynolds, "open-water table",
       "given pitch ratio,1,\ngiven blades,4,\ngiven area ratio,0.55,\nviscous correction "
       "asked,yes,\ngiven diameter,4,m\ngiven rpm,200,1/min\n",
       "reynolds", "wageningen"},
      {1, 6, "1 4 0.55 1025 4 150 6.2 2", "", ittc78, "operating point",
       "given pitch ratio,1,\ngiven blades,4,\ngiven area ratio,0.55,\ngiven density,1025,"
       "kg/m3\ngiven diameter,4,m\ngiven rpm,150,1/min\ngiven speed of advance,6.2,m/s\n"
       "given viscous flag,2,\n",
       "ittc78", "wageningen"},
      // The flag with neither speed nor revolutions: nothing to scale to.
      {1, 7, "27.95 162.66 4 0.6 1025 2.5 0 0 1", "", legacy, "Bp-delta design",
       "given Bp,27.95,\ngiven delta,162.66,\ngiven blades,4,\ngiven area ratio,0.6,\ngiven "
       "density,1025,kg/m3\ngiven diameter,2.5,m\ngiven rpm,0,1/min\ngiven speed of advance,0,"
       "m/s\ngiven viscous flag,1,\n",
       "none", "wageningen"},
      {1, 8, "420 4.6 120 6.2 1025 4 0.75 0 4.5", "", legacy, "pitch ratio for a required thrust",
       "required thrust,420,kN\n" + ship +
           "given area ratio,0.75,\ngiven viscous flag,0,\ngiven shaft depth,4.5,m\n",
       "none", "wageningen"},
      {1, 9, "4000 4.6 120 6.2 1025 4 0.75 1 4.5", "", legacy, "pitch ratio for a required power",
       "required power,4000,kW\n" + ship +
           "given area ratio,0.75,\ngiven viscous flag,1,\ngiven shaft depth,4.5,m\n",
       "legacy", "wageningen"},
      {1, 10, "320 4.6 120 6.2 1025 4 0 1 4.5", "", legacy, "pitch ratio for a required torque",
       "required torque,320,kN m\n" + ship +
           "given area ratio,0,\ngiven viscous flag,1,\ngiven shaft depth,4.5,m\n",
       "none", "wageningen"},
      {2, 10, "19 1.8 450 12 1025 3 0.8 1 1.5", "", legacy, "pitch ratio for a required torque",
       "required torque,19,kN m\ngiven diameter,1.8,m\ngiven rpm,450,1/min\ngiven speed of "
       "advance,12,m/s\ngiven density,1025,kg/m3\ngiven blades,3,\ngiven area ratio,0.8,\n"
       "given viscous flag,1,\ngiven shaft depth,1.5,m\n",
       "none", "gawn-legacy"},
  };
  options.csvDir = "out";
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.series) + " " + std::to_string(c.type) + " " + c.inputs);
    options.models = c.models;
    EXPECT_EQ(run(c.series, c.type, c.inputs, c.answers), 0) << errors.str();
    const std::string csv = slurp("out/run.csv");
    EXPECT_EQ(csv.substr(0, csv.find("outcome,")),
              "quantity,value,unit\nproblem type," + std::to_string(c.type) + ",\nproblem," +
                  c.problem + ",\nseries type," + std::to_string(c.series) + ",\nseries," +
                  (c.series == 1 ? "Wageningen B-series" : "Gawn series") + ",\n" + c.rows +
                  "viscous correction," + c.correction + ",\nopen-water model," + c.model + ",\n");
  }
}

}  // namespace
}  // namespace helisolv
