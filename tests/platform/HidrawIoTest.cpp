#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <numeric>
#include <random>
#include <thread>
#include <vector>

#include "platform/Clock.h"
#include "platform/linux/HidrawIo.h"

namespace {

using platform::IoStatus;
using platform::ReadHidReport;
using platform::WriteHidReport;

// A sequenced-packet socket pair keeps report boundaries as a hidraw node does: one read
// takes one message, a short buffer cuts it and the rest is lost.
class ReportPair : public ::testing::Test {
  protected:
    void SetUp() override {
        int fds[2];
        ASSERT_EQ(::socketpair(AF_UNIX, SOCK_SEQPACKET | SOCK_NONBLOCK | SOCK_CLOEXEC, 0, fds), 0);
        ours_ = fds[0];
        device_ = fds[1];
    }
    void TearDown() override {
        if (ours_ >= 0) ::close(ours_);
        if (device_ >= 0) ::close(device_);
    }
    void DeviceSends(const std::vector<uint8_t>& report) {
        ASSERT_EQ(::send(device_, report.data(), report.size(), 0),
                  static_cast<ssize_t>(report.size()));
    }
    static std::vector<uint8_t> Report(size_t length, uint8_t first) {
        std::vector<uint8_t> r(length);
        std::iota(r.begin(), r.end(), first);
        return r;
    }

    int ours_ = -1;
    int device_ = -1;
};

TEST_F(ReportPair, WriteSendsExactlyTheReport) {
    platform::SteadyClock steady;
    std::vector<uint8_t> report = Report(64, 0);
    report[0] = 3;
    EXPECT_EQ(WriteHidReport(steady, ours_, report.data(), report.size(), 100), IoStatus::Ok);
    std::array<uint8_t, 128> got{};
    ASSERT_EQ(::recv(device_, got.data(), got.size(), 0), 64);
    EXPECT_TRUE(std::equal(report.begin(), report.end(), got.begin()));
}

TEST_F(ReportPair, NumberedReportArrivesWithItsIdInByteZero) {
    platform::SteadyClock steady;
    std::vector<uint8_t> sent = Report(64, 10);
    sent[0] = 3;
    DeviceSends(sent);
    std::vector<uint8_t> buffer(64, 0xEE);
    size_t delivered = 99;
    EXPECT_EQ(ReadHidReport(steady, ours_, buffer.data(), buffer.size(), 100, true, delivered),
              IoStatus::Ok);
    EXPECT_EQ(delivered, 64u);
    EXPECT_EQ(buffer, sent);
}

TEST_F(ReportPair, UnnumberedReportIsPlacedBehindAZeroByte) {
    platform::SteadyClock steady;
    const std::vector<uint8_t> sent = Report(63, 1);
    DeviceSends(sent);
    std::vector<uint8_t> buffer(64, 0xEE);
    size_t delivered = 0;
    EXPECT_EQ(ReadHidReport(steady, ours_, buffer.data(), buffer.size(), 100, false, delivered),
              IoStatus::Ok);
    EXPECT_EQ(delivered, 64u);
    EXPECT_EQ(buffer[0], 0);
    EXPECT_TRUE(std::equal(sent.begin(), sent.end(), buffer.begin() + 1));
}

TEST_F(ReportPair, ShortReportDeliversItsShortCountAndLeavesTheRest) {
    platform::SteadyClock steady;
    DeviceSends({3, 0x80, 0x81});
    std::vector<uint8_t> buffer(64, 0xEE);
    size_t delivered = 0;
    EXPECT_EQ(ReadHidReport(steady, ours_, buffer.data(), buffer.size(), 100, true, delivered),
              IoStatus::Ok);
    EXPECT_EQ(delivered, 3u);
    EXPECT_EQ(buffer[2], 0x81);
    EXPECT_EQ(buffer[3], 0xEE);
}

TEST_F(ReportPair, LongReportIsCutToTheBufferAndTheNextReportStaysWhole) {
    platform::SteadyClock steady;
    DeviceSends(Report(100, 0));
    DeviceSends({3, 7});
    std::vector<uint8_t> buffer(64);  // exactly 64: a write past it is caught by the sanitizer
    size_t delivered = 0;
    EXPECT_EQ(ReadHidReport(steady, ours_, buffer.data(), buffer.size(), 100, true, delivered),
              IoStatus::Ok);
    EXPECT_EQ(delivered, 64u);
    EXPECT_EQ(buffer[63], 63);
    EXPECT_EQ(ReadHidReport(steady, ours_, buffer.data(), buffer.size(), 100, true, delivered),
              IoStatus::Ok);
    EXPECT_EQ(delivered, 2u);
    EXPECT_EQ(buffer[1], 7);

    DeviceSends(Report(100, 0));
    EXPECT_EQ(ReadHidReport(steady, ours_, buffer.data(), buffer.size(), 100, false, delivered),
              IoStatus::Ok);
    EXPECT_EQ(delivered, 64u);
    EXPECT_EQ(buffer[0], 0);
    EXPECT_EQ(buffer[63], 62);
}

TEST_F(ReportPair, NothingWithinTheTimeOutIsTimeoutOnTheProgramsClock) {
    platform::VirtualClock clock;
    std::vector<uint8_t> buffer(64);
    size_t delivered = 5;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(ReadHidReport(clock, ours_, buffer.data(), buffer.size(), 5000, true, delivered),
              IoStatus::Timeout);
    EXPECT_EQ(delivered, 0u);
    EXPECT_GE(clock.NowMs(), 5000u);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
    // A time-out of 0 looks once.
    EXPECT_EQ(ReadHidReport(clock, ours_, buffer.data(), buffer.size(), 0, true, delivered),
              IoStatus::Timeout);
    DeviceSends({3, 1});
    EXPECT_EQ(ReadHidReport(clock, ours_, buffer.data(), buffer.size(), 0, true, delivered),
              IoStatus::Ok);
}

TEST_F(ReportPair, RealClockWaitsTheTimeOutAndTakesALateReport) {
    platform::SteadyClock steady;
    std::vector<uint8_t> buffer(64);
    size_t delivered = 0;
    auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(ReadHidReport(steady, ours_, buffer.data(), buffer.size(), 30, true, delivered),
              IoStatus::Timeout);
    // The program's clock counts whole milliseconds: the wait may end up to 1 ms early.
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(29));

