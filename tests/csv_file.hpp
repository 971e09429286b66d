// A CSV file of the data export as rows of fields.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "slurp.hpp"

using CsvRows = std::vector<std::vector<std::string>>;

// Comma-separated fields, a quoted field keeping its commas and doubled quotes.
inline CsvRows readCsv(const std::filesystem::path& p) {
  const std::string text = slurp(p);
  EXPECT_EQ(text.find('\r'), std::string::npos) << p << " has CR line ends";
  CsvRows rows;
  std::istringstream lines(text);
  for (std::string line; std::getline(lines, line);) {
    std::vector<std::string> fields(1);
    bool quoted = false;
    for (size_t i = 0; i < line.size(); ++i) {
      const char ch = line[i];
      if (quoted && ch == '"' && i + 1 < line.size() && line[i + 1] == '"') {
        fields.back() += '"';
        ++i;
      } else if (ch == '"') {
        quoted = !quoted;
      } else if (ch == ',' && !quoted) {
        fields.emplace_back();
      } else {
        fields.back() += ch;
      }
    }
    rows.push_back(fields);
  }
  return rows;
}
