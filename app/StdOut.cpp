#include "app/StdOut.h"

#include <mutex>

#include "platform/CodePage.h"
#include "platform/StandardStreams.h"

namespace {
std::mutex g_mutex;
std::function<void(const std::string&)> g_sink;
}  // namespace

void WriteStdOut(const std::string& text) {
    const std::string bytes = platform::Utf8ToAnsi(text);
    std::lock_guard<std::mutex> guard(g_mutex);
    if (g_sink) {
        g_sink(bytes);
        return;
    }
    platform::WriteStandardOutput(bytes);
}

void SetStdOutSink(std::function<void(const std::string& bytes)> sink) {
    std::lock_guard<std::mutex> guard(g_mutex);
    g_sink = std::move(sink);
}
