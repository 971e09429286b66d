// Problem type 5: the open-water characteristics of one given propeller,
// tabulated over the advance coefficient J, with the optional ITTC78 viscous
// correction asked for on the console.

#include "driver/record.hpp"
#include "driver/report_lines.hpp"
#include "export/data_export.hpp"
#include "io/reader.hpp"
#include "io/writer.hpp"
#include "problems/solvers.hpp"
#include "series/formulas.hpp"
#include "series/series.hpp"

namespace helisolv {

namespace {

constexpr std::string_view kTableRule =
    "---|-------|--------|---------|--------|------------|------------|";

void writeTableHead(Unit unit) {
  write(unit, "(//5X,'Pervane Karakteristikleri ')");
  writeFree(unit, {kTableRule});
  writeFree(unit, {" i     J       Kt      10Kq      eta0         Bp         delta"});
  writeFree(unit, {kTableRule});
}

}  // namespace

Outcome solveOpenWaterTable() {
  checkAreaRatio();

  // The viscous correction needs the full-scale diameter and revolutions,
  // which the task file of this problem type does not carry: ask for them.
  write(Unit::Console, "(/A)", {" ITTC VISKOZ DUZELTMESI ISTER MISIN E/H <H>"});
  const char viscousAnswer = readChar(Unit::Keyboard);
  data::input("viscous correction asked",
              std::string_view(viscousAnswer == 'E' || viscousAnswer == 'e' ? "yes" : "no"));
  if (viscousAnswer == 'E' || viscousAnswer == 'e') {
    rec.viscousFlag = 1;
    write(Unit::Console, "(/A)", {" HESAPLANACAK PERVANE CAPINI (m) ve DEVRINI (RPM) GIRIN"});
    readList(Unit::Keyboard, {&rec.diameter, &rec.rpm});
    data::input("diameter", rec.diameter, "m");
    data::input("rpm", rec.rpm, "1/min");
    // The correction divides by both; a zero or negative value is refused.
    checkPositive("D", rec.diameter);
    checkPositive("N", rec.rpm);
  }

  float pitchRatio = rec.pitchRatio;

  writeTableHead(Unit::Console);
  writeTableHead(Unit::Result);

  // J from 0.05 by 0.025 up to (not including) 1.5: the pass count is fixed
  // before the first row, J itself is the running 32-bit sum. The sweep ends
  // at the first negative thrust coefficient; that row is not printed.
  const int passes = sweepPassCount(0.05f, 1.5f, 0.025f);
  int openWaterRow = 0;
  rec.advanceRatio = 0.05f;
  for (int pass = 1; pass <= passes; ++pass) {
    ++openWaterRow;
    evalOpenWater(pitchRatio, rec.areaRatio, rec.bladeCount);
    if (rec.kt < 0.0f) break;
    const float j = rec.advanceRatio;
    const float delta = deltaFromAdvance(j);
    const float bp = powerCoefficientBp(rec.kq, j);
    report("(1X,I2,F8.3,3F9.4,4X,2(F10.4,3X))",
           {openWaterRow, j, rec.kt, 10.0f * rec.kq, rec.eta0, bp, delta});
    data::row(data::Table::OpenWater, {j, rec.kt, rec.kq, rec.eta0, bp, delta});
    rec.advanceRatio = rec.advanceRatio + 0.025f;
  }
  reportFree({kTableRule});

  printSeriesUsed(rec.seriesType);
  report("(1X,'Z = ',I2,' EAR = ',F5.3,' P/D = ',F5.3)",
         {truncToInt(rec.bladeCount), rec.areaRatio, rec.pitchRatio});
  data::result("blades", truncToInt(rec.bladeCount));
  data::result("area ratio", rec.areaRatio);
  data::result("pitch ratio", rec.pitchRatio);
  printViscousNote();
  return Outcome::Solved;
}

}  // namespace helisolv
