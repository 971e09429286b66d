// Field editing: one value into the characters of one field.
#pragma once

#include <string>
#include <string_view>

namespace helisolv {

// Iw.m: at least m digits, a minus sign when negative, right-justified in w;
// w asterisks when it does not fit.
std::string editInteger(int value, int w, int m);

// Fw.d: fixed point with d fraction digits, at most seven significant digits
// rounded half-up, no leading zero, no sign on a value that rounds to zero;
// w asterisks when it does not fit or the value is not a finite number.
std::string editReal(float value, int w, int d);

// A or Aw: the whole text (w = 0), its first w characters, or right-justified.
std::string editText(std::string_view text, int w);

}  // namespace helisolv
