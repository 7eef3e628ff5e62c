#pragma once

// The touch-controller families the program knows. 5 is not used.
enum ChipFamily : int {
    kFamilyNone = 0,
    kFamilyGT9xxx = 1,
    kFamilyGT9Pxx = 2,
    kFamilyGT73xx = 3,
    kFamilyGT79xx = 4,
    kFamilyFT5xxx = 6,
};
