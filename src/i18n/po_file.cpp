#include "i18n/po_file.hpp"

#include <set>
#include <utility>

namespace helisolv {

namespace {

enum class Field { None, Context, Id, Text };

bool isSpace(char c) {
  return c == ' ' || c == '\t';
}

std::string_view trimmed(std::string_view s) {
  while (!s.empty() && isSpace(s.front())) s.remove_prefix(1);
  while (!s.empty() && isSpace(s.back())) s.remove_suffix(1);
  return s;
}

int hexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// One quoted string with C escapes, the whole rest of the line; appends its
// value to out.
bool readQuoted(std::string_view s, std::string& out, std::string& why) {
  s = trimmed(s);
  if (s.size() < 2 || s.front() != '"' || s.back() != '"') {
    why = "a text in double quotes expected";
    return false;
  }
  s = s.substr(1, s.size() - 2);
  for (size_t i = 0; i < s.size(); ++i) {
    const char c = s[i];
    if (c == '"') {
      why = "a double quote inside a text must be written \\\"";
      return false;
    }
    if (c != '\\') {
      out += c;
      continue;
    }
    if (++i == s.size()) {
      why = "a text ends in a lone backslash";
      return false;
    }
    switch (const char e = s[i]) {
      case 'n':
        out += '\n';
        break;
      case 't':
        out += '\t';
        break;
      case 'r':
        out += '\r';
        break;
      case 'a':
        out += '\a';
        break;
      case 'b':
        out += '\b';
        break;
      case 'f':
        out += '\f';
        break;
      case 'v':
        out += '\v';
        break;
      case '\\':
      case '"':
      case '\'':
      case '?':
        out += e;
        break;
      case 'x': {
        // At most two hex digits: a longer run would be a value beyond a byte.
        int value = 0, digits = 0;
        while (digits < 2 && i + 1 < s.size() && hexValue(s[i + 1]) >= 0) {
          value = value * 16 + hexValue(s[++i]);
          ++digits;
        }
        if (digits == 0) {
          why = "\\x without hex digits";
          return false;
        }
        out += static_cast<char>(value);
        break;
      }
      default:
        if (e >= '0' && e <= '7') {
          int value = e - '0', digits = 1;
          while (digits < 3 && i + 1 < s.size() && s[i + 1] >= '0' && s[i + 1] <= '7') {
            value = value * 8 + (s[++i] - '0');
            ++digits;
          }
          if (value > 255) {
            why = "an octal escape beyond a byte";
            return false;
          }
          out += static_cast<char>(value);
          break;
        }
        why = std::string("unknown escape \\") + e;
        return false;
    }
  }
  return true;
}

}  // namespace

bool parsePo(std::string_view source, std::vector<PoEntry>& entries, std::string& error) {
  entries.clear();
  error.clear();
  PoEntry current;
  Field field = Field::None;  // the field the next continuation line belongs to
  bool hasId = false, hasText = false;
  std::set<std::pair<std::string, std::string>> seen;
  int lineNumber = 0;

  auto fail = [&](std::string_view why) {
    error = "line " + std::to_string(lineNumber) + ": " + std::string(why);
    return false;
  };
  // Closes the entry read so far, if any; a msgid without its msgstr is an error.
  auto finish = [&]() {
    if (!hasId && !hasText && current.context.empty()) {
      // Comments alone (the file's top, or notes before an entry) stay for it.
      return true;
    }
    if (!hasId) return fail("msgstr without msgid");
    if (!hasText) return fail("msgid without msgstr");
    if (!seen.emplace(current.context, current.id).second)
      return fail("the msgid of line " + std::to_string(current.line) + " stands twice");
    entries.push_back(std::move(current));
    current = PoEntry();
    hasId = hasText = false;
    field = Field::None;
    return true;
  };

  // A byte-order mark, as some editors write at the start of a UTF-8 file.
  size_t pos = source.starts_with("\xEF\xBB\xBF") ? 3 : 0;
  while (pos < source.size()) {
    size_t end = source.find('\n', pos);
    if (end == std::string_view::npos) end = source.size();
    std::string_view line = source.substr(pos, end - pos);
    pos = end + 1;
    ++lineNumber;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    const std::string_view body = trimmed(line);
    std::string why;

    if (body.empty()) {
      field = Field::None;
      continue;
    }
    if (body.front() == '#') {
      // A comment after a msgstr starts the next entry.
      if (hasText && !finish()) return false;
      field = Field::None;
      if (body.starts_with("#.")) {
        std::string_view note = body.substr(2);
        if (!note.empty() && note.front() == ' ') note.remove_prefix(1);
        if (!current.note.empty()) current.note += '\n';
        current.note += note;
      } else if (body.starts_with("#,")) {
        if (body.find("fuzzy") != std::string_view::npos) current.fuzzy = true;
      }
      continue;
    }
    if (body.front() == '"') {
      std::string* target = field == Field::Context ? &current.context
                            : field == Field::Id    ? &current.id
                            : field == Field::Text  ? &current.text
                                                    : nullptr;
      if (!target) return fail("a text line outside msgctxt, msgid or msgstr");
      if (!readQuoted(body, *target, why)) return fail(why);
      continue;
    }
    const size_t keywordEnd = body.find_first_of(" \t\"");
    const std::string_view keyword = body.substr(0, keywordEnd);
    const std::string_view rest =
        keywordEnd == std::string_view::npos ? std::string_view() : body.substr(keywordEnd);
    if (keyword == "msgctxt") {
      if ((hasId || hasText) && !finish()) return false;
      if (!current.context.empty()) return fail("a second msgctxt");
      if (!readQuoted(rest, current.context, why)) return fail(why);
      field = Field::Context;
    } else if (keyword == "msgid") {
      if (hasText && !finish()) return false;
      if (hasId) return fail("a second msgid before the msgstr");
      if (!readQuoted(rest, current.id, why)) return fail(why);
      current.line = lineNumber;
      hasId = true;
      field = Field::Id;
    } else if (keyword == "msgstr") {
      if (!hasId) return fail("msgstr without msgid");
      if (hasText) return fail("a second msgstr");
      if (!readQuoted(rest, current.text, why)) return fail(why);
      hasText = true;
      field = Field::Text;
    } else if (keyword == "msgid_plural" || keyword.starts_with("msgstr[")) {
      return fail("plural forms are not used by this program's catalogues");
    } else {
      return fail("unknown keyword \"" + std::string(keyword) + "\"");
    }
  }
  ++lineNumber;
  if (hasId || hasText) return finish();
  return true;
}

}  // namespace helisolv
