// The selection's report in the run's language, on the console and in the
// result file: one function per report item, each a block of fixed-width lines.
#pragma once

#include <optional>
#include <string>

#include "helisolv/selection.hpp"
#include "io/session.hpp"

namespace helisolv::selection {

void reportTitle(Session& io, const SelectionInputs& in);
void reportDuty(Session& io, const SelectionInputs& in);
void reportFreeVariables(Session& io, const SelectionInputs& in);
void reportPerBlades(Session& io, const SelectionResult& r);
void reportChosen(Session& io, const SelectedPropeller& s);
void reportSpeedPower(Session& io, const SelectionResult& r);
void reportEngine(Session& io, const SelectionInputs& in, const EngineMatch& e);
void reportRefusal(Session& io, const std::string& reason);

// The whole report of a selection.
void reportSelection(Session& io, const SelectionInputs& in, const SelectionResult& r);

}  // namespace helisolv::selection

namespace helisolv {

// Runs the selection on the session: the report on the console and in the
// result file, the warnings on the error stream, and with csvDir the CSV
// tables there (the area-ratio sweep of the charts included). Returns the exit
// status: 0 with a chosen propeller, 3 when the inputs are refused, 1 when the
// CSV files cannot be written (the reason on the error stream).
int runSelection(Session& io, const SelectionInputs& inputs,
                 const std::optional<std::string>& csvDir = std::nullopt);

}  // namespace helisolv
