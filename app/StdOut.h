#pragma once

#include <functional>
#include <string>

// Lines for a program that drives this one: written to the process's standard output as
// 8-bit text in the configured code page, without a terminating zero, and flushed at once.
// A write that fails (the reader has gone) is dropped; the caller goes on with its work.
void WriteStdOut(const std::string& text);

// Replaces where standard output goes (tests); an empty function restores the process's
// standard output. The sink receives the 8-bit bytes.
void SetStdOutSink(std::function<void(const std::string& bytes)> sink);
