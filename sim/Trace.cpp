#include "sim/Trace.h"

#include <cstdio>
#include <cstdlib>

namespace sim {

Trace::Trace() { SetPath(FromEnvironment()); }

std::string Trace::FromEnvironment() {
    const char* value = std::getenv("QUILLON_SIM_TRACE");
    return value ? value : "";
}

void Trace::SetPath(const std::string& path) {
    std::lock_guard<std::mutex> guard(mutex_);
    path_ = path;
    tracing_ = !path_.empty();
}

void Trace::Report(const std::string& prefix, char direction, const uint8_t* bytes, size_t length) {
    // Without a trace file the line is not even made: a download sends thousands of reports.
    if (!tracing_) return;
    std::string line = prefix + direction;
    line += ' ';
    static const char* digits = "0123456789abcdef";
    for (size_t i = 0; i < length; ++i) {
        if (i) line += ' ';
        line += digits[bytes[i] >> 4];
        line += digits[bytes[i] & 15];
    }
    Append(line);
}

void Trace::Event(const std::string& text) { Append("# " + text); }

void Trace::Append(const std::string& line) {
    std::lock_guard<std::mutex> guard(mutex_);
    if (path_.empty()) return;
    if (FILE* f = std::fopen(path_.c_str(), "a")) {
        std::fputs(line.c_str(), f);
        std::fputc('\n', f);
        std::fclose(f);
    }
}

}  // namespace sim
