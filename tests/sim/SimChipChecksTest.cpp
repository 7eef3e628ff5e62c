// The simulated chips refuse what a real chip would refuse, so that a wrong frame or block
// from the program fails a test: GT79xx real-time frames (their address, layout and sum, and
// the brackets around a configuration transfer), GT73xx command frames (the chip is idle
// again after one), GT9Pxx block check words (odd lengths included).
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "bridge/HidDevice.h"
#include "sim/gt73xx/SimGt73xx.h"
#include "sim/gt79xx/SimGt79xx.h"
#include "sim/gt9pxx/SimGt9pxxFlash.h"
#include "support/BridgeFixture.h"
#include "touch/ChipFamily.h"

namespace {

using Bytes = std::vector<uint8_t>;
using testsupport::SimBridgeScope;

// A frame sent to a chip and what comes of it.
template <class Outcome>
struct FrameCase {
    const char* what;
    Bytes frame;
    Outcome expected;
};

// A frame as the chip expects it: 0x00 0x00, length, command (and parameter), the sum.
Bytes Frame(uint8_t command) {
    return {0x00, 0x00, 0x04, command, static_cast<uint8_t>(4 + command), 0x00};
}

class SimGt79xxFrames : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(rig_.opened());
        chip_->Attach(rig_.bridge());
    }
    // Writes a frame at `address`; true when the chip answered it (0x80 in both first bytes).
    bool Send(const Bytes& frame, uint32_t address = 0x10174) {
        EXPECT_TRUE(rig_.device().WriteRegs(address, frame.data(), frame.size()));
        return chip_->Get(address) == 0x80 && chip_->Get(address + 1) == 0x80;
    }
    Bytes ReadConfig(size_t length) {
        Bytes bytes(length);
        EXPECT_TRUE(rig_.device().ReadRegs(kConfig, bytes.data(), length, 100));
        return bytes;
    }
    bool WriteConfig(const Bytes& bytes) {
        return rig_.device().WriteRegs(kConfig, bytes.data(), bytes.size());
    }

    static constexpr uint32_t kConfig = sim::SimGt79xx::kConfigAddr;
    SimBridgeScope rig_{kFamilyGT79xx};
    std::shared_ptr<sim::SimGt79xx> chip_ = std::make_shared<sim::SimGt79xx>();
};

}  // namespace

TEST_F(SimGt79xxFrames, OnlyFramesWhoseLayoutAndSumHoldAreAnswered) {
    const std::vector<FrameCase<bool>> cases = {
        {"command 2", Frame(2), true},
        {"command with a parameter", {0x00, 0x00, 0x05, 0x90, 0x84, 0x19, 0x01}, true},
        {"sum one off", {0x00, 0x00, 0x04, 0x02, 0x07, 0x00}, false},
        {"sum's bytes swapped", {0x00, 0x00, 0x04, 0x02, 0x00, 0x06}, false},
        {"sum without the length byte", {0x00, 0x00, 0x04, 0x02, 0x02, 0x00}, false},
        {"parameter left out of the sum", {0x00, 0x00, 0x05, 0x90, 0x84, 0x95, 0x00}, false},
        {"length byte 6", {0x00, 0x00, 0x06, 0x02, 0x08, 0x00}, false},
        {"length byte beyond the bytes", {0x00, 0x00, 0x05, 0x02, 0x07, 0x00}, false},
        {"first byte not zero", {0x01, 0x00, 0x04, 0x02, 0x06, 0x00}, false},
        {"second byte not zero", {0x00, 0x01, 0x04, 0x02, 0x06, 0x00}, false},
    };
    for (const auto& c : cases) EXPECT_EQ(Send(c.frame), c.expected) << c.what;
}

TEST_F(SimGt79xxFrames, FramesAreAnsweredAtTheAddressTheInformationBlockNames) {
    sim::SimGt79xx::Info info;
    info.realTimeCmdAddr = 0x10200;
    chip_->SetInfo(info);
    EXPECT_FALSE(Send(Frame(2)));
    EXPECT_TRUE(Send(Frame(2), 0x10200));
}

TEST_F(SimGt79xxFrames, AConfigurationIsTakenOnlyBetweenFramesFourAndFive) {
    const Bytes held(64, 0x11), written(64, 0x22);
    chip_->SetConfig(held);
    auto readBack = [&] {
        EXPECT_TRUE(Send(Frame(7)));
        const Bytes bytes = ReadConfig(64);
        EXPECT_TRUE(Send(Frame(8)));
        return bytes;
    };
    // Without the opening frame the bytes are dropped and the closing frame is refused.
    ASSERT_TRUE(WriteConfig(written));
    EXPECT_FALSE(Send(Frame(5)));
    EXPECT_EQ(readBack(), held);
    // Without the closing frame nothing is taken.
    ASSERT_TRUE(Send(Frame(4)));
    ASSERT_TRUE(WriteConfig(written));
    EXPECT_EQ(readBack(), held);
    // A whole bracket.
    ASSERT_TRUE(Send(Frame(4)));
    ASSERT_TRUE(WriteConfig(written));
    EXPECT_TRUE(Send(Frame(5)));
    EXPECT_EQ(readBack(), written);
}

