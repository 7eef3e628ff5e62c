// Renders the main dialog after one upgrade run to a PNG picture, without a display: the
// dialog starts in the given program folder against the simulated bridge that QUILLON_SIM
// describes, its "Upgrade" button is pressed, and once the run and the version report after it
// have ended and the log is drawn, the window (its menu included) is grabbed from the
// offscreen platform. On the description's own time the picture shows what a user sees then;
// on virtual time the run's lines are still queued when the report clears the log, and stay.
//
//   QT_QPA_PLATFORM=offscreen QUILLON_SIM=sim.ini quillon-grab <program folder> <picture.png>
#include <QPushButton>
#include <QTimer>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include "app/DeviceParts.h"
#include "app/LogModel.h"
#include "app/QuillonDlg.h"
#include "app/qt/QtDialogHost.h"
#include "app/qt/QuillonWindow.h"
#include "platform/Clock.h"
#include "platform/ProgramFiles.h"
#include "platform/SettingsStore.h"
#include "sim/SimWorld.h"

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: quillon-grab <program folder> <picture.png>\n");
        return 2;
    }
    const std::string picture = argv[2];
    // As the program's own start does: the folder absolute, so that the paths found in it
    // name their files wherever this tool runs from.
    const platform::ProgramFiles files{std::filesystem::absolute(argv[1]), platform::CodePage()};
    const char* description = std::getenv("QUILLON_SIM");
    std::string error;
    platform::SteadyClock steadyClock;
    platform::VirtualClock virtualClock;
    auto world =
        description ? sim::LoadSimWorld(description, {steadyClock, virtualClock}, error) : nullptr;
    if (!world) {
        std::fprintf(stderr, "quillon-grab: QUILLON_SIM must name a simulation description%s%s\n",
                     error.empty() ? "" : ": ", error.c_str());
        return 2;
    }

    bool saved = false;
    {
        app::QtDialogHost host(argc, argv, "");
        std::atomic<bool> silent{false};
        app::LogModel log(&host.Loop(), &silent);
        // The end of the run, its version report included, is the close request that "/u"
        // makes; the window is grabbed then instead of closed.
        std::atomic<bool> runEnded{false};
        CQuillonDlg::Options options;
        options.commandLine = "/u";
        options.log = &log;
        options.clearLog = [&log] { log.Clear(); };
        options.close = [&runEnded] { runEnded = true; };
        options.loop = &host.Loop();
        StdOut standardOutput(files.codePage);
        const app::Services services{world->clock, world->settings, host.Messages(), standardOutput,
                                     files};
        // The picture shows a run that leaves the bridge's firmware alone: the simulated boot
        // mode is searched for by the version report but never programmed.
        host.EndStartUp();
        app::DeviceParts parts(world->bus, services, *world->boot, false);
        CQuillonDlg dialog(parts, services, options);
        QTimer watch;
        int ticks = 0;
        host.RunDialog(dialog, log, [&](app::QuillonWindow& window) {
            window.UpgradeButton().click();
            QObject::connect(&watch, &QTimer::timeout, [&] {
                const bool done =
                    runEnded && window.UpgradeButton().isEnabled() && log.QueuedCount() == 0;
                // Two quiet ticks after the run, so that the last drain has been painted.
                ticks = done ? ticks + 1 : 0;
                if (ticks < 2) return;
                saved = window.grab().save(QString::fromStdString(picture), "PNG");
                host.Loop().Quit();
            });
            watch.start(50);
            // A run that never ends leaves no picture rather than a hang.
            QTimer::singleShot(120000, [&host] { host.Loop().Quit(); });
        });
    }
    if (!saved) {
        std::fprintf(stderr, "quillon-grab: %s could not be written\n", picture.c_str());
        return 1;
    }
    return 0;
}
