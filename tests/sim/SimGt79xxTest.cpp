// The simulated GT79xx's download side, driven register by register.
#include <gtest/gtest.h>

#include <memory>

#include "sim/SimBridge.h"
#include "sim/gt79xx/SimGt79xx.h"

namespace {

// A mailbox header for a chunk of `length` bytes, its sum over bytes 0-10.
std::vector<uint8_t> Header(uint8_t type, uint32_t length, uint32_t target) {
    std::vector<uint8_t> h = {0,
                              0,
                              0x0B,
                              0xBB,
                              type,
                              static_cast<uint8_t>(length + 4),
                              static_cast<uint8_t>((length + 4) >> 8)};
    for (int i = 0; i < 4; ++i) h.push_back(static_cast<uint8_t>(target >> (8 * i)));
    uint16_t sum = 0;
    for (uint8_t b : h) sum = static_cast<uint16_t>(sum + b);
    h.push_back(static_cast<uint8_t>(sum));
    h.push_back(static_cast<uint8_t>(sum >> 8));
    return h;
}

class SimGt79xxTest : public ::testing::Test {
  protected:
    void SetUp() override {
        chip_->Attach(bridge_);
        for (int command : {43, 41}) {
            uint8_t report[64] = {3, static_cast<uint8_t>(command)};
            std::vector<sim::Report> replies;
            bridge_.Receive(report, sizeof(report), replies);
        }
    }
    void StartIsp() {
        const uint8_t zero = 0;
        chip_->Write(0xD808, &zero, 1);
    }
    // Sends a chunk of four bytes 1 2 3 4 with a data sum that is right or off by one.
    uint8_t SendChunk(uint8_t type, uint32_t target, bool sumHolds = true) {
        const uint8_t data[8] = {1,    2, 3, 4, static_cast<uint8_t>(sumHolds ? 0x04 : 0x05),
                                 0x06, 0, 0};
        chip_->Write(0x13410, data, sizeof(data));
        const auto header = Header(type, 4, target);
        chip_->Write(0x13400, header.data(), header.size());
        return chip_->Get(0x13400);
    }

    sim::SimBridge bridge_{0x27C6, 0x0401, 0x0100};
    std::shared_ptr<sim::SimGt79xx> chip_ = std::make_shared<sim::SimGt79xx>();
};

}  // namespace

TEST_F(SimGt79xxTest, ChunksAreTakenOnlyByARunningIspAndOnlyWithTheirSums) {
    EXPECT_EQ(SendChunk(3, 0x100), 0x00);  // no ISP yet: unanswered
    StartIsp();
    EXPECT_EQ(chip_->Get(0x10021), 'I');
    EXPECT_EQ(SendChunk(3, 0x100, false), 0xFF);
    EXPECT_EQ(SendChunk(3, 0x7FFFE), 0xFF);  // past the flash
    EXPECT_EQ(SendChunk(3, 0x100), 0xEE);
    EXPECT_EQ(chip_->Flash()[0x103], 4);
    ASSERT_EQ(chip_->Chunks().size(), 1u);
    chip_->faults().rejectSubImageType = 3;
    EXPECT_EQ(SendChunk(3, 0x200), 0xFF);
    EXPECT_EQ(SendChunk(2, 0x40000), 0xEE);
}

TEST_F(SimGt79xxTest, ResetShowsTheRunningFirmwareOrNothingWhenGone) {
    StartIsp();
    chip_->Reset();
    uint8_t name[5] = {};
    chip_->Read(0x1001E, name, 5);
    EXPECT_EQ(std::string(name, name + 4), "7936");  // the ISP's mark is gone
    StartIsp();                                      // the update state ended with the reset
    EXPECT_EQ(chip_->Get(0x10021), '6');

    SetUp();
    StartIsp();
    chip_->faults().goneAfterReset = true;
    chip_->Reset();
    uint8_t read = 0xAA;
    chip_->Read(0x10014, &read, 1);
    EXPECT_EQ(read, 0);
}
