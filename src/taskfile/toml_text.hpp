// A text as TOML writes it: the one quoting of the keyword file's writers.
#pragma once

#include <string>
#include <string_view>

namespace helisolv {

// The text as a TOML basic string: quotes and backslashes escaped, control
// characters as \u00XX.
std::string tomlString(std::string_view text);

}  // namespace helisolv
