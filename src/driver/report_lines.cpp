#include "driver/report_lines.hpp"

#include <string>

#include "helisolv/task.hpp"
#include "io/reader.hpp"
#include "io/writer.hpp"

namespace helisolv {

namespace {

// Ends the run after an input error: two empty console lines, the pause and
// the stop of a refused run; the driver's closing lines do not run.
[[noreturn]] void endAfterInputError(Session& io) {
  writeFree(io, Unit::Default);
  writeFree(io, Unit::Default);
  pause(io, "  BITIRMEK ICIN ENTER TUSUNA BASINIZ");
  stop(io, Outcome::Refused);
}

// The input-error header and one line naming the integer as read.
[[noreturn]] void refuseType(Session& io, std::string_view layout, int value) {
  const std::string text = std::to_string(value);
  for (Unit unit : {Unit::Console, Unit::Result}) {
    writeFree(io, unit);
    writeFree(io, unit);
    writeFree(io, unit);
    write(io, unit, "(1X,' Helisolv Programi Data Giris Hata Uyarisi: ')");
    write(io, unit, layout, {std::string_view(text)});
  }
  endAfterInputError(io);
}

}  // namespace

void checkAreaRatio(Session& io, int seriesType, float areaRatio) {
  // Lower bound inclusive, upper bound exclusive (the limits sit just above the
  // round values 1.05 and 1.10).
  const SeriesLimits limits = seriesLimits(seriesType);
  if (limits.earMin <= areaRatio && areaRatio < limits.earMax) return;
  for (Unit unit : {Unit::Console, Unit::Result}) {
    writeFree(io, unit);
    writeFree(io, unit);
    writeFree(io, unit);
    write(io, unit, "(1X,' Helisolv Programi Data Giris Hata Uyarisi: ')");
    if (seriesType == 1) {
      write(io, unit, "(1X,' Wageningen Serisi Pervanelerde 0.3<Ae/Ao<1.05 tir.')");
      write(io, unit, "(1X,' Hesabi istenen Ae = ',F6.4,' sinir disinda kalmaktadir.')",
            {areaRatio});
    }
    if (seriesType == 2) {
      write(io, unit, "(1X,' Gawn Serisi Pervanelerde 0.2<Ae/Ao<1.10 dir.      ')");
      write(io, unit, "(1X,' Hesabi istenen Ae/Ao = ',F6.3,' sinir disinda kalmaktadir.')",
            {areaRatio});
    }
  }
  endAfterInputError(io);
}

void checkPositive(Session& io, std::string_view symbol, float value) {
  // A zero or negative diameter, speed, revolutions or density would be a
  // divisor of the solver's formulas; refuse it before anything is computed.
  if (value > 0.0f) return;
  for (Unit unit : {Unit::Console, Unit::Result}) {
    writeFree(io, unit);
    writeFree(io, unit);
    writeFree(io, unit);
    write(io, unit, "(1X,' Helisolv Programi Data Giris Hata Uyarisi: ')");
    write(io, unit, "(1X,' Hesabi istenen ',A,' = ',F10.3,' sifirdan buyuk olmalidir.')",
          {symbol, value});
  }
  endAfterInputError(io);
}

void checkSeriesType(Session& io, int seriesType) {
  if (seriesType == 1 || seriesType == 2) return;
  refuseType(
      io,
      "(1X,' Istenen seri tipi = ',A,' gecersizdir; 1 (Wageningen B) veya 2 (Gawn) olmalidir.')",
      seriesType);
}

void checkProblemType(Session& io, int problemType) {
  if (problemType >= 1 && problemType <= 10) return;
  refuseType(io, "(1X,' Istenen problem tipi = ',A,' gecersizdir; 1 ile 10 arasinda olmalidir.')",
             problemType);
}

void printSeriesUsed(Session& io, int seriesType) {
  if (seriesType == 1)
    report(io, "(/' HESAPLARDA WAGENINGEN B SERISI KULLANILMISTIR')");
  else
    report(io, "(/' HESAPLARDA GAWN SERISI KULLANILMISTIR')");
}

void printViscousNote(Session& io, int viscousFlag) {
  reportFree(io);
  reportFree(io, {"TAM OLCEGE EKSTRAPOLASYONDA"});
  if (viscousFlag == 1)
    report(io, "(' ITTC78 VISKOZ DUZELTME YONTEMI KULLANILMISTIR')");
  else
    report(io, "(' VISKOZ DUZELTME YAPILMAMISTIR')");
  reportFree(io, {"-----------------------------------------------------------------|"});
}

}  // namespace helisolv
