#include "app/qt/QtMessageService.h"

#include <QApplication>
#include <QMessageBox>
#include <QThread>

namespace app {

namespace {

void ShowBox(const std::string& text) {
    const std::string caption = platform::MessageCaption();
    QMessageBox box(
        QMessageBox::NoIcon,
        caption.empty() ? QCoreApplication::applicationName() : QString::fromStdString(caption),
        QString::fromStdString(text), QMessageBox::Ok, QApplication::activeWindow());
    box.exec();
}

}  // namespace

QtMessageService::QtMessageService(UiLoop& loop) : loop_(loop) {}

void QtMessageService::ShowMessage(const std::string& text) {
    const QCoreApplication* application = QCoreApplication::instance();
    if (startingUp_ && application && QThread::currentThread() == application->thread()) {
        ShowBox(text);
        return;
    }
    const bool shown = loop_.IsRunning() && loop_.PostAndWait([&text] { ShowBox(text); });
    if (!shown) platform::StderrMessageService().ShowMessage(text);
}

}  // namespace app
