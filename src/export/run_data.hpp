// What a run hands to its data export, kept as the CSV fields it becomes: the
// inputs as read, the result block, every table row, and the reason of a
// refusal.
#pragma once

#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "export/data_export.hpp"

namespace helisolv {

// One line of a CSV file, each field already in its CSV form.
using CsvLine = std::vector<std::string>;

// A table's file name, its columns with units in brackets, and the 0/1 marker
// column set by markRow (empty: none).
struct TableShape {
  std::string_view file;
  std::vector<std::string_view> columns;
  std::string_view marker;
};
const TableShape& tableShape(data::Table table);

// The tables in the order their files are written.
inline constexpr data::Table kAllTables[] = {data::Table::Candidates,  data::Table::Bollard,
                                             data::Table::OpenWater,   data::Table::BpDelta,
                                             data::Table::PitchSweep,  data::Table::AreaRatio,
                                             data::Table::BladeChecks, data::Table::BurrillLines};

// The head line of a table's file for a run of this problem type.
CsvLine tableHead(data::Table table, int problemType);

// A text field, quoted when it holds a separator, a quote or a line end.
std::string csvText(std::string_view text);

class RunData {
 public:
  std::vector<CsvLine> inputs;   // quantity, value, unit
  std::vector<CsvLine> results;  // quantity, value, unit
  std::map<data::Table, std::vector<CsvLine>> tables;
  int viscousFlag = 0;
  // The lines of the message that refused the inputs, as the report words them.
  std::vector<std::string> refusal;
  // Called after an input or the viscous flag is handed over (the console
  // program keeps the record of an interrupted run up to date); none: nothing.
  std::function<void()> changed;

  // The reason of a refusal: its message as one line.
  std::string reason() const;
};

}  // namespace helisolv
