#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace platform {

// True when the name matches the mask: "*" stands for any run of characters (also none),
// "?" for one character; letters are compared without case. "*.*" matches every name.
bool MatchesMask(const std::string& name, const std::string& mask);

// The names of the files (not folders) in the mask's folder whose names match the mask's
// last component, sorted by their upper-case form so that the first match is always the
// same. The folder part is resolved with ResolvePath against the folder given; a missing
// folder gives no names.
// Example: FindFiles(folder, ".\\System\\ChipIni\\GT911_*.ini") may give {"GT911_A.ini"}.
std::vector<std::string> FindFiles(const std::filesystem::path& folder, const std::string& mask);

}  // namespace platform
