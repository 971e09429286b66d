// The C library's description of an error number, in English whatever
// locale the host process has set (a notebook may set German messages).
#pragma once

#include <string>

namespace helisolv {

std::string errorText(int error);

}  // namespace helisolv
