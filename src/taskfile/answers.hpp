// The task file's answers standing in for the console's lines.
#pragma once

#include <optional>
#include <string>

#include "helisolv/task_file.hpp"
#include "io/question.hpp"

namespace helisolv {

// Gives each answer of the file once, as the console line that answers the
// question; nothing for a question the file does not answer or that is asked
// again (a refused answer), which then reads the console, so no refused
// answer is given forever.
class AnswerSource {
 public:
  explicit AnswerSource(const TaskAnswers& answers) : answers_(answers) {}
  std::optional<std::string> take(Question question);

 private:
  TaskAnswers answers_;
};

}  // namespace helisolv
