// The .po files of this folder as the build embeds them (a generated source
// holds their bytes), so that the catalogues travel inside the library.
#pragma once

#include <cstddef>
#include <string_view>

namespace helisolv {

struct EmbeddedCatalogue {
  std::string_view code;  // the file's name without ".po": "en"
  std::string_view text;  // the file's bytes
};

extern const EmbeddedCatalogue kEmbeddedCatalogues[];
extern const size_t kEmbeddedCatalogueCount;

}  // namespace helisolv
