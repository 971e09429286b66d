#include "io/runtime_error.hpp"

#include <ostream>

#include "io/console.hpp"

namespace helisolv {

std::string printableBytes(std::string_view text) {
  std::string out;
  for (const char ch : text) {
    const auto byte = static_cast<unsigned char>(ch);
    if (byte >= 0x20 && byte < 0x7f) {
      out += ch;
    } else {
      static constexpr char kHex[] = "0123456789abcdef";
      out += "\\x";
      out += kHex[byte >> 4];
      out += kHex[byte & 0xf];
    }
  }
  return out;
}

std::string quoted(std::string_view text) {
  constexpr size_t kMaxShown = 60;
  return "\"" + printableBytes(text.substr(0, kMaxShown)) + (text.size() > kMaxShown ? "..." : "") +
         "\"";
}

int reportRuntimeError(Session& io, RuntimeErrorCode code, std::string_view statement,
                       std::string_view unitName, std::string_view detail) {
  static const char* const kDescriptions[] = {
      "",
      "end of file",
      "invalid integer",
      "invalid real",
      "integer out of range",
      "zero repeat count",
      "cannot open file",
      "cannot write to file",
      "malformed layout string",
      "value does not match its edit descriptor",
      "system failure",
      "line too long",
  };
  flushOutputs(io);
  const int n = static_cast<int>(code);
  if (std::ostream* err = io.ch.errors) {
    *err << "\nrun-time error " << n << ": " << statement << "(" << unitName << ")\n- "
         << kDescriptions[n];
    if (!detail.empty()) *err << " " << detail;
    *err << "\n";
    err->flush();
  }
  showWarnings(io);
  return 1;
}

void runtimeError(Session& io, RuntimeErrorCode code, std::string_view statement,
                  std::string_view unitName, std::string_view detail) {
  throw RunEnd{reportRuntimeError(io, code, statement, unitName, detail)};
}

}  // namespace helisolv
