#include <helisolv/helisolv.hpp>
#include <iostream>
#include <vector>

int main() {  // Kt, 10Kq and eta0 of a B4-55 propeller, P/D 1.0, then its open-water table run
  const helisolv::Propeller b4_55{4.0f, 0.55f, 1.0f};
  const std::vector<float> j{0.3f, 0.5f, 0.7f};
  std::vector<float> kt(3), kq(3), eta0(3);
  helisolv::evaluateOpenWaterCurve({helisolv::Series::Wageningen}, b4_55, j, kt, kq, eta0);
  for (size_t i = 0; i < j.size(); ++i)
    std::cout << j[i] << ' ' << kt[i] << ' ' << 10.0f * kq[i] << ' ' << eta0[i] << '\n';
  helisolv::Task task{.seriesType = helisolv::Series::Wageningen, .problemType = 5};
  task.bladeCount = 4.0f, task.areaRatio = 0.55f, task.pitchRatio = 1.0f;
  const helisolv::RunResult r = helisolv::run(task, "H\n\n\n\n");
  std::cout << "exit status " << static_cast<int>(r.exitStatus) << ", "
            << r.tables.at(0).rows.size() << " rows\n";
}
