#include <gtest/gtest.h>

#include <QAbstractTextDocumentLayout>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextDocument>
#include <cmath>
#include <future>
#include <thread>
#include <vector>

#include "app/LogModel.h"
#include "app/qt/LogView.h"
#include "app/qt/QtUiLoop.h"
#include "support/QtLoop.h"

using namespace app;
using testsupport::RunLoopUntil;

namespace {

class LogViewTest : public ::testing::Test {
  protected:
    QtUiLoop loop_;
    LogModel model_{&loop_};
    LogView view_{model_};

    QTextDocument& Doc() { return *view_.document(); }
    QString Block(int n) { return Doc().findBlockByNumber(n).text(); }
    QString LastBlock() { return Doc().lastBlock().text(); }
    // The format of the character at offset in block n.
    QTextCharFormat FormatAt(int n, int offset) {
        const QTextBlock block = Doc().findBlockByNumber(n);
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            const int from = fragment.position() - block.position();
            if (offset >= from && offset < from + fragment.length()) return fragment.charFormat();
        }
        ADD_FAILURE() << "no character " << offset << " in block " << n;
        return {};
    }
    bool Drained() { return model_.QueuedCount() == 0; }
    void Drain() {
        ASSERT_TRUE(RunLoopUntil(loop_, [&] { return Drained(); }));
    }
};

}  // namespace

TEST_F(LogViewTest, EachKindIsDrawnInItsColourHeightAndWeight) {
    struct Case {
        int kind;
        QColor colour;
        double points;
        bool bold;
    };
    const Case cases[] = {
        {LogInfo, QColor(32, 32, 176), 11, false},
        {LogNote, QColor(0, 0, 160), 11, false},
        {LogError, QColor(255, 0, 0), 11, false},
        {LogSuccess, QColor(0, 128, 0), 11, false},
        {LogPassBanner, QColor(0, 128, 0), 50, false},
        {LogFailBanner, QColor(255, 0, 0), 50, false},
        {LogWarning, QColor(255, 137, 70), 11, true},
        {LogProgress, QColor(32, 32, 176), 11, false},
        {LogTitle, QColor(32, 32, 176), 14, true},
        {LogBusy, QColor(32, 32, 176), 11, false},
        // Past the table: the previous colour and height, not bold.
        {12, QColor(32, 32, 176), 11, false},
    };
    int line = 0;
    for (const Case& c : cases) {
        model_.AppendLog("kind " + std::to_string(c.kind), c.kind);
        Drain();
        const QTextCharFormat format = FormatAt(line, 0);
        EXPECT_EQ(format.foreground().color(), c.colour) << c.kind;
        EXPECT_DOUBLE_EQ(format.fontPointSize(), c.points) << c.kind;
        EXPECT_EQ(format.fontWeight() == QFont::Bold, c.bold) << c.kind;
        ++line;
    }
    EXPECT_EQ(Doc().blockCount(), line);
}

TEST_F(LogViewTest, BusyLineSpinsUntilTheNextMessageCompletesIt) {
    model_.AppendLog("Start", LogTitle);
    model_.AppendLog(" Usb FW", LogBusy);
    Drain();
    EXPECT_EQ(LastBlock(), " Usb FW:-");
    ASSERT_TRUE(RunLoopUntil(loop_, [&] { return LastBlock() == " Usb FW:\\"; }));
    ASSERT_TRUE(RunLoopUntil(loop_, [&] { return LastBlock() == " Usb FW:|"; }));

    model_.AppendLog("#\tNo new version found", LogWarning);
    Drain();
    EXPECT_EQ(Doc().blockCount(), 2);
    EXPECT_EQ(LastBlock(), " Usb FW:\tNo new version found");
    // The busy text keeps its format; the continuation is in the warning's.
    EXPECT_FALSE(FormatAt(1, 0).fontWeight() == QFont::Bold);
    EXPECT_EQ(FormatAt(1, 8).foreground().color(), QColor(255, 137, 70));
    EXPECT_EQ(FormatAt(1, 8).fontWeight(), QFont::Bold);
    EXPECT_FALSE(loop_.IsTimerActive(&model_, LogModel::kSpinnerTimer));
}

TEST_F(LogViewTest, ProgressLinesReplaceEachOther) {
    model_.AppendLog("Download", LogTitle);
    for (int i = 1; i <= 3; ++i) model_.AppendLog("Block " + std::to_string(i), LogProgress);
    Drain();
    EXPECT_EQ(Doc().blockCount(), 2);
    EXPECT_EQ(LastBlock(), "Block 3");
    // One at a time, each drain replaces the line before.
    model_.AppendLog("Block 4", LogProgress);
    Drain();
    model_.AppendLog("Block 5", LogProgress);
    Drain();
    EXPECT_EQ(Doc().blockCount(), 2);
    EXPECT_EQ(Block(0), "Download");
    EXPECT_EQ(LastBlock(), "Block 5");
    model_.AppendLog("Done", LogSuccess);
    Drain();
    EXPECT_EQ(Doc().blockCount(), 3);
}

