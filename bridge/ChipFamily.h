#pragma once

// The touch-controller family the program currently talks to. Request headers are laid out
// by it. The chip registry owns the value and sets it; the bridge layer only reads it.
enum ChipFamily : int {
    kFamilyNone = 0,
    kFamilyGT9xxx = 1,
    kFamilyGT9Pxx = 2,
    kFamilyGT73xx = 3,
    kFamilyGT79xx = 4,
    kFamilyFT5xxx = 6,
};

ChipFamily CurrentChipFamily();
void SetCurrentChipFamily(ChipFamily family);
