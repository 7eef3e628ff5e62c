#pragma once

#include <mutex>
#include <string>
#include <vector>

#include "resources/LogTarget.h"

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

}  // namespace testsupport
