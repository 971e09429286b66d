// The selection in process: one selection over Z 3 to 6 with the area ratio
// from Burrill's 5 % line and both diameter and revolutions free, and the
// speed-power curve of the chosen propeller over 30 speeds.
#include <benchmark/benchmark.h>

#include "helisolv/selection.hpp"

namespace {

helisolv::SelectionInputs cargoShip() {
  helisolv::SelectionInputs in;
  in.thrust = 420.0f;
  in.advanceSpeed = 6.2f;
  in.diameter = helisolv::Bounds{3.0f, 5.5f};
  in.rpm = helisolv::Bounds{90.0f, 160.0f};
  in.cavitation = helisolv::CavitationCriterion::Burrill5;
  in.shaftDepth = 4.5f;
  in.blades = {3, 4, 5, 6};
  return in;
}

void SelectionBurrillBothFree(benchmark::State& state) {
  const helisolv::SelectionInputs in = cargoShip();
  for (auto _ : state) benchmark::DoNotOptimize(helisolv::select(in));
}
BENCHMARK(SelectionBurrillBothFree)->Unit(benchmark::kMillisecond);

void SpeedPowerCurve30(benchmark::State& state) {
  helisolv::SelectionInputs in = cargoShip();
  in.resistanceCurve = {{10.0f, 300.0f}, {12.0f, 430.0f}, {14.0f, 600.0f}, {16.0f, 830.0f}};
  const helisolv::SelectedPropeller chosen = *helisolv::select(cargoShip()).chosen;
  std::vector<float> speeds;
  for (int i = 0; i < 30; ++i) speeds.push_back(10.0f + 6.0f * static_cast<float>(i) / 29.0f);
  for (auto _ : state) benchmark::DoNotOptimize(helisolv::speedPowerCurve(in, chosen, speeds));
}
BENCHMARK(SpeedPowerCurve30)->Unit(benchmark::kMicrosecond);

}  // namespace
