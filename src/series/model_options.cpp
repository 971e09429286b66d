#include "helisolv/model_options.hpp"

namespace helisolv {

bool setModelOption(ModelOptions& models, std::string_view option, std::string_view value) {
  for (const ModelOptionValue& v : kModelOptionValues) {
    if (v.option != option || v.value != value) continue;
    if (const auto* method = std::get_if<ViscousCorrection>(&v.choice))
      models.viscousCorrection = *method;
    else
      models.gawnModel = std::get<GawnModel>(v.choice);
    return true;
  }
  return false;
}

std::string_view modelOptionValue(const ModelOptions& models, std::string_view option) {
  for (const ModelOptionValue& v : kModelOptionValues) {
    if (v.option != option) continue;
    const bool chosen = std::holds_alternative<ViscousCorrection>(v.choice)
                            ? std::get<ViscousCorrection>(v.choice) == models.viscousCorrection
                            : std::get<GawnModel>(v.choice) == models.gawnModel;
    if (chosen) return v.value;
  }
  return {};
}

}  // namespace helisolv
