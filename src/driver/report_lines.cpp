#include "driver/report_lines.hpp"

#include <string>

#include "driver/record.hpp"
#include "io/reader.hpp"
#include "io/writer.hpp"

namespace helisolv {

namespace {

// Ends the run after an input error: two empty console lines, the pause and
// the stop of a refused run; the driver's closing lines do not run.
[[noreturn]] void endAfterInputError() {
  writeFree(Unit::Default);
  writeFree(Unit::Default);
  pause("  BITIRMEK ICIN ENTER TUSUNA BASINIZ");
  stop(Outcome::Refused);
}

// The input-error header and one line naming the integer as read.
[[noreturn]] void refuseType(std::string_view layout, int value) {
  const std::string text = std::to_string(value);
  for (Unit unit : {Unit::Console, Unit::Result}) {
    writeFree(unit);
    writeFree(unit);
    writeFree(unit);
    write(unit, "(1X,' Helisolv Programi Data Giris Hata Uyarisi: ')");
    write(unit, layout, {std::string_view(text)});
  }
  endAfterInputError();
}

}  // namespace

void checkAreaRatio() {
  // Lower bound inclusive, upper bound exclusive (the limits sit just above the
  // round values 1.05 and 1.10).
  if (rec.earMin <= rec.areaRatio && rec.areaRatio < rec.earMax) return;
  for (Unit unit : {Unit::Console, Unit::Result}) {
    writeFree(unit);
    writeFree(unit);
    writeFree(unit);
    write(unit, "(1X,' Helisolv Programi Data Giris Hata Uyarisi: ')");
    if (rec.seriesType == 1) {
      write(unit, "(1X,' Wageningen Serisi Pervanelerde 0.3<Ae/Ao<1.05 tir.')");
      write(unit, "(1X,' Hesabi istenen Ae = ',F6.4,' sinir disinda kalmaktadir.')",
            {rec.areaRatio});
    }
    if (rec.seriesType == 2) {
      write(unit, "(1X,' Gawn Serisi Pervanelerde 0.2<Ae/Ao<1.10 dir.      ')");
      write(unit, "(1X,' Hesabi istenen Ae/Ao = ',F6.3,' sinir disinda kalmaktadir.')",
            {rec.areaRatio});
    }
  }
  endAfterInputError();
}

void checkPositive(std::string_view symbol, float value) {
  // A zero or negative diameter, speed, revolutions or density would be a
  // divisor of the solver's formulas; refuse it before anything is computed.
  if (value > 0.0f) return;
  for (Unit unit : {Unit::Console, Unit::Result}) {
    writeFree(unit);
    writeFree(unit);
    writeFree(unit);
    write(unit, "(1X,' Helisolv Programi Data Giris Hata Uyarisi: ')");
    write(unit, "(1X,' Hesabi istenen ',A,' = ',F10.3,' sifirdan buyuk olmalidir.')",
          {symbol, value});
  }
  endAfterInputError();
}

void checkSeriesType(int seriesType) {
  if (seriesType == 1 || seriesType == 2) return;
  refuseType(
      "(1X,' Istenen seri tipi = ',A,' gecersizdir; 1 (Wageningen B) veya 2 (Gawn) olmalidir.')",
      seriesType);
}

void checkProblemType(int problemType) {
  if (problemType >= 1 && problemType <= 10) return;
  refuseType("(1X,' Istenen problem tipi = ',A,' gecersizdir; 1 ile 10 arasinda olmalidir.')",
             problemType);
}

void printSeriesUsed(const int& seriesType) {
  if (seriesType == 1)
    report("(/' HESAPLARDA WAGENINGEN B SERISI KULLANILMISTIR')");
  else
    report("(/' HESAPLARDA GAWN SERISI KULLANILMISTIR')");
}

void printViscousNote() {
  reportFree();
  reportFree({"TAM OLCEGE EKSTRAPOLASYONDA"});
  if (rec.viscousFlag == 1)
    report("(' ITTC78 VISKOZ DUZELTME YONTEMI KULLANILMISTIR')");
  else
    report("(' VISKOZ DUZELTME YAPILMAMISTIR')");
  reportFree({"-----------------------------------------------------------------|"});
}

}  // namespace helisolv
