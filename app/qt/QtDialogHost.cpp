#include "app/qt/QtDialogHost.h"

#include <QApplication>
#include <cstdlib>
#include <sstream>
#include <string>

#include "app/QuillonDlg.h"
#include "app/qt/QtMessageService.h"
#include "app/qt/QtUiLoop.h"
#include "app/qt/QuillonWindow.h"
#include "platform/AsciiCase.h"

namespace app {

struct QtDialogHost::State {
    State(int& argc, char** argv, const std::string& caption)
        : application(argc, argv), messages(loop, caption) {}
    QApplication application;
    QtUiLoop loop;
    QtMessageService messages;
};

QtDialogHost::QtDialogHost(int& argc, char** argv, const std::string& caption)
    : state_(std::make_unique<State>(argc, argv, caption)) {
    // The window's close is the program's close request; nothing ends the loop behind it.
    QApplication::setQuitOnLastWindowClosed(false);
}

QtDialogHost::~QtDialogHost() = default;

UiLoop& QtDialogHost::Loop() { return state_->loop; }

platform::MessageService& QtDialogHost::Messages() { return state_->messages; }

bool QtDialogHost::DisplayAvailable() {
    auto set = [](const char* name) {
        const char* value = std::getenv(name);
        return value && *value;
    };
    // X11 and Wayland need their display, the other platforms none.
    auto usable = [&](const std::string& platform) {
        if (platform.rfind("xcb", 0) == 0) return set("DISPLAY");
        if (platform.rfind("wayland", 0) == 0) return set("WAYLAND_DISPLAY");
        return true;
    };
    // Without QT_QPA_PLATFORM Qt looks for an X11 or Wayland display.
    if (!set("QT_QPA_PLATFORM")) return set("DISPLAY") || set("WAYLAND_DISPLAY");
    // Otherwise it tries the platforms the variable names, in turn ("wayland;xcb"), and no
    // other: an entry is a name, in any case, with its arguments after ":" ("xcb:..."); an
    // entry without a name (";", ":") names none. When none is usable, Qt ends the process.
    std::istringstream entries(std::getenv("QT_QPA_PLATFORM"));
    for (std::string entry; std::getline(entries, entry, ';');) {
        std::istringstream parts(entry);
        std::string name;
        while (name.empty() && std::getline(parts, name, ':')) {
        }
        if (!name.empty() && usable(platform::AsciiLower(name))) return true;
    }
    return false;
}

void QtDialogHost::EndStartUp() { state_->messages.EndStartUp(); }

void QtDialogHost::RunDialog(CQuillonDlg& dialog, LogModel& log,
                             const std::function<void(QuillonWindow&)>& shown) {
    QuillonWindow window(dialog, log, [this] { state_->loop.Quit(); });
    EndStartUp();
    dialog.OnInitDialog();
    window.ShowCentred();
    if (shown) shown(window);
    state_->loop.Run();
}

}  // namespace app
