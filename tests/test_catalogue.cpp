// The translation catalogues: the .po reader, the compiled English catalogue,
// and its agreement with the texts the program prints.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "catalogue_words.hpp"
#include "i18n/catalogue.hpp"
#include "i18n/po_file.hpp"
#include "io/layout.hpp"
#include "slurp.hpp"

namespace helisolv {
namespace {

namespace fs = std::filesystem;

const fs::path kSourceDir = fs::path(HELISOLV_CASES_DIR) / ".." / "src";

// The entries a .po text is read into, one "line:context|id|text|note|fuzzy"
// a line, or the reason it is refused.
std::string poRead(const std::string& po) {
  std::vector<PoEntry> entries;
  std::string error, read;
  if (!parsePo(po, entries, error)) return error;
  for (const PoEntry& e : entries)
    read += std::to_string(e.line) + ":" + e.context + "|" + e.id + "|" + e.text + "|" + e.note +
            (e.fuzzy ? "|fuzzy\n" : "|\n");
  return read;
}

TEST(PoFile, ReadsEntriesAndRefusesMalformedFilesNamingTheLine) {
  const std::pair<std::string, std::string> cases[] = {
      {"\xEF\xBB\xBF# translator's comment\nmsgid \"\"\nmsgstr \"Language: "
       "en\\n\"\n\n"
       "#. first note\n#. second note\nmsgid \"A\\\"B\\\\C\"\nmsgstr \"x\" "
       "\n\"y\\tz\\101\\x42\"\r\n"
       "#, fuzzy\nmsgctxt \"c\"\nmsgid \"\"\n\"two\"\nmsgstr \"\"\n",
       "2:||Language: en\n||\n7:|A\"B\\C|xy\tzAB|first note\nsecond "
       "note|\n12:c|two|||fuzzy\n"},
      {"msgid \"a\"\n", "line 2: msgid without msgstr"},
      {"msgstr \"a\"\n", "line 1: msgstr without msgid"},
      {"msgid \"a\"\nmsgid \"b\"\n", "line 2: a second msgid before the msgstr"},
      {"msgid \"a\nmsgstr \"b\"\n", "line 1: a text in double quotes expected"},
      {"msgid \"a\"b\"\nmsgstr \"\"\n",
       "line 1: a double quote inside a text must be written \\\""},
      {"msgid \"a\\q\"\nmsgstr \"\"\n", "line 1: unknown escape \\q"},
      {"msgid \"a\"\nmsgstr \"b\"\n\"c\\\"\n", "line 3: a text ends in a lone backslash"},
      {"\"a\"\n", "line 1: a text line outside msgctxt, msgid or msgstr"},
      {"msgid \"a\"\nmsgid_plural \"as\"\n",
       "line 2: plural forms are not used by this program's catalogues"},
      {"msgid \"a\"\nmsgstr \"b\"\nmsgid \"a\"\nmsgstr \"c\"\n",
       "line 5: the msgid of line 3 stands twice"},
      {"msgid \"a\"\nmsgstr \"b\"\nmsgtext \"c\"\n", "line 3: unknown keyword \"msgtext\""},
  };
  for (const auto& [po, read] : cases) EXPECT_EQ(poRead(po), read) << po;
}

TEST(Catalogue, IsTheSourceFileReadWhole) {
  ASSERT_FALSE(translatedLanguages().empty());
  for (const Language language : translatedLanguages()) {
    const std::string file = std::string(languageCode(language)) + ".po";
    EXPECT_EQ(catalogueError(language), "");
    std::vector<PoEntry> entries;
    std::string error;
    ASSERT_TRUE(parsePo(slurp(kSourceDir / "i18n" / file), entries, error)) << file << error;
    // Every translated entry of the file, and nothing else, is compiled in.
    size_t translated = 0;
    for (const PoEntry& e : entries) {
      if (e.id.empty() || e.fuzzy || e.text.empty()) continue;
      ++translated;
      EXPECT_EQ(translate(language, e.id), std::optional<std::string_view>(e.text))
          << file << " line " << e.line;
    }
    EXPECT_EQ(catalogueEntries(language).size(), translated);
    EXPECT_EQ(translate(language, "no such text"), std::nullopt);
  }
  EXPECT_TRUE(catalogueEntries(Language::Turkish).empty());
  EXPECT_EQ(translate(Language::Turkish, "no such text"),
            std::optional<std::string_view>("no such text"));
  EXPECT_EQ(languageFromCode("English"), Language::English);
  EXPECT_EQ(languageFromCode("TR"), Language::Turkish);
  EXPECT_EQ(languageFromCode("de"), std::nullopt);
  const std::pair<std::string_view, std::string_view> values[] = {{"a", "1"}, {"bb", "{a}"}};
  EXPECT_EQ(fillPlaceholders("{bb} and {a}, {c} {", values), "{a} and 1, {c} {");
  EXPECT_TRUE(needsTranslation("(1X,'Kt=',F6.3)"));
  EXPECT_FALSE(needsTranslation("(1X,I3,2F7.3,3F9.4,1X,2(F10.4,3X))"));
  EXPECT_FALSE(needsTranslation("(1X,72('-'))"));
  EXPECT_FALSE(needsTranslation("---|-------|"));
  EXPECT_TRUE(needsTranslation(" i    P/D"));
}

// The data descriptors of a layout, from where reversion resumes, as kind,
// width and digits.
std::string dataDescriptors(const Layout& layout, size_t from) {
  std::string s;
  for (size_t i = from; i < layout.items.size(); ++i)
    if (const EditDescriptor& d = layout.items[i]; d.isData())
      s += "STIFAN"[static_cast<int>(d.kind)] + std::to_string(d.width) + "." +
           std::to_string(d.digits) + " ";
  return s;
}

bool isLayout(std::string_view text) {
  Layout layout;
  std::string error;
  return !text.empty() && text.front() == '(' && parseLayout(text, layout, error);
}

TEST(Catalogue, EveryTwinKeepsTheNumbersFieldsAndAsksYesOrNo) {
  for (const Language language : translatedLanguages())
    for (const CatalogueEntry& e : catalogueEntries(language)) {
      SCOPED_TRACE(std::string(languageCode(language)) + ": " + std::string(e.turkish));
      // Printable ASCII only: the report's bytes go to terminals and files in
      // any encoding.
      EXPECT_TRUE(std::all_of(e.translated.begin(), e.translated.end(),
                              [](char c) { return c >= ' ' && c <= '~'; }));
      const bool asks = language == Language::English && e.turkish.find("E/H") != e.turkish.npos;
      EXPECT_TRUE(!asks || (e.translated.find("Y/N") != e.translated.npos &&
                            e.translated.find("E/H") == e.translated.npos));
      Layout turkish, twin;
      std::string error;
      ASSERT_EQ(isLayout(e.translated), isLayout(e.turkish)) << "a layout's twin is a layout";
      if (!isLayout(e.turkish)) continue;
      ASSERT_TRUE(parseLayout(e.turkish, turkish, error) && parseLayout(e.translated, twin, error));
      EXPECT_EQ(dataDescriptors(twin, 0), dataDescriptors(turkish, 0)) << e.translated;
      EXPECT_EQ(dataDescriptors(twin, twin.reversionPoint),
                dataDescriptors(turkish, turkish.reversionPoint))
          << e.translated;
    }
}

// ---- The texts the program prints ----

// A C++ source as names ('n'), punctuation ('p') and string literals ('t',
// adjacent ones joined, escapes read); comments, character literals and
// numbers dropped.
struct Token {
  char kind;
  std::string text;
};

std::vector<Token> tokenize(std::string_view s) {
  std::vector<Token> tokens;
  const auto word = [](char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_'; };
  for (size_t i = 0; i < s.size();) {
    const char c = s[i];
    if (s.substr(i, 2) == "//") {
      i = std::min(s.find('\n', i), s.size());
    } else if (s.substr(i, 2) == "/*") {
      i = std::min(s.find("*/", i), s.size() - 2) + 2;
    } else if (c == '"' || c == '\'') {
      std::string body;
      for (++i; i < s.size() && s[i] != c; ++i) {
        if (s[i] == '\\' && ++i < s.size())
          body += s[i] == 'n' ? '\n' : s[i] == 'r' ? '\r' : s[i] == 't' ? '\t' : s[i];
        else
          body += s[i];
      }
      ++i;
      if (c == '\'') continue;
      if (!tokens.empty() && tokens.back().kind == 't')
        tokens.back().text += body;
      else
        tokens.push_back({'t', body});
    } else if (word(c)) {
      const size_t from = i;
      while (i < s.size() && word(s[i])) ++i;
      if (!std::isdigit(static_cast<unsigned char>(c)))
        tokens.push_back({'n', std::string(s.substr(from, i - from))});
    } else {
      if (!std::isspace(static_cast<unsigned char>(c))) tokens.push_back({'p', std::string(1, c)});
      ++i;
    }
  }
  return tokens;
}

// The index after the bracket that closes the one at tokens[open].
size_t closing(const std::vector<Token>& tokens, size_t open) {
  for (size_t i = open, depth = 0; i < tokens.size(); ++i) {
    const std::string& t = tokens[i].kind == 'p' ? tokens[i].text : "";
    depth += t == "(" || t == "{" ? 1 : 0;
    if ((t == ")" || t == "}") && --depth == 0) return i + 1;
  }
  return tokens.size();
}

// The functions that print free texts or a layout's values to the report or
// the console. The stop text is English in every language and is not looked up.
const std::set<std::string> kWriters = {"writeFree", "reportFree", "pause", "write", "report"};

// The Turkish texts one source can print: every layout string in it; every
// text in the call of a writer; the text of each constant "NAME = "text";"
// named in the call of a writer or of a function of the source that calls one
// (the column titles a table's writer takes); and, in a source that writes,
// the texts of its constant records "NAME{...}" (the lines in which related
// problems differ), but not of a list of file names "NAME[] = {...}".
void collectPrintedTexts(std::string_view source, std::set<std::string>& texts) {
  const std::vector<Token> tokens = tokenize(source);
  const auto calls = [&](size_t i, const std::set<std::string>& names) {
    return tokens[i].kind == 'n' && names.contains(tokens[i].text) && i + 1 < tokens.size() &&
           tokens[i + 1].text == "(";
  };
  std::set<std::string> writers = kWriters, named;
  std::map<std::string, std::string> constants;
  std::vector<std::string> records;
  bool writes = false;
  for (size_t i = 0; i + 1 < tokens.size(); ++i) {
    if (tokens[i].kind != 'n' || tokens[i + 1].text != "(") continue;
    size_t body = closing(tokens, i + 1);
    while (body < tokens.size() && tokens[body].kind == 'n') ++body;
    const size_t end = body < tokens.size() && tokens[body].text == "{" ? closing(tokens, body) : 0;
    for (size_t k = body; k < end; ++k)
      if (calls(k, kWriters)) writers.insert(tokens[i].text);
  }
  for (size_t i = 0; i < tokens.size(); ++i) {
    if (tokens[i].kind == 't' && isLayout(tokens[i].text)) texts.insert(tokens[i].text);
    const bool call = calls(i, writers);
    if (!call && tokens[i].text != "constexpr") continue;
    // The call's arguments, or the declaration to its end.
    const size_t end = call ? closing(tokens, i + 1) : tokens.size();
    std::vector<std::string> found;
    std::string shape, name;  // the declaration's punctuation outside brackets
    for (size_t k = i + 1, depth = 0; k < end; ++k) {
      const std::string& t = tokens[k].text;
      if (tokens[k].kind == 't') found.push_back(t);
      if (tokens[k].kind == 'n' && call) named.insert(t);
      if (call || tokens[k].kind != 'p') continue;
      if (depth == 0 && shape.empty() && t == "=") name = tokens[k - 1].text;
      if (depth == 0 && t.find_first_of(":<>*&") == std::string::npos) shape += t;
      depth += t == "(" || t == "{" ? 1 : 0;
      if ((t == ")" || t == "}") && depth-- == 0) break;
      if (depth == 0 && t == ";") break;
    }
    writes = writes || calls(i, kWriters);
    if (calls(i, kWriters))
      texts.insert(found.begin(), found.end());
    else if (!call && shape == "=;" && found.size() == 1)
      constants[name] = found[0];
    else if (!call && shape.starts_with("{"))
      records.insert(records.end(), found.begin(), found.end());
  }
  for (const std::string& n : named)
    if (constants.contains(n)) texts.insert(constants[n]);
  if (writes) texts.insert(records.begin(), records.end());
}

// Every Turkish text of the program's sources that needs a twin.
std::set<std::string> printedTexts() {
  std::set<std::string> texts;
  for (const auto& entry : fs::recursive_directory_iterator(kSourceDir)) {
    const fs::path& p = entry.path();
    if (p.parent_path().filename() != "i18n" &&
        (p.extension() == ".cpp" || p.extension() == ".hpp"))
      collectPrintedTexts(slurp(p), texts);
  }
  std::erase_if(texts, [](const std::string& t) { return !needsTranslation(t); });
  return texts;
}

TEST(Catalogue, EveryPrintedTextHasATwinAndEveryTwinIsPrinted) {
  const std::set<std::string> texts = printedTexts();
  // The program prints more than a hundred texts; far fewer means the scan
  // lost its way. A scan that misses a kind of text finds twins it takes for
  // unprinted; one that finds too much, texts without twins.
  EXPECT_GT(texts.size(), 100u);
  for (const Language language : translatedLanguages()) {
    std::string missing, stale;
    for (const std::string& t : texts)
      if (!translate(language, t)) missing += "msgid \"" + t + "\"\n";
    for (const CatalogueEntry& e : catalogueEntries(language))
      if (!texts.contains(std::string(e.turkish)))
        stale += "msgid \"" + std::string(e.turkish) + "\"\n";
    const std::string po = "src/i18n/" + std::string(languageCode(language)) + ".po";
    EXPECT_EQ(missing, "") << "texts without a twin in " << po;
    EXPECT_EQ(stale, "") << "texts of " << po << " the program no longer prints";
  }
  // The words an English run's report may not hold.
  const std::set<std::string> words = test::turkishOnlyWords();
  EXPECT_TRUE(words.contains("PERVANE"));
  EXPECT_FALSE(words.contains("GAWN"));
  EXPECT_EQ(test::firstTurkishWord(" 3. PERVANEDIR", words), "PERVANEDIR");
  EXPECT_EQ(test::firstTurkishWord(" CHOSEN PROPELLER: 3", words), "");
}

}  // namespace
}  // namespace helisolv
