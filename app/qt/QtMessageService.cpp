#include "app/qt/QtMessageService.h"

#include <QApplication>
#include <QMessageBox>
#include <QThread>

namespace app {

namespace {

void ShowBox(const std::string& caption, const std::string& text) {
    QMessageBox box(
        QMessageBox::NoIcon,
        caption.empty() ? QCoreApplication::applicationName() : QString::fromStdString(caption),
        QString::fromStdString(text), QMessageBox::Ok, QApplication::activeWindow());
    box.exec();
}

}  // namespace

QtMessageService::QtMessageService(UiLoop& loop, std::string caption)
    : loop_(loop), stderr_(std::move(caption)) {}

void QtMessageService::ShowMessage(const std::string& text) {
    const QCoreApplication* application = QCoreApplication::instance();
    if (startingUp_ && application && QThread::currentThread() == application->thread()) {
        ShowBox(stderr_.Caption(), text);
        return;
    }
    const bool shown =
        loop_.IsRunning() && loop_.PostAndWait([this, &text] { ShowBox(stderr_.Caption(), text); });
    if (!shown) stderr_.ShowMessage(text);
}

}  // namespace app
