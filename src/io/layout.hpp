// Layout strings parsed once into a flat list of edit descriptors. Repeat
// counts and groups are expanded at parse time; the list records where format
// reversion starts again (the last top-level group, or the beginning).
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace helisolv {

struct EditDescriptor {
  enum class Kind { Skip, Text, Integer, Real, Alpha, NewRecord };
  Kind kind = Kind::Skip;
  int width = 0;     // X: blanks; I, F, A: field width (A: 0 means the whole text)
  int digits = 0;    // I: minimum digits; F: fraction digits
  std::string text;  // quoted text
  bool isData() const { return kind == Kind::Integer || kind == Kind::Real || kind == Kind::Alpha; }
};

struct Layout {
  std::vector<EditDescriptor> items;
  size_t reversionPoint = 0;  // where the walk resumes when values remain at the end
  bool hasData = false;
  bool reversionHasData = false;  // a data descriptor lies at or after reversionPoint
};

// Parses a layout string such as "(1X,I2,F8.3,3F9.4,4X,2(F10.4,3X))". Returns
// false and a short reason on a malformed string.
bool parseLayout(std::string_view source, Layout& layout, std::string& error);

struct Session;

// The parsed form of a layout string, parsed on its first use in the run and
// kept there; a malformed string ends the run with a run-time error report.
const Layout& layoutFor(Session& io, std::string_view source);

}  // namespace helisolv
