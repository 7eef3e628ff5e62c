#pragma once

#include <string>

// The kind of a log message: selects its colour and size and its line discipline.
enum LogKind : int {
    LogBusy = 0,  // busy line ending in ":" and a turning spinner until the next message
    LogInfo = 1,
    LogNote = 2,
    LogError = 3,       // red
    LogSuccess = 4,     // green
    LogPassBanner = 5,  // large success
    LogFailBanner = 6,  // large error
    LogWarning = 7,     // orange, bold
    LogProgress = 8,    // replaces the previous progress line
    LogTitle = 9,
};

// Where steps below the application write their messages. The log window implements it;
// writers on any thread only queue the text.
class LogTarget {
  public:
    virtual ~LogTarget() = default;
    virtual void AppendLog(std::string text, int kind) = 0;
    // The message of a string-table id, in the calling thread's UI language.
    virtual void AppendLogRes(unsigned id, int kind) = 0;
};
