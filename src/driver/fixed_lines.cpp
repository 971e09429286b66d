#include "driver/fixed_lines.hpp"

#include <array>
#include <charconv>
#include <variant>

#include "driver/task_inputs.hpp"
#include "io/task_layout.hpp"

namespace helisolv {

namespace {

std::string shortestText(float value) {
  std::array<char, 64> buffer{};
  const auto end = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value);
  return std::string(buffer.data(), end.ptr);
}

}  // namespace

std::string fixedLinesText(const Task& task, const std::function<std::string()>& freeLine) {
  const std::string series = std::to_string(kSeriesTypeLine);
  const std::string problem = std::to_string(kProblemTypeLine);
  const std::string inputsAt = std::to_string(kInputsLine);
  std::string text;
  for (int line = 1; line < kSeriesTypeLine - 1; ++line) text += freeLine() + "\n";
  text += "* line " + series + ": series type, 1 Wageningen B-series or 2 Gawn series\n";
  text += std::to_string(static_cast<int>(task.seriesType)) + "\n";
  for (int line = kSeriesTypeLine + 1; line < kProblemTypeLine - 1; ++line)
    text += freeLine() + "\n";
  text += "* line " + problem + ": problem type, 1 to 10; line " + inputsAt + ": its inputs\n";
  text += std::to_string(task.problemType) + "\n";
  Task copy = task;
  std::string inputs;
  for (const TaskInput& in : taskInputsOf(copy)) {
    if (!inputs.empty()) inputs += ' ';
    if (const int* const* i = std::get_if<int*>(&in.read.target))
      inputs += std::to_string(**i);
    else
      inputs += shortestText(*std::get<float*>(in.read.target));
  }
  return text + inputs + "\n";
}

}  // namespace helisolv
