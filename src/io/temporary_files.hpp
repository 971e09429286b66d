// Temporary files beside the files a run replaces: their names, and the
// removal of those a run killed outright left behind.
#pragma once

#include <span>
#include <string>
#include <string_view>

namespace helisolv {

// The name of a temporary file of this process for path, in path's folder;
// tag (lowercase letters) tells apart several for one path.
std::string temporaryName(const std::string& path, std::string_view tag = {});

// Removes what a run killed outright left in dir: regular files named
// <name>.<digits>.tmp or <name>.<digits>.<word>.tmp for each of names. Call
// with dir locked, so that no live run owns them.
void removeStaleTemporaries(const std::string& dir, std::span<const std::string_view> names);

}  // namespace helisolv
