#include <gtest/gtest.h>

#include <string>

#include "touch/FirmwareIdentity.h"

namespace {

TEST(FirmwareIdentity, ModelRenamesApplyToBothSidesBeforeTheyAreCompared) {
    struct Case {
        ChipFamily family;
        const char *image, *chip;
        bool same;
    };
    const Case cases[] = {
        {kFamilyGT9xxx, "GT9111_1060", "GT9110P_1060", true},
        {kFamilyGT9xxx, "GT9112_1060", "GT9110H_1060", true},
        {kFamilyNone, "GT6109_ 105", "GT6108H_ 105", true},
        {kFamilyGT9xxx, "GT9110P_1060", "GT9111_1060", true},
        {kFamilyGT9xxx, "GT911_1060", "GT911_1060", true},
        {kFamilyGT9xxx, "GT9111_1061", "GT9110P_1060", false},
        {kFamilyGT9xxx, "GT9111_1060", "GT9110H_1060", false},
        {kFamilyGT9xxx, "GT9111", "GT9110P", false},
        {kFamilyGT9xxx, "gt9111_1060", "GT9110P_1060", false},
        // Each family applies its own renames, never another family's.
        {kFamilyGT73xx, "GT9111_1060", "GT9110P_1060", false},
        {kFamilyGT73xx, "GT7388_01.02.03", "GT7387P_01.02.03", true},
        {kFamilyGT73xx, "GT7382_01.02.03", "GT7382H_01.02.04", false},
        {kFamilyGT79xx, "GT6875_01.02.03.04", "GA6875_01.02.03.04", true},
        {kFamilyGT9Pxx, "GT9286_01.02.03", "GT9286_01.02.03", true},
        {kFamilyGT9Pxx, "GT7388_01.02.03", "GT7387P_01.02.03", false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(SameFirmwareIdentity(c.family, c.image, c.chip), c.same)
            << c.image << " / " << c.chip;
    }
}

}  // namespace
