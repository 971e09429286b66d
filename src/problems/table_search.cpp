#include "problems/table_search.hpp"

#include <algorithm>

#include "io/units.hpp"
#include "io/writer.hpp"
#include "numeric/interpolate.hpp"
#include "numeric/spline.hpp"

namespace helisolv {

void interpolate(Session& io, int count, const float* xs, const float* ys, float x, float& y,
                 int capacity) {
  if (const std::optional<float> value = interpolateTable(count, xs, ys, x, capacity)) {
    y = *value;
    return;
  }
  // Console only: the caller's y stands.
  const int n = std::min(count, capacity);
  writeFree(io, Unit::Console, {" **** INTERPOLANT ARALIGIN DISINDA ****"});
  write(io, Unit::Console, "(' X(1)=',F20.15,/,' X   =',F20.15,/,' X(N)=',F20.15)",
        {xs[1], x, xs[std::max(n, 1)]});
  writeFree(io, Unit::Console, {" **** INTERPOLASYON BASARISIZ ****"});
}

void findRoot(Session& io, int count, const float* xs, const float* ys, float target, float& root,
              int capacity) {
  const RootSearch search = findRoot(count, xs, ys, target, root, capacity);
  for (int i = 0; i < search.pointsOutside; ++i)
    write(io, Unit::Console, "(' ** NOKTA ARALIGIN DISINDA **')");
  if (!search.found) write(io, Unit::Console, "(/,/,' VERILEN ARALIKTA KOK YOKTUR - STOP')");
}

}  // namespace helisolv
