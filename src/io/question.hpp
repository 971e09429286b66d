// The questions a run asks on the console, named by their caller, so that a
// failed read can say what was asked and an answer given beforehand (a
// library caller's, or a task file's) can be taken in place of the console's.
#pragma once

#include <array>
#include <string_view>

namespace helisolv {

enum class Question {
  None,                // not a question: a pause, or a read of the task file
  AnotherRow,          // types 1-3: change the selected propeller? E yes, H no
  RowNumber,           // types 1-3: the table row of the propeller wanted
  BollardCandidate,    // type 4: the candidate diameter to report, 1 to 3
  ViscousCorrection,   // type 5: apply the viscous correction? E yes, H no
  FullScalePropeller,  // type 5: diameter and revolutions to correct to
};

// A question answered E (yes) or H (no).
constexpr bool isYesNo(Question question) {
  return question == Question::AnotherRow || question == Question::ViscousCorrection;
}

// What a question asks, in plain English, and the names of the values it
// reads (for the error report of a value that does not fit).
struct QuestionMeaning {
  std::string_view meaning;
  std::array<std::string_view, 2> values;
};

constexpr QuestionMeaning questionMeaning(Question question) {
  switch (question) {
    case Question::AnotherRow:
      return {"change the selected propeller? E yes, H no", {}};
    case Question::RowNumber:
      return {"number of the propeller wanted, from the table's left column", {"row number"}};
    case Question::BollardCandidate:
      return {"bollard candidate to report: 1, 2 or 3", {"candidate number"}};
    case Question::ViscousCorrection:
      return {"apply the ITTC78 viscous correction? E yes, H no", {}};
    case Question::FullScalePropeller:
      return {"full-scale propeller for the viscous correction",
              {"diameter D, m", "revolutions N, rpm"}};
    case Question::None:
      break;
  }
  return {};
}

}  // namespace helisolv
