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

// The caption of every message box: the executable's name without extension, as the
// program sets no title of its own. Empty until set.
void SetMessageCaption(const std::string& caption);
std::string MessageCaption();

// Without a window: the text as one line on standard error, after the caption and ": ".
class StderrMessageService final : public MessageService {
  public:
    void ShowMessage(const std::string& text) override;
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

MessageService& GetMessageService();
// Installs a service for the whole process (nullptr restores the standard-error one). The
// caller keeps ownership and keeps it alive while it is installed.
void SetMessageService(MessageService* service);

// Installs a service for one scope.
class ScopedMessageService {
  public:
    explicit ScopedMessageService(MessageService& service) { SetMessageService(&service); }
    ~ScopedMessageService() { SetMessageService(nullptr); }
    ScopedMessageService(const ScopedMessageService&) = delete;
    ScopedMessageService& operator=(const ScopedMessageService&) = delete;
};

// Shows a message through the installed service.
void ShowMessage(const std::string& text);

}  // namespace platform
