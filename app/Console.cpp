#include "app/Console.h"

#include "app/QuillonDlg.h"
#include "app/StdOut.h"

namespace {

void WriteHelp(StdOut& output) {
    static const char* const kHelp[] = {"Option cmd:\n",
                                        " v     Show current version\n",
                                        " f     Show avaliable files\n",
                                        " u     Upgrade FW/CFG\n",
                                        " x     Exit\n",
                                        " h     Help\n",
                                        "Please input cmd\n",
                                        ">>"};
    for (const char* text : kHelp) output.Write(text);
}

void Call(const std::function<void()>& action) {
    if (action) action();
}

}  // namespace

void RunConsole(platform::ByteInput& input, StdOut& output, const ConsoleCommands& commands) {
    for (;;) {
        const int byte = input.ReadByte();
        switch (byte) {
            case platform::ByteInput::kEnd:
            case 'x':
            case 'X':
                Call(commands.close);
                return;
            case 'u':
            case 'U':
                Call(commands.upgrade);
                break;
            case 'v':
            case 'V':
                Call(commands.reportVersion);
                break;
            case 'f':
            case 'F':
                Call(commands.listFiles);
                break;
            case 'h':
            case 'H':
                WriteHelp(output);
                break;
            case '\n':
                break;
            default:
                output.Write("Unkonw cmd\n>>");
                break;
        }
    }
}

void ConsoleThreadProc(CQuillonDlg& dialog, platform::ByteInput& input, StdOut& output) {
    ConsoleCommands commands;
    commands.upgrade = [&dialog] { dialog.StartUpgrade(); };
    commands.reportVersion = [&dialog] {
        dialog.WaitForUpgrade();
        dialog.ReportCurrentVersion();
    };
    commands.listFiles = [&dialog] {
        dialog.WaitForUpgrade();
        dialog.ListAvailableFiles();
    };
    // A run that "x" (or the end of the input) finds active ends first: it needs the loop
    // running for the bridge's arrivals, and its result line and report still go out.
    commands.close = [&dialog] {
        dialog.WaitForUpgrade();
        dialog.Close();
    };
    RunConsole(input, output, commands);
}

CConsole::CConsole(CQuillonDlg& dialog, platform::ByteInput& input, StdOut& output)
    : input_(input),
      thread_([&dialog, &input, &output] { ConsoleThreadProc(dialog, input, output); }) {}

CConsole::~CConsole() { Stop(); }

void CConsole::Stop() {
    input_.Cancel();
    if (thread_.joinable()) thread_.join();
}
