#include "app/Console.h"

#include "app/QuillonDlg.h"
#include "app/StdOut.h"

namespace {

void WriteHelp() {
    static const char* const kHelp[] = {"Option cmd:\n",
                                        " v     Show current version\n",
                                        " f     Show avaliable files\n",
                                        " u     Upgrade FW/CFG\n",
                                        " x     Exit\n",
                                        " h     Help\n",
                                        "Please input cmd\n",
                                        ">>"};
    for (const char* text : kHelp) WriteStdOut(text);
}

void Call(const std::function<void()>& action) {
    if (action) action();
}

}  // namespace

void RunConsole(platform::ByteInput& input, const ConsoleCommands& commands) {
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
                WriteHelp();
                break;
            case '\n':
                break;
            default:
                WriteStdOut("Unkonw cmd\n>>");
                break;
        }
    }
}

void ConsoleThreadProc(CQuillonDlg& dialog, platform::ByteInput& input) {
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
    RunConsole(input, commands);
}

CConsole::CConsole(CQuillonDlg& dialog, platform::ByteInput& input)
    : input_(input), thread_([&dialog, &input] { ConsoleThreadProc(dialog, input); }) {}

CConsole::~CConsole() { Stop(); }

void CConsole::Stop() {
    input_.Cancel();
    if (thread_.joinable()) thread_.join();
}
