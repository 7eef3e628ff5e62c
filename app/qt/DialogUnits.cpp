#include "app/qt/DialogUnits.h"

#include <algorithm>

namespace app {

namespace {

// Dialog 102: client area, log window (control 1001) and "Upgrade" button (control 1000).
constexpr PixelRect kDialog{0, 0, 269, 156};
constexpr PixelRect kLog{16, 4, 239, 113};
constexpr PixelRect kButton{111, 128, 52, 18};

// value * numerator / denominator rounded to the nearest integer, halves away from zero.
int MulDiv(int value, int numerator, int denominator) {
    const long long product = static_cast<long long>(value) * numerator;
    const long long half = denominator / 2;
    return static_cast<int>(product >= 0 ? (product + half) / denominator
                                         : -((-product + half) / denominator));
}

}  // namespace

int AverageCharWidth(int widthOfAlphabet) { return (widthOfAlphabet / 26 + 1) / 2; }

PixelRect DialogUnitsToPixels(const PixelRect& units, const DialogBaseUnits& base) {
    return {MulDiv(units.x, base.x, 4), MulDiv(units.y, base.y, 8), MulDiv(units.width, base.x, 4),
            MulDiv(units.height, base.y, 8)};
}

MainDialogLayout LayoutMainDialog(const DialogBaseUnits& base) {
    const PixelRect client = DialogUnitsToPixels(kDialog, base);
    return LayoutMainDialog(base, client.width, client.height);
}

MainDialogLayout LayoutMainDialog(const DialogBaseUnits& base, int clientWidth, int clientHeight) {
    MainDialogLayout layout;
    layout.client = DialogUnitsToPixels(kDialog, base);
    const int growX = clientWidth - layout.client.width;
    const int growY = clientHeight - layout.client.height;
    layout.log = DialogUnitsToPixels(kLog, base);
    layout.log.width = std::max(0, layout.log.width + growX);
    layout.log.height = std::max(0, layout.log.height + growY);
    layout.button = DialogUnitsToPixels(kButton, base);
    layout.button.x += growX / 2;
    layout.button.y += growY;
    return layout;
}

}  // namespace app