TEST_F(LogViewTest, WritersNeverWaitForTheWindowAndTenThousandLinesArriveAtTheEnd) {
    view_.resize(400, 200);
    model_.AppendLog("Start", LogTitle);  // the first append draws at once
    // The UI thread is held while another thread writes 10,000 messages: none of them waits.
    std::promise<void> written;
    std::thread writer([&] {
        for (int i = 0; i < 10000; ++i) model_.AppendLog("Line " + std::to_string(i), LogInfo);
        written.set_value();
    });
    auto done = written.get_future();
    ASSERT_EQ(done.wait_for(std::chrono::seconds(10)), std::future_status::ready);
    writer.join();
    EXPECT_EQ(model_.QueuedCount(), 10000u);
    Drain();
    EXPECT_EQ(Doc().blockCount(), 10001);
    EXPECT_EQ(LastBlock(), "Line 9999");
    EXPECT_EQ(view_.verticalScrollBar()->value(), view_.verticalScrollBar()->maximum());
    EXPECT_GT(view_.verticalScrollBar()->maximum(), 0);
}

TEST_F(LogViewTest, OverwrittenLineDoesNotScroll) {
    view_.resize(400, 200);
    for (int i = 0; i < 50; ++i) model_.AppendLog("Line " + std::to_string(i), LogInfo);
    Drain();
    view_.verticalScrollBar()->setValue(0);
    model_.AppendLog("ADC 1", LogInfo);
    Drain();
    EXPECT_NE(view_.verticalScrollBar()->value(), 0);  // an appended line scrolls
    view_.verticalScrollBar()->setValue(0);
    model_.AppendLog("ADC 2", LogInfo);  // overwrites the "ADC" line
    Drain();
    EXPECT_EQ(view_.verticalScrollBar()->value(), 0);
    EXPECT_EQ(LastBlock(), "ADC 2");
}

TEST_F(LogViewTest, ChangeOnAnotherThreadReachesTheViewOnItsOwn) {
    model_.AppendLog("Start", LogTitle);
    model_.AppendLog("Next", LogInfo);
    Drain();
    ASSERT_EQ(Doc().blockCount(), 2);
    // No loop runs: the clear happens on the writer's thread, the view follows on its own.
    std::thread([&] { model_.Clear(); }).join();
    EXPECT_EQ(view_.ShownLines(), 2u);
    ASSERT_TRUE(RunLoopUntil(loop_, [&] { return view_.ShownLines() == 0; }));
    EXPECT_EQ(Doc().toPlainText(), "");
}

TEST(LogView, ViewMadeLateShowsWhatTheModelHolds) {
    QtUiLoop loop;
    LogModel model(&loop);
    model.AppendLog("First", LogTitle);
    model.AppendLog("Busy", LogBusy);
    model.OnFlushLog();
    LogView view(model);
    EXPECT_EQ(view.document()->toPlainText(), "First\nBusy:-");
}

TEST_F(LogViewTest, ReportValuesLineUpAtTheHalfInchTabStop) {
    // The version report's lines: a label, a tab and the value.
    const char* const labels[] = {" Usb FW", " Touch FW", " Touch CFG"};
    model_.AppendLog("Current Version", LogTitle);
    for (const char* label : labels) {
        model_.AppendLog(label, LogBusy);
        model_.AppendLog("#\tGT911_1060", LogSuccess);
    }
    Drain();
    ASSERT_EQ(Doc().blockCount(), 4);
    const double halfInch = view_.logicalDpiX() / 2.0;
    std::vector<double> valueAt;
    for (int n = 1; n <= 3; ++n) {
        const QTextBlock block = Doc().findBlockByNumber(n);
        Doc().documentLayout()->blockBoundingRect(block);  // lays the block out
        const int tab = block.text().indexOf('\t');
        ASSERT_GT(tab, 0) << block.text().toStdString();
        const QTextLine line = block.layout()->lineAt(0);
        // From the left edge of the text, inside the document's margin.
        const double labelEnd = line.cursorToX(tab) - Doc().documentMargin();
        const double value = line.cursorToX(tab + 1) - Doc().documentMargin();
        // The first stop after the label, on the half-inch grid.
        EXPECT_GT(value, labelEnd) << n;
        EXPECT_LE(value - labelEnd, halfInch + 0.5) << n;
        EXPECT_NEAR(std::fmod(value, halfInch), 0.0, 0.5) << n;
        valueAt.push_back(value);
    }
    EXPECT_EQ(valueAt[0], valueAt[1]);
    EXPECT_EQ(valueAt[1], valueAt[2]);
}
