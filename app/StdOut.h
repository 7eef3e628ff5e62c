#pragma once

#include <functional>
#include <mutex>
#include <string>

#include "platform/CodePage.h"

// Lines for a program that drives this one: written to the process's standard output as
// 8-bit text in the code page it is given, without a terminating zero, and flushed at once.
// A write that fails (the reader has gone) is dropped; the caller goes on with its work.
class StdOut {
  public:
    // Where the 8-bit bytes go; an empty sink is the process's standard output.
    using Sink = std::function<void(const std::string& bytes)>;

    explicit StdOut(platform::CodePage codePage, Sink sink = {})
        : codePage_(std::move(codePage)), sink_(std::move(sink)) {}
    StdOut(const StdOut&) = delete;
    StdOut& operator=(const StdOut&) = delete;

    void Write(const std::string& text);

  private:
    const platform::CodePage codePage_;
    std::mutex mutex_;
    Sink sink_;
};
