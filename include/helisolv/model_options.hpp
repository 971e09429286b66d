// The model options: their names and values on the command line, in the
// Python module and in the CSV export, and what each value computes. The
// first value of each option is its default.
#pragma once

#include <array>
#include <string_view>
#include <variant>

#include "helisolv/task.hpp"

namespace helisolv {

// One value of a model option: --OPTION=VALUE on the command line sets the
// ModelOptions field of the choice's type. This table is the one place the
// names live; run.csv and anything else that names a model take them from it.
struct ModelOptionValue {
  std::string_view option;  // without the leading "--"
  std::string_view value;
  std::variant<ViscousCorrection, GawnModel> choice;
  std::string_view help;  // what the value computes, for --help
};

// The first value of each option is its default.
inline constexpr std::array<ModelOptionValue, 5> kModelOptionValues{{
    {"viscous-correction", "legacy", ViscousCorrection::Legacy,
     "the program's own scale correction (default)"},
    {"viscous-correction", "ittc78", ViscousCorrection::Ittc78,
     "the published ITTC-78 scale correction"},
    {"viscous-correction", "reynolds", ViscousCorrection::Reynolds,
     "the published B-series Reynolds-number correction"},
    {"gawn-model", "legacy", GawnModel::Legacy, "the program's own Gawn polynomials (default)"},
    {"gawn-model", "regression", GawnModel::Regression, "the published Gawn-Burrill regression"},
}};

// Sets the model option of that name to the value of that name; false, with
// models unchanged, when the table has no such pair.
bool setModelOption(ModelOptions& models, std::string_view option, std::string_view value);

// The name of the value the option has in models; empty for no such option.
std::string_view modelOptionValue(const ModelOptions& models, std::string_view option);

}  // namespace helisolv
