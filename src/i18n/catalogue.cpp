#include "i18n/catalogue.hpp"

#include <array>
#include <cctype>
#include <string>
#include <unordered_map>
#include <vector>

#include "i18n/embedded.hpp"
#include "i18n/po_file.hpp"

namespace helisolv {

namespace {

struct LanguageName {
  Language language;
  std::string_view code;
  std::string_view name;
};

// A new language is an enumerator, a line here (in the enumerators' order)
// and its .po file.
constexpr std::array kLanguages{
    LanguageName{Language::Turkish, "tr", "turkish"},
    LanguageName{Language::English, "en", "english"},
};

// The catalogues are kept in an array indexed by the enumerator.
static_assert([] {
  for (size_t i = 0; i < kLanguages.size(); ++i)
    if (static_cast<size_t>(kLanguages[i].language) != i) return false;
  return true;
}());

bool equalsIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(a[i])) !=
        std::tolower(static_cast<unsigned char>(b[i])))
      return false;
  return true;
}

bool isLetter(char c) {
  return std::isalpha(static_cast<unsigned char>(c)) != 0;
}

// A language's catalogue, read from its embedded .po once.
struct Catalogue {
  std::vector<PoEntry> po;
  std::vector<CatalogueEntry> entries;
  std::unordered_map<std::string_view, std::string_view> byTurkish;
  std::string error;
};

Catalogue load(Language language) {
  Catalogue c;
  if (language == Language::Turkish) return c;
  const std::string_view code = languageCode(language);
  const EmbeddedCatalogue* file = nullptr;
  for (size_t i = 0; i < kEmbeddedCatalogueCount; ++i)
    if (kEmbeddedCatalogues[i].code == code) file = &kEmbeddedCatalogues[i];
  if (!file) {
    c.error = "no catalogue " + std::string(code) + ".po was built in";
    return c;
  }
  if (!parsePo(file->text, c.po, c.error)) {
    c.error = std::string(code) + ".po: " + c.error;
    c.po.clear();
    return c;
  }
  for (const PoEntry& e : c.po) {
    // The header (empty msgid), drafts and untranslated entries translate
    // nothing, as gettext's own tools treat them.
    if (e.id.empty() || e.fuzzy || e.text.empty()) continue;
    if (!e.context.empty()) {
      c.error = std::string(code) + ".po: line " + std::to_string(e.line) +
                ": msgctxt is not used: a Turkish text has one twin";
      c.entries.clear();
      c.byTurkish.clear();
      return c;
    }
    c.entries.push_back({e.id, e.text, e.note});
    c.byTurkish.emplace(e.id, e.text);
  }
  return c;
}

const Catalogue& catalogue(Language language) {
  // Read on first use; the initialisation of a function's static is
  // thread-safe, so runs in threads share one copy.
  static const std::array<Catalogue, kLanguages.size()> all = [] {
    std::array<Catalogue, kLanguages.size()> loaded;
    for (size_t i = 0; i < kLanguages.size(); ++i) loaded[i] = load(kLanguages[i].language);
    return loaded;
  }();
  return all[static_cast<size_t>(language)];
}

}  // namespace

std::optional<Language> languageFromCode(std::string_view code) {
  for (const LanguageName& l : kLanguages)
    if (equalsIgnoringCase(code, l.code) || equalsIgnoringCase(code, l.name)) return l.language;
  return std::nullopt;
}

std::string_view languageCode(Language language) {
  for (const LanguageName& l : kLanguages)
    if (l.language == language) return l.code;
  return {};
}

std::span<const Language> translatedLanguages() {
  static const std::array<Language, kLanguages.size() - 1> languages = [] {
    std::array<Language, kLanguages.size() - 1> all{};
    for (size_t i = 1; i < kLanguages.size(); ++i) all[i - 1] = kLanguages[i].language;
    return all;
  }();
  return languages;
}

std::optional<std::string_view> translate(Language language, std::string_view turkish) {
  if (language == Language::Turkish) return turkish;
  const Catalogue& c = catalogue(language);
  const auto it = c.byTurkish.find(turkish);
  if (it == c.byTurkish.end()) return std::nullopt;
  return it->second;
}

bool needsTranslation(std::string_view turkish) {
  const bool layout = turkish.size() >= 2 && turkish.front() == '(' && turkish.back() == ')';
  if (!layout) {
    for (char ch : turkish)
      if (isLetter(ch)) return true;
    return false;
  }
  bool quoted = false;
  for (char ch : turkish) {
    if (ch == '\'')
      quoted = !quoted;
    else if (quoted && isLetter(ch))
      return true;
  }
  return false;
}

std::span<const CatalogueEntry> catalogueEntries(Language language) {
  return catalogue(language).entries;
}

std::string_view catalogueError(Language language) {
  return catalogue(language).error;
}

std::string fillPlaceholders(
    std::string_view text, std::span<const std::pair<std::string_view, std::string_view>> values) {
  std::string out;
  size_t pos = 0;
  while (pos < text.size()) {
    const size_t open = text.find('{', pos);
    if (open == std::string_view::npos) break;
    const size_t close = text.find('}', open + 1);
    if (close == std::string_view::npos) break;
    out += text.substr(pos, open - pos);
    const std::string_view name = text.substr(open + 1, close - open - 1);
    bool filled = false;
    for (const auto& [key, value] : values) {
      if (key == name) {
        out += value;
        filled = true;
        break;
      }
    }
    if (!filled) out += text.substr(open, close - open + 1);
    pos = close + 1;
  }
  out += text.substr(pos);
  return out;
}

}  // namespace helisolv
