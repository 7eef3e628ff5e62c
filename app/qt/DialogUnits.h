#pragma once

namespace app {

// The pixel sizes behind a dialog unit: the dialog font's average character width and its
// height. A horizontal dialog unit is a quarter of the width, a vertical one an eighth of
// the height.
struct DialogBaseUnits {
    int x = 0;
    int y = 0;
};

struct PixelRect {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    bool operator==(const PixelRect&) const = default;
};

// The average character width as dialogs measure it: the width of the 52 letters A to Z and
// a to z, halved twice with rounding.
int AverageCharWidth(int widthOfAlphabet);

// A rectangle in dialog units converted to pixels, each value rounded to the nearest pixel.
PixelRect DialogUnitsToPixels(const PixelRect& units, const DialogBaseUnits& base);

// Where the main dialog's controls stand in a client area of the given size: at the
// dialog's own size exactly where its resource puts them; a larger or smaller window moves
// the bottom and right margins with it, so the log grows and the button stays centred
// below it.
struct MainDialogLayout {
    PixelRect client;  // the dialog's own client size
    PixelRect log;
    PixelRect button;
};
MainDialogLayout LayoutMainDialog(const DialogBaseUnits& base);
MainDialogLayout LayoutMainDialog(const DialogBaseUnits& base, int clientWidth, int clientHeight);

}  // namespace app
