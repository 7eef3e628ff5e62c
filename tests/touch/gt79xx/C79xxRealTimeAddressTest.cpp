// A GT79xx whose information block names another real-time command address: once the channel
// information is read, the configuration transfers send their frames there, and the chip
// answers only there.
#include <gtest/gtest.h>

#include <algorithm>

#include "platform/TextError.h"
#include "sim/gt79xx/Gt79xxImage.h"
#include "sim/gt79xx/SimGt79xx.h"
#include "touch/TouchRig.h"
#include "touch/config/ConfigContext.h"
#include "touch/gt79xx/C79xxChip.h"
#include "touch/gt79xx/C79xxConfig.h"

TEST(Gt79xxRealTimeAddress, TransfersGoWhereTheInformationBlockSays) {
    TouchRig rig(0x0401);
    auto chip = std::make_shared<sim::SimGt79xx>();
    ASSERT_TRUE(rig.Start(chip));
    sim::SimGt79xx::Info info;
    info.realTimeCmdAddr = 0x10200;
    chip->SetInfo(info);
    rig.settings.CFGAddr = sim::SimGt79xx::kConfigAddr;
    rig.settings.SynFlagAddr = 0x10274;
    // Without a UI item file the configuration is not read, but the address is taken.
    rig.registry->ChipOf<C79xxChip>().ReadChannelInfo();
    ASSERT_EQ(rig.settings.RealTimeCmdAddr, 0x10200u);

    const auto image = sim::MakeGt79xxConfig(0x110, 6);
    C79xxConfig config(ConfigContextOf(*rig.registry));
    std::copy(image.begin(), image.end(), config.Image());
    config.UpdateChecksum();
    rig.bridge->ClearRecords();
    ASSERT_TRUE(config.WriteToChip(0));
    std::fill(config.Image(), config.Image() + image.size(), 0);
    config.ReadFromChip();
    EXPECT_TRUE(std::equal(image.begin(), image.end(), config.Image()));
    std::vector<std::pair<uint32_t, int>> frames;
    for (const auto& q : rig.bridge->Requests()) {
        if (q.type == 1 && q.payload.size() == 6) frames.emplace_back(q.address, q.payload[3]);
    }
    EXPECT_EQ(frames, (std::vector<std::pair<uint32_t, int>>{
                          {0x10200, 4}, {0x10200, 5}, {0x10200, 7}, {0x10200, 8}}));

    // The default address is no longer answered.
    rig.settings.RealTimeCmdAddr = 0x10174;
    EXPECT_THROW(config.WriteToChip(0), platform::TextError);
}
