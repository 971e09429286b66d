// The run control a problem calls: a pause for the user, and the stop that
// ends a run.
#pragma once

#include <string_view>

#include "io/outcome.hpp"
#include "io/session.hpp"

namespace helisolv {

// Pause: the message on its own line, then one console line. A reply of two or
// more characters (after trailing blanks and tabs are removed) runs as a
// command only when COMSPEC names a command interpreter and the session lets
// it (a library run never does); otherwise a note on standard error says it
// was not run. A reply longer than 128 characters, or holding a NUL byte,
// never runs: a note says why. Before a command runs, io.beforeCommand puts
// the report so far where the command finds it.
void pause(Session& io, std::string_view message);

// Stop: ends the run with the exit status of its outcome (never returns).
[[noreturn]] void stop(Session& io, Outcome outcome = Outcome::Solved);

}  // namespace helisolv
