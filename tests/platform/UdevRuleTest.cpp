#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <set>
#include <string>

namespace {

// The rule only matches when its ids are written as sysfs writes them: four lower-case
// hexadecimal digits.
TEST(UdevRule, GrantsTheBridgeVendorsAndTheBootModeDevice) {
    const std::filesystem::path rules =
        std::filesystem::path(__FILE__).parent_path() / "../../platform/linux/70-quillon.rules";
    std::ifstream in(rules);
    ASSERT_TRUE(in) << rules;
    const std::regex id(R"re(ATTRS?\{(idVendor|idProduct)\}=="([^"]*)")re");
    std::set<std::string> hidrawVendors;
    bool bootMode = false;
    bool interface3Marked = false;
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#') continue;
        if (line.find("ATTRS{bInterfaceNumber}==\"03\", ENV{QUILLON_MI_03}=\"1\"") !=
            std::string::npos) {
            // Marks interface 3 only, and grants nothing by itself.
            EXPECT_EQ(line.find("uaccess"), std::string::npos) << line;
            interface3Marked = true;
            continue;
        }
        EXPECT_NE(line.find("TAG+=\"uaccess\""), std::string::npos) << line;
        std::string vendor, product;
        for (auto it = std::sregex_iterator(line.begin(), line.end(), id);
             it != std::sregex_iterator(); ++it) {
            const std::string value = (*it)[2];
            EXPECT_TRUE(std::regex_match(value, std::regex("[0-9a-f]{4}"))) << line;
            ((*it)[1] == "idVendor" ? vendor : product) = value;
        }
        if (line.find("SUBSYSTEM==\"hidraw\"") != std::string::npos) {
            hidrawVendors.insert(vendor);
            // The vendor that makes other HID devices too is granted on interface 3 only.
            EXPECT_EQ(vendor == "05ac", line.find("ENV{QUILLON_MI_03}==\"1\"") != std::string::npos)
                << line;
        }
        if (line.find("SUBSYSTEM==\"usb\"") != std::string::npos)
            bootMode = bootMode || (vendor == "4348" && product == "55e0");
    }
    EXPECT_EQ(hidrawVendors, (std::set<std::string>{"27c6", "222a", "05ac"}));
    EXPECT_TRUE(bootMode);
    EXPECT_TRUE(interface3Marked);
}

}  // namespace
