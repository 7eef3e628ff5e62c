#include <gtest/gtest.h>

#include <QAction>
#include <QFontInfo>
#include <QGlyphRun>
#include <QLabel>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextLayout>
#include <QTimer>
#include <condition_variable>
#include <mutex>

#include "app/LogModel.h"
#include "app/QuillonDlg.h"
#include "app/StdOut.h"
#include "app/qt/AboutDlg.h"
#include "app/qt/DialogUnits.h"
#include "app/qt/LogView.h"
#include "app/qt/QtUiLoop.h"
#include "app/qt/QuillonWindow.h"
#include "platform/Clock.h"
#include "resources/MessageTable.h"
#include "support/QtLoop.h"
#include "support/SimGt911Program.h"
#include "support/TestDialog.h"
#include "touch/ChipIniReader.h"

using namespace app;
using testsupport::RunLoopFor;
using testsupport::RunLoopUntil;

TEST(DialogUnits, ConvertWithTheFontsBaseUnits) {
    EXPECT_EQ(AverageCharWidth(364), 7);  // 52 letters at 7 pixels
    EXPECT_EQ(AverageCharWidth(338), 7);  // 6.5 rounds up
    EXPECT_EQ(AverageCharWidth(337), 6);
    struct Case {
        DialogBaseUnits base;
        PixelRect units;
        PixelRect pixels;
    };
    const Case cases[] = {
        {{6, 13}, {0, 0, 269, 156}, {0, 0, 404, 254}},      // 403.5 and 253.5 round up
        {{7, 16}, {0, 0, 269, 156}, {0, 0, 471, 312}},      // 470.75
        {{7, 16}, {16, 4, 239, 113}, {28, 8, 418, 226}},    // the log window
        {{7, 16}, {111, 128, 52, 18}, {194, 256, 91, 36}},  // the button
    };
    for (const Case& c : cases) {
        EXPECT_EQ(DialogUnitsToPixels(c.units, c.base), c.pixels) << c.base.x << "x" << c.base.y;
    }
}

TEST(DialogUnits, LogGrowsWithTheWindowAndTheButtonStaysCentredBelowIt) {
    const DialogBaseUnits base{7, 16};
    const MainDialogLayout own = LayoutMainDialog(base);
    EXPECT_EQ(own.client, (PixelRect{0, 0, 471, 312}));
    EXPECT_EQ(own.log, (PixelRect{28, 8, 418, 226}));
    EXPECT_EQ(own.button, (PixelRect{194, 256, 91, 36}));
    const MainDialogLayout grown = LayoutMainDialog(base, 471 + 200, 312 + 100);
    EXPECT_EQ(grown.log, (PixelRect{28, 8, 618, 326}));
    EXPECT_EQ(grown.button, (PixelRect{294, 356, 91, 36}));
    const MainDialogLayout tiny = LayoutMainDialog(base, 10, 10);
    EXPECT_EQ(tiny.log.width, 0);
    EXPECT_EQ(tiny.log.height, 0);
}

TEST(AboutBox, ShowsCaptionVersionAndOk) {
    CAboutDlg about;
    EXPECT_EQ(about.windowTitle().toStdString(), "关于 Quillon");
    auto* version = about.findChild<QLabel*>("version");
    ASSERT_NE(version, nullptr);
    EXPECT_EQ(version->text().toStdString(), "Quillon，版本 1.0");
    const auto buttons = about.findChildren<QPushButton*>();
    ASSERT_EQ(buttons.size(), 1);
    EXPECT_EQ(buttons[0]->text(), "OK");
    buttons[0]->click();
    EXPECT_EQ(about.result(), QDialog::Accepted);
}

namespace {

// The window over a dialog whose bridge is simulated: a GT911 on firmware 1050, and an
// image for 1060 in the program folder.
class QuillonWindowTest : public ::testing::Test {
  protected:
    void SetUp() override {
        program_.folder.Write("GT911_1060.bin", testsupport::Gt911Image(0x1060));

        CQuillonDlg::Options options;
        options.log = &log_;
        options.clearLog = [this] { log_.Clear(); };
        options.close = [this] { ++closes_; };
        dialog_ = std::make_unique<testsupport::TestDialog>(
            program_.bus,
            app::Services{clock_, program_.settings, messages_, out_, program_.folder.Files()},
            options);
        window_ = std::make_unique<QuillonWindow>(*dialog_, log_, [this] { ++closes_; });
        dialog_->OnInitDialog();
        window_->show();
    }
    void TearDown() override {
        Release();
        window_.reset();
        dialog_.reset();
    }

