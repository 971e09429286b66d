// Which scale correction turns the model-scale Wageningen coefficients into
// full-scale ones, where a task asks for the viscous correction.
#pragma once

namespace helisolv {

enum class ViscousCorrection {
  Legacy,  // this program's own formulation, as every earlier report used
  Ittc78,  // the published ITTC-78 procedure
};

}  // namespace helisolv
