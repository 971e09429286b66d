// The translation catalogues: the .po reader, the compiled English catalogue,
// and its agreement with the texts the program prints.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "catalogue_words.hpp"
#include "i18n/catalogue.hpp"
#include "i18n/po_file.hpp"
#include "io/layout.hpp"

namespace helisolv {
namespace {

namespace fs = std::filesystem;

const fs::path kSourceDir = fs::path(HELISOLV_CASES_DIR) / ".." / "src";

std::string readFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

// ---- The .po reader ----

TEST(PoFile, ReadsEntriesNotesFlagsAndJoinedStrings) {
  const std::string po =
      "\xEF\xBB\xBF# translator's comment\n"
      "msgid \"\"\n"
      "msgstr \"Language: en\\n\"\n"
      "\n"
      "#. first note\n"
      "#. second note\n"
      "msgid \"A\\\"B\\\\C\"\n"
      "msgstr \"x\" \n"
      "\"y\\tz\\101\\x42\"\r\n"
      "#, fuzzy\n"
      "msgctxt \"c\"\n"
      "msgid \"\"\n"
      "\"two\"\n"
      "msgstr \"\"\n";
  std::vector<PoEntry> entries;
  std::string error;
  ASSERT_TRUE(parsePo(po, entries, error)) << error;
  ASSERT_EQ(entries.size(), 3u);
  EXPECT_EQ(entries[0].id, "");
  EXPECT_EQ(entries[0].text, "Language: en\n");
  EXPECT_EQ(entries[1].id, "A\"B\\C");
  EXPECT_EQ(entries[1].text, "xy\tzAB");
  EXPECT_EQ(entries[1].note, "first note\nsecond note");
  EXPECT_EQ(entries[1].line, 7);
  EXPECT_FALSE(entries[1].fuzzy);
  EXPECT_EQ(entries[2].context, "c");
  EXPECT_EQ(entries[2].id, "two");
  EXPECT_EQ(entries[2].text, "");
  EXPECT_TRUE(entries[2].fuzzy);
}

TEST(PoFile, RefusesMalformedFilesNamingTheLine) {
  const std::vector<std::pair<std::string, std::string>> cases = {
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
       "line 2: plural forms are not used by this "
       "program's catalogues"},
      {"msgid \"a\"\nmsgstr \"b\"\nmsgid \"a\"\nmsgstr \"c\"\n",
       "line 5: the msgid of line 3 stands twice"},
      {"msgid \"a\"\nmsgstr \"b\"\nmsgtext \"c\"\n", "line 3: unknown keyword \"msgtext\""},
  };
  for (const auto& [po, why] : cases) {
    std::vector<PoEntry> entries;
    std::string error;
    EXPECT_FALSE(parsePo(po, entries, error)) << po;
    EXPECT_EQ(error, why) << po;
  }
}

// ---- The compiled catalogue ----

TEST(Catalogue, IsTheSourceFileReadWhole) {
  ASSERT_FALSE(translatedLanguages().empty());
  for (const Language language : translatedLanguages()) {
    const std::string file = std::string(languageCode(language)) + ".po";
    SCOPED_TRACE(file);
    EXPECT_EQ(catalogueError(language), "");
    std::vector<PoEntry> entries;
    std::string error;
    ASSERT_TRUE(parsePo(readFile(kSourceDir / "i18n" / file), entries, error)) << error;
    // Every translated entry of the file, and nothing else, is compiled in.
    size_t translated = 0;
    for (const PoEntry& e : entries) {
      if (e.id.empty() || e.fuzzy || e.text.empty()) continue;
      ++translated;
      EXPECT_EQ(translate(language, e.id), std::optional<std::string_view>(e.text))
          << "line " << e.line;
    }
    EXPECT_EQ(catalogueEntries(language).size(), translated);
    EXPECT_EQ(translate(language, "no such text"), std::nullopt);
    EXPECT_EQ(translate(language, ""), std::nullopt);
  }
  EXPECT_TRUE(catalogueEntries(Language::Turkish).empty());
  EXPECT_EQ(translate(Language::Turkish, "no such text"),
            std::optional<std::string_view>("no such text"));
}

TEST(Catalogue, LanguagesByCode) {
  EXPECT_EQ(languageFromCode("en"), Language::English);
  EXPECT_EQ(languageFromCode("English"), Language::English);
  EXPECT_EQ(languageFromCode("TR"), Language::Turkish);
  EXPECT_EQ(languageFromCode("de"), std::nullopt);
  EXPECT_EQ(languageFromCode(""), std::nullopt);
  EXPECT_EQ(languageCode(Language::English), "en");
  EXPECT_EQ(languageCode(Language::Turkish), "tr");
}

TEST(Catalogue, PlaceholdersAndWhatNeedsATwin) {
  const std::pair<std::string_view, std::string_view> values[] = {{"a", "1"}, {"bb", "{a}"}};
  EXPECT_EQ(fillPlaceholders("{bb} and {a}, {c} {", values), "{a} and 1, {c} {");
  EXPECT_TRUE(needsTranslation("(1X,'Kt=',F6.3)"));
  EXPECT_FALSE(needsTranslation("(1X,I3,2F7.3,3F9.4,1X,2(F10.4,3X))"));
  EXPECT_FALSE(needsTranslation("(1X,72('-'))"));
  EXPECT_FALSE(needsTranslation("---|-------|"));
  EXPECT_TRUE(needsTranslation(" i    P/D"));
}

// The data descriptors of a layout, from its start and from where reversion
// resumes, as kind, width and digits.
std::string dataDescriptors(const Layout& layout, size_t from) {
  std::string s;
  for (size_t i = from; i < layout.items.size(); ++i) {
    const EditDescriptor& d = layout.items[i];
    if (!d.isData()) continue;
    s += d.kind == EditDescriptor::Kind::Integer ? 'I'
         : d.kind == EditDescriptor::Kind::Real  ? 'F'
                                                 : 'A';
    s += std::to_string(d.width) + "." + std::to_string(d.digits) + " ";
  }
  return s;
}

bool isLayout(std::string_view text) {
  Layout layout;
  std::string error;
  return !text.empty() && text.front() == '(' && parseLayout(text, layout, error);
}

TEST(Catalogue, EveryTwinKeepsTheNumbersFields) {
  for (const Language language : translatedLanguages())
    for (const CatalogueEntry& e : catalogueEntries(language)) {
      SCOPED_TRACE(std::string(languageCode(language)) + ": " + std::string(e.turkish));
      // Printable ASCII only: the report's bytes go to terminals and files in
      // any encoding.
      EXPECT_TRUE(std::all_of(e.translated.begin(), e.translated.end(), [](char c) {
        return c >= ' ' && c <= '~';
      })) << e.translated;
      if (!isLayout(e.turkish)) {
        EXPECT_FALSE(isLayout(e.translated)) << "a free text's twin is no layout";
        continue;
      }
      Layout turkish, english;
      std::string error;
      ASSERT_TRUE(parseLayout(e.turkish, turkish, error));
      ASSERT_TRUE(parseLayout(e.translated, english, error)) << e.translated << ": " << error;
      EXPECT_EQ(dataDescriptors(english, 0), dataDescriptors(turkish, 0)) << e.translated;
      EXPECT_EQ(dataDescriptors(english, english.reversionPoint),
                dataDescriptors(turkish, turkish.reversionPoint))
          << e.translated;
    }
}

TEST(Catalogue, EnglishQuestionsSayYesOrNo) {
  for (const CatalogueEntry& e : catalogueEntries(Language::English)) {
    if (e.turkish.find("E/H") == std::string_view::npos) continue;
    EXPECT_NE(e.translated.find("Y/N"), std::string_view::npos) << e.translated;
    EXPECT_EQ(e.translated.find("E/H"), std::string_view::npos) << e.translated;
  }
}

// ---- The texts the program prints ----

// A C++ source as a list of tokens: identifiers, punctuation, and string
// literals (adjacent ones joined, escapes read); comments, character
// literals, numbers and preprocessor lines dropped.
struct Token {
  enum class Kind { Name, Text, Punct };
  Kind kind;
  std::string text;
};

std::vector<Token> tokenize(std::string_view s) {
  std::vector<Token> tokens;
  size_t i = 0;
  bool lineStart = true;
  auto quotedBody = [&](char quote) {
    std::string out;
    ++i;
    while (i < s.size() && s[i] != quote) {
      if (s[i] == '\\' && i + 1 < s.size()) {
        const char e = s[++i];
        out += e == 'n' ? '\n' : e == 't' ? '\t' : e == 'r' ? '\r' : e;
      } else {
        out += s[i];
      }
      ++i;
    }
    ++i;
    return out;
  };
  while (i < s.size()) {
    const char c = s[i];
    if (c == '\n') {
      lineStart = true;
      ++i;
      continue;
    }
    if (std::isspace(static_cast<unsigned char>(c))) {
      ++i;
      continue;
    }
    if (lineStart && c == '#') {
      while (i < s.size() && s[i] != '\n') i += s[i] == '\\' && i + 1 < s.size() ? 2 : 1;
      continue;
    }
    lineStart = false;
    if (s.substr(i, 2) == "//") {
      i = s.find('\n', i);
      if (i == std::string_view::npos) i = s.size();
      continue;
    }
    if (s.substr(i, 2) == "/*") {
      i = s.find("*/", i + 2);
      i = i == std::string_view::npos ? s.size() : i + 2;
      continue;
    }
    if (c == 'R' && s.substr(i, 2) == "R\"") {
      const size_t open = s.find('(', i);
      const std::string close = ")" + std::string(s.substr(i + 2, open - i - 2)) + "\"";
      const size_t end = s.find(close, open);
      std::string body(s.substr(open + 1, end - open - 1));
      i = end + close.size();
      if (!tokens.empty() && tokens.back().kind == Token::Kind::Text)
        tokens.back().text += body;
      else
        tokens.push_back({Token::Kind::Text, body});
      continue;
    }
    if (c == '"') {
      std::string body = quotedBody('"');
      if (!tokens.empty() && tokens.back().kind == Token::Kind::Text)
        tokens.back().text += body;
      else
        tokens.push_back({Token::Kind::Text, body});
      continue;
    }
    if (c == '\'') {
      quotedBody('\'');
      continue;
    }
    if (std::isalpha(static_cast<unsigned char>(c)) || c == '_') {
      size_t j = i;
      while (j < s.size() && (std::isalnum(static_cast<unsigned char>(s[j])) || s[j] == '_')) ++j;
      tokens.push_back({Token::Kind::Name, std::string(s.substr(i, j - i))});
      i = j;
      continue;
    }
    if (std::isdigit(static_cast<unsigned char>(c))) {
      while (i < s.size() &&
             (std::isalnum(static_cast<unsigned char>(s[i])) || s[i] == '.' || s[i] == '\''))
        ++i;
      continue;
    }
    tokens.push_back({Token::Kind::Punct, std::string(1, c)});
    ++i;
  }
  return tokens;
}

// The index after the bracket that closes the one at tokens[open].
size_t closing(const std::vector<Token>& tokens, size_t open) {
  const std::string o = tokens[open].text, c = o == "(" ? ")" : o == "{" ? "}" : "]";
  int depth = 0;
  for (size_t i = open; i < tokens.size(); ++i) {
    if (tokens[i].kind != Token::Kind::Punct) continue;
    if (tokens[i].text == o) ++depth;
    if (tokens[i].text == c && --depth == 0) return i + 1;
  }
  return tokens.size();
}

bool isPunct(const Token& t, std::string_view p) {
  return t.kind == Token::Kind::Punct && t.text == p;
}

// The functions that print free texts to the report or the console, and
// those that print a layout's values (a text among them is printed too). The
// stop text is English in every language and is not looked up.
const std::set<std::string> kTextWriters = {"writeFree", "reportFree", "pause"};
const std::set<std::string> kLayoutWriters = {"write", "report"};

// The Turkish texts one source can print: every layout string in it; every
// text handed straight to a write or a pause; every text constant handed to
// one, or to a function of the same source that prints free texts (the column
// titles a table's writer takes); and, in a source that writes, the texts of
// a constant table of texts (the lines in which related problems differ).
void collectPrintedTexts(std::string_view source, std::set<std::string>& texts) {
  const std::vector<Token> tokens = tokenize(source);
  std::map<std::string, std::string> constants;
  std::set<std::string> writers = kTextWriters;
  std::vector<std::string> tabled;
  bool writes = false;
  for (size_t i = 0; i + 1 < tokens.size(); ++i) {
    const Token& t = tokens[i];
    if (t.kind == Token::Kind::Text && isLayout(t.text)) texts.insert(t.text);
    if (t.kind == Token::Kind::Name &&
        (writers.contains(t.text) || kLayoutWriters.contains(t.text)))
      writes = true;
    // A record of texts: "constexpr TYPE NAME{...};" (a list of file names,
    // "NAME[] = {...}", is none).
    if (t.kind == Token::Kind::Name && t.text == "constexpr") {
      size_t k = i + 1;
      while (k < tokens.size() && (tokens[k].kind == Token::Kind::Name || isPunct(tokens[k], ":")))
        ++k;
      if (k < tokens.size() && isPunct(tokens[k], "{")) {
        const size_t end = closing(tokens, k);
        for (size_t m = k; m < end; ++m)
          if (tokens[m].kind == Token::Kind::Text) tabled.push_back(tokens[m].text);
      }
    }
    // "string_view NAME = "text";"
    if (t.kind == Token::Kind::Name && t.text == "string_view" && i + 4 < tokens.size() &&
        tokens[i + 1].kind == Token::Kind::Name && isPunct(tokens[i + 2], "=") &&
        tokens[i + 3].kind == Token::Kind::Text && isPunct(tokens[i + 4], ";"))
      constants[tokens[i + 1].text] = tokens[i + 3].text;
    // A definition "NAME(...) {...}" whose body prints free texts.
    if (t.kind == Token::Kind::Name && isPunct(tokens[i + 1], "(")) {
      size_t after = closing(tokens, i + 1);
      while (after < tokens.size() && tokens[after].kind == Token::Kind::Name) ++after;
      if (after < tokens.size() && isPunct(tokens[after], "{")) {
        const size_t end = closing(tokens, after);
        for (size_t k = after; k < end; ++k)
          if (tokens[k].kind == Token::Kind::Name && kTextWriters.contains(tokens[k].text))
            writers.insert(t.text);
      }
    }
  }
  for (size_t i = 0; i + 1 < tokens.size(); ++i) {
    const Token& t = tokens[i];
    if (t.kind != Token::Kind::Name ||
        !(writers.contains(t.text) || kLayoutWriters.contains(t.text)) ||
        !isPunct(tokens[i + 1], "("))
      continue;
    const size_t end = closing(tokens, i + 1);
    const bool direct = kTextWriters.contains(t.text) || kLayoutWriters.contains(t.text);
    for (size_t k = i + 2; k < end; ++k) {
      if (direct && tokens[k].kind == Token::Kind::Text) texts.insert(tokens[k].text);
      if (tokens[k].kind == Token::Kind::Name && constants.contains(tokens[k].text))
        texts.insert(constants[tokens[k].text]);
    }
  }
  if (writes) texts.insert(tabled.begin(), tabled.end());
}

// Every Turkish text of the program's sources that needs a twin.
std::set<std::string> printedTexts() {
  std::set<std::string> texts;
  for (const auto& entry : fs::recursive_directory_iterator(kSourceDir)) {
    const fs::path& p = entry.path();
    if (p.parent_path().filename() == "i18n") continue;
    if (p.extension() != ".cpp" && p.extension() != ".hpp") continue;
    collectPrintedTexts(readFile(p), texts);
  }
  std::erase_if(texts, [](const std::string& t) { return !needsTranslation(t); });
  return texts;
}

TEST(Catalogue, SourceScanFindsTextsOfEveryKind) {
  std::set<std::string> texts;
  collectPrintedTexts(
      "constexpr std::string_view kTitles = \" i  P/D\";\n"
      "constexpr std::string_view kUnused = \"Not printed\";\n"
      "#include \"(1X,'not a layout')\"\n"
      "void table(Session& io, std::string_view titles) { writeFree(io, unit, {titles}); }\n"
      "void f() { table(io, kTitles); warn(io, \"stderr only\");\n"
      "  report(io, \"(1X,'Kt=',\" // joined\n  \"F6.3)\", {kt}); pause(io, \"ENTER\"); }\n"
      "/* \"(1X,'commented out')\" */ const char c = '\"';\n"
      "constexpr Lines kLines{true, \"Title\", \"(1X,I2)\"};\n"
      "constexpr std::string_view kFiles[] = {\"Helisolv.Son\"};\n"
      "void g() { write(io, unit, \"(/A)\", {\" SORU E/H\"}); data::row(io, {\"csv\"}); }\n",
      texts);
  EXPECT_EQ(texts, (std::set<std::string>{" i  P/D", "(1X,'Kt=',F6.3)", "ENTER", "Title", "(1X,I2)",
                                          "(/A)", " SORU E/H"}));
}

TEST(Catalogue, EveryPrintedTurkishTextHasAnEnglishTwin) {
  const std::set<std::string> texts = printedTexts();
  // The program prints more than a hundred texts; far fewer means the scan
  // lost its way.
  EXPECT_GT(texts.size(), 100u);
  for (const Language language : translatedLanguages()) {
    std::string missing;
    for (const std::string& t : texts)
      if (!translate(language, t)) missing += "msgid \"" + t + "\"\n";
    EXPECT_EQ(missing, "") << "texts without a twin in src/i18n/" << languageCode(language)
                           << ".po";
  }
}

TEST(Catalogue, HoldsNoTextTheProgramNoLongerPrints) {
  const std::set<std::string> texts = printedTexts();
  for (const Language language : translatedLanguages())
    for (const CatalogueEntry& e : catalogueEntries(language))
      EXPECT_TRUE(texts.contains(std::string(e.turkish)))
          << languageCode(language) << ".po: msgid \"" << e.turkish << "\"";
}

TEST(Catalogue, TurkishOnlyWordsAreTurkish) {
  const std::set<std::string> words = test::turkishOnlyWords();
  if (std::getenv("HELISOLV_PRINT_WORDS"))
    for (const std::string& w : words) std::printf("%s\n", w.c_str());
  EXPECT_TRUE(words.contains("PERVANE"));
  EXPECT_FALSE(words.contains("GAWN"));
  EXPECT_EQ(test::firstTurkishWord(" 3. PERVANEDIR", words), "PERVANEDIR");
  EXPECT_EQ(test::firstTurkishWord(" CHOSEN PROPELLER: 3", words), "");
}

}  // namespace
}  // namespace helisolv
