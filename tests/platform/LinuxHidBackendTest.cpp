#include <gtest/gtest.h>

#include <cctype>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>

#include "platform/linux/LinuxHidBackend.h"

namespace fs = std::filesystem;

namespace {

using platform::HidInterfaceInfo;
using platform::IoStatus;
using platform::kNoHandle;
using platform::LinuxHidBackend;

size_t OpenDescriptorCount() {
    return static_cast<size_t>(
        std::distance(fs::directory_iterator("/proc/self/fd"), fs::directory_iterator{}));
}

TEST(LinuxHidBackend, OpenOfWhatIsNoHidrawNodeGivesNoHandleAndKeepsNothingOpen) {
    platform::SteadyClock clock;
    LinuxHidBackend backend(clock);
    const fs::path file = fs::temp_directory_path() /
                          ("quillon-not-hidraw-" + std::to_string(std::random_device{}()));
    std::ofstream(file) << "x";
    const size_t before = OpenDescriptorCount();
    EXPECT_EQ(backend.Open("/dev/hidraw-gone#VID_27C6&PID_0102&MI_01"), kNoHandle);
    EXPECT_EQ(backend.Open("/dev/hidraw-gone"), kNoHandle);
    EXPECT_EQ(backend.Open(""), kNoHandle);
    EXPECT_EQ(backend.Open("#VID_27C6&PID_0102&MI_01"), kNoHandle);
    EXPECT_EQ(backend.Open("/dev/null#VID_27C6&PID_0102&MI_01"), kNoHandle);
    EXPECT_EQ(backend.Open(file.string()), kNoHandle);
    EXPECT_EQ(OpenDescriptorCount(), before);
    fs::remove(file);
}

TEST(LinuxHidBackend, InvalidOrClosedHandleFailsEveryCall) {
    platform::SteadyClock clock;
    LinuxHidBackend backend(clock);
    uint8_t report[64] = {3};
    for (const platform::HidHandle handle :
         {kNoHandle, platform::HidHandle{0}, platform::HidHandle{1}, platform::HidHandle{12345}}) {
        size_t delivered = 9;
        EXPECT_EQ(backend.Write(handle, report, sizeof report, 10), IoStatus::Failed);
        EXPECT_EQ(backend.Read(handle, report, sizeof report, 10, delivered), IoStatus::Failed);
        EXPECT_EQ(delivered, 0u);
        HidInterfaceInfo info;
        EXPECT_FALSE(backend.Query(handle, info));
        backend.Cancel(handle);
        backend.Close(handle);
    }
}

// Runs only where hidraw nodes are present and readable.
TEST(LinuxHidBackend, PresentNodesAreNamedAndOpenAsTheyWereListed) {
    platform::SteadyClock clock;
    LinuxHidBackend backend(clock);
    const std::vector<HidInterfaceInfo> interfaces = backend.Enumerate();
    if (interfaces.empty()) GTEST_SKIP() << "no hidraw node present";
    int opened = 0;
    for (const HidInterfaceInfo& info : interfaces) {
        const std::string tag = info.path.substr(info.path.find('#'));
        EXPECT_EQ(info.path.rfind("/dev/hidraw", 0), 0u) << info.path;
        for (const char c : tag)
            EXPECT_FALSE(std::islower(static_cast<unsigned char>(c))) << info.path;
        const platform::HidHandle handle = backend.Open(info.path);
        if (handle == kNoHandle) continue;  // no permission on this node
        ++opened;
        HidInterfaceInfo queried;
        ASSERT_TRUE(backend.Query(handle, queried));
        EXPECT_EQ(queried.path, info.path);
        EXPECT_EQ(queried.vendorId, info.vendorId);
        EXPECT_EQ(queried.productId, info.productId);
        EXPECT_EQ(queried.versionNumber, info.versionNumber);
        EXPECT_EQ(queried.interfaceNumber, info.interfaceNumber);
        EXPECT_EQ(queried.inputReportLength, info.inputReportLength);
        EXPECT_EQ(queried.outputReportLength, info.outputReportLength);
        backend.Close(handle);
        size_t delivered = 0;
        uint8_t buffer[64];
        EXPECT_EQ(backend.Read(handle, buffer, sizeof buffer, 0, delivered), IoStatus::Failed);
    }
    if (opened == 0) GTEST_SKIP() << "no hidraw node may be opened here";
}

}  // namespace
