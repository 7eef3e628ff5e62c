#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <string>

namespace sim {

// The report trace of the simulated bridge: one line per report (">" to the bridge, "<"
// from it, then the bytes as lower-case hex; a second bridge's lines begin with "2"), and "#"
// lines for other events. Written to
// the file named by QUILLON_SIM_TRACE, or to the file a test names. Each simulated bus has one.
class Trace {
  public:
    Trace();

    // Empty path: no trace. Re-reads QUILLON_SIM_TRACE when called with FromEnvironment().
    void SetPath(const std::string& path);
    static std::string FromEnvironment();

    // `prefix` marks the reports of a bridge other than the first ("2").
    void Report(const std::string& prefix, char direction, const uint8_t* bytes, size_t length);
    void Event(const std::string& text);

  private:
    void Append(const std::string& line);

    std::mutex mutex_;
    std::string path_;
    std::atomic<bool> tracing_{false};  // whether path_ names a file
};

}  // namespace sim
