// Reads the text of a gettext .po file: the subset a translator's tool writes
// for a catalogue without plural forms. Each entry is a msgid and a msgstr,
// each one or more quoted strings on consecutive lines (joined), with C
// escapes; comment lines start with '#' ("#." the developer's note for the
// translator, "#," flags such as fuzzy). An optional msgctxt is read and kept.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace helisolv {

struct PoEntry {
  std::string context;  // msgctxt, empty when none
  std::string id;       // msgid
  std::string text;     // msgstr
  std::string note;     // "#." lines, joined by '\n'
  bool fuzzy = false;   // "#, fuzzy": a draft the program does not use
  int line = 0;         // the line of the msgid, for messages
};

// Parses a whole file. On a malformed file returns false and a reason that
// names the line; entries then holds those read before it. The header entry
// (empty msgid) is returned like any other.
bool parsePo(std::string_view source, std::vector<PoEntry>& entries, std::string& error);

}  // namespace helisolv
