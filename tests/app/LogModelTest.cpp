#include <gtest/gtest.h>

#include <atomic>
#include <map>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "app/LogModel.h"
#include "app/LogPlainText.h"
#include "resources/MessageIds.h"
#include "resources/UiLanguage.h"

using namespace app;

namespace {

constexpr LogFormat kBusyFormat{0xB02020, 220, false};
constexpr LogFormat kErrorFormat{0x0000FF, 220, false};
constexpr LogFormat kWarningFormat{0x4689FF, 220, true};

class LogModelTest : public ::testing::Test {
  protected:
    void SetUp() override {
        log.SetChangeListener([this](const LogChange& change) { changes.push_back(change); });
    }
    // Queues the messages and drains them in one go (the very first append of a log also
    // drains on its own, as it does without a UI loop).
    void Draw(std::vector<std::pair<std::string, int>> messages) {
        for (auto& [text, kind] : messages) log.AppendLog(text, kind);
        log.OnFlushLog();
    }
    std::string Plain() const { return RenderPlainText(log); }

    LogModel log;
    std::vector<LogChange> changes;
};

}  // namespace

TEST_F(LogModelTest, FirstMessageHasNoLeadingBreakAndNoLineRules) {
    log.AppendLog("ADC 01 02", LogProgress);
    EXPECT_EQ(log.QueuedCount(), 0u);  // the first append drew at once
    EXPECT_EQ(log.Text(), "ADC 01 02\n");
    // The first line is never overwritten, though it begins with "ADC" and is progress.
    Draw({{"next", LogProgress}});
    EXPECT_EQ(log.Text(), "ADC 01 02\nnext\n");
}

TEST_F(LogModelTest, HashCompletesBusyLineInItsOwnFormat) {
    Draw({{"Versions", LogTitle}, {" Usb FW", LogBusy}});
    EXPECT_EQ(log.Text(), "Versions\n Usb FW:-");
    EXPECT_TRUE(log.BusyPending());
    Draw({{"#\tNo new version found", LogWarning}});
    EXPECT_EQ(log.Text(), "Versions\n Usb FW:\tNo new version found\n");
    EXPECT_FALSE(log.BusyPending());
    const std::vector<LogLine> lines = log.Lines(1);
    ASSERT_EQ(lines.size(), 1u);
    ASSERT_EQ(lines[0].runs.size(), 2u);
    EXPECT_EQ(lines[0].runs[0].text, " Usb FW:");
    EXPECT_EQ(lines[0].runs[0].format, kBusyFormat);
    EXPECT_EQ(lines[0].runs[1].text, "\tNo new version found");
    EXPECT_EQ(lines[0].runs[1].format, kWarningFormat);
    EXPECT_EQ(Plain(), "[9] Versions\n[0,7]  Usb FW:\tNo new version found\n");
}

TEST_F(LogModelTest, BusyLineCompletedAsFirstLine) {
    Draw({{"Install driver", LogBusy}, {"# Success", LogSuccess}});
    EXPECT_EQ(Plain(), "[0,4] Install driver: Success\n");
}

TEST_F(LogModelTest, OtherMessageEndsBusyLine) {
    Draw({{"x", LogInfo},
          {"[Halden]Detect device", LogBusy},
          {"[Halden]No devices found", LogError}});
    EXPECT_EQ(Plain(), "[1] x\n[0] [Halden]Detect device\n[3] [Halden]No devices found\n");
    EXPECT_EQ(log.Lines(2)[0].runs[0].format, kErrorFormat);
}

TEST_F(LogModelTest, TwoBusyLinesInARow) {
    Draw({{"Files", LogBusy}, {"Bridge image:", LogBusy}});
    EXPECT_EQ(log.Text(),
              "Files\nBridge image:-");  // a text ending in a colon gets only the spinner
    EXPECT_TRUE(log.BusyPending());
    Draw({{"# S1234.bin", LogInfo}});
    EXPECT_EQ(log.Text(), "Files\nBridge image: S1234.bin\n");
}

