#include "series/model_ranges.hpp"

#include <charconv>
#include <cmath>

#include "series/gawn_regression.hpp"
#include "series/reynolds_correction.hpp"

namespace helisolv {

namespace {

// The shortest text that reads back to the value ("0.8").
std::string shortestText(float value) {
  char buffer[32];
  const auto end = std::to_chars(buffer, buffer + sizeof buffer, value);
  return std::string(buffer, end.ptr);
}

// A power of ten times a whole number as the Reynolds-number literature
// writes it ("2e6").
std::string exponentText(float value) {
  int exponent = 0;
  double mantissa = static_cast<double>(value);
  // A float's exponent lies within 38 places of one.
  while (mantissa >= 10.0 && exponent < 38) mantissa /= 10.0, ++exponent;
  return shortestText(static_cast<float>(mantissa)) + "e" + std::to_string(exponent);
}

}  // namespace

std::string reynoldsRangeText() {
  return exponentText(kBSeriesMinReynolds) + " to " + exponentText(kBSeriesMaxReynolds);
}

std::string gawnRegressionRangesText() {
  return "P/D " + shortestText(kGawnRegressionMinPitchRatio) + " to " +
         shortestText(kGawnRegressionMaxPitchRatio) + ", area ratio " +
         shortestText(kGawnRegressionMinAreaRatio) + " to " +
         shortestText(kGawnRegressionMaxAreaRatio) + ", J from " +
         shortestText(kGawnRegressionMinAdvance);
}

std::string reynoldsRangeWarning() {
  return "the Reynolds number of the blade section at 0.75 R lay outside " + reynoldsRangeText() +
         ", the range of the B-series Reynolds-number correction; the correction was taken at "
         "the nearer end";
}

}  // namespace helisolv
