#include "io/edit.hpp"

#include <charconv>
#include <cmath>
#include <cstdlib>

namespace helisolv {

namespace {

std::string fitted(std::string s, int w) {
  if (w <= 0) return s;
  if (static_cast<int>(s.size()) > w) return std::string(static_cast<size_t>(w), '*');
  return std::string(static_cast<size_t>(w) - s.size(), ' ') + s;
}

// A 32-bit real keeps at most this many significant digits in print.
constexpr int kMaxSignificant = 7;

}  // namespace

std::string editInteger(int value, int w, int m) {
  long long magnitude = std::llabs(static_cast<long long>(value));
  std::string digits = std::to_string(magnitude);
  if (static_cast<int>(digits.size()) < m)
    digits.insert(0, static_cast<size_t>(m - static_cast<int>(digits.size())), '0');
  if (value < 0) digits.insert(0, 1, '-');
  return fitted(digits, w);
}

std::string editReal(float value, int w, int d) {
  if (!std::isfinite(value)) return std::string(static_cast<size_t>(w), '*');
  const bool negative = std::signbit(value);
  // The exact double of the 32-bit value, expanded to 17 significant digits.
  // to_chars gives the same correctly rounded digits as printf's "%.16e" at a
  // fraction of its cost, which matters in the long design tables.
  char buf[40] = {};
  std::to_chars(buf, buf + sizeof buf - 1, std::fabs(static_cast<double>(value)),
                std::chars_format::scientific, 16);
  // buf is "d.dddddddddddddddde+XX".
  std::string expansion;
  expansion += buf[0];
  expansion.append(buf + 2, 16);
  // The exponent after "e" and its sign, read without the C library's locale.
  int exponent = 0;
  std::from_chars(buf + 20, buf + sizeof buf - 1, exponent);
  if (buf[19] == '-') exponent = -exponent;

  // kept holds the significant digits after rounding; place is the number of
  // integer digits (0 or negative below 1). An empty kept means zero.
  std::string kept;
  int place = exponent + 1;
  if (value != 0.0f) {
    int n = place + d;
    if (n > kMaxSignificant) n = kMaxSignificant;
    if (n > 0) {
      kept = expansion.substr(0, static_cast<size_t>(n));
      if (expansion[static_cast<size_t>(n)] >= '5') {
        int i = n - 1;
        while (i >= 0 && kept[static_cast<size_t>(i)] == '9') kept[static_cast<size_t>(i--)] = '0';
        if (i >= 0) {
          ++kept[static_cast<size_t>(i)];
        } else {
          kept.insert(0, 1, '1');
          kept.pop_back();
          ++place;
        }
      }
    } else if (n == 0 && expansion[0] >= '5') {
      // Rounds to one unit in the last printed place.
      kept = "1";
      place = 1 - d;
    }
    if (kept.find_first_not_of('0') == std::string::npos) kept.clear();
  }

  // Digit at position p (1-based) of the rounded value, zero outside kept.
  auto digitAt = [&](int p) {
    return (p >= 1 && p <= static_cast<int>(kept.size())) ? kept[static_cast<size_t>(p - 1)] : '0';
  };
  std::string field;
  if (negative && !kept.empty()) field += '-';
  if (!kept.empty())
    for (int p = 1; p <= place; ++p) field += digitAt(p);
  const bool noIntegerDigits = kept.empty() || place <= 0;
  if (noIntegerDigits && d == 0) field += '0';
  field += '.';
  for (int j = 1; j <= d; ++j) field += kept.empty() ? '0' : digitAt(place + j);
  return fitted(field, w);
}

std::string editText(std::string_view text, int w) {
  if (w <= 0) return std::string(text);
  if (static_cast<int>(text.size()) >= w)
    return std::string(text.substr(0, static_cast<size_t>(w)));
  return std::string(static_cast<size_t>(w) - text.size(), ' ') + std::string(text);
}

}  // namespace helisolv
