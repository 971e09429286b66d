// The translation catalogues: the .po reader, the compiled English catalogue
// and its agreement with the texts the program prints.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "i18n/catalogue.hpp"
#include "i18n/po_file.hpp"
#include "io/layout.hpp"

namespace helisolv {
namespace {

TEST(Catalogue, EnglishCatalogueIsReadWhole) {
  EXPECT_EQ(catalogueError(Language::English), "");
  EXPECT_FALSE(catalogueEntries(Language::English).empty());
}

TEST(Catalogue, TranslatesAKnownText) {
  EXPECT_EQ(translate(Language::English, "BITIRMEK ICIN ENTER TUSUNA BASINIZ"),
            std::optional<std::string_view>("PRESS ENTER TO FINISH"));
  EXPECT_EQ(translate(Language::English, "no such text"), std::nullopt);
  EXPECT_EQ(translate(Language::Turkish, "no such text"),
            std::optional<std::string_view>("no such text"));
}

}  // namespace
}  // namespace helisolv
