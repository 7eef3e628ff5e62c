#include <gtest/gtest.h>

#include <QApplication>
#include <QMessageBox>
#include <QTimer>
#include <thread>

#include "app/qt/QtMessageService.h"
#include "app/qt/QtUiLoop.h"

using app::QtMessageService;

namespace {

// What a message box showed before it was closed.
struct SeenBox {
    bool seen = false;
    QString title, text;
    QMessageBox::StandardButtons buttons;
};

// Closes every modal message box that appears while it lives, noting what the last one showed.
class BoxCloser {
  public:
    BoxCloser() {
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                seen_ = {true, box->windowTitle(), box->text(), box->standardButtons()};
                box->accept();
            }
        });
        timer_.start(1);
    }
    const SeenBox& Seen() const { return seen_; }

  private:
    QTimer timer_;
    SeenBox seen_;
};

class QtMessageServiceTest : public ::testing::Test {
  protected:
    app::QtUiLoop loop_;
    QtMessageService service_{loop_, "quillon"};
    BoxCloser closer_;
};

}  // namespace

TEST_F(QtMessageServiceTest, RefusedStartIsABoxCaptionedWithTheExecutableName) {
    testing::internal::CaptureStderr();
    service_.ShowMessage("Quillon is running!");
    // (The offscreen platform may note what it does not support.)
    EXPECT_EQ(testing::internal::GetCapturedStderr().find("Quillon is running!"),
              std::string::npos);
    EXPECT_TRUE(closer_.Seen().seen);
    EXPECT_EQ(closer_.Seen().title, "quillon");
    EXPECT_EQ(closer_.Seen().text, "Quillon is running!");
    EXPECT_EQ(closer_.Seen().buttons, QMessageBox::Ok);
}

TEST_F(QtMessageServiceTest, WithoutARunningLoopOtherwiseTheTextGoesToStandardError) {
    struct Case {
        const char* name;
        bool startUpOver;
        bool otherThread;
    };
    const Case cases[] = {{"another thread at start-up", false, true},
                          {"the application's thread after start-up", true, false},
                          {"another thread after start-up", true, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.startUpOver) service_.EndStartUp();
        testing::internal::CaptureStderr();
        if (c.otherThread) {
            std::thread([this] { service_.ShowMessage("Please shutdown Orvanta Tessaly"); }).join();
        } else {
            service_.ShowMessage("Please shutdown Orvanta Tessaly");
        }
        EXPECT_EQ(testing::internal::GetCapturedStderr(),
                  "quillon: Please shutdown Orvanta Tessaly\n");
        QApplication::processEvents();
        EXPECT_FALSE(closer_.Seen().seen);
    }
}
