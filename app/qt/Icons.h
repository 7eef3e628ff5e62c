#pragma once

#include <QIcon>

namespace app {

// The program's two icons, drawn at start-up in the sizes a window and a button use.
// The program icon (128): a touch panel with its sensor grid and a touch point.
QIcon ProgramIcon();
// The "Upgrade" button's icon (131): an arrow rising out of a controller chip.
QIcon UpgradeIcon();

}  // namespace app
