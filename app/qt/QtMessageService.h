#pragma once

#include <string>

#include "app/UiLoop.h"
#include "platform/MessageService.h"

namespace app {

// Modal message boxes of the interactive program: shown on the UI loop with an OK button
// and captioned with the executable's name; the caller waits until the box is closed. While
// no loop runs (before the window opens or after it has closed) the text goes to standard
// error instead, so a caller never hangs.
class QtMessageService final : public platform::MessageService {
  public:
    explicit QtMessageService(UiLoop& loop);
    void ShowMessage(const std::string& text) override;

  private:
    UiLoop& loop_;
};

}  // namespace app
