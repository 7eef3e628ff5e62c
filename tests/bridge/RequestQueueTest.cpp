#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <thread>

#include "bridge/DeviceRequest.h"
#include "bridge/RequestQueue.h"
#include "support/BridgeFixture.h"

using testsupport::DeviceScope;
using testsupport::Hex;
using testsupport::MakeInterface;
using testsupport::ScriptedHidBackend;

namespace {

// Holds the worker inside its first report write until released.
class Gate {
  public:
    void Hold(const std::vector<uint8_t>&) {
        std::unique_lock<std::mutex> lock(mutex_);
        if (held_) return;
        held_ = true;
        entered_ = true;
        cv_.notify_all();
        cv_.wait(lock, [this] { return open_; });
    }
    void WaitEntered() {
        std::unique_lock<std::mutex> lock(mutex_);
        cv_.wait(lock, [this] { return entered_; });
    }
    void Open() {
        std::lock_guard<std::mutex> guard(mutex_);
        open_ = true;
        cv_.notify_all();
    }

  private:
    std::mutex mutex_;
    std::condition_variable cv_;
    bool held_ = false, entered_ = false, open_ = false;
};

void WaitForQueueSize(CHidDevice& device, size_t n) {
    while (device.Queue().Size() != n) std::this_thread::yield();
}

struct OpenedFake {
    ScriptedHidBackend backend;
    std::unique_ptr<DeviceScope> scope;
    OpenedFake() {
        backend.interfaces = {MakeInterface("fake#VID_27C6&PID_0102&MI_01")};
        scope = std::make_unique<DeviceScope>(backend);
        EXPECT_TRUE(scope->device().Open());
    }
};

}  // namespace

TEST(RequestQueueTest, FrontInsertionOvertakesQueuedBulkWork) {
    OpenedFake fake;
    Gate gate;
    fake.backend.onWrite = [&](const std::vector<uint8_t>& r) { gate.Hold(r); };
    const std::vector<uint8_t> first(100, 0x11), second(100, 0x22);

    std::thread a([&] { fake.scope->device().WriteRegs(0x1000, first.data(), first.size()); });
    gate.WaitEntered();
    std::thread b([&] { fake.scope->device().WriteRegs(0x2000, second.data(), second.size()); });
    WaitForQueueSize(fake.scope->device(), 1);
    std::thread c([&] { fake.scope->device().WriteByte(0x3000, 0x33); });
    WaitForQueueSize(fake.scope->device(), 2);
    std::thread d([&] { fake.scope->device().WriteByte(0x4000, 0x44); });
    WaitForQueueSize(fake.scope->device(), 3);
    gate.Open();
    a.join();
    b.join();
    c.join();
    d.join();

    const auto w = fake.backend.Written();
    ASSERT_EQ(w.size(), 6u);
    EXPECT_EQ(Hex(w[0], 3, 2), "10 00");
    EXPECT_EQ(Hex(w[1], 3, 2), "10 39");
    // The latest front insertion runs first, then the earlier one, then the bulk write.
    EXPECT_EQ(Hex(w[2], 3, 2), "40 00");
    EXPECT_EQ(Hex(w[3], 3, 2), "30 00");
    EXPECT_EQ(Hex(w[4], 3, 2), "20 00");
    EXPECT_EQ(Hex(w[5], 3, 2), "20 39");
}

TEST(RequestQueueTest, StopDrainsWaitingRequestsBeforeTheWorkerEnds) {
    OpenedFake fake;
    Gate gate;
    fake.backend.onWrite = [&](const std::vector<uint8_t>& r) { gate.Hold(r); };
    std::atomic<int> succeeded{0};
    std::vector<std::thread> writers;
    writers.emplace_back([&] { succeeded += fake.scope->device().WriteByte(0x1000, 1); });
    gate.WaitEntered();
    for (int i = 0; i < 3; ++i) {
        writers.emplace_back(
            [&, i] { succeeded += fake.scope->device().WriteByte(0x2000 + i, 2); });
        WaitForQueueSize(fake.scope->device(), static_cast<size_t>(i + 1));
    }
    std::thread closer([&] { fake.scope->device().Close(); });
    while (!fake.scope->device().IsStopping()) std::this_thread::yield();
    EXPECT_EQ(fake.scope->device().Queue().Size(), 3u);
    gate.Open();
    closer.join();
    for (auto& t : writers) t.join();
    EXPECT_EQ(succeeded.load(), 4);
    EXPECT_EQ(fake.backend.Written().size(), 4u);
    // Requests made after the stop are refused rather than left waiting forever.
    EXPECT_FALSE(fake.scope->device().WriteByte(0x5000, 5));
    EXPECT_EQ(fake.scope->device().Queue().Size(), 0u);
}

