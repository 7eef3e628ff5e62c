#pragma once

#include <atomic>
#include <string>

#include "app/UiLoop.h"
#include "platform/MessageService.h"

namespace app {

// Modal message boxes of the interactive program, captioned with the executable's name and
// with an OK button; the caller waits until the box is closed. While the UI loop runs they
// are shown on it, from any thread. At start-up, before the loop first runs, a message on
// the application's thread (a refused start) is shown at once in a box of its own. Otherwise
// (another thread before the loop runs, or after the window has closed) the text goes to
// standard error instead, so a caller never hangs.
class QtMessageService final : public platform::MessageService {
  public:
    // caption: the title of every box; empty: the application's name.
    QtMessageService(UiLoop& loop, std::string caption);
    void ShowMessage(const std::string& text) override;

    // Start-up is over: the loop is about to run for the first time.
    void EndStartUp() { startingUp_ = false; }

  private:
    UiLoop& loop_;
    platform::StderrMessageService stderr_;
    std::atomic<bool> startingUp_{true};
};

}  // namespace app
