#pragma once

#include <functional>
#include <thread>

#include "app/StdOut.h"
#include "platform/ByteInput.h"

class CQuillonDlg;

// The console that a controlling program drives in silent mode: one-letter commands read
// from standard input, answers on standard output. Upper and lower case are the same:
//   u  start an upgrade run        v  current version report     f  available files report
//   h  help (eight writes)         x  close the program          line feed: ignored
// Any other byte, a carriage return included, is answered "Unkonw cmd\n" and ">>". The
// console writes no prompt when it starts: the start-up version report ends with the first.
struct ConsoleCommands {
    std::function<void()> upgrade;        // "u"
    std::function<void()> reportVersion;  // "v"
    std::function<void()> listFiles;      // "f"
    std::function<void()> close;          // "x", and the end of the input
};

// Reads and answers commands until "x" or until the input ends (closed, failed or
// cancelled); either closes the program and returns, so a dead input is never read again.
void RunConsole(platform::ByteInput& input, StdOut& output, const ConsoleCommands& commands);

// The dialog's console: "u" starts a run, refused while one is active (never a second run);
// "v" and "f" wait until an active run has ended, so a report never mixes its device
// traffic with the run's nor rewrites the paths the run uses.
void ConsoleThreadProc(CQuillonDlg& dialog, platform::ByteInput& input, StdOut& output);

// ConsoleThreadProc on a thread of its own, from construction until Stop.
class CConsole {
  public:
    CConsole(CQuillonDlg& dialog, platform::ByteInput& input, StdOut& output);
    ~CConsole();
    CConsole(const CConsole&) = delete;
    CConsole& operator=(const CConsole&) = delete;

    // Ends the input's wait and joins the thread (after a command it is running).
    void Stop();

  private:
    platform::ByteInput& input_;
    std::thread thread_;
};
