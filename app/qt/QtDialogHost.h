#pragma once

#include <functional>
#include <memory>
#include <string>

#include "app/UiLoop.h"
#include "platform/MessageService.h"

class CQuillonDlg;

namespace app {

class LogModel;
class QuillonWindow;

// The interactive program's Qt side: the application object, its event loop as the UI
// loop, message boxes (from construction on, a refused start's included), and the main
// dialog's window. Only the interactive start constructs
// it, so a silent start never loads a Qt platform plugin and needs no display.
class QtDialogHost {
  public:
    // caption: the title of the message boxes.
    QtDialogHost(int& argc, char** argv, const std::string& caption);
    ~QtDialogHost();
    QtDialogHost(const QtDialogHost&) = delete;
    QtDialogHost& operator=(const QtDialogHost&) = delete;

    // The UI loop for the log and the dialog's logic; it closes the window when it quits.
    UiLoop& Loop();
    // The message boxes: from construction on, a refused start's included.
    platform::MessageService& Messages();

    // Whether the environment offers Qt a place to show windows: one of the platforms that
    // QT_QPA_PLATFORM names (X11 and Wayland with their display) or, where it is not set, an
    // X11 or Wayland display. Without one, constructing the host would end the process.
    static bool DisplayAvailable();

    // Start-up is over: from now on a message goes to the running loop or, before it runs, to
    // standard error. RunDialog ends it too; a caller that builds what the dialog works on
    // before the window ends it first, so that those messages take the same road.
    void EndStartUp();

    // Runs the dialog: creates its window over the log, initialises the dialog's logic,
    // shows the window centred and runs the loop until the close request. The window goes
    // before this returns. shown, when given, is called once the window is shown.
    void RunDialog(CQuillonDlg& dialog, LogModel& log,
                   const std::function<void(QuillonWindow&)>& shown = {});

  private:
    struct State;
    std::unique_ptr<State> state_;
};

}  // namespace app
