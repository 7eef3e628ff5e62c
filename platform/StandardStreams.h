#pragma once

#include <string>

namespace platform {

// Makes the process safe on the streams it inherited; run first thing at start, before
// anything opens a file or a pipe. Standard input, output and error that were closed are
// opened on /dev/null, so no file, pipe or device the program opens later takes their
// numbers (and gets read as commands or written with report lines). A reader of a pipe that
// has gone no longer ends the process: writes to it fail instead (SIGPIPE is ignored; a
// program started by this one gets the signal's default back).
void PrepareStandardStreams();

// Writes the bytes to standard output in whole. When the reader has gone or the write fails
// otherwise, the rest is dropped: what the program does next never depends on it.
void WriteStandardOutput(const std::string& bytes);

}  // namespace platform
