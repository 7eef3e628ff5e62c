#pragma once

#include <mutex>
#include <ostream>
#include <string>
#include <vector>

#include "resources/LogTarget.h"
#include "resources/MessageIds.h"

namespace testsupport {

// A log target that keeps every message as it was appended: texts as given, string-table
// messages as "#<id>".
class RecordingLog : public LogTarget {
  public:
    struct Entry {
        std::string text;
        int kind;
        bool operator==(const Entry&) const = default;
    };
    void AppendLog(std::string text, int kind) override {
        std::lock_guard<std::mutex> guard(mutex_);
        entries_.push_back({std::move(text), kind});
    }
    void AppendLogRes(unsigned id, int kind) override {
        std::lock_guard<std::mutex> guard(mutex_);
        entries_.push_back({"#" + std::to_string(id), kind});
    }
    std::vector<Entry> entries() const {
        std::lock_guard<std::mutex> guard(mutex_);
        return entries_;
    }

  private:
    mutable std::mutex mutex_;
    std::vector<Entry> entries_;
};

// An entry as "<text>/<kind>" in test messages.
inline void PrintTo(const RecordingLog::Entry& entry, std::ostream* out) {
    *out << entry.text << "/" << entry.kind;
}

// A string-table message as a RecordingLog keeps it.
inline RecordingLog::Entry Logged(msg::MessageId id, LogKind kind) {
    return {"#" + std::to_string(id), kind};
}

}  // namespace testsupport
