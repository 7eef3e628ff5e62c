#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "app/UiLoop.h"
#include "resources/LogTarget.h"

namespace app {

// A character format: colour as a COLORREF (0x00BBGGRR), height in twips (20 per point), bold.
struct LogFormat {
    uint32_t colour = 0;
    int height = 220;
    bool bold = false;
    bool operator==(const LogFormat&) const = default;
};

// The format of a message of this kind, drawn after text in format previous. Kinds 0 to 9
// have their own; any other kind keeps the previous colour and height, not bold.
LogFormat FormatOfKind(int kind, const LogFormat& previous);

// A piece of one line in one format; kind is the LogKind of the message that wrote it.
struct LogRun {
    std::string text;
    LogFormat format;
    int kind = LogInfo;
};

struct LogLine {
    int kind = LogInfo;        // the kind of the message that started the line
    std::vector<LogRun> runs;  // none for an empty line
    std::string Text() const;
};

// What one drain, spinner turn or clear changed: the lines before firstLine are as they
// were; the log now has lineCount lines.
struct LogChange {
    size_t firstLine = 0;
    size_t lineCount = 0;
    bool scrollToBottom = false;
};

// The content of the log window: the one source of what the log shows, kept as lines of
// formatted runs that a view draws. Writers on any thread only queue their messages; the
// UI loop drains the queue every 30 ms and turns the busy line's spinner every 80 ms.
//
// Line rules of a drained message: a busy message (LogBusy) becomes a line that ends in ":"
// and a spinner character and has no line break; the next message completes it on the same
// line when it begins with "#" (the "#" dropped), otherwise removes the ":" and the spinner
// and starts its own line. A progress message (LogProgress) after a progress message
// replaces the last line, and so does any message after a line beginning with "ADC"; the
// first line of the log is never replaced, and a drain that replaced a line does not
// scroll.
//
// Each drained message costs the same whatever the log's length: the model keeps its lines
// and whether the last one is an open busy line, and touches only the end.
class LogModel final : public LogTarget {
  public:
    static constexpr unsigned kDrainTimer = 1;
    static constexpr unsigned kSpinnerTimer = 3;
    static constexpr uint32_t kDrainPeriodMs = 30;
    static constexpr uint32_t kSpinnerPeriodMs = 80;
    static constexpr char kSpinner[] = "-\\|/";

    // loop: the UI loop that runs the drain and spinner timers; without one (nullptr) the
    // owner drains with OnFlushLog and turns the spinner with OnTimer. silent: the owner's
    // silent flag; while it is set, appends do nothing. Both may be null and must outlive
    // the model.
    explicit LogModel(UiLoop* loop = nullptr, const std::atomic<bool>* silent = nullptr);
    ~LogModel() override;
    LogModel(const LogModel&) = delete;
    LogModel& operator=(const LogModel&) = delete;

    // Queues a message; any thread. The first append ever waits until the UI loop has drawn
    // it and then starts the drain timer; when no UI loop runs, that drain runs on the
    // caller's thread instead, so the first append never hangs.
    void AppendLog(std::string text, int kind) override;
    // Queues the message of a message-table id in the calling thread's UI language.
    void AppendLogRes(unsigned id, int kind) override;

    // Draws every queued message in order (the drain timer's work).
    void OnFlushLog();
    // kDrainTimer drains; kSpinnerTimer turns the spinner of a pending busy line.
    void OnTimer(unsigned id);
    // Empties the log. Messages queued before the clear are kept and drawn after it, so no
    // line of a run that just ended is lost; the last kind, the current format and the
    // spinner index stay; a pending busy line is dropped with its spinner. Runs on the UI
    // loop when one runs (the caller waits), else on the caller's thread.
    void Clear();

    // Told of every change, after it, on the thread that made it: the UI loop's whenever
    // one runs. The listener may read the model; a view on another thread must hand the
    // change over to its own thread.
    void SetChangeListener(std::function<void(const LogChange&)> listener);

    size_t LineCount() const;
    // Copies of the lines from first on.
    std::vector<LogLine> Lines(size_t first = 0) const;
    // The whole text: each line followed by "\n", except a pending busy line.
    std::string Text() const;
    bool BusyPending() const;
    int LastKind() const;
    int SpinnerIndex() const;
    LogFormat CurrentFormat() const;
    size_t QueuedCount() const;

  private:
    struct Message {
        std::string text;
        int kind;
    };
    struct Damage {
        size_t firstLine;
        bool scroll = true;
        void Touch(size_t line) {
            if (line < firstLine) firstLine = line;
        }
    };

    std::deque<Message> TakeQueued();
    void DrawLocked(const Message& message, Damage& damage);
    void InsertLocked(const std::string& s, int kind, Damage& damage);
    void SetSpinnerLocked(bool on);
    void ClearNow();
    void TurnSpinner();
    void Notify(std::unique_lock<std::mutex>& lock, const LogChange& change);

    UiLoop* const loop_;
    const std::atomic<bool>* const silent_;
    std::atomic<bool> firstAppendDone_{false};

    mutable std::mutex queueMutex_;  // guards queue_ only; writers never wait for drawing
    std::deque<Message> queue_;

    mutable std::mutex textMutex_;  // guards everything below
    std::deque<LogLine> lines_;     // a deque: growing never moves the lines already there
    bool lastLineOpen_ = false;     // the last line has no line break: a busy line is pending
    LogFormat format_;              // the current format: that of the last message drawn
    int lastKind_ = LogInfo;
    int spinnerIndex_ = 0;
    std::function<void(const LogChange&)> listener_;
};

}  // namespace app
