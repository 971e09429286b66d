// Open-water coefficients of the Wageningen B-series and the Gawn series: a
// pure function of the series, the propeller, the advance coefficient J and
// the scale correction. Nothing is read from or left in any shared place.
#pragma once

namespace helisolv {

// Which scale correction turns the model-scale Wageningen coefficients into
// full-scale ones, where a task asks for the viscous correction.
enum class ViscousCorrection {
  Legacy,    // this program's own formulation, as every earlier report used
  Ittc78,    // the published ITTC-78 procedure
  Reynolds,  // the B-series' own Reynolds-number correction of Oosterveld and van Oossanen
};

// How the Gawn series is evaluated: this program's own polynomials, as every
// earlier report used, or the published Gawn-Burrill regression of Radojcic.
enum class GawnModel {
  Legacy,
  Regression,
};

// The propeller series, by the number a task file gives it. A task may name
// any other number: it holds it, and the run refuses it.
enum class Series : int {
  Wageningen = 1,  // the Wageningen B-series
  Gawn = 2,        // the Gawn series
};

// The series whose polynomials are evaluated (the Gawn series by the Gawn
// model chosen). Any other series number has no polynomials.
struct SeriesModel {
  Series seriesType = Series::Wageningen;
  GawnModel gawn = GawnModel::Legacy;
};

// The propeller: blade number Z (a real, as the task gives it), expanded area
// ratio Ae/Ao and pitch ratio P/D.
struct Propeller {
  float bladeCount = 0.0f;
  float areaRatio = 0.0f;
  float pitchRatio = 0.0f;
};

// The scale correction a run asks for: the viscous flag (1: correct), the
// method, and the full-scale diameter (m), speed of advance (m/s) and
// revolutions (rpm) it scales to. Only the Wageningen series is corrected.
// A diameter or speed below 0.001 counts as not given: the one that J and the
// other two imply is used at each J.
struct ScaleCorrection {
  int viscousFlag = 0;
  ViscousCorrection method = ViscousCorrection::Legacy;
  float diameter = 0.0f;
  float advanceSpeed = 0.0f;
  float rpm = 0.0f;
  // Kinematic viscosity (m^2/s) of the water the full-scale propeller works in,
  // for the Reynolds number of the Reynolds-number correction; the program's
  // problem types keep the value they have always used.
  float kinematicViscosity = 1.13902e-6f;

  // The correction needs a speed or revolutions to scale from; without either
  // the model-test coefficients stand.
  bool applies() const { return viscousFlag != 0 && (advanceSpeed >= 0.001f || rpm >= 0.001f); }
  // Where the diameter is still unknown, the one that the speed, revolutions
  // and J imply is used, which changes with J.
  bool variesWithAdvance() const { return diameter < 0.001f; }
  // Where the speed is not given (the open-water table), the Reynolds-number
  // correction takes the speed J n D of the point evaluated.
  bool speedFromAdvance() const { return advanceSpeed < 0.001f; }
};

// Where an evaluation went beyond what its published model was fitted over.
// Neither stops the evaluation: the caller decides whether to warn.
struct ModelRangeNotes {
  // The Reynolds number lay outside 2e6 to 2e9 and the correction was taken
  // at the nearer end.
  bool reynoldsClamped = false;
  // The Gawn-Burrill regression was evaluated at a P/D, area ratio or J
  // outside its fitted ranges, where it extrapolates.
  bool outsideGawnRegression = false;

  ModelRangeNotes& operator|=(const ModelRangeNotes& other) {
    reynoldsClamped = reynoldsClamped || other.reynoldsClamped;
    outsideGawnRegression = outsideGawnRegression || other.outsideGawnRegression;
    return *this;
  }
};

// One evaluated point: the J the polynomials saw (|J| below 0.001 is taken as
// +0.001), Kt, Kq and eta0, and the blade count the series evaluated with (the
// Gawn series was tested with three blades: any count not within 0.01 of 3 is
// taken as 3). The caller decides whether to keep that J and blade count.
// notes says where a published model went beyond its fitted ranges.
struct OpenWaterPoint {
  float advanceRatio = 0.0f;
  float kt = 0.0f;
  float kq = 0.0f;
  float eta0 = 0.0f;
  float bladeCount = 0.0f;
  ModelRangeNotes notes;
};

// Kt, Kq and eta0 of the propeller at J. A series type without polynomials
// gives Kt, Kq and eta0 of zero at the J as given.
OpenWaterPoint evaluateOpenWater(const SeriesModel& model, const Propeller& propeller, float j,
                                 const ScaleCorrection& correction = {});

}  // namespace helisolv
