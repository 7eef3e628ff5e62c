#include "platform/MessageService.h"

#include <atomic>
#include <cstdio>

namespace platform {

namespace {
StderrMessageService g_stderr;
std::atomic<MessageService*> g_service{&g_stderr};
std::mutex g_captionMutex;
std::string g_caption;
}  // namespace

void SetMessageCaption(const std::string& caption) {
    std::lock_guard<std::mutex> guard(g_captionMutex);
    g_caption = caption;
}

std::string MessageCaption() {
    std::lock_guard<std::mutex> guard(g_captionMutex);
    return g_caption;
}

void StderrMessageService::ShowMessage(const std::string& text) {
    const std::string caption = MessageCaption();
    std::fprintf(stderr, "%s%s%s\n", caption.c_str(), caption.empty() ? "" : ": ", text.c_str());
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

MessageService& GetMessageService() { return *g_service.load(); }

void SetMessageService(MessageService* service) { g_service.store(service ? service : &g_stderr); }

void ShowMessage(const std::string& text) { GetMessageService().ShowMessage(text); }

}  // namespace platform
