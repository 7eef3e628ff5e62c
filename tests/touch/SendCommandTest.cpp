#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "TouchRig.h"
#include "sim/ft5xxx/SimFt5xxx.h"
#include "sim/gt73xx/SimGt73xx.h"
#include "sim/gt79xx/SimGt79xx.h"
#include "sim/gt9pxx/SimGt9pxx.h"
#include "touch/ft5xxx/CFT5xxxChip.h"
#include "touch/gt73xx/C73xxChip.h"
#include "touch/gt79xx/C79xxChip.h"
#include "touch/gt9pxx/C9pxxChip.h"
#include "touch/gt9xxx/C9xxxChip.h"

namespace {

using Bytes = std::vector<uint8_t>;

// One request as it went to the bridge: command, address and payload.
struct Sent {
    int command;
    uint32_t address;
    Bytes payload;
    bool operator==(const Sent&) const = default;
};

std::vector<Sent> Writes(const TouchRig& rig) {
    std::vector<Sent> sent;
    for (const auto& request : rig.bridge->Requests()) {
        if (request.type == 1) sent.push_back({request.command, request.address, request.payload});
    }
    return sent;
}

void PrintTo(const Sent& s, std::ostream* os) {
    *os << "{" << s.command << ", 0x" << std::hex << s.address << ", [";
    for (uint8_t b : s.payload) *os << " " << int(b);
    *os << " ]}";
}

TEST(SendCommandTest, Gt9xxxSendsRecordZeroOrOneAfterTheStateByte) {
    TouchRig rig(0x0101);
    ASSERT_TRUE(rig.Start(MakeGt9xxx()));
    C9xxxChip& chip = rig.registry->ChipOf<C9xxxChip>();
    EXPECT_TRUE(chip.SendCommand(3));
    EXPECT_TRUE(chip.SendCommand(0));
    EXPECT_EQ(
        Writes(rig),
        (std::vector<Sent>{
            {15, 0x8046, {0x01}}, {6, 0x8040, {0x01}}, {15, 0x8046, {0x00}}, {6, 0x8040, {0x00}}}));
}

TEST(SendCommandTest, Gt9pxxSendsRecordOneForEveryOtherIndex) {
    TouchRig rig(0x0999);
    ASSERT_TRUE(rig.Start(std::make_shared<sim::SimGt9pxx>()));
    C9pxxChip& chip = rig.registry->ChipOf<C9pxxChip>();
    chip.InitCommandTable();
    EXPECT_TRUE(chip.SendCommand(4));
    EXPECT_EQ(Writes(rig), (std::vector<Sent>{{6, 0x8040, {0x01, 0x00, 0xFF}}}));
}

TEST(SendCommandTest, Gt73xxRefusesOtherIndexesBeforeItsTableIsFilled) {
    TouchRig rig(0x0301);
    ASSERT_TRUE(rig.Start(std::make_shared<sim::SimGt73xx>()));
    C73xxChip empty({rig.device(), rig.clock, rig.messages, rig.settings, rig.Files(),
                     [] { return kFamilyGT73xx; }});
    EXPECT_FALSE(empty.SendCommand(2));
    EXPECT_TRUE(Writes(rig).empty());
    // Index 0 sends the empty record 0 as it is.
    EXPECT_TRUE(empty.SendCommand(0));
    EXPECT_EQ(Writes(rig), (std::vector<Sent>{{6, 0x0000, {}}}));
    rig.bridge->ClearRecords();
    EXPECT_TRUE(rig.registry->ChipOf<C73xxChip>().SendCommand(3));
    EXPECT_FALSE(rig.registry->ChipOf<C73xxChip>().SendCommand(5));  // no such record
    EXPECT_EQ(Writes(rig), (std::vector<Sent>{{6, 0x8040, {0x0D, 0x00, 0xF3}}}));
}

TEST(SendCommandTest, Gt79xxWaitsForTheChipsAcknowledgement) {
    TouchRig rig(0x0401);
    auto sim = std::make_shared<sim::SimGt79xx>();
    ASSERT_TRUE(rig.Start(sim));
    C79xxChip& chip = rig.registry->ChipOf<C79xxChip>();
    EXPECT_FALSE(chip.SendCommand(2));  // table not filled
    EXPECT_TRUE(rig.bridge->Requests().empty());

    chip.InitCommandTable();
    EXPECT_TRUE(chip.SendCommand(2));
    EXPECT_EQ(Writes(rig), (std::vector<Sent>{{6, 0x10174, {0x00, 0x00, 0x04, 0x01, 0x05, 0x00}}}));
    EXPECT_EQ(rig.ReadAddresses(), (std::vector<uint32_t>{0x10175, 0x10174}));

    // Accepted by the bridge, never acknowledged: 20 reads of RealTimeCmdAddr + 1, then false.
    rig.bridge->ClearRecords();
    sim->SetAcknowledgeCommands(false);
    sim->Set(0x10174, 0);
    sim->Set(0x10175, 0);
    EXPECT_FALSE(chip.SendCommand(1));
    EXPECT_EQ(rig.ReadAddresses(), std::vector<uint32_t>(20, 0x10175));
}

TEST(SendCommandTest, Ft5xxxRecordZeroIsNeverASuccess) {
    TouchRig rig(0x0999);
    ASSERT_TRUE(rig.Start(std::make_shared<sim::SimFt5xxx>()));
    CFT5xxxChip& chip = rig.registry->ChipOf<CFT5xxxChip>();
    chip.InitCommandTable();
    EXPECT_FALSE(chip.SendCommand(0));
    EXPECT_EQ(Writes(rig), (std::vector<Sent>{{6, 0x00, {0x00}}}));
}

TEST(SendCommandTest, Ft5xxxTriesFactoryModeFiveTimesThenSendsAnyway) {
    TouchRig rig(0x0999);
    auto sim = std::make_shared<sim::SimFt5xxx>();
    ASSERT_TRUE(rig.Start(sim));
    CFT5xxxChip& chip = rig.registry->ChipOf<CFT5xxxChip>();
    chip.InitCommandTable();
    sim->SetAcceptsFactoryMode(false);
    EXPECT_TRUE(chip.SendCommand(1));
    std::vector<Sent> expected(5, Sent{15, 0x00, {0x40}});
    expected.push_back({6, 0x06, {0x00}});
    EXPECT_EQ(Writes(rig), expected);
    EXPECT_EQ(rig.ReadAddresses(), std::vector<uint32_t>(5, 0x00));

    rig.bridge->ClearRecords();
    sim->SetAcceptsFactoryMode(true);
    EXPECT_TRUE(chip.SendCommand(2));
    EXPECT_EQ(Writes(rig), (std::vector<Sent>{{15, 0x00, {0x40}}, {6, 0x06, {0x01}}}));
}

TEST(SendCommandTest, SendCommandAltSendsRecordZeroWithCommand7) {
    TouchRig rig(0x0999);
    ASSERT_TRUE(rig.Start(MakeGt9xxx()));
    CChipRegistry& r = *rig.registry;
    r.ChipOf<C9pxxChip>().InitCommandTable();
    r.ChipOf<CFT5xxxChip>().InitCommandTable();
    for (CBaseChip* chip : {static_cast<CBaseChip*>(&r.ChipOf<C9xxxChip>()),
                            static_cast<CBaseChip*>(&r.ChipOf<C9pxxChip>()),
                            static_cast<CBaseChip*>(&r.ChipOf<C73xxChip>()),
                            static_cast<CBaseChip*>(&r.ChipOf<CFT5xxxChip>())}) {
        EXPECT_TRUE(chip->SendCommandAlt());
    }
    EXPECT_EQ(Writes(rig), (std::vector<Sent>{{7, 0x8040, {0x00}},
                                              {7, 0x8040, {0x00, 0x00, 0x00}},
                                              {7, 0x8040, {0x00, 0x00, 0x00}},
                                              {7, 0x00, {0x00}}}));
    CBaseChip base({rig.device(), rig.clock, rig.messages, rig.settings, rig.Files(),
                    [] { return kFamilyNone; }});
    EXPECT_FALSE(base.SendCommand(1));
    EXPECT_FALSE(base.SendCommandAlt());
    EXPECT_EQ(base.GetDescription(), "");
    EXPECT_EQ(Writes(rig).size(), 4u);
}

}  // namespace
