#include "platform/MessageService.h"

#include <cstdio>

namespace platform {

void StderrMessageService::ShowMessage(const std::string& text) {
    std::fprintf(stderr, "%s%s%s\n", caption_.c_str(), caption_.empty() ? "" : ": ", text.c_str());
    std::fflush(stderr);
}

void RecordingMessageService::ShowMessage(const std::string& text) {
    std::lock_guard<std::mutex> guard(mutex_);
    messages_.push_back(text);
}

std::vector<std::string> RecordingMessageService::Messages() const {
    std::lock_guard<std::mutex> guard(mutex_);
    return messages_;
}

void RecordingMessageService::Clear() {
    std::lock_guard<std::mutex> guard(mutex_);
    messages_.clear();
}

}  // namespace platform
