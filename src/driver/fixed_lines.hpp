// The fixed-line task file of a task, as the run reads it back.
#pragma once

#include <functional>
#include <string>

#include "helisolv/task.hpp"

namespace helisolv {

// The free lines come from freeLine, in order; the line before the series
// type and the one before the problem type say what the next line holds. Each
// real is written in the shortest text that reads back to the same value.
std::string fixedLinesText(const Task& task, const std::function<std::string()>& freeLine);

}  // namespace helisolv
