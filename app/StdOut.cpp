#include "app/StdOut.h"

#include "platform/CodePage.h"
#include "platform/StandardStreams.h"

void StdOut::Write(const std::string& text) {
    const std::string bytes = platform::Utf8ToAnsi(text, codePage_);
    std::lock_guard<std::mutex> guard(mutex_);
    if (sink_) {
        sink_(bytes);
        return;
    }
    platform::WriteStandardOutput(bytes);
}
