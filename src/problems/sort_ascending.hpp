// In-place ascending sort of a short 1-based table, used to merge the
// operating advance coefficient into the fixed J grid of the open-water table.
#pragma once

namespace helisolv {

// Selection sort of values[1..count]: for each position the smallest of the
// rest is found scanning upward, a later value replacing the candidate only
// when strictly smaller (so the first of equal minima is taken), and swapped
// in when it is not already there. A count below 2 leaves the table alone.
inline void sortAscending(int& count, float* values) {
  for (int i = 1; i <= count - 1; ++i) {
    int smallest = i;
    for (int k = i + 1; k <= count; ++k)
      if (values[k] < values[smallest]) smallest = k;
    if (smallest != i) {
      const float held = values[i];
      values[i] = values[smallest];
      values[smallest] = held;
    }
  }
}

}  // namespace helisolv