    std::thread device([this] {
        std::this_thread::sleep_for(std::chrono::milliseconds(40));
        const uint8_t late[] = {3, 0x42};
        ::send(device_, late, sizeof late, 0);
    });
    start = std::chrono::steady_clock::now();
    EXPECT_EQ(ReadHidReport(steady, ours_, buffer.data(), buffer.size(), 5000, true, delivered),
              IoStatus::Ok);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
    device.join();
    EXPECT_EQ(delivered, 2u);
    EXPECT_EQ(buffer[1], 0x42);
}

TEST_F(ReportPair, WriteThatCannotGoOutTimesOut) {
    platform::VirtualClock clock;
    const std::vector<uint8_t> report = Report(64, 3);
    // Fill the way to the device until it takes no more.
    int sent = 0;
    while (sent < 100000 && ::send(ours_, report.data(), report.size(), MSG_DONTWAIT) > 0) ++sent;
    ASSERT_LT(sent, 100000);
    EXPECT_EQ(WriteHidReport(clock, ours_, report.data(), report.size(), 200), IoStatus::Timeout);
    EXPECT_GE(clock.NowMs(), 200u);
}

TEST_F(ReportPair, DeviceGoneFailsAtOnceButWhatArrivedIsStillRead) {
    platform::SteadyClock steady;
    DeviceSends({3, 9});
    ::close(device_);
    device_ = -1;
    std::vector<uint8_t> buffer(64);
    size_t delivered = 0;
    EXPECT_EQ(ReadHidReport(steady, ours_, buffer.data(), buffer.size(), 100, true, delivered),
              IoStatus::Ok);
    EXPECT_EQ(delivered, 2u);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(ReadHidReport(steady, ours_, buffer.data(), buffer.size(), 5000, true, delivered),
              IoStatus::Failed);
    EXPECT_EQ(delivered, 0u);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
}

TEST(HidrawIo, WriteToAReaderThatWentAwayFailsWithoutSignal) {
    platform::SteadyClock steady;
    int fds[2];
    ASSERT_EQ(::pipe(fds), 0);
    ::close(fds[0]);
    const uint8_t report[64] = {3};
    EXPECT_EQ(WriteHidReport(steady, fds[1], report, sizeof report, 100), IoStatus::Failed);
    ::close(fds[1]);
}

TEST(HidrawIo, BadDescriptorsAndBuffersFail) {
    platform::SteadyClock steady;
    uint8_t buffer[64] = {3};
    size_t delivered = 7;
    EXPECT_EQ(ReadHidReport(steady, -1, buffer, sizeof buffer, 10, true, delivered),
              IoStatus::Failed);
    EXPECT_EQ(delivered, 0u);
    EXPECT_EQ(WriteHidReport(steady, -1, buffer, sizeof buffer, 10), IoStatus::Failed);

    int fds[2];
    ASSERT_EQ(::pipe(fds), 0);
    ::close(fds[0]);
    ::close(fds[1]);
    EXPECT_EQ(ReadHidReport(steady, fds[0], buffer, sizeof buffer, 10, true, delivered),
              IoStatus::Failed);
    EXPECT_EQ(WriteHidReport(steady, fds[1], buffer, sizeof buffer, 10), IoStatus::Failed);

    ASSERT_EQ(::pipe(fds), 0);
    EXPECT_EQ(ReadHidReport(steady, fds[0], nullptr, 64, 10, true, delivered), IoStatus::Failed);
    EXPECT_EQ(ReadHidReport(steady, fds[0], buffer, 0, 10, true, delivered), IoStatus::Failed);
    EXPECT_EQ(ReadHidReport(steady, fds[0], buffer, 1, 10, false, delivered), IoStatus::Failed);
    EXPECT_EQ(WriteHidReport(steady, fds[1], nullptr, 64, 10), IoStatus::Failed);
    EXPECT_EQ(WriteHidReport(steady, fds[1], buffer, 0, 10), IoStatus::Failed);
    ::close(fds[0]);
    ::close(fds[1]);
}

// The lock needs no hidraw node: any file the program may open for writing takes it.
TEST(HidrawIo, ANodeOpensForOneHandleAtATime) {
    namespace fs = std::filesystem;
    const fs::path node =
        fs::temp_directory_path() / ("quillon-node-" + std::to_string(std::random_device{}()));
    std::ofstream(node).put('x');
    const int first = platform::OpenLockedNode(node.c_str());
    ASSERT_GE(first, 0);
    // A second handle of this process, and one of another process, find the node held.
    EXPECT_EQ(platform::OpenLockedNode(node.c_str()), -1);
    const pid_t child = ::fork();
    if (child == 0) _exit(platform::OpenLockedNode(node.c_str()) < 0 ? 0 : 1);
    int status = -1;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    // Closing the holder frees the node.
    ::close(first);
    const int again = platform::OpenLockedNode(node.c_str());
    EXPECT_GE(again, 0);
    ::close(again);
    EXPECT_EQ(platform::OpenLockedNode((node.string() + "-missing").c_str()), -1);
    fs::remove(node);
}

}  // namespace
