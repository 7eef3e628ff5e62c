#include "app/qt/QtDialogHost.h"

#include <QApplication>

#include "app/QuillonDlg.h"
#include "app/qt/QtMessageService.h"
#include "app/qt/QtUiLoop.h"
#include "app/qt/QuillonWindow.h"

namespace app {

struct QtDialogHost::State {
    State(int& argc, char** argv) : application(argc, argv), messages(loop), scoped(messages) {}
    QApplication application;
    QtUiLoop loop;
    QtMessageService messages;
    platform::ScopedMessageService scoped;
};

QtDialogHost::QtDialogHost(int& argc, char** argv) : state_(std::make_unique<State>(argc, argv)) {
    // The window's close is the program's close request; nothing ends the loop behind it.
    QApplication::setQuitOnLastWindowClosed(false);
}

QtDialogHost::~QtDialogHost() = default;

UiLoop& QtDialogHost::Loop() { return state_->loop; }

void QtDialogHost::RunDialog(CQuillonDlg& dialog, LogModel& log,
                             const std::function<void(QuillonWindow&)>& shown) {
    QuillonWindow window(dialog, log, [this] { state_->loop.Quit(); });
    dialog.OnInitDialog();
    window.ShowCentred();
    if (shown) shown(window);
    state_->loop.Run();
}

}  // namespace app
