// The words of the Turkish report that no English text uses: a report of a
// run in English that holds one of them printed a Turkish text untranslated.
#pragma once

#include <cctype>
#include <set>
#include <string>
#include <string_view>

#include "i18n/catalogue.hpp"

namespace helisolv::test {

// The words (runs of three or more letters, in capitals) of a text.
inline std::set<std::string> wordsOf(std::string_view text) {
  std::set<std::string> words;
  std::string word;
  for (size_t i = 0; i <= text.size(); ++i) {
    const unsigned char c = i < text.size() ? static_cast<unsigned char>(text[i]) : ' ';
    if (std::isalpha(c)) {
      word += static_cast<char>(std::toupper(c));
      continue;
    }
    if (word.size() >= 3) words.insert(word);
    word.clear();
  }
  return words;
}

// The words of the English catalogue's msgids that none of its msgstrs holds
// ("PERVANE", "ICIN", but not "GAWN" or "DELTA"), less the Turkish words that
// are English words too.
inline std::set<std::string> turkishOnlyWords() {
  static const std::set<std::string> english = {"MINIMUM", "MOMENT"};
  std::set<std::string> turkish, translated;
  for (const CatalogueEntry& e : catalogueEntries(Language::English)) {
    turkish.merge(wordsOf(e.turkish));
    translated.merge(wordsOf(e.translated));
  }
  std::set<std::string> only;
  for (const std::string& w : turkish)
    if (!translated.contains(w) && !english.contains(w)) only.insert(w);
  return only;
}

// The first Turkish-only word found in a report, empty when none.
inline std::string firstTurkishWord(std::string_view report, const std::set<std::string>& words) {
  for (const std::string& w : wordsOf(report))
    if (words.contains(w)) return w;
  return {};
}

}  // namespace helisolv::test
