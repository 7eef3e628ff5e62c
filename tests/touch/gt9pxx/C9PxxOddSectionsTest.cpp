// A GT9Pxx image whose sections have odd lengths: every block reaches the flash, and the
// check word of each odd block counts the image byte that follows it (0 past the image's end).
#include <gtest/gtest.h>

#include "sim/gt9pxx/Gt9pxxImage.h"
#include "sim/gt9pxx/SimGt9pxxFlash.h"
#include "touch/UpdaterRig.h"
#include "touch/gt9pxx/C9PxxUpdate.h"

namespace {

using Block = sim::SimGt9pxxFlash::Block;

}  // namespace

TEST(Gt9pxxOddSections, EveryBlockIsTakenAndOddBlocksCountTheByteAfterThem) {
    UpdaterRig rig;
    auto chip = std::make_shared<sim::SimGt9pxxFlash>("9286", std::array<uint8_t, 3>{1, 2, 3});
    ASSERT_TRUE(rig.Start(chip));
    const std::vector<sim::Gt9pxxSection> sections = {
        {0x01, 0x2000, 0x0000}, {0x02, 4097, 0x0200}, {0x03, 2047, 0x0400}, {0x04, 1, 0x0500}};
    const auto image = sim::MakeGt9pxxImage("9286", {1, 2, 4}, 5, sections);

    C9PxxUpdate update(rig.Context());
    ASSERT_TRUE(update.LoadFirmwareFile(rig.WriteImage(image)));
    ASSERT_TRUE(update.Update());
    EXPECT_EQ(chip->Blocks(), (std::vector<Block>{{1, 0x0000, 4096},
                                                  {1, 0x0010, 4096},
                                                  {2, 0x0200, 4096},
                                                  {2, 0x0210, 1},
                                                  {3, 0x0400, 2047},
                                                  {4, 0x0500, 1}}));
    // Each section's data follow the previous one's; the last one ends the image.
    const size_t second = 0x880 + 0x2000, third = second + 4097, fourth = third + 2047;
    ASSERT_EQ(image.size(), fourth + 1);
    EXPECT_EQ(chip->FollowingBytes(), (std::vector<uint8_t>{image[third], image[fourth], 0}));
    struct Region {
        uint32_t flash;
        size_t from, length;
    };
    for (const Region& r : {Region{0x20000, second, 4097}, Region{0x40000, third, 2047},
                            Region{0x50000, fourth, 1}}) {
        EXPECT_TRUE(std::equal(image.begin() + static_cast<long>(r.from),
                               image.begin() + static_cast<long>(r.from + r.length),
                               chip->flash().begin() + r.flash))
            << std::hex << r.flash;
        // Nothing beyond the section was written.
        EXPECT_EQ(chip->flash()[r.flash + r.length], 0xFF) << std::hex << r.flash;
    }
    ASSERT_TRUE(rig.registry->DetectChip());
    EXPECT_EQ(rig.settings.ChipIdentity, "GT9286_01.02.04");
}