TEST_F(SimGt79xxFrames, AConfigurationIsReadOnlyBetweenFramesSevenAndEight) {
    const Bytes held(64, 0x11);
    chip_->SetConfig(held);
    EXPECT_EQ(ReadConfig(64), Bytes(64, 0xFF));
    EXPECT_FALSE(Send(Frame(8)));
    ASSERT_TRUE(Send(Frame(7)));
    EXPECT_EQ(ReadConfig(64), held);
    ASSERT_TRUE(Send(Frame(8)));
    EXPECT_EQ(ReadConfig(64), Bytes(64, 0xFF));
    // A reset ends an open bracket.
    ASSERT_TRUE(Send(Frame(7)));
    chip_->Reset();
    EXPECT_EQ(ReadConfig(64), Bytes(64, 0xFF));
}

// The command register of a GT73xx reads 0xFF when the chip is idle; a poll for idle after a
// frame takes one read once the chip has carried the frame out.
TEST(SimGt73xxFrames, TheChipIsIdleAgainAfterEachCommandFrame) {
    const std::vector<FrameCase<size_t>> cases = {
        {"command 0", {0x00, 0x00, 0x00}, 1},         {"command 1", {0x01, 0x00, 0xFF}, 1},
        {"command 2", {0x02, 0x00, 0xFE}, 1},         {"command 0x0D", {0x0D, 0x00, 0xF3}, 1},
        {"check byte wrong", {0x00, 0x00, 0x01}, 50},
    };
    for (const auto& c : cases) {
        SimBridgeScope rig;
        ASSERT_TRUE(rig.opened());
        auto chip = std::make_shared<sim::SimGt73xx>();
        chip->Attach(rig.bridge());
        ASSERT_TRUE(rig.device().WriteRegs(0x8040, c.frame.data(), c.frame.size()));
        rig.bridge().ClearRecords();
        EXPECT_EQ(rig.device().PollByte(0x8040, 0xFF, 50), c.expected == 1) << c.what;
        size_t polls = 0;
        for (const auto& q : rig.bridge().Requests()) polls += q.type == 0 && q.address == 0x8040;
        EXPECT_EQ(polls, c.expected) << c.what;
    }
}

namespace {

// A GT9Pxx stub running behind the bridge, ready to take blocks.
class SimGt9pxxBlocks : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(rig_.opened());
        chip_->Attach(rig_.bridge());
        CHidDevice& d = rig_.device();
        ASSERT_TRUE(d.WriteByte(0x4180, 0x0C));
        const Bytes stub(2048, 0x3C), call(8, 0x55);
        ASSERT_TRUE(d.WriteRegs(0xC000, stub.data(), stub.size()));
        ASSERT_TRUE(d.WriteRegs(0x8006, call.data(), call.size()));
        ASSERT_TRUE(d.WriteByte(0x4180, 0x08));
        ASSERT_EQ(chip_->Get(0x8006), 0xAA);
    }
    // Sends one block of type 1 with a check word; true when the stub accepted it.
    bool SendBlock(const Bytes& data, uint16_t addressWord, uint16_t check) {
        CHidDevice& d = rig_.device();
        const auto length = static_cast<uint16_t>(data.size());
        EXPECT_TRUE(d.WriteWordBE(0x8100, length) && d.WriteWordBE(0x8102, addressWord) &&
                    d.WriteRegs(0x8104, data.data(), length) &&
                    d.WriteWordBE(0x8104 + length, check) && d.WriteByte(0x8022, 0x00) &&
                    d.WriteWordBE(0x8020, 0x0101));
        return chip_->Get(0x8022) == 0xBB;
    }

    SimBridgeScope rig_;
    std::shared_ptr<sim::SimGt9pxxFlash> chip_ = std::make_shared<sim::SimGt9pxxFlash>();
};

// The check word of a block: the two's complement of its length, address word and the block
// read as big-endian words, an odd block's last word taking `following` as its low byte.
uint16_t CheckWordOf(const Bytes& data, uint16_t addressWord, uint8_t following) {
    uint32_t sum = static_cast<uint32_t>(data.size()) + addressWord;
    for (size_t i = 0; i < data.size(); i += 2) {
        sum += (uint32_t{data[i]} << 8) | (i + 1 < data.size() ? data[i + 1] : following);
    }
    return static_cast<uint16_t>(0x10000 - (sum & 0xFFFF));
}

}  // namespace

TEST_F(SimGt9pxxBlocks, CheckWordsAreTakenAsTheProgramComputesThem) {
    const Bytes even = {0x12, 0x34, 0x56, 0x78}, odd = {0x12, 0x34, 0x56};
    struct Case {
        const char* what;
        Bytes data;
        uint16_t check;
        bool accepted;
    };
    const std::vector<Case> cases = {
        {"even block", even, CheckWordOf(even, 0x0010, 0), true},
        {"even block, check one off", even, static_cast<uint16_t>(CheckWordOf(even, 0x0010, 0) + 1),
         false},
        {"odd block followed by 0x9A", odd, CheckWordOf(odd, 0x0010, 0x9A), true},
        {"odd block followed by 0x00", odd, CheckWordOf(odd, 0x0010, 0x00), true},
        {"odd block followed by 0xFF", odd, CheckWordOf(odd, 0x0010, 0xFF), true},
        {"odd block summed without its last byte", odd,
         static_cast<uint16_t>(CheckWordOf({0x12, 0x34}, 0x0010, 0) - 1), false},
        {"odd block, last byte taken as a low byte", odd,
         static_cast<uint16_t>(CheckWordOf(odd, 0x0010, 0) + 0x5600 - 0x56), false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(SendBlock(c.data, 0x0010, c.check), c.accepted) << c.what;
    }
    EXPECT_EQ(chip_->FollowingBytes(), (std::vector<uint8_t>{0x9A, 0x00, 0xFF}));
}