    // The run stops after its first line until the test releases it.
    void OnStdOut(const std::string& bytes) {
        std::unique_lock<std::mutex> lock(mutex_);
        stdout_ += bytes;
        if (bytes == "Upgrading...\n") {
            ++runs_;
            cv_.wait(lock, [&] { return released_; });
        }
    }
    void Release() {
        std::lock_guard<std::mutex> guard(mutex_);
        released_ = true;
        cv_.notify_all();
    }
    std::string StdOut() {
        std::lock_guard<std::mutex> guard(mutex_);
        return stdout_;
    }
    int Runs() {
        std::lock_guard<std::mutex> guard(mutex_);
        return runs_;
    }

    platform::VirtualClock clock_;
    testsupport::SimGt911Program program_{clock_};
    QtUiLoop loop_;
    LogModel log_{&loop_};
    std::unique_ptr<testsupport::TestDialog> dialog_;
    std::unique_ptr<QuillonWindow> window_;
    int closes_ = 0;
    std::mutex mutex_;
    std::condition_variable cv_;
    std::string stdout_;
    int runs_ = 0;
    bool released_ = false;
    ::StdOut out_{platform::CodePage(), [this](const std::string& bytes) { OnStdOut(bytes); }};
    platform::StderrMessageService messages_;
};

}  // namespace

TEST_F(QuillonWindowTest, WindowHasItsCaptionControlsAndAboutCommand) {
    EXPECT_EQ(window_->windowTitle(), "Quillon 1.02");
    EXPECT_FALSE(window_->windowIcon().isNull());
    EXPECT_EQ(window_->UpgradeButton().text(), "Upgrade");
    EXPECT_FALSE(window_->UpgradeButton().icon().isNull());
    EXPECT_TRUE(window_->Log().isReadOnly());
    const auto actions = window_->MenuBar().actions();
    ASSERT_EQ(actions.size(), 1);
    EXPECT_EQ(actions[0]->text().toStdString(), "关于 Quillon(&A)...");
    // Controls stand where the dialog's units put them, below the menu.
    const MainDialogLayout layout = LayoutMainDialog(window_->BaseUnits());
    const int top = window_->MenuBar().height();
    EXPECT_EQ(window_->Log().geometry(),
              QRect(layout.log.x, layout.log.y + top, layout.log.width, layout.log.height));
    EXPECT_EQ(window_->UpgradeButton().geometry().topLeft(),
              QPoint(layout.button.x, layout.button.y + top));
    // The version report and then the file report of the start are in the log.
    ASSERT_TRUE(RunLoopUntil(loop_, [&] { return log_.QueuedCount() == 0; }));
    const QTextDocument& document = *window_->Log().document();
    EXPECT_EQ(document.findBlockByNumber(0).text(), "Current Version");
    bool files = false;
    for (int i = 0; i < document.blockCount(); ++i) {
        files = files || document.findBlockByNumber(i).text() == "New Version";
    }
    EXPECT_TRUE(files);
}

TEST_F(QuillonWindowTest, UpgradeButtonRunsOneUpgradeAndIsDisabledMeanwhile) {
    window_->UpgradeButton().click();
    ASSERT_TRUE(RunLoopUntil(loop_, [&] { return Runs() == 1; }));
    EXPECT_TRUE(dialog_->Busy());
    EXPECT_FALSE(window_->UpgradeButton().isEnabled());
    // While the run goes on, the button stays disabled and a second start is refused.
    RunLoopFor(loop_, 120);
    EXPECT_FALSE(window_->UpgradeButton().isEnabled());
    window_->OnBnClickedUpgrade();
    Release();
    // A whole download: on a loaded machine under the thread sanitizer it may take a while.
    ASSERT_TRUE(RunLoopUntil(
        loop_, [&] { return window_->UpgradeButton().isEnabled(); }, 120000));
    EXPECT_FALSE(dialog_->Busy());
    EXPECT_EQ(Runs(), 1);
    EXPECT_EQ(StdOut(), "Upgrading...\nUpgrade success\n");
    ASSERT_GE(program_.chip->flash().ss51[0].size(), 6u);
    EXPECT_EQ(program_.chip->flash().ss51[0][4], 0x60);  // the image's version, low byte first
    EXPECT_EQ(program_.chip->flash().ss51[0][5], 0x10);
    // After the run the window shows the version report with the chip's new firmware.
    ASSERT_TRUE(RunLoopUntil(loop_, [&] { return log_.QueuedCount() == 0; }));
    const QString text = window_->Log().toPlainText();
    EXPECT_TRUE(text.contains(" Touch FW:\tGT911_1060")) << text.toStdString();
    EXPECT_EQ(closes_, 0);  // no "/u": the window stays
}

