#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "platform/linux/HidrawSysfs.h"

namespace fs = std::filesystem;

namespace {

using platform::HidrawInterfaceName;
using platform::HidrawNode;
using platform::ParseHexAttribute;
using platform::ParseHidId;

TEST(HidrawNames, CarryUpperCaseIdsAndTwoDigitInterfaceTag) {
    EXPECT_EQ(HidrawInterfaceName("/dev/hidraw3", 0x27c6, 0x0102, 1),
              "/dev/hidraw3#VID_27C6&PID_0102&MI_01");
    EXPECT_EQ(HidrawInterfaceName("/dev/hidraw0", 0x05ac, 0xabcd, 3),
              "/dev/hidraw0#VID_05AC&PID_ABCD&MI_03");
    EXPECT_EQ(HidrawInterfaceName("/dev/hidraw12", 0x222a, 0x0001, 0x0A),
              "/dev/hidraw12#VID_222A&PID_0001&MI_0A");
    EXPECT_EQ(HidrawInterfaceName("/dev/hidraw1", 0x046d, 0xb33a, -1),
              "/dev/hidraw1#VID_046D&PID_B33A");
    EXPECT_EQ(HidrawInterfaceName("/dev/hidraw1", 1, 2, 256), "/dev/hidraw1#VID_0001&PID_0002");
}

TEST(HidrawNames, NodeIsTheTextBeforeTheHash) {
    EXPECT_EQ(platform::HidrawNodeOfName("/dev/hidraw3#VID_27C6&PID_0102&MI_01"), "/dev/hidraw3");
    EXPECT_EQ(platform::HidrawNodeOfName("/dev/hidraw3"), "/dev/hidraw3");
    EXPECT_EQ(platform::HidrawNodeOfName("#VID_27C6"), "");
}

TEST(HidrawNames, NodesOrderByNumber) {
    std::vector<std::string> nodes = {"/dev/hidraw10", "/dev/hidraw2", "/dev/hidraw1",
                                      "/dev/hidraw0"};
    std::sort(nodes.begin(), nodes.end(), platform::HidrawNodeBefore);
    EXPECT_EQ(nodes, (std::vector<std::string>{"/dev/hidraw0", "/dev/hidraw1", "/dev/hidraw2",
                                               "/dev/hidraw10"}));
}

TEST(SysfsAttributes, HexTextParsing) {
    EXPECT_EQ(ParseHexAttribute("27c6\n"), 0x27C6);
    EXPECT_EQ(ParseHexAttribute("05AC"), 0x05AC);
    EXPECT_EQ(ParseHexAttribute(" 01 \n"), 0x01);
    EXPECT_EQ(ParseHexAttribute("0925\n"), 0x0925);
    EXPECT_EQ(ParseHexAttribute("ffff"), 0xFFFF);
    EXPECT_FALSE(ParseHexAttribute(""));
    EXPECT_FALSE(ParseHexAttribute("\n"));
    EXPECT_FALSE(ParseHexAttribute("0x27"));
    EXPECT_FALSE(ParseHexAttribute("127c6"));
    EXPECT_FALSE(ParseHexAttribute("27g6"));
    EXPECT_FALSE(ParseHexAttribute("27 c6"));
}

TEST(SysfsAttributes, HidIdLineOfUevent) {
    const auto id = ParseHidId(
        "DRIVER=hid-generic\nHID_ID=0003:000027C6:00000102\n"
        "HID_NAME=Bridge\n");
    ASSERT_TRUE(id);
    EXPECT_EQ(id->bus, 0x0003);
    EXPECT_EQ(id->vendorId, 0x27C6);
    EXPECT_EQ(id->productId, 0x0102);
    EXPECT_FALSE(ParseHidId("DRIVER=hid-generic\nHID_NAME=x\n"));
    EXPECT_FALSE(ParseHidId("HID_ID=0003:000027C6\n"));
    EXPECT_FALSE(ParseHidId("HID_ID=0003:000127C6:00000102\n"));
    EXPECT_FALSE(ParseHidId("HID_ID=0003::00000102\n"));
    EXPECT_FALSE(ParseHidId("XHID_ID=0003:000027C6:00000102\n"));
}

// A sysfs tree in a temporary folder, laid out as the kernel lays out a USB HID interface:
// usb device / usb interface / HID device / hidraw / hidrawN, with "device" leading back up
// to the HID device and class/hidraw/hidrawN leading to the node.
class FakeSysfs : public ::testing::Test {
  protected:
    void SetUp() override {
        root_ = fs::temp_directory_path() /
                ("quillon-sysfs-" + std::to_string(std::random_device{}()) + "-" +
                 ::testing::UnitTest::GetInstance()->current_test_info()->name());
        Reset();
    }
    void Reset() {
        fs::remove_all(root_);
        fs::create_directories(root_ / "class/hidraw");
    }
    void TearDown() override { fs::remove_all(root_); }

