// Problem type 5: the open-water characteristics of one given propeller,
// tabulated over the advance coefficient J, with the optional ITTC78 viscous
// correction asked for on the console.

#include "export/data_export.hpp"
#include "io/reader.hpp"
#include "io/writer.hpp"
#include "problems/ground_warnings.hpp"
#include "problems/report_lines.hpp"
#include "problems/solvers.hpp"
#include "report/item.hpp"
#include "series/formulas.hpp"
#include "series/series.hpp"

namespace helisolv {

namespace {

constexpr std::string_view kTableRule =
    "---|-------|--------|---------|--------|------------|------------|";

void writeTableHead(Session& io, Unit unit) {
  write(io, unit, "(//5X,'Pervane Karakteristikleri ')");
  writeFree(io, unit, {kTableRule});
  writeFree(io, unit, {" i     J       Kt      10Kq      eta0         Bp         delta"});
  writeFree(io, unit, {kTableRule});
}

}  // namespace

Outcome solveOpenWaterTable(const Task& task, const ModelOptions& models, Session& io) {
  checkAreaRatio(io, task.seriesType, task.areaRatio);

  // The viscous correction needs the full-scale diameter and revolutions,
  // which the task file of this problem type does not carry: ask for them.
  int viscousFlag = task.viscousFlag;
  float diameter = task.diameter;
  float rpm = task.rpm;
  write(io, Unit::Console, "(/A)", {" ITTC VISKOZ DUZELTMESI ISTER MISIN E/H <H>"});
  const char viscousAnswer = readChar(io, Unit::Keyboard, Question::ViscousCorrection);
  data::input(io, "viscous correction asked",
              std::string_view(viscousAnswer == 'E' || viscousAnswer == 'e' ? "yes" : "no"));
  if (viscousAnswer == 'E' || viscousAnswer == 'e') {
    viscousFlag = 1;
    data::viscousFlag(io, viscousFlag);
    write(io, Unit::Console, "(/A)", {" HESAPLANACAK PERVANE CAPINI (m) ve DEVRINI (RPM) GIRIN"});
    readList(io, Unit::Keyboard, Question::FullScalePropeller, {&diameter, &rpm});
    data::input(io, "given diameter", diameter, "m");
    data::input(io, "given rpm", rpm, "1/min");
    // The correction divides by both; a zero or negative value is refused.
    checkPositive(io, "D", diameter);
    checkPositive(io, "N", rpm);
  }
  const Evaluator evaluate =
      evaluatorFor(io, task, models, viscousFlag, diameter, task.advanceSpeed, rpm);
  warnBladesAndAreaRatio(io, task.seriesType, task.bladeCount, task.areaRatio);
  warnPitchRatio(io, task.seriesType, task.pitchRatio);
  warnCorrection(io, task.seriesType, evaluate.correction);
  warnGawnRegressionAt(io, evaluate.model, task.pitchRatio, task.areaRatio, std::nullopt);
  Propeller propeller{task.bladeCount, task.areaRatio, task.pitchRatio};

  writeTableHead(io, Unit::Console);
  writeTableHead(io, Unit::Result);

  // J from 0.05 by 0.025 up to (not including) 1.5: the pass count is fixed
  // before the first row, J itself is the running 32-bit sum. The sweep ends
  // at the first negative thrust coefficient; that row is not printed.
  const int passes = sweepPassCount(0.05f, 1.5f, 0.025f);
  int openWaterRow = 0;
  float advance = 0.05f;
  for (int pass = 1; pass <= passes; ++pass) {
    ++openWaterRow;
    const OpenWaterPoint p = evaluate(propeller, advance);
    propeller.bladeCount = p.bladeCount;
    advance = p.advanceRatio;
    if (p.kt < 0.0f) break;
    const float j = advance;
    const float delta = deltaFromAdvance(j);
    const float bp = powerCoefficientBp(p.kq, j);
    emitRow(io, data::Table::OpenWater, "(1X,I2,F8.3,3F9.4,4X,2(F10.4,3X))",
            {shown(openWaterRow), column(j), column(p.kt), tenfoldKqColumn(p.kq), column(p.eta0),
             column(bp), column(delta)});
    advance = advance + 0.025f;
  }
  reportFree(io, {kTableRule});

  printSeriesUsed(io, task.seriesType);
  emit(io, "(1X,'Z = ',I2,' EAR = ',F5.3,' P/D = ',F5.3)",
       {quantity("blades", truncToInt(propeller.bladeCount)),
        quantity("area ratio", task.areaRatio), quantity("pitch ratio", task.pitchRatio)});
  printViscousNote(io, viscousFlag);
  return Outcome::Solved;
}

}  // namespace helisolv
