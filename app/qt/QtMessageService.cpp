#include "app/qt/QtMessageService.h"

#include <QApplication>
#include <QMessageBox>

namespace app {

QtMessageService::QtMessageService(UiLoop& loop) : loop_(loop) {}

void QtMessageService::ShowMessage(const std::string& text) {
    const bool shown = loop_.IsRunning() && loop_.PostAndWait([&text] {
        QMessageBox box(QMessageBox::NoIcon, QCoreApplication::applicationName(),
                        QString::fromStdString(text), QMessageBox::Ok,
                        QApplication::activeWindow());
        box.exec();
    });
    if (!shown) platform::StderrMessageService().ShowMessage(text);
}

}  // namespace app
