#include "io/writer.hpp"

#include <string>

#include "io/console.hpp"
#include "io/edit.hpp"
#include "io/layout.hpp"
#include "io/runtime_error.hpp"

namespace helisolv {

namespace {

// A record under construction: placed characters and blanks skipped by X that
// become real only when something further is placed in the same record.
class Record {
 public:
  void skip(int n) { pending_ += n; }
  void place(std::string_view s) {
    if (s.empty()) return;
    text_.append(static_cast<size_t>(pending_), ' ');
    pending_ = 0;
    text_ += s;
  }
  size_t length() const { return text_.size(); }
  // Hands the record to the unit; pending blanks are dropped.
  void end(Session& io, Unit unit) {
    emitRecord(io, unit, text_);
    text_.clear();
    pending_ = 0;
  }

 private:
  std::string text_;
  int pending_ = 0;
};

const char* unitName(Unit unit) {
  return unit == Unit::Result ? "Helisolv.Son" : "stdout";
}

std::string editValue(Session& io, Unit unit, const EditDescriptor& d, const Value& v) {
  using K = EditDescriptor::Kind;
  if (d.kind == K::Integer && std::holds_alternative<int>(v))
    return editInteger(std::get<int>(v), d.width, d.digits);
  if (d.kind == K::Real && std::holds_alternative<float>(v))
    return editReal(std::get<float>(v), d.width, d.digits);
  if (d.kind == K::Alpha && std::holds_alternative<std::string_view>(v))
    return editText(std::get<std::string_view>(v), d.width);
  runtimeError(io, RuntimeErrorCode::BadValueKind, "WRITE", unitName(unit));
}

}  // namespace

void write(Session& io, Unit unit, std::string_view layoutText, std::span<const Value> values) {
  const Layout& layout = layoutFor(io, layoutText);
  Record record;
  size_t next = 0;  // next value to edit
  size_t pos = 0;   // next descriptor
  for (;;) {
    if (pos == layout.items.size()) {
      // The final ')': the statement ends here unless values remain, in which
      // case the record ends and the walk resumes at the reversion point.
      record.end(io, unit);
      if (next == values.size()) return;
      // More values than the layout can ever take: refuse rather than write
      // records without end.
      if (!layout.reversionHasData)
        runtimeError(io, RuntimeErrorCode::BadLayout, "WRITE", unitName(unit), "values left over");
      pos = layout.reversionPoint;
      continue;
    }
    const EditDescriptor& d = layout.items[pos];
    if (d.isData()) {
      if (next == values.size()) {
        record.end(io, unit);
        return;
      }
      record.place(editValue(io, unit, d, values[next++]));
    } else if (d.kind == EditDescriptor::Kind::Text) {
      record.place(d.text);
    } else if (d.kind == EditDescriptor::Kind::Skip) {
      record.skip(d.width);
    } else {
      record.end(io, unit);
    }
    ++pos;
  }
}

void writeFree(Session& io, Unit unit, std::initializer_list<std::string_view> texts) {
  // A free-format record starts with one blank (the carriage control on the
  // console) and holds the texts one after another; a text that would pass
  // the 79th column goes on a continuation record.
  constexpr size_t kLineWidth = 79;
  Record record;
  record.skip(1);
  for (std::string_view t : texts) {
    while (!t.empty()) {
      size_t room = kLineWidth - (record.length() == 0 ? 1 : record.length());
      if (room == 0) {
        record.end(io, unit);
        record.skip(1);
        continue;
      }
      record.place(t.substr(0, room));
      t.remove_prefix(std::min(room, t.size()));
    }
  }
  record.end(io, unit);
}

}  // namespace helisolv