TEST_F(QuillonWindowTest, ClosingTheWindowIsTheCloseRequest) {
    window_->close();
    EXPECT_EQ(closes_, 1);
    window_->show();
    window_->reject();  // Escape
    EXPECT_EQ(closes_, 2);
}

namespace {

// The characters of a text that the font draws as an empty box: those for which neither the
// font nor any family the font database falls back to has a glyph, as the text's layout finds.
// Each character once, after those already in missing.
void AddUndrawn(const QFont& font, const QString& text, QString& missing) {
    for (const char32_t c : text.toUcs4()) {
        const QString one = QString::fromUcs4(&c, 1);
        if (one.at(0).isSpace() || missing.contains(one)) continue;
        QTextLayout layout(one, font);
        layout.beginLayout();
        layout.createLine();
        layout.endLayout();
        bool drawn = false;
        for (const QGlyphRun& run : layout.glyphRuns()) {
            for (const quint32 glyph : run.glyphIndexes()) drawn = drawn || glyph != 0;
        }
        if (!drawn) missing += one;
    }
}

}  // namespace

// The menu's About command, the About box, the log's Chinese texts (the message table's and
// the file errors a run logs) and the chip settings' message boxes are drawn, not shown as
// boxes: an installed font has their characters, in the weights the log draws them.
TEST_F(QuillonWindowTest, TheChineseCharactersOfTheWindowAreDrawnByAnInstalledFont) {
    std::vector<QString> logTexts;
    for (unsigned id = 0; id <= 0xFFFF; ++id) {
        const std::string text = resources::LoadMessageText(id, resources::kLangChinese);
        if (!text.empty()) logTexts.push_back(QString::fromStdString(text));
    }
    for (const char* text : {"打开失败", "文件为空", "hex 文件格式错误", "找不到"}) {
        logTexts.push_back(QString::fromUtf8(text));
    }
    CAboutDlg about;
    QMessageBox box;
    struct Case {
        const char* where;
        QFont font;
        std::vector<QString> texts;
    };
    std::vector<Case> cases = {
        {"the window's menu", window_->MenuBar().font(), {window_->MenuBar().actions()[0]->text()}},
        {"the About box",
         about.findChild<QLabel*>("version")->font(),
         {about.windowTitle(), about.findChild<QLabel*>("version")->text()}},
        {"the message box",
         box.font(),
         {QString::fromUtf8(chipini::kCreateFailedZh), QString::fromUtf8(chipini::kUiFileMissingZh),
          QString::fromUtf8(chipini::kCreateFailedEn)}},
    };
    for (const bool bold : {false, true}) {
        QFont font = window_->Log().font();
        font.setBold(bold);
        cases.push_back({bold ? "the log window (bold)" : "the log window", font, logTexts});
    }
    for (const Case& c : cases) {
        QString missing;
        std::string example;
        for (const QString& text : c.texts) {
            const qsizetype before = missing.size();
            AddUndrawn(c.font, text, missing);
            if (missing.size() > before && example.empty()) example = text.toStdString();
        }
        EXPECT_TRUE(missing.isEmpty())
            << "no installed font draws " << missing.toStdString() << " in " << c.where << " (font "
            << QFontInfo(c.font).family().toStdString() << "; the first of them in \"" << example
            << "\"): install the Debian package fonts-wqy-microhei (scripts/deps.sh does)";
    }
}
