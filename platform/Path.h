#pragma once

#include <filesystem>
#include <string>

#include "platform/AsciiCase.h"

namespace platform {

// Resolves a path text written the Windows way (".\System\ChipIni\GT911_A.ini",
// ".//system//AppConfigInit.ini"): "\" and "/" both separate; each component is matched
// case-insensitively against what exists (an exact match first), and from the first
// component that does not exist on, the components are taken as given, so a new file gets
// the name as written. A text that starts with a separator starts at the root; any other
// text starts at the folder given (empty: the working folder), and ".." never climbs above the
// folder it starts at.
std::filesystem::path ResolvePath(const std::filesystem::path& folder, const std::string& text);

// Creates an empty file at the path resolved against the folder when none exists; an existing file
// is kept as it is, never emptied. True when a regular file of that name exists afterwards; false
// when it cannot be created (missing or read-only folder) or something else has the name (a folder,
// a pipe). Never blocks.
bool CreateEmptyFile(const std::filesystem::path& folder, const std::string& text);

// The last component of a path text written either way: what follows its last "\" or "/".
std::string FileNameOf(const std::string& text);

}  // namespace platform
