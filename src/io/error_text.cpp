#include "io/error_text.hpp"

#include <locale.h>
#include <string.h>

namespace helisolv {

std::string errorText(int error) {
  // One "C" locale object for the process, made on first use; strerror_l
  // reads it without touching the process's or the thread's locale.
  static const locale_t cLocale = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
  if (cLocale == static_cast<locale_t>(nullptr)) return strerror(error);
  return strerror_l(error, cLocale);
}

}  // namespace helisolv