TEST_F(LogModelTest, BusyTextWithBreaksStaysOnOneLine) {
    Draw({{"a\nb", LogBusy}});
    EXPECT_EQ(log.Text(), "a:-b:-");
    Draw({{"c:\n", LogBusy}});
    EXPECT_EQ(log.Text(), "a:-b\nc:-");
}

TEST_F(LogModelTest, HashWithoutPendingBusyLineIsAPlainLine) {
    Draw({{"x", LogInfo}, {"# Success", LogSuccess}});
    EXPECT_EQ(log.Text(), "x\n# Success\n");
}

TEST_F(LogModelTest, ProgressReplacesProgress) {
    Draw({{"Download", LogInfo}, {"1/3", LogProgress}, {"2/3", LogProgress}, {"3/3", LogProgress}});
    EXPECT_EQ(log.Text(), "Download\n3/3\n");
    // Progress after another kind starts a new line.
    Draw({{"note", LogNote}, {"1/2", LogProgress}});
    EXPECT_EQ(log.Text(), "Download\n3/3\nnote\n1/2\n");
    // Each in its own drain, too.
    Draw({{"2/2", LogProgress}});
    EXPECT_EQ(log.Text(), "Download\n3/3\nnote\n2/2\n");
}

TEST_F(LogModelTest, AdcLineIsOverwrittenByAnyKind) {
    Draw({{"x", LogInfo}, {"ADC 12 34", LogInfo}, {"ADC 56 78", LogNote}});
    EXPECT_EQ(log.Text(), "x\nADC 56 78\n");
    Draw({{"Check", LogBusy}});
    EXPECT_EQ(log.Text(), "x\nCheck:-");
    Draw({{"ADCx", LogInfo}, {"ADC", LogError}, {"AD", LogInfo}, {"y", LogInfo}});
    EXPECT_EQ(log.Text(), "x\nCheck\nAD\ny\n");
}

TEST_F(LogModelTest, OverwritingDrainDoesNotScroll) {
    Draw({{"x", LogInfo}});
    ASSERT_EQ(changes.size(), 1u);
    EXPECT_TRUE(changes.back().scrollToBottom);
    Draw({{"1/2", LogProgress}, {"more", LogInfo}});
    EXPECT_TRUE(changes.back().scrollToBottom);
    EXPECT_EQ(changes.back().firstLine, 1u);
    EXPECT_EQ(changes.back().lineCount, 3u);
    // A drain that overwrote a line keeps the view where it is, even when it appended after.
    Draw({{"ADC 1", LogInfo}});
    Draw({{"ADC 2", LogInfo}, {"after", LogInfo}, {"end", LogInfo}});
    EXPECT_EQ(log.Text(), "x\n1/2\nmore\nafter\nend\n");
    EXPECT_FALSE(changes.back().scrollToBottom);
    EXPECT_EQ(changes.back().firstLine, 3u);
    EXPECT_EQ(changes.back().lineCount, 5u);
    Draw({{"2/2", LogProgress}});
    EXPECT_TRUE(changes.back().scrollToBottom);
    // An empty queue draws nothing and tells nobody.
    const size_t told = changes.size();
    log.OnFlushLog();
    EXPECT_EQ(changes.size(), told);
}

TEST_F(LogModelTest, KindsAboveNineKeepColourAndHeightNotBold) {
    Draw({{"title", LogTitle}, {"other", 12}});
    EXPECT_EQ(log.Lines(1)[0].runs[0].format, (LogFormat{0xB02020, 280, false}));
    Draw({{"warn", LogWarning}, {"again", 10}, {"#cont", 11}});
    EXPECT_EQ(log.Lines(3)[0].runs[0].format, (LogFormat{0x4689FF, 220, false}));
    EXPECT_EQ(log.Text(), "title\nother\nwarn\nagain\n#cont\n");
}

