#pragma once

#include <mutex>
#include <string>
#include <vector>

namespace platform {

// Modal messages to the user (a message box with an OK button). Showing one blocks the
// calling thread until the user has seen it.
class MessageService {
  public:
    virtual ~MessageService() = default;
    virtual void ShowMessage(const std::string& text) = 0;
};

// Without a window: the text as one line on standard error, after the caption and ": ".
// The caption is the executable's name without extension, as the program sets no title of
// its own; an empty caption leaves the text alone on its line.
class StderrMessageService final : public MessageService {
  public:
    explicit StderrMessageService(std::string caption = "") : caption_(std::move(caption)) {}
    void ShowMessage(const std::string& text) override;
    const std::string& Caption() const { return caption_; }

  private:
    std::string caption_;
};

// Keeps every message, for tests.
class RecordingMessageService final : public MessageService {
  public:
    void ShowMessage(const std::string& text) override;
    std::vector<std::string> Messages() const;
    void Clear();

  private:
    mutable std::mutex mutex_;
    std::vector<std::string> messages_;
};

}  // namespace platform
