#include "problems/report_lines.hpp"

#include <string>

#include "helisolv/task.hpp"
#include "io/reader.hpp"
#include "io/run_control.hpp"
#include "io/runtime_error.hpp"
#include "io/task_layout.hpp"
#include "io/writer.hpp"
#include "report/item.hpp"

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

// Three empty lines and the head of an input error, on both outputs; the
// head is the first line of the refusal's reason.
void inputErrorHead(Session& io) {
  reportFree(io);
  reportFree(io);
  reportFree(io);
  emitRefusal(io, "(1X,' Helisolv Programi Data Giris Hata Uyarisi: ')");
}

// A type line of the task file: what it holds, the values allowed and the
// line it must stand on.
struct TypeLine {
  std::string_view what;
  std::string_view allowed;
  long line;
};

// A type read from the wrong line is what a free-text line added or removed
// above it gives; the report names the value only, so standard error names
// the line it came from and the text found there.
void warnTypeLine(Session& io, const TypeLine& type, int value) {
  const long line = io.taskLines;
  std::string text = std::string(type.what) + " " + std::to_string(value) +
                     " read from task-file line " + std::to_string(line);
  if (line != type.line) text += " (it belongs on line " + std::to_string(type.line) + ")";
  text += ", which holds " + quoted(io.lastTaskLine) + ", is not " + std::string(type.allowed) +
          "; the " + std::string(type.what) + " must stand on line " + std::to_string(type.line) +
          ", so a free-text line added or removed above it shifts it off its line (start from a "
          "file in examples/)";
  warn(io, "type line", std::move(text));
}

// The input-error header and one line naming the integer as read; after it,
// on standard error, the line it was read from.
[[noreturn]] void refuseType(Session& io, std::string_view layout, const TypeLine& type,
                             int value) {
  const std::string text = std::to_string(value);
  inputErrorHead(io);
  emitRefusal(io, layout, {shown(std::string_view(text))});
  warnTypeLine(io, type, value);
  endAfterInputError(io);
}

}  // namespace

void checkAreaRatio(Session& io, Series seriesType, float areaRatio) {
  // Lower bound inclusive, upper bound exclusive (the limits sit just above the
  // round values 1.05 and 1.10).
  const SeriesLimits limits = seriesLimits(seriesType);
  if (limits.earMin <= areaRatio && areaRatio < limits.earMax) return;
  inputErrorHead(io);
  if (seriesType == Series::Wageningen) {
    emitRefusal(io, "(1X,' Wageningen Serisi Pervanelerde 0.3<Ae/Ao<1.05 tir.')");
    emitRefusal(io, "(1X,' Hesabi istenen Ae = ',F6.4,' sinir disinda kalmaktadir.')",
                {shown(areaRatio)});
  }
  if (seriesType == Series::Gawn) {
    emitRefusal(io, "(1X,' Gawn Serisi Pervanelerde 0.2<Ae/Ao<1.10 dir.      ')");
    emitRefusal(io, "(1X,' Hesabi istenen Ae/Ao = ',F6.3,' sinir disinda kalmaktadir.')",
                {shown(areaRatio)});
  }
  endAfterInputError(io);
}

void checkPositive(Session& io, std::string_view symbol, float value) {
  // A zero or negative diameter, speed, revolutions or density would be a
  // divisor of the solver's formulas; refuse it before anything is computed.
  if (value > 0.0f) return;
  inputErrorHead(io);
  emitRefusal(io, "(1X,' Hesabi istenen ',A,' = ',F10.3,' sifirdan buyuk olmalidir.')",
              {shown(symbol), shown(value)});
  endAfterInputError(io);
}

void checkSeriesType(Session& io, Series seriesType) {
  if (seriesType == Series::Wageningen || seriesType == Series::Gawn) return;
  refuseType(
      io,
      "(1X,' Istenen seri tipi = ',A,' gecersizdir; 1 (Wageningen B) veya 2 (Gawn) olmalidir.')",
      {"series type", "1 (Wageningen B) or 2 (Gawn)", kSeriesTypeLine},
      static_cast<int>(seriesType));
}

void checkProblemType(Session& io, int problemType) {
  if (problemType >= 1 && problemType <= 10) return;
  refuseType(io, "(1X,' Istenen problem tipi = ',A,' gecersizdir; 1 ile 10 arasinda olmalidir.')",
             {"problem type", "1 to 10", kProblemTypeLine}, problemType);
}

void printSeriesUsed(Session& io, Series seriesType) {
  if (seriesType == Series::Wageningen)
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
