#include "app/LogModel.h"

#include "resources/MessageTable.h"

namespace app {

namespace {

constexpr uint32_t kBlue = 0xB02020;
constexpr uint32_t kDarkBlue = 0xA00000;
constexpr uint32_t kRed = 0x0000FF;
constexpr uint32_t kGreen = 0x008000;
constexpr uint32_t kOrange = 0x4689FF;

// Line breaks of any convention ("\r\n", "\r", "\n") become "\n".
std::string NormalizeBreaks(const std::string& text) {
    if (text.find('\r') == std::string::npos) return text;
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\r') {
            out += text[i];
        } else {
            out += '\n';
            if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
        }
    }
    return out;
}

// A busy message (ending in "\n") as its line: ":" and the first spinner character in place
// of every line break, or only the spinner where the text already ends in a colon. An empty
// text stays empty, like any empty message.
std::string MakeBusyLine(const std::string& s) {
    const bool endsInColon = s.size() >= 2 && s.compare(s.size() - 2, 2, ":\n") == 0;
    std::string out;
    out.reserve(s.size() + 8);
    for (char c : s) {
        if (c != '\n') {
            out += c;
        } else {
            if (!endsInColon) out += ':';
            out += LogModel::kSpinner[0];
        }
    }
    return out;
}

bool LineStartsWith(const LogLine& line, std::string_view prefix) {
    std::string head;
    for (const LogRun& run : line.runs) {
        head += run.text;
        if (head.size() >= prefix.size()) break;
    }
    return head.compare(0, prefix.size(), prefix) == 0;
}

void RemoveTail(LogLine& line, size_t count) {
    while (count > 0 && !line.runs.empty()) {
        std::string& text = line.runs.back().text;
        if (text.size() <= count) {
            count -= text.size();
            line.runs.pop_back();
        } else {
            text.resize(text.size() - count);
            count = 0;
        }
    }
}

void AppendRun(LogLine& line, std::string_view text, const LogFormat& format, int kind) {
    if (text.empty()) return;
    if (!line.runs.empty() && line.runs.back().format == format && line.runs.back().kind == kind) {
        line.runs.back().text += text;
    } else {
        line.runs.push_back({std::string(text), format, kind});
    }
}

}  // namespace

LogFormat FormatOfKind(int kind, const LogFormat& previous) {
    switch (kind) {
        case LogBusy:
        case LogInfo:
        case LogProgress:
            return {kBlue, 220, false};
        case LogNote:
            return {kDarkBlue, 220, false};
        case LogError:
            return {kRed, 220, false};
        case LogSuccess:
            return {kGreen, 220, false};
        case LogPassBanner:
            return {kGreen, 1000, false};
        case LogFailBanner:
            return {kRed, 1000, false};
        case LogWarning:
            return {kOrange, 220, true};
        case LogTitle:
            return {kBlue, 280, true};
        default:
            return {previous.colour, previous.height, false};
    }
}

std::string LogLine::Text() const {
    std::string text;
    for (const LogRun& run : runs) text += run.text;
    return text;
}

LogModel::LogModel(UiLoop* loop, const std::atomic<bool>* silent) : loop_(loop), silent_(silent) {}

LogModel::~LogModel() {
    if (loop_ != nullptr) loop_->StopTimers(this);
}

void LogModel::AppendLog(std::string text, int kind) {
    if (silent_ != nullptr && silent_->load()) return;
    {
        std::lock_guard<std::mutex> guard(queueMutex_);
        queue_.push_back({std::move(text), kind});
    }
    if (firstAppendDone_.exchange(true)) return;
    if (loop_ == nullptr || !loop_->PostAndWait([this] { OnFlushLog(); })) OnFlushLog();
    if (loop_ != nullptr)
        loop_->StartTimer(this, kDrainTimer, kDrainPeriodMs, [this] { OnTimer(kDrainTimer); });
}

void LogModel::AppendLogRes(unsigned id, int kind) {
    AppendLog(resources::LoadMessageText(id), kind);
}

void LogModel::OnTimer(unsigned id) {
    if (id == kDrainTimer) {
        OnFlushLog();
    } else if (id == kSpinnerTimer) {
        TurnSpinner();
    }
}

std::deque<LogModel::Message> LogModel::TakeQueued() {
    std::deque<Message> batch;
    std::lock_guard<std::mutex> guard(queueMutex_);
    batch.swap(queue_);
    return batch;
}

void LogModel::OnFlushLog() {
    std::unique_lock<std::mutex> lock(textMutex_);
    const std::deque<Message> batch = TakeQueued();
    if (batch.empty()) return;
    Damage damage{lines_.size()};
    for (const Message& message : batch) DrawLocked(message, damage);
    // Every message stops the spinner and a busy message starts it again, so after the
    // drain it turns exactly when the last message was a busy one.
    SetSpinnerLocked(batch.back().kind == LogBusy);
    Notify(lock, {damage.firstLine, lines_.size(), damage.scroll});
}

