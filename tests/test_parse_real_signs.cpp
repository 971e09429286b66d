// A real of the input line takes one sign at most, in front.

#include <gtest/gtest.h>

#include "io/reader.hpp"

namespace helisolv {
namespace {

TEST(ParseRealSigns, OneSignInFrontIsReadAndASecondIsRefused) {
  const struct {
    const char* text;
    std::optional<float> value;
  } cases[] = {{"-5", -5.0f},         {"+5", 5.0f},          {"--5", std::nullopt},
               {"+-5", std::nullopt}, {"-+5", std::nullopt}, {"++5", std::nullopt},
               {"5-", std::nullopt},  {"-", std::nullopt},   {"+-1e-60", std::nullopt}};
  for (const auto& c : cases) EXPECT_EQ(parseReal(c.text), c.value) << c.text;
}

}  // namespace
}  // namespace helisolv
