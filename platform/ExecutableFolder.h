#pragma once

#include <filesystem>

namespace platform {

// The folder of the running executable; empty when it cannot be found.
std::filesystem::path ExecutableFolder();

// Makes the executable's folder the working folder and the folder that the program's
// relative paths resolve against. A failure leaves the inherited working folder.
void EnterExecutableFolder();

}  // namespace platform
