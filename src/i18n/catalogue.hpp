// The report's texts in the languages a run can print. Turkish is the
// program's own language: every text a solver writes is its Turkish layout or
// free text, and the catalogue gives the twin of that text in another
// language, built into the program.
#pragma once

#include <optional>
#include <string_view>

namespace helisolv {

enum class Language { Turkish, English };

// The twin of a Turkish layout or free text in that language; nothing when the
// catalogue has none (and always nothing for Turkish itself).
std::optional<std::string_view> translate(Language language, std::string_view turkish);

}  // namespace helisolv