void LogModel::DrawLocked(const Message& message, Damage& damage) {
    const std::string text = NormalizeBreaks(message.text);
    const int kind = message.kind;
    format_ = FormatOfKind(kind, format_);
    std::string s = text;
    if (!s.empty() && s.back() != '\n') s += '\n';
    if (kind == LogBusy) s = MakeBusyLine(s);

    if (lastLineOpen_) {
        LogLine& busy = lines_.back();
        damage.Touch(lines_.size() - 1);
        if (!text.empty() && text[0] == '#') {
            RemoveTail(busy, 1);  // the spinner: the message goes on after the colon
            s.erase(0, 1);
        } else {
            RemoveTail(busy, 2);  // the colon and the spinner: the busy line ends here
            lastLineOpen_ = false;
        }
    } else if (lines_.size() >= 2 && ((kind == LogProgress && lastKind_ == LogProgress) ||
                                      LineStartsWith(lines_.back(), "ADC"))) {
        lines_.pop_back();
        damage.Touch(lines_.size());
        damage.scroll = false;
    }
    InsertLocked(s, kind, damage);
    lastKind_ = kind;
}

void LogModel::InsertLocked(const std::string& s, int kind, Damage& damage) {
    size_t pos = 0;
    for (;;) {
        const size_t br = s.find('\n', pos);
        const size_t end = br == std::string::npos ? s.size() : br;
        if (br == std::string::npos && end == pos) break;
        if (!lastLineOpen_) {
            lines_.push_back({kind, {}});
            lastLineOpen_ = true;
        }
        damage.Touch(lines_.size() - 1);
        AppendRun(lines_.back(), std::string_view(s).substr(pos, end - pos), format_, kind);
        if (br == std::string::npos) break;
        lastLineOpen_ = false;
        pos = br + 1;
    }
}

void LogModel::SetSpinnerLocked(bool on) {
    if (loop_ == nullptr) return;
    if (on) {
        loop_->StartTimer(this, kSpinnerTimer, kSpinnerPeriodMs,
                          [this] { OnTimer(kSpinnerTimer); });
    } else {
        loop_->StopTimer(this, kSpinnerTimer);
    }
}

void LogModel::TurnSpinner() {
    std::unique_lock<std::mutex> lock(textMutex_);
    if (!lastLineOpen_) return;
    spinnerIndex_ = (spinnerIndex_ + 1) & 3;
    LogLine& busy = lines_.back();
    RemoveTail(busy, 1);
    AppendRun(busy, std::string_view(&kSpinner[spinnerIndex_], 1), format_, lastKind_);
    Notify(lock, {lines_.size() - 1, lines_.size(), false});
}

void LogModel::Clear() {
    if (loop_ != nullptr && loop_->PostAndWait([this] { ClearNow(); })) return;
    ClearNow();
}

void LogModel::ClearNow() {
    std::unique_lock<std::mutex> lock(textMutex_);
    // Messages still queued stay queued: the next drain draws them into the empty log.
    lines_.clear();
    lastLineOpen_ = false;
    SetSpinnerLocked(false);
    Notify(lock, {0, 0, false});
}

void LogModel::Notify(std::unique_lock<std::mutex>& lock, const LogChange& change) {
    auto listener = listener_;
    lock.unlock();
    if (listener) listener(change);
}

void LogModel::SetChangeListener(std::function<void(const LogChange&)> listener) {
    std::lock_guard<std::mutex> guard(textMutex_);
    listener_ = std::move(listener);
}

size_t LogModel::LineCount() const {
    std::lock_guard<std::mutex> guard(textMutex_);
    return lines_.size();
}

std::vector<LogLine> LogModel::Lines(size_t first) const {
    std::lock_guard<std::mutex> guard(textMutex_);
    if (first >= lines_.size()) return {};
    return {lines_.begin() + static_cast<std::ptrdiff_t>(first), lines_.end()};
}

std::string LogModel::Text() const {
    std::lock_guard<std::mutex> guard(textMutex_);
    std::string text;
    for (size_t i = 0; i < lines_.size(); ++i) {
        text += lines_[i].Text();
        if (i + 1 < lines_.size() || !lastLineOpen_) text += '\n';
    }
    return text;
}

bool LogModel::BusyPending() const {
    std::lock_guard<std::mutex> guard(textMutex_);
    return lastLineOpen_;
}

int LogModel::LastKind() const {
    std::lock_guard<std::mutex> guard(textMutex_);
    return lastKind_;
}

int LogModel::SpinnerIndex() const {
    std::lock_guard<std::mutex> guard(textMutex_);
    return spinnerIndex_;
}

LogFormat LogModel::CurrentFormat() const {
    std::lock_guard<std::mutex> guard(textMutex_);
    return format_;
}

size_t LogModel::QueuedCount() const {
    std::lock_guard<std::mutex> guard(queueMutex_);
    return queue_.size();
}

}  // namespace app
