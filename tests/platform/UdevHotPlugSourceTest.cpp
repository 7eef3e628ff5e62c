#include <gtest/gtest.h>

#include "platform/linux/HidrawSysfs.h"
#include "platform/linux/UdevHotPlugSource.h"

TEST(UsbProduct, ReadsVendorAndProductOfTheUeventValue) {
    struct Case {
        const char* text;
        bool ok;
        uint16_t vendorId, productId;
    };
    const Case cases[] = {
        {"4348/55e0/100", true, 0x4348, 0x55E0},
        {"27c6/102/0", true, 0x27C6, 0x0102},
        {"4348/55e0", false, 0, 0},
        {"4348//100", false, 0, 0},
        {"14348/55e0/100", false, 0, 0},
        {"xyz/55e0/100", false, 0, 0},
    };
    for (const Case& c : cases) {
        const auto id = platform::ParseUsbProduct(c.text);
        ASSERT_EQ(id.has_value(), c.ok) << c.text;
        if (!c.ok) continue;
        EXPECT_EQ(id->vendorId, c.vendorId);
        EXPECT_EQ(id->productId, c.productId);
        // The boot-mode device is named as the enumeration names devices.
        EXPECT_EQ(
            platform::HidrawInterfaceName("/dev/bus/usb/001/007", id->vendorId, id->productId, -1)
                .find("#VID_"),
            20u);
    }
}