    static void Write(const fs::path& file, const std::string& text) {
        std::ofstream(file, std::ios::binary) << text;
    }

    struct Usb {
        std::string idVendor = "27c6\n";
        std::string idProduct = "0102\n";
        std::string bcdDevice = "0925\n";
        std::string bInterfaceNumber = "01\n";
    };

    // Lays out one HID device under parent and its hidraw node; returns the node's syspath
    // as the class folder names it.
    fs::path AddHid(const fs::path& parent, const std::string& hidName, const std::string& node,
                    const std::string& uevent, const std::string& descriptor) {
        const fs::path hid = parent / hidName;
        fs::create_directories(hid / "hidraw" / node);
        Write(hid / "uevent", uevent);
        Write(hid / "report_descriptor", descriptor);
        fs::create_directory_symlink("../..", hid / "hidraw" / node / "device");
        const fs::path link = root_ / "class/hidraw" / node;
        fs::create_directory_symlink(hid / "hidraw" / node, link);
        return link;
    }

    // `port`: the USB device's name ("1-2", "1-2.4" behind a hub).
    fs::path AddUsbHid(const Usb& usb, const std::string& node, const std::string& descriptor,
                       const std::string& port = "1-2") {
        const fs::path device = root_ / "devices/pci0000:00/usb1" / port;
        const fs::path iface = device / (port + ":1." + node.substr(6));
        fs::create_directories(iface);
        if (!usb.idVendor.empty()) Write(device / "idVendor", usb.idVendor);
        if (!usb.idProduct.empty()) Write(device / "idProduct", usb.idProduct);
        if (!usb.bcdDevice.empty()) Write(device / "bcdDevice", usb.bcdDevice);
        if (!usb.bInterfaceNumber.empty()) Write(iface / "bInterfaceNumber", usb.bInterfaceNumber);
        return AddHid(iface, "0003:27C6:0102.0003", node,
                      "DRIVER=hid-generic\nHID_ID=0003:000027C6:00000102\n", descriptor);
    }

    static std::string BridgeDescriptor() {
        const uint8_t d[] = {0x06, 0x00, 0xFF, 0x09, 0x01, 0xA1, 0x01, 0x85, 0x03,
                             0x15, 0x00, 0x26, 0xFF, 0x00, 0x75, 0x08, 0x95, 0x3F,
                             0x09, 0x01, 0x81, 0x02, 0x09, 0x01, 0x91, 0x02, 0xC0};
        return std::string(reinterpret_cast<const char*>(d), sizeof d);
    }

