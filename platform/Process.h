#pragma once

#include <optional>
#include <string>

namespace platform {

// Runs a command line through /bin/sh in the given folder, with no standard input, and
// returns everything it wrote to standard output and standard error (raw bytes, in the
// order they arrived). Reading stops when the output pipe closes, that is when the command
// and everything that inherited its output have ended. nullopt when the pipe or the
// process could not be created, the folder cannot be entered or the shell cannot be run.
std::optional<std::string> RunShellCapture(const std::string& commandLine,
                                           const std::string& workingFolder);

}  // namespace platform