TEST(LogFormat, KindsTable) {
    const LogFormat previous{0x123456, 400, true};
    EXPECT_EQ(FormatOfKind(LogBusy, previous), (LogFormat{0xB02020, 220, false}));
    EXPECT_EQ(FormatOfKind(LogInfo, previous), (LogFormat{0xB02020, 220, false}));
    EXPECT_EQ(FormatOfKind(LogNote, previous), (LogFormat{0xA00000, 220, false}));
    EXPECT_EQ(FormatOfKind(LogError, previous), (LogFormat{0x0000FF, 220, false}));
    EXPECT_EQ(FormatOfKind(LogSuccess, previous), (LogFormat{0x008000, 220, false}));
    EXPECT_EQ(FormatOfKind(LogPassBanner, previous), (LogFormat{0x008000, 1000, false}));
    EXPECT_EQ(FormatOfKind(LogFailBanner, previous), (LogFormat{0x0000FF, 1000, false}));
    EXPECT_EQ(FormatOfKind(LogWarning, previous), (LogFormat{0x4689FF, 220, true}));
    EXPECT_EQ(FormatOfKind(LogProgress, previous), (LogFormat{0xB02020, 220, false}));
    EXPECT_EQ(FormatOfKind(LogTitle, previous), (LogFormat{0xB02020, 280, true}));
    EXPECT_EQ(FormatOfKind(10, previous), (LogFormat{0x123456, 400, false}));
    EXPECT_EQ(FormatOfKind(-1, previous), (LogFormat{0x123456, 400, false}));
    EXPECT_EQ(LogModel().CurrentFormat(), (LogFormat{0, 220, false}));
}

TEST_F(LogModelTest, EmptyAndMultiLineTexts) {
    Draw({{"a\r\nb\rc", LogInfo}, {"", LogInfo}});
    EXPECT_EQ(log.Text(), "a\nb\nc\n");
    // An empty text ends a pending busy line like any other message.
    Draw({{"Busy", LogBusy}, {"", LogInfo}});
    EXPECT_EQ(log.Text(), "a\nb\nc\nBusy\n");
    // An empty busy text is an empty insertion too: it ends a pending busy line and leaves
    // nothing for the spinner to turn.
    Draw({{"", LogBusy}});
    EXPECT_EQ(log.Text(), "a\nb\nc\nBusy\n");
    EXPECT_FALSE(log.BusyPending());
    Draw({{"Wait", LogBusy}, {"", LogBusy}});
    EXPECT_EQ(log.Text(), "a\nb\nc\nBusy\nWait\n");
    EXPECT_FALSE(log.BusyPending());
    log.OnTimer(LogModel::kSpinnerTimer);
    EXPECT_EQ(log.Text(), "a\nb\nc\nBusy\nWait\n");
    Draw({{"x\n\n", LogInfo}});
    EXPECT_EQ(log.Text(), "a\nb\nc\nBusy\nWait\nx\n\n");
}

TEST_F(LogModelTest, SpinnerTurnsOnlyTheBusyLine) {
    Draw({{"Work", LogInfo}, {"Detect", LogBusy}});
    const size_t told = changes.size();
    for (const char* expected : {"Detect:\\", "Detect:|", "Detect:/", "Detect:-", "Detect:\\"}) {
        log.OnTimer(LogModel::kSpinnerTimer);
        EXPECT_EQ(log.Lines(1)[0].Text(), expected);
    }
    EXPECT_EQ(log.SpinnerIndex(), 1);
    EXPECT_EQ(changes.size(), told + 5);
    EXPECT_EQ(changes.back().firstLine, 1u);
    EXPECT_FALSE(changes.back().scrollToBottom);
    const std::vector<LogLine> lines = log.Lines(1);
    ASSERT_EQ(lines[0].runs.size(), 1u);  // the spinner is drawn in the busy format
    EXPECT_EQ(lines[0].runs[0].format, kBusyFormat);
    // Once the line is completed the spinner timer has nothing to turn.
    Draw({{"# found", LogSuccess}});
    log.OnTimer(LogModel::kSpinnerTimer);
    EXPECT_EQ(log.Text(), "Work\nDetect: found\n");
    EXPECT_EQ(log.SpinnerIndex(), 1);
}

