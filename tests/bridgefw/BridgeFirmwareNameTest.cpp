#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstring>

#include "bridgefw/BridgeFirmwareName.h"
#include "support/MockRegisterAccess.h"

using ::testing::_;
using ::testing::Return;

namespace {

using testsupport::MockRegisterAccess;

std::string NameOf(const std::string& identity, uint16_t productId) {
    return BridgeFirmwareNameOf(reinterpret_cast<const uint8_t*>(identity.data()), identity.size(),
                                productId, platform::CodePage());
}

}  // namespace

TEST(BridgeFirmwareName, IsThePrefixOfTheModelAndTheVersionOfTheIdentity) {
    struct Case {
        const char* identity;
        uint16_t productId;
        const char* name;
    };
    const Case cases[] = {
        {"Halden_V2.10", 0x0ABC, "Sabc_v2.10"},  {"Halden_v1.2", 0x0102, "S102_v1.2"},
        {"Halden_1.2", 0x0102, "S102_v1.2"},  // nothing to drop
        {"v3.1", 0x0102, "S102_v3.1"},        // no "_": the whole text, less the "v"
        {"X_VV3", 0x0102, "S102_vV3"},        // one letter dropped, not two
        {"A_B_V4", 0x0102, "S102_v4"},        // after the last "_"
        {"Halden_", 0x0102, "S102_v"},           {"Halden_V2.10", 0x0101, "H101_v2.10"},
        {"Halden_V2.10", 0x0105, "S105L_v2.10"}, {"Halden_V2.10", 0x0106, "S106W_v2.10"},
        {"Halden_V2.10", 0xFFFF, "Sffff_v2.10"},
    };
    for (const Case& c : cases) EXPECT_EQ(NameOf(c.identity, c.productId), c.name) << c.identity;
}

TEST(BridgeFirmwareName, IdentityEndsAtItsFirstZeroOrAfterThirtyTwoBytes) {
    EXPECT_EQ(NameOf(std::string("A_V1\0_V9", 8), 0x0102), "S102_v1");
    const std::string full = "Halden_" + std::string(25, '7') + "89";  // 34 bytes
    EXPECT_EQ(NameOf(full, 0x0102), "S102_v" + std::string(25, '7'));
}

TEST(BridgeFirmwareName, IsReadWithBridgeCommandThreeAtTheBackOfTheQueue) {
    MockRegisterAccess bridge;
    EXPECT_CALL(bridge, Exchange(_, _, 32u, _))
        .WillOnce([](const RequestForm& form, uint8_t* data, uint32_t, std::array<uint8_t, 6>*) {
            EXPECT_EQ(form.type, kRequestRead);
            EXPECT_EQ(form.command, kCmdBridgeIdentity);
            EXPECT_EQ(form.address, 0u);
            EXPECT_EQ(form.timeoutMs, 300u);
            EXPECT_EQ(form.end, QueueEnd::Back);
            std::memcpy(data, "Halden_V2.10", 13);
            return true;
        });
    EXPECT_EQ(GetBridgeFirmwareName(&bridge, 0x0ABC, platform::CodePage()), "Sabc_v2.10");
}

TEST(BridgeFirmwareName, IsEmptyWithoutABridgeOrAfterAFailedRead) {
    EXPECT_EQ(GetBridgeFirmwareName(nullptr, 0x0102, platform::CodePage()), "");
    MockRegisterAccess bridge;
    EXPECT_CALL(bridge, Exchange(_, _, _, _)).WillOnce(Return(false));
    EXPECT_EQ(GetBridgeFirmwareName(&bridge, 0x0102, platform::CodePage()), "");
}

TEST(BridgeFirmwareName, ImageNameAllowsTheVersionItCarriesBehindItsFirstUnderscoreV) {
    struct Case {
        const char* path;
        const char* version;  // the bridge's
        bool allowed;
    };
    const Case cases[] = {
        {"/p/S102_v2.10.hex", "2.10", true},
        {"/p/S102_v2.10 (1).hex", "2.10", true},  // a second download of the same file
        {"/p/S102_v2.10_5A3C.hex", "2.10", true},
        {"/p/S102_v2.10_release.hex", "2.10", true},
        {"/p/S105_v2.10.hex", "2.10", true},  // whatever the bridge's model prefix
        {"/p/S102_v2.10_FF78.bin", "2.10", true},
        {"/p.hex/S102_v2.10_ed.bin", "2.10", true},
        {"/p/S102_V2.10.HEX", "2.10", true},
        {"/p/S102_v2.10a.hex", "2.10A", true},  // ASCII letters without case
        {"/p/S102_v2.10-rc.hex", "2.10", true},
        {"/p/S102_x_v2.10_v3.hex", "2.10", true},  // the first "_v" counts
        {"/p/S102_x_v2.10_v3.hex", "3", false},
        {"/p/S102_v2.1.hex", "2.10", false},
        {"/p/S102_v2.10.1.hex", "2.10", false},
        {"/p/S102_v2.10B.hex", "2.10", false},
        {"/p/S102_v2.100.hex", "2.10", false},
        {"/p/S102_v2.10.hex", "2.1", false},
        {"/p/S102_v2.10.hex", "1.00", false},
        {"/p/S102_v.hex", "2.10", false},
        {"/p/S102_v2.10.hex", "", false},  // the bridge's identity could not be read
        // A name that carries no version is not compared; a "_v" of the folder does not count.
        {"/p_v2.10/S102.bin", "1.00", true},
        {"/p_q/S102.bin", "", true},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ImageNameAllowsVersion(c.path, c.version), c.allowed)
            << c.path << " " << c.version;
    }
}
