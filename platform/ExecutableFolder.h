#pragma once

#include <filesystem>
#include <string>

namespace platform {

// The folder of the running executable; empty when it cannot be found.
std::filesystem::path ExecutableFolder();

// The executable's file name without its extension; empty when it cannot be found.
std::string ExecutableName();

// Makes the executable's folder the working folder and returns it: the folder that the
// program's relative paths resolve against. A failure leaves the inherited working folder and
// returns an empty path (the working folder).
std::filesystem::path EnterExecutableFolder();

}  // namespace platform
