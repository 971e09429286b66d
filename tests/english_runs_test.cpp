// Every recorded case run again in English (--lang=en): the same exit status,
// and every number of the Turkish console and result file stands in the English
// ones in the same order with the same digits; no text went out untranslated,
// and no word only the Turkish texts use is left in the English report.

#include <gtest/gtest.h>

#include <set>

#include "binary_run.hpp"
#include "catalogue_words.hpp"
#include "helisolv/run.hpp"

namespace {

using namespace helisolv::test;

std::vector<std::string> caseNames() {
  return recordedCases({"conformance", "e2e", "examples", "warnings"});
}

bool isLetter(char c) {
  return std::isalpha(static_cast<unsigned char>(c)) != 0;
}
bool isDigit(char c) {
  return std::isdigit(static_cast<unsigned char>(c)) != 0;
}

// The numbers a report prints in its fields: digits with a decimal point or
// a sign, standing apart from letters ("10Kq", "ITTC78" and "J^2" are names);
// a field of asterisks (a real that cannot be printed) counts as a number,
// and a full stop after the digits is none of them.
std::vector<std::string> numbersOf(const std::string& text) {
  std::vector<std::string> numbers;
  size_t i = 0;
  while (i < text.size()) {
    const char c = text[i];
    const bool starts = isDigit(c) || (c == '.' && i + 1 < text.size() && isDigit(text[i + 1]));
    if (text.compare(i, 2, "**") == 0) {
      size_t end = i;
      while (end < text.size() && text[end] == '*') ++end;
      // "**D**" marks a row: not a field.
      const bool mark =
          (end < text.size() && isLetter(text[end])) || (i > 0 && isLetter(text[i - 1]));
      if (!mark) numbers.emplace_back("*");
      i = end;
      continue;
    }
    if (!starts) {
      ++i;
      continue;
    }
    size_t end = i;
    while (end < text.size() && (isDigit(text[end]) || text[end] == '.')) ++end;
    // A full stop after a number ends a sentence, in one language or the other.
    if (end > i + 1 && text[end - 1] == '.') --end;
    // A percentage is part of a label ("%5.0" in Turkish, "5%" in English).
    const bool named =
        (i > 0 && (isLetter(text[i - 1]) || text[i - 1] == '^' || text[i - 1] == '%')) ||
        (end < text.size() && (isLetter(text[end]) || text[end] == '%'));
    if (!named) {
      const bool negative = i > 0 && text[i - 1] == '-' && (i < 2 || !isDigit(text[i - 2]));
      numbers.push_back((negative ? "-" : "") + text.substr(i, end - i));
    }
    i = end;
  }
  return numbers;
}

// Where two lists of numbers part, with a few on either side.
std::string firstDifference(const std::vector<std::string>& want,
                            const std::vector<std::string>& got) {
  size_t i = 0;
  while (i < want.size() && i < got.size() && want[i] == got[i]) ++i;
  if (i == want.size() && i == got.size()) return {};
  std::string text = "number " + std::to_string(i + 1) + " of " + std::to_string(want.size()) +
                     " (English " + std::to_string(got.size()) + "): Turkish";
  for (size_t k = i > 3 ? i - 3 : 0; k < std::min(want.size(), i + 4); ++k) text += " " + want[k];
  text += " / English";
  for (size_t k = i > 3 ? i - 3 : 0; k < std::min(got.size(), i + 4); ++k) text += " " + got[k];
  return text;
}

// The report without the lines only the English report has: the bollard
// pull in tonnes-force.
std::string sharedLines(const std::string& report) {
  std::string kept;
  std::istringstream lines(report);
  for (std::string line; std::getline(lines, line);)
    if (line.find(" tf (open-water thrust at zero speed)") == std::string::npos)
      kept += line + '\n';
  return kept;
}

class English : public ::testing::TestWithParam<std::string> {};

TEST_P(English, SameStatusAndNumbersAsTheTurkishRecordNoTurkishLeft) {
  const fs::path src = kCasesDir / GetParam();
  const fs::path work = scratchFolder("en_" + GetParam());
  Invocation invocation = stageCase(src, work);
  const std::string taskText = slurp(work / "Helisolv.Tsk");
  invocation.args.emplace_back("--lang=en");
  const std::vector<std::string>& args = invocation.args;
  const Outcome o = runBinary(work, invocation);
  EXPECT_EQ(o.status, std::stoi(slurp(src / "expected.rc")));

  const std::string& console = o.out;
  EXPECT_EQ(
      firstDifference(numbersOf(slurp(src / "expected.stdout")), numbersOf(sharedLines(console))),
      "")
      << "console";
  const std::set<std::string> turkishWords = helisolv::test::turkishOnlyWords();
  EXPECT_EQ(helisolv::test::firstTurkishWord(console, turkishWords), "") << "console";
  if (fs::exists(src / "expected.son")) {
    const std::string son = slurp(work / "Helisolv.Son");
    EXPECT_EQ(firstDifference(numbersOf(slurp(src / "expected.son")), numbersOf(sharedLines(son))),
              "")
        << "result file";
    EXPECT_EQ(helisolv::test::firstTurkishWord(son, turkishWords), "") << "result file";
  }
  fs::remove_all(work);

  // The same run in the library names every text it printed without a twin.
  helisolv::RunOptions options;
  if (std::find_if(args.begin(), args.end(),
                   [](const std::string& a) { return a.starts_with("--csv"); }) != args.end())
    return;
  if (const auto ended = helisolv::parseRunArguments(args, options)) return;
  const helisolv::RunResult run = helisolv::run(
      taskText, fs::exists(src / "stdin.txt") ? slurp(src / "stdin.txt") : std::string(), options);
  std::string missing;
  for (const std::string& text : run.untranslated) missing += "msgid \"" + text + "\"\n";
  EXPECT_EQ(missing, "") << "printed without an English twin";
}

INSTANTIATE_TEST_SUITE_P(English, English, ::testing::ValuesIn(caseNames()),
                         [](const auto& info) { return testName(info.param); });

// The number scan itself: fields apart from names, asterisks as a field.
TEST(EnglishNumbers, FieldsApartFromNames) {
  EXPECT_EQ(numbersOf(" P/D= 1.069 10Kq= .378 ITTC78 Kt/J^2 = -0.25 T= ******* kN 26 **D**"),
            (std::vector<std::string>{"1.069", ".378", "-0.25", "*", "26"}));
}

// The reason of a refusal is the message as the run's language words it.
TEST(EnglishAnswers, RefusalReasonInTheRunsLanguageAndBadNamesRefused) {
  const std::string task = fixedLineTask("1", "5", "1.0 4 1.2");
  helisolv::RunOptions english;
  english.language = "en";
  const helisolv::RunResult tr = helisolv::run(task);
  const helisolv::RunResult en = helisolv::run(task, {}, english);
  EXPECT_EQ(static_cast<int>(tr.exitStatus), 3);
  EXPECT_EQ(static_cast<int>(en.exitStatus), 3);
  EXPECT_NE(tr.reason.find("1.2000"), std::string::npos) << tr.reason;
  EXPECT_NE(en.reason.find("1.2000"), std::string::npos) << en.reason;
  EXPECT_NE(tr.reason, en.reason);
  EXPECT_EQ(helisolv::test::firstTurkishWord(en.reason, helisolv::test::turkishOnlyWords()), "");

  english.language = "xx";
  EXPECT_EQ(static_cast<int>(helisolv::run(task, {}, english).exitStatus), 2);
  helisolv::RunOptions parsed;
  for (const char* bad : {"--lang=xx", "--lang", "--lang="}) {
    const std::vector<std::string> args{bad};
    const auto ended = helisolv::parseRunArguments(args, parsed);
    ASSERT_TRUE(ended) << bad;
    EXPECT_EQ(static_cast<int>(ended->exitStatus), 2) << bad;
  }
  const std::vector<std::string> args{"--lang=en"};
  EXPECT_FALSE(helisolv::parseRunArguments(args, parsed));
  EXPECT_EQ(parsed.language, "en");
}

// A refused run hands its reason over as the message that ends the result
// file: the last records before the end, joined into one line.
TEST(RefusalReason, IsTheMessageThatEndsTheResultFile) {
  int refused = 0;
  for (const std::string& name : caseNames()) {
    const fs::path src = kCasesDir / name;
    if (std::stoi(slurp(src / "expected.rc")) != 3 || !fs::exists(src / "Helisolv.Tsk") ||
        fs::exists(src / "args.txt"))
      continue;
    ++refused;
    const helisolv::RunResult run =
        helisolv::run(slurp(src / "Helisolv.Tsk"),
                      fs::exists(src / "stdin.txt") ? slurp(src / "stdin.txt") : std::string());
    ASSERT_EQ(static_cast<int>(run.exitStatus), 3) << name;
    // The message is the last paragraph of the result file: the records after
    // the last empty record, table rule or table row (digits only), trimmed.
    std::vector<std::string> paragraph;
    std::istringstream lines(run.resultFile);
    for (std::string line; std::getline(lines, line);) {
      if (!line.empty() && line.back() == '\r') line.pop_back();
      if (line.find_first_not_of(" -|") == std::string::npos ||
          line.find_first_not_of(" 0123456789.-*") == std::string::npos) {
        paragraph.clear();
        continue;
      }
      const size_t first = line.find_first_not_of(' ');
      paragraph.push_back(line.substr(first, line.find_last_not_of(' ') - first + 1));
    }
    std::string message;
    for (const std::string& part : paragraph) message += (message.empty() ? "" : " ") + part;
    const bool ends = message == run.reason;
    EXPECT_TRUE(ends) << name << ": reason \"" << run.reason << "\"";
  }
  EXPECT_GT(refused, 20);
}

}  // namespace
