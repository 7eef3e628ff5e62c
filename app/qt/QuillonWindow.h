#pragma once

#include <QDialog>
#include <QTimer>
#include <functional>

#include "app/qt/DialogUnits.h"

class CQuillonDlg;
class QMenuBar;
class QPushButton;

namespace app {

class LogModel;
class LogView;

// The main dialog's window over its logic: caption "Quillon 1.02", the log window where
// control 1001 stands and the "Upgrade" button (control 1000) with its icon, sized from
// dialog 102's dialog units in the font's metrics, resizable, centred. The platform has no
// system menu to extend, so the About command (message 101) stands in the window's menu.
// Closing the window is the close request of the program, the same one that the end of an
// upgrade run with "/u" makes.
class QuillonWindow final : public QDialog {
  public:
    QuillonWindow(CQuillonDlg& dialog, LogModel& log, std::function<void()> closeRequest);
    ~QuillonWindow() override;

    LogView& Log() { return *log_; }
    QPushButton& UpgradeButton() { return *button_; }
    QMenuBar& MenuBar() { return *menuBar_; }
    DialogBaseUnits BaseUnits() const { return base_; }

    // Starts one upgrade run on its own thread; the button stays disabled until it ends.
    void OnBnClickedUpgrade();
    // Opens the About box modally.
    void OnAbout();
    // Shows the window in the middle of its screen.
    void ShowCentred();
    // Escape closes the window as the close button does.
    void reject() override;

  protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

  private:
    void WatchRun();

    CQuillonDlg& dialog_;
    std::function<void()> closeRequest_;
    DialogBaseUnits base_;
    QMenuBar* menuBar_;
    LogView* log_;
    QPushButton* button_;
    QTimer runWatch_;
};

}  // namespace app
