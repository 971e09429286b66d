// The selection's inputs from a keyword task file (problem = "selection"):
// each input by its name, held in the unit the selection's inputs name
// (thrust and resistance kN, speeds of advance m/s, ship speeds kn, powers
// kW, lengths m, revolutions rpm, pressures Pa, margins per cent).
#pragma once

#include <toml++/toml.h>

#include <optional>
#include <string>

#include "helisolv/selection.hpp"

namespace helisolv::selection {

struct ParsedInputs {
  std::optional<SelectionInputs> inputs;
  std::string error;  // names the key and what it should hold
};

// Dimensional inputs are written with their unit ("420 kN", "14 kn"), as the
// program's unit table accepts them; with bareNumbers (the Python module) a
// plain number is also read, in the unit named above.
ParsedInputs parseSelection(const toml::table& table, bool bareNumbers = false);

}  // namespace helisolv::selection
