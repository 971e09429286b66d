// The selection at the edges it reports: a chosen pitch ratio at either end of
// the range searched, and the ambient pressure a cavitation check assumes when
// only one of atmospheric and vapour pressure is given.

#include <gtest/gtest.h>

#include "helisolv/selection.hpp"
#include "selection/cavitation.hpp"

namespace helisolv {
namespace {

// A single-screw cargo ship held at 120 rpm, free in diameter and pitch.
SelectionInputs cargoShip(Bounds pitch) {
  SelectionInputs in;
  in.thrust = 420.0f;
  in.advanceSpeed = 6.2f;
  in.density = 1025.0f;
  in.diameter = Bounds{3.5f, 6.0f};
  in.rpm = Bounds{120.0f, 120.0f};
  in.areaRatio = Bounds{0.75f, 0.75f};
  in.shaftDepth = 4.5f;
  in.pitchRatio = pitch;
  in.blades = {4};
  return in;
}

TEST(SelectionEdges, APitchRatioHeldAtEitherEndOfItsRangeIsFlagged) {
  const struct {
    Bounds pitch;
    float chosen;
  } cases[] = {{{0.5f, 0.8f}, 0.8f}, {{1.2f, 1.4f}, 1.2f}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.chosen);
    const SelectionResult r = select(cargoShip(c.pitch));
    ASSERT_FALSE(r.refused) << r.reason;
    EXPECT_FLOAT_EQ(r.chosen->pitchRatio, c.chosen);
    EXPECT_TRUE(r.chosen->active.pitchAtSeriesEdge);
  }
  const SelectionResult inside = select(cargoShip({0.5f, 1.4f}));
  ASSERT_FALSE(inside.refused) << inside.reason;
  EXPECT_FALSE(inside.chosen->active.pitchAtSeriesEdge) << inside.chosen->pitchRatio;
}

// The standard atmosphere stands in for an atmospheric pressure not given,
// and no vapour pressure for one not given.
TEST(SelectionEdges, AnAmbientPressureNotGivenIsTheStandardOne) {
  SelectionInputs given = cargoShip({0.5f, 1.4f});
  given.atmosphericPressure = 101325.0f;
  given.vapourPressure = 0.0f;
  SelectionInputs vapourOnly = given, atmosphereOnly = given;
  vapourOnly.atmosphericPressure.reset();
  atmosphereOnly.vapourPressure.reset();
  auto figures = [](const SelectionInputs& in) {
    return selection::cavitationFigures(in, 4, 4.6f, 120.0f, 6.2f, 420.0f, 0.9f, 0.75f);
  };
  const selection::CavitationFigures want = figures(given);
  for (const SelectionInputs* in : {&vapourOnly, &atmosphereOnly}) {
    const selection::CavitationFigures got = figures(*in);
    EXPECT_EQ(got.sigma, want.sigma);
    EXPECT_EQ(got.keller, want.keller);
  }
}

}  // namespace
}  // namespace helisolv
