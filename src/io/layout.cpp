#include "io/layout.hpp"

#include <map>
#include <memory>

#include "io/runtime_error.hpp"
#include "io/session.hpp"

namespace helisolv {

namespace {

// Upper bound on the expanded list, so that a hostile repeat count cannot
// exhaust memory; the longest layout of the program expands to under 100 items.
constexpr size_t kMaxItems = 100000;

// ASCII alone, never the host's locale: a Turkish one upper-cases 'i' to a
// letter no descriptor has.
bool isAsciiDigit(char c) {
  return c >= '0' && c <= '9';
}
char asciiUpper(char c) {
  return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

class LayoutParser {
 public:
  explicit LayoutParser(std::string_view s) : s_(s) {}

  bool parse(Layout& out, std::string& error) {
    skipBlanks();
    if (!eat('(')) return fail(error, "layout must begin with '('");
    std::vector<EditDescriptor> items;
    size_t reversion = 0;
    if (!parseList(items, 0, reversion, error)) return false;
    skipBlanks();
    if (pos_ != s_.size()) return fail(error, "text after the closing ')'");
    out.items = std::move(items);
    out.reversionPoint = reversion;
    out.hasData = false;
    out.reversionHasData = false;
    for (size_t i = 0; i < out.items.size(); ++i) {
      out.hasData = out.hasData || out.items[i].isData();
      if (i >= reversion) out.reversionHasData = out.reversionHasData || out.items[i].isData();
    }
    return true;
  }

 private:
  // Parses items up to and including the ')' that closes the current list.
  // depth 0 is the outer list; groups nest one level inside it.
  bool parseList(std::vector<EditDescriptor>& items, int depth, size_t& reversion,
                 std::string& error) {
    bool needSeparator = false;
    for (;;) {
      skipBlanks();
      if (pos_ >= s_.size()) return fail(error, "missing ')'");
      char c = s_[pos_];
      if (c == ')') {
        ++pos_;
        return true;
      }
      if (c == ',') {
        ++pos_;
        needSeparator = false;
        continue;
      }
      if (c == '/') {
        ++pos_;
        items.push_back({EditDescriptor::Kind::NewRecord, 0, 0, {}});
        needSeparator = false;
        continue;
      }
      if (needSeparator) return fail(error, "missing ',' between items");
      int repeat = 1;
      bool hasRepeat = false;
      if (isAsciiDigit(c)) {
        if (!number(repeat)) return fail(error, "count too large");
        hasRepeat = true;
        skipBlanks();
        if (pos_ >= s_.size()) return fail(error, "missing descriptor after a count");
        c = s_[pos_];
      }
      if (hasRepeat && repeat == 0) return fail(error, "zero repeat count");
      std::vector<EditDescriptor> one;
      if (c == '(') {
        if (depth >= 1) return fail(error, "groups nest one level only");
        ++pos_;
        size_t unused = 0;
        if (!parseList(one, depth + 1, unused, error)) return false;
        if (depth == 0) reversion = items.size();
      } else if (c == '/') {
        ++pos_;
        one.push_back({EditDescriptor::Kind::NewRecord, 0, 0, {}});
      } else if (c == '\'') {
        ++pos_;
        size_t end = s_.find('\'', pos_);
        if (end == std::string_view::npos) return fail(error, "unterminated text");
        one.push_back({EditDescriptor::Kind::Text, 0, 0, std::string(s_.substr(pos_, end - pos_))});
        pos_ = end + 1;
      } else {
        ++pos_;
        switch (asciiUpper(c)) {
          case 'X':
            if (!hasRepeat) return fail(error, "X needs a count");
            one.push_back({EditDescriptor::Kind::Skip, repeat, 0, {}});
            repeat = 1;
            break;
          case 'I': {
            int w = 0, m = 1;
            if (!width(w, error)) return false;
            if (eat('.') && !number(m)) return fail(error, "bad minimum digits");
            one.push_back({EditDescriptor::Kind::Integer, w, m, {}});
            break;
          }
          case 'F': {
            int w = 0, d = 0;
            if (!width(w, error)) return false;
            if (!eat('.') || !number(d)) return fail(error, "F needs w.d");
            one.push_back({EditDescriptor::Kind::Real, w, d, {}});
            break;
          }
          case 'A': {
            int w = 0;
            skipBlanks();
            if (pos_ < s_.size() && isAsciiDigit(s_[pos_]) && (!number(w) || w == 0))
              return fail(error, "bad A width");
            one.push_back({EditDescriptor::Kind::Alpha, w, 0, {}});
            break;
          }
          default:
            return fail(error, std::string("unknown descriptor '") + c + "'");
        }
      }
      for (int r = 0; r < repeat; ++r) {
        if (items.size() + one.size() > kMaxItems) return fail(error, "layout too long");
        items.insert(items.end(), one.begin(), one.end());
      }
      needSeparator = true;
    }
  }

  bool width(int& w, std::string& error) {
    skipBlanks();
    if (!number(w) || w == 0) return fail(error, "missing field width");
    return true;
  }

  bool number(int& value) {
    skipBlanks();
    size_t start = pos_;
    long long v = 0;
    while (pos_ < s_.size() && isAsciiDigit(s_[pos_])) {
      v = v * 10 + (s_[pos_] - '0');
      if (v > 1000000) return false;
      ++pos_;
    }
    value = static_cast<int>(v);
    return pos_ > start;
  }

  bool eat(char c) {
    skipBlanks();
    if (pos_ < s_.size() && s_[pos_] == c) {
      ++pos_;
      return true;
    }
    return false;
  }

  void skipBlanks() {
    while (pos_ < s_.size() && (s_[pos_] == ' ' || s_[pos_] == '\t')) ++pos_;
  }

  static bool fail(std::string& error, std::string why) {
    error = std::move(why);
    return false;
  }

  std::string_view s_;
  size_t pos_ = 0;
};

}  // namespace

bool parseLayout(std::string_view source, Layout& layout, std::string& error) {
  return LayoutParser(source).parse(layout, error);
}

const Layout& layoutFor(Session& io, std::string_view source) {
  // A run writes a few hundred records with a few dozen distinct layouts; each
  // is parsed once per run.
  auto& cache = io.layouts;
  auto it = cache.find(source);
  if (it != cache.end()) return *it->second;
  auto parsed = std::make_unique<Layout>();
  std::string error;
  if (!parseLayout(source, *parsed, error))
    runtimeError(io, RuntimeErrorCode::BadLayout, "WRITE", "layout", error);
  return *cache.emplace(std::string(source), std::move(parsed)).first->second;
}

}  // namespace helisolv