TEST_F(LogModelTest, ClearKeepsLastKindAndSpinnerIndex) {
    Draw({{"x", LogInfo}, {"1/2", LogProgress}, {"Busy", LogBusy}});
    log.OnTimer(LogModel::kSpinnerTimer);
    log.Clear();
    EXPECT_EQ(log.Text(), "");
    EXPECT_EQ(log.LastKind(), LogBusy);
    EXPECT_EQ(log.SpinnerIndex(), 1);
    EXPECT_FALSE(log.BusyPending());
    EXPECT_EQ(changes.back().lineCount, 0u);
    // The dropped busy line leaves no spinner behind.
    log.OnTimer(LogModel::kSpinnerTimer);
    EXPECT_EQ(log.Text(), "");
    // The next message starts the log afresh, with no leading break.
    Draw({{"2/2", LogProgress}, {"3/3", LogProgress}});
    EXPECT_EQ(log.Text(), "2/2\n3/3\n");
}

TEST_F(LogModelTest, MessagesQueuedBeforeAClearAreDrawnAfterIt) {
    Draw({{"old", LogInfo}});
    log.AppendLog("last line of a run", LogError);
    log.AppendLog(" Usb FW", LogBusy);
    log.Clear();
    EXPECT_EQ(log.Text(), "");
    EXPECT_EQ(log.QueuedCount(), 2u);
    Draw({{"#\tUnknow", LogInfo}});
    EXPECT_EQ(log.Text(), "last line of a run\n Usb FW:\tUnknow\n");
}

TEST_F(LogModelTest, SilentLogQueuesNothing) {
    std::atomic<bool> silent{true};
    LogModel muted(nullptr, &silent);
    muted.AppendLog("hidden", LogInfo);
    muted.AppendLogRes(msg::kBridgeDetectDevice, LogBusy);
    EXPECT_EQ(muted.QueuedCount(), 0u);
    muted.OnFlushLog();
    EXPECT_EQ(muted.Text(), "");
    silent = false;
    muted.AppendLog("shown", LogInfo);  // the first real append still draws at once
    EXPECT_EQ(muted.Text(), "shown\n");
}

TEST_F(LogModelTest, MessageIdsFollowTheWritersLanguage) {
    std::thread([&] {
        resources::SetThreadUiLanguage(resources::kLangChinese);
        log.AppendLogRes(msg::kBridgeDetectDevice, LogBusy);
    }).join();
    std::thread([&] {
        resources::SetThreadUiLanguage(resources::kLangEnglish);
        log.AppendLogRes(msg::kBridgeNoDevicesFound, LogError);
        log.AppendLogRes(9999, LogInfo);  // no such message: nothing shown
    }).join();
    log.OnFlushLog();
    EXPECT_EQ(log.Text(), "[Halden]检测设备\n[Halden]No devices found\n");
}

TEST(LogModelThreads, AppendsFromSeveralThreadsKeepTheirOrder) {
    LogModel log;
    constexpr int kThreads = 4;
    constexpr int kPerThread = 500;
    std::atomic<int> done{0};
    std::vector<std::thread> writers;
    for (int t = 0; t < kThreads; ++t) {
        writers.emplace_back([&, t] {
            for (int i = 0; i < kPerThread; ++i)
                log.AppendLog(std::to_string(t) + " " + std::to_string(i), LogInfo);
            ++done;
        });
    }
    while (done < kThreads) log.OnFlushLog();  // drains race the writers
    for (std::thread& w : writers) w.join();
    log.OnFlushLog();
    std::map<int, int> next;
    const std::vector<LogLine> lines = log.Lines();
    ASSERT_EQ(lines.size(), static_cast<size_t>(kThreads * kPerThread));
    for (const LogLine& line : lines) {
        const std::string text = line.Text();
        const int thread = std::stoi(text.substr(0, text.find(' ')));
        const int index = std::stoi(text.substr(text.find(' ') + 1));
        EXPECT_EQ(index, next[thread]++) << text;
    }
}