TEST(DeviceRequestTest, ReadsWhileNotOpenDeliverEE) {
    ScriptedHidBackend backend;
    DeviceScope scope(backend);
    std::vector<uint8_t> buffer(40, 0);
    EXPECT_FALSE(scope.device().ReadRegs(0x8140, buffer.data(), buffer.size(), 100));
    EXPECT_EQ(buffer, std::vector<uint8_t>(40, 0xEE));
    EXPECT_EQ(scope.device().ReadByte(0x8140), 0xEE);
    EXPECT_FALSE(scope.device().PollByte(0x8140, 0xEE, 3));
}

TEST(DeviceRequestTest, ReadWithoutBufferLandsInTheHeader) {
    testsupport::SimBridgeScope sim;
    ASSERT_TRUE(sim.opened());
    sim.bridge().Registers().Set(0x8140, 0x5A);
    sim.bridge().Registers().Set(0x8141, 0xA5);
    EXPECT_EQ(sim.device().ReadByte(0x8140), 0x5A);

    CDeviceRequest request;
    request.Init(kRequestRead, 0x8140, nullptr, 2, kCmdRegister, 100, sim.device().Layout());
    ASSERT_TRUE(sim.device().Submit(request, QueueEnd::Front));
    EXPECT_EQ(request.header.bytes[0], 0x5A);
    EXPECT_EQ(request.header.bytes[1], 0xA5);

    // A length beyond the header is cut to the header.
    request.Init(kRequestRead, 0x8140, nullptr, 40, kCmdRegister, 100, sim.device().Layout());
    EXPECT_EQ(request.length, 6u);
}

TEST(DeviceRequestTest, FailedTransferWhileOpenLeavesTheHeaderByteAsBuilt) {
    for (ChipFamily family : {kFamilyGT9xxx, kFamilyGT79xx}) {
        testsupport::SimBridgeScope sim(family);
        ASSERT_TRUE(sim.opened());
        sim.bridge().StopAnsweringFrom(1);
        EXPECT_EQ(sim.device().ReadByte(0x8140), family == kFamilyGT79xx ? 0x0F : 0x00);
    }
}

TEST(DeviceRequestTest, UnknownTypeCompletesWithResultZero) {
    testsupport::SimBridgeScope sim;
    CDeviceRequest request;
    request.Init(9, 0, nullptr, 0, kCmdRegister, 100, sim.device().Layout());
    EXPECT_FALSE(sim.device().Submit(request, QueueEnd::Back));
    EXPECT_EQ(request.result, 0);
}

TEST(PollByteTest, TriesAreCutAfterAFailedTransfer) {
    testsupport::SimBridgeScope sim;
    ASSERT_TRUE(sim.opened());
    const uint64_t before = sim.bridge().ReportsReceived();
    sim.bridge().StopAnsweringFrom(before + 1);
    EXPECT_FALSE(sim.device().PollByte(0x5094, 0, 20));
    EXPECT_EQ(sim.bridge().ReportsReceived() - before, 6u);
}

TEST(PollByteTest, CountsOneReadPerTry) {
    testsupport::SimBridgeScope sim;
    ASSERT_TRUE(sim.opened());
    sim.bridge().Registers().Set(0x5094, 1);
    uint64_t before = sim.bridge().ReportsReceived();
    EXPECT_FALSE(sim.device().PollByte(0x5094, 0, 1));
    EXPECT_EQ(sim.bridge().ReportsReceived() - before, 1u);
    before = sim.bridge().ReportsReceived();
    EXPECT_FALSE(sim.device().PollByte(0x5094, 0, 7));
    EXPECT_EQ(sim.bridge().ReportsReceived() - before, 7u);
    sim.bridge().Registers().Set(0x5094, 0);
    before = sim.bridge().ReportsReceived();
    EXPECT_TRUE(sim.device().PollByte(0x5094, 0, 1000));
    EXPECT_EQ(sim.bridge().ReportsReceived() - before, 1u);
}

TEST(RequestQueueTest, RequestRacingTheStopIsExecutedOrRefusedNeverLeftWaiting) {
    // Requesters that keep queuing while the device stops: each request either runs or is
    // refused; none may wait for a worker that has already ended.
    for (int round = 0; round < 300; ++round) {
        ScriptedHidBackend backend;
        backend.interfaces = {MakeInterface("fake#VID_27C6&PID_0102&MI_01")};
        auto scope = std::make_unique<DeviceScope>(backend);
        ASSERT_TRUE(scope->device().Open());
        std::atomic<int> finished{0};
        std::vector<std::thread> requesters;
        for (int i = 0; i < 3; ++i) {
            requesters.emplace_back([&] {
                while (scope->device().WriteByte(0x8140, 1)) {
                }
                ++finished;
            });
        }
        std::this_thread::sleep_for(std::chrono::microseconds(50 * (round % 7)));
        scope->device().Close();
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        while (finished.load() < 3 && std::chrono::steady_clock::now() < deadline) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        if (finished.load() < 3) {
            for (auto& t : requesters) t.detach();
            (void)scope.release();  // a requester still waits on it
            FAIL() << "a requester waits forever after the stop (round " << round << ")";
        }
        for (auto& t : requesters) t.join();
        EXPECT_EQ(scope->device().Queue().Size(), 0u);
    }
}
