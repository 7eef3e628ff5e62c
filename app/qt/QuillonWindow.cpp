#include "app/qt/QuillonWindow.h"

#include <QCloseEvent>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>

#include "app/QuillonDlg.h"
#include "app/qt/AboutDlg.h"
#include "app/qt/Icons.h"
#include "app/qt/LogView.h"
#include "resources/MessageTable.h"

namespace app {

namespace {

constexpr int kRunWatchMs = 50;

QRect ToQRect(const PixelRect& r, int top) { return QRect(r.x, r.y + top, r.width, r.height); }

}  // namespace

QuillonWindow::QuillonWindow(CQuillonDlg& dialog, LogModel& log, std::function<void()> closeRequest)
    : dialog_(dialog), closeRequest_(std::move(closeRequest)) {
    setWindowTitle("Quillon 1.02");
    setWindowIcon(ProgramIcon());
    setSizeGripEnabled(true);

    const QFontMetrics metrics(font());
    base_ = {AverageCharWidth(
                 metrics.horizontalAdvance("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz")),
             metrics.height()};

    menuBar_ = new QMenuBar(this);
    const std::string about = resources::LoadMessageText(101);
    if (!about.empty()) {
        menuBar_->addAction(QString::fromStdString(about), this, [this] { OnAbout(); });
    }

    log_ = new LogView(log, this);
    button_ = new QPushButton("Upgrade", this);
    button_->setIcon(UpgradeIcon());
    button_->setAutoDefault(false);
    connect(button_, &QPushButton::clicked, this, [this] { OnBnClickedUpgrade(); });

    runWatch_.setInterval(kRunWatchMs);
    connect(&runWatch_, &QTimer::timeout, this, [this] { WatchRun(); });

    const MainDialogLayout layout = LayoutMainDialog(base_);
    resize(layout.client.width, layout.client.height + menuBar_->sizeHint().height());
}

QuillonWindow::~QuillonWindow() = default;

void QuillonWindow::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    const int top = menuBar_->sizeHint().height();
    menuBar_->setGeometry(0, 0, width(), top);
    const MainDialogLayout layout = LayoutMainDialog(base_, width(), height() - top);
    log_->setGeometry(ToQRect(layout.log, top));
    button_->setGeometry(ToQRect(layout.button, top));
}

void QuillonWindow::OnBnClickedUpgrade() {
    if (!dialog_.StartUpgrade()) return;  // a run is already active
    button_->setEnabled(false);
    runWatch_.start();
}

void QuillonWindow::WatchRun() {
    if (dialog_.Busy()) return;
    runWatch_.stop();
    button_->setEnabled(true);
}

void QuillonWindow::OnAbout() {
    CAboutDlg about(this);
    about.exec();
}

void QuillonWindow::ShowCentred() {
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect frame = frameGeometry();
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft());
    }
    show();
}

void QuillonWindow::closeEvent(QCloseEvent* event) {
    event->accept();
    if (closeRequest_) closeRequest_();
}

void QuillonWindow::reject() { close(); }

}  // namespace app
