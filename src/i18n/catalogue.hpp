// The report's texts in other languages than Turkish. The Turkish layout
// strings and free texts of the solvers stay the reference; a catalogue maps
// each of them, exactly as a solver hands it to the writer, to its twin in
// another language. The catalogues are gettext .po files in this folder
// (en.po: English), compiled into the library at build time, so that no file
// is looked up when a run starts.
//
// What a translation keeps. A layout's twin has the same data edit
// descriptors (I, F and A with the same widths and digits) in the same order,
// so that the numbers of a run are the same digits in the same fields in every
// language; the quoted texts, the X spacing and the record breaks may differ.
// A free text's twin is any text.
//
// Texts built at run time. A text the program puts together from pieces is
// looked up by a fixed key in which each piece filled in at run time stands as
// a placeholder {name} (say "{symbol}"), and its twin holds the same
// placeholders, in any order; the caller fills both the same way (see
// fillPlaceholders). A layout needs no placeholder: its values are data
// descriptors.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>

namespace helisolv {

enum class Language { Turkish, English };

// The language of a code as the command line and the library take it: "tr"
// or "en" (as well as "turkish" and "english", in any case); nothing for any
// other.
std::optional<Language> languageFromCode(std::string_view code);

// The code of a language ("tr", "en"); a catalogue's file is src/i18n/<code>.po.
std::string_view languageCode(Language language);

// The languages other than Turkish, each with its catalogue.
std::span<const Language> translatedLanguages();

// The twin of a Turkish text in the language: for Turkish the text itself,
// otherwise the catalogue's translation, or nothing when the catalogue holds
// none (the caller then prints the Turkish text, and may record the miss).
// The view stays valid for the whole program. Safe to call from any thread.
std::optional<std::string_view> translate(Language language, std::string_view turkish);

// Whether a Turkish text needs a twin in another language: it holds a word
// (a letter in a free text, or in a quoted text of a layout string). A table
// rule of dashes, or a layout of data descriptors only, reads the same in
// every language.
bool needsTranslation(std::string_view turkish);

// One entry of a compiled catalogue, in the order of its .po file.
struct CatalogueEntry {
  std::string_view turkish;     // msgid
  std::string_view translated;  // msgstr
  std::string_view note;        // the translator's comment (#.), lines joined by '\n'
};

// The entries of a language's catalogue (none for Turkish). Entries the .po
// marks fuzzy, or leaves untranslated, are not among them.
std::span<const CatalogueEntry> catalogueEntries(Language language);

// The reason a language's compiled catalogue could not be read, empty when it
// was read whole (a broken catalogue translates nothing; the tests catch it).
std::string_view catalogueError(Language language);

// Replaces each placeholder {name} of text by the value of the same name;
// an unknown placeholder stays as it is.
std::string fillPlaceholders(std::string_view text,
                             std::span<const std::pair<std::string_view, std::string_view>> values);

}  // namespace helisolv
