#pragma once

#include <QDialog>

namespace app {

// The About box: caption "关于 Quillon", the program icon, the version line and OK.
class CAboutDlg final : public QDialog {
  public:
    explicit CAboutDlg(QWidget* parent = nullptr);
};

}  // namespace app