    fs::path root_;
};

TEST_F(FakeSysfs, UsbInterfaceGivesIdsVersionInterfaceAndReportLengths) {
    const fs::path syspath = AddUsbHid(Usb{}, "hidraw3", BridgeDescriptor());
    HidrawNode node;
    ASSERT_TRUE(platform::ReadHidrawNode(syspath, "/dev/hidraw3", node));
    EXPECT_EQ(node.info.path, "/dev/hidraw3#VID_27C6&PID_0102&MI_01");
    EXPECT_EQ(node.info.vendorId, 0x27C6);
    EXPECT_EQ(node.info.productId, 0x0102);
    EXPECT_EQ(node.info.versionNumber, 0x0925);
    EXPECT_EQ(node.info.interfaceNumber, 1);
    EXPECT_EQ(node.info.inputReportLength, 64);
    EXPECT_EQ(node.info.outputReportLength, 64);
    EXPECT_TRUE(node.numberedReports);
}

TEST_F(FakeSysfs, PortIsTheNameOfTheUsbDevice) {
    for (const std::string port : {"1-2", "3-1.4"}) {
        Reset();
        const fs::path syspath = AddUsbHid(Usb{}, "hidraw4", BridgeDescriptor(), port);
        HidrawNode node;
        ASSERT_TRUE(platform::ReadHidrawNode(syspath, "/dev/hidraw4", node)) << port;
        EXPECT_EQ(node.info.port, port);
    }
}

TEST_F(FakeSysfs, UsbDeviceAttributesWinOverTheHidIdAndAreUpperCasedInTheName) {
    Usb usb;
    usb.idVendor = "05ac\n";
    usb.idProduct = "02ab\n";
    usb.bcdDevice = "0a1f\n";
    usb.bInterfaceNumber = "03\n";
    const fs::path syspath = AddUsbHid(usb, "hidraw0", BridgeDescriptor());
    HidrawNode node;
    ASSERT_TRUE(platform::ReadHidrawNode(syspath, "/dev/hidraw0", node));
    EXPECT_EQ(node.info.path, "/dev/hidraw0#VID_05AC&PID_02AB&MI_03");
    EXPECT_EQ(node.info.versionNumber, 0x0A1F);
    EXPECT_EQ(node.info.interfaceNumber, 3);
}

TEST_F(FakeSysfs, MissingOrGarbledUsbAttributesLeaveTheNodeOut) {
    const auto refused = [&](Usb usb, const char* what) {
        Reset();
        const fs::path syspath = AddUsbHid(usb, "hidraw1", BridgeDescriptor());
        HidrawNode node;
        EXPECT_FALSE(platform::ReadHidrawNode(syspath, "/dev/hidraw1", node)) << what;
    };
    Usb usb;
    usb.bcdDevice.clear();
    refused(usb, "no bcdDevice");
    usb = Usb{};
    usb.bInterfaceNumber.clear();
    refused(usb, "no bInterfaceNumber");
    usb = Usb{};
    usb.idVendor = "xyz\n";
    refused(usb, "vendor not hexadecimal");
    usb = Usb{};
    usb.idProduct = "10102\n";
    refused(usb, "product too long");
    usb = Usb{};
    usb.bInterfaceNumber = "100\n";
    refused(usb, "interface number beyond one byte");
}

TEST_F(FakeSysfs, UnreadableDescriptorListsTheNodeWithoutLengths) {
    const uint8_t truncated[] = {0x06, 0x00, 0xFF, 0x09, 0x01, 0xA1, 0x01, 0x85, 0x03, 0x95};
    const fs::path syspath =
        AddUsbHid(Usb{}, "hidraw2", std::string(reinterpret_cast<const char*>(truncated), 10));
    HidrawNode node;
    ASSERT_TRUE(platform::ReadHidrawNode(syspath, "/dev/hidraw2", node));
    EXPECT_EQ(node.info.inputReportLength, 0);
    EXPECT_EQ(node.info.outputReportLength, 0);

    fs::remove(syspath / "device" / "report_descriptor");
    ASSERT_TRUE(platform::ReadHidrawNode(syspath, "/dev/hidraw2", node));
    EXPECT_EQ(node.info.path, "/dev/hidraw2#VID_27C6&PID_0102&MI_01");
    EXPECT_EQ(node.info.inputReportLength, 0);

    // Longer than any descriptor the kernel hands out: not read at all.
    Write(syspath / "device" / "report_descriptor", std::string(5000, '\x81'));
    ASSERT_TRUE(platform::ReadHidrawNode(syspath, "/dev/hidraw2", node));
    EXPECT_EQ(node.info.inputReportLength, 0);
}

TEST_F(FakeSysfs, DeviceNotOnUsbTakesHidIdAndNoInterfaceTag) {
    // A Bluetooth HID device behind a USB radio: the radio's USB attributes are not its own.
    const fs::path radio = root_ / "devices/usb1/1-5";
    const fs::path radioIface = radio / "1-5:1.0";
    fs::create_directories(radioIface / "bluetooth/hci0/hci0:256");
    Write(radio / "idVendor", "8087\n");
    Write(radio / "idProduct", "0a2b\n");
    Write(radio / "bcdDevice", "0001\n");
    Write(radioIface / "bInterfaceNumber", "00\n");
    const fs::path syspath =
        AddHid(radioIface / "bluetooth/hci0/hci0:256", "0005:046D:B33A.0008", "hidraw5",
               "HID_ID=0005:0000046D:0000B33A\n", BridgeDescriptor());
    HidrawNode node;
    ASSERT_TRUE(platform::ReadHidrawNode(syspath, "/dev/hidraw5", node));
    EXPECT_EQ(node.info.path, "/dev/hidraw5#VID_046D&PID_B33A");
    EXPECT_EQ(node.info.vendorId, 0x046D);
    EXPECT_EQ(node.info.productId, 0xB33A);
    EXPECT_EQ(node.info.versionNumber, 0);
    EXPECT_EQ(node.info.interfaceNumber, -1);
    // Not the radio's port either.
    EXPECT_EQ(node.info.port, "");
}

TEST_F(FakeSysfs, NodeWithoutDeviceLinkOrHidIdIsLeftOut) {
    HidrawNode node;
    fs::create_directories(root_ / "class/hidraw/hidraw7");
    EXPECT_FALSE(platform::ReadHidrawNode(root_ / "class/hidraw/hidraw7", "/dev/hidraw7", node));
    EXPECT_FALSE(platform::ReadHidrawNode(root_ / "class/hidraw/hidraw8", "/dev/hidraw8", node));
    const fs::path syspath = AddHid(root_ / "devices/virtual", "0000:0000:0000.0001", "hidraw9",
                                    "DRIVER=x\n", BridgeDescriptor());
    EXPECT_FALSE(platform::ReadHidrawNode(syspath, "/dev/hidraw9", node));
}

}  // namespace
