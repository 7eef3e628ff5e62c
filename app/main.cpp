#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "app/BasicUiLoop.h"
#include "app/DeviceParts.h"
#include "app/LogModel.h"
#include "app/QuillonDlg.h"
#include "app/SingleInstance.h"
#include "app/SystemHelpers.h"
#include "app/qt/QtDialogHost.h"
#include "platform/ByteInput.h"
#include "platform/Clock.h"
#include "platform/ExecutableFolder.h"
#include "platform/Format.h"
#include "platform/MessageService.h"
#include "platform/NoIspLibrary.h"
#include "platform/ProgramFiles.h"
#include "platform/SettingsStore.h"
#include "platform/StandardStreams.h"
#include "platform/linux/LinuxHidBackend.h"
#include "platform/linux/UdevHotPlugSource.h"
#include "sim/SimHotPlugSource.h"
#include "sim/SimWorld.h"
#include "sim/Trace.h"

int main(int argc, char** argv) {
    // Before anything opens a file: closed standard streams and a gone reader must neither
    // hand their numbers to the program's own files nor end a run half-way.
    platform::PrepareStandardStreams();
    std::string commandLine;
    for (int i = 1; i < argc; ++i) {
        if (i > 1) commandLine += ' ';
        commandLine += argv[i];
    }
    // Message boxes are captioned with the executable's name.
    const std::string caption = platform::ExecutableName();
    platform::StderrMessageService stderrMessages(caption);
    // A silent instance takes no name and may run beside any other.
    const bool interactive = !CommandLineHas(commandLine, "/s");
    // The dialog needs a display, and Qt ends the process where it finds none: such a start
    // is refused before it takes anything, with the way to run without one.
    if (interactive && !app::QtDialogHost::DisplayAvailable()) {
        stderrMessages.ShowMessage("no display is available to show the dialog on; \"" + caption +
                                   " /s\" runs the console, which needs none");
        return 1;
    }
    // Every relative path of the program resolves against its own folder; 8-bit text is in
    // the default code page.
    const platform::ProgramFiles files{platform::EnterExecutableFolder(), platform::CodePage()};

    // Only the interactive start brings up Qt, and shows a refused start in a message box; the
    // silent one runs on the loop of our own.
    std::unique_ptr<app::QtDialogHost> qt;
    if (interactive) qt = std::make_unique<app::QtDialogHost>(argc, argv, caption);
    SingleInstance instance(qt ? qt->Messages() : stderrMessages);
    if (interactive && !instance.Claim()) return 1;

    platform::SteadyClock steadyClock;
    // Device notifications travel over threads: a virtual wait grants them a real grace.
    platform::VirtualClock virtualClock(200);
    platform::Clock* clock = &steadyClock;
    platform::FileSettingsStore fileSettings(files.codePage);
    platform::SettingsStore* settingsStore = &fileSettings;
    std::unique_ptr<sim::SimWorld> world;
    std::unique_ptr<platform::HidBackend> linuxBackend;
    platform::HidBackend* backend = nullptr;
    std::unique_ptr<platform::HotPlugSource> hotPlug;
    // Linux has no vendor library: its stand-in finds no bridge in boot mode. A simulated
    // bridge brings a library of its own.
    platform::NoIspLibrary noIspLibrary;
    platform::IspLibrary* ispLibrary = nullptr;
    if (const char* description = std::getenv("QUILLON_SIM"); description && *description) {
        std::string error;
        world = sim::LoadSimWorld(description, {steadyClock, virtualClock}, error);
        if (!world) {
            std::fprintf(stderr, "quillon: simulation description %s: %s\n", description,
                         error.c_str());
            return 2;
        }
        settingsStore = &world->settings;
        clock = &world->clock;
        backend = &world->bus;
        hotPlug = std::make_unique<sim::SimHotPlugSource>(world->bus);
        ispLibrary = world->boot.get();
    } else {
        linuxBackend = std::make_unique<platform::LinuxHidBackend>(*clock);
        backend = linuxBackend.get();
        hotPlug = std::make_unique<platform::UdevHotPlugSource>();
    }

    platform::StdinByteInput standardInput;
    app::BasicUiLoop basicLoop(*clock);
    app::UiLoop& loop = qt ? qt->Loop() : basicLoop;
    std::atomic<bool> silent{!interactive};
    app::LogModel log(&loop, &silent);
    StdOut standardOutput(files.codePage);
    const app::Services services{
        *clock, *settingsStore,
        qt ? qt->Messages() : static_cast<platform::MessageService&>(stderrMessages),
        standardOutput, files};
    {
        // The parts read the program's settings files as the dialog starts: a message of
        // theirs takes the road of the dialog's start, not of the refused start's.
        if (qt) qt->EndStartUp();
        // Built before the dialog, destroyed right after it.
        app::DeviceParts parts(*backend, services, ispLibrary ? *ispLibrary : noIspLibrary,
                               ispLibrary != nullptr);
        CQuillonDlg::Options options;
        options.commandLine = commandLine;
        options.log = &log;
        options.clearLog = [&log] { log.Clear(); };
        options.close = [&loop] { loop.Quit(); };
        options.hotPlug = hotPlug.get();
        options.loop = &loop;
        options.consoleInput = &standardInput;
        CQuillonDlg dialog(parts, services, options);
        if (qt) {
            qt->RunDialog(dialog, log);
        } else {
            dialog.OnInitDialog();
            loop.Run();
        }
    }
    if (world && world->virtualTime) {
        world->bus.trace().Event(
            platform::Format("virtual time: slept %llu ms",
                             static_cast<unsigned long long>(virtualClock.SleptMs())));
    }
    return 0;
}
