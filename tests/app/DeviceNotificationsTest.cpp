#include <gtest/gtest.h>

#include "app/BasicUiLoop.h"
#include "app/DeviceNotifications.h"
#include "platform/Clock.h"
#include "sim/SimBus.h"
#include "sim/SimHotPlugSource.h"
#include "support/BridgeFixture.h"

namespace {

// What the handler did with one notification.
struct Seen {
    int opens = 0, reports = 0, lists = 0;
    std::vector<std::string> closed;
    bool hid = false, isp = false;
    bool operator==(const Seen&) const = default;
};

struct Handler {
    explicit Handler(bool openSucceeds = true, uint16_t version = 0x0100, bool busy = false) {
        CDeviceNotifications::Actions actions;
        actions.openBridge = [this, openSucceeds] { return ++seen.opens, openSucceeds; };
        actions.closePath = [this](const std::string& name) { seen.closed.push_back(name); };
        actions.bridgeVersionNumber = [version] { return version; };
        actions.busy = [busy] { return busy; };
        actions.reportCurrentVersion = [this] { ++seen.reports; };
        actions.listAvailableFiles = [this] { ++seen.lists; };
        notifications = std::make_unique<CDeviceNotifications>(actions, vids, hid, isp);
    }
    Seen Take() {
        seen.hid = hid.IsSet();
        seen.isp = isp.IsSet();
        return seen;
    }
    std::vector<std::string> vids{"222A", "27C6"};
    platform::ManualResetEvent hid, isp;
    Seen seen;
    std::unique_ptr<CDeviceNotifications> notifications;
};

const std::string kBridge = "sim#hid#VID_27C6&PID_0102&MI_01#1";
const std::string kBridgeMi0 = "sim#hid#VID_27C6&PID_0102&MI_00#1";
const std::string kBoot = "sim#usb#VID_4348&PID_55E0#1";

}  // namespace

TEST(DeviceNotifications, BridgeArrivalRemovalAndBootModeArrival) {
    struct Case {
        const char* what;
        uint32_t event;
        std::string name;
        bool openSucceeds, busy;
        uint16_t version;
        Seen seen;
    };
    const Case cases[] = {
        {"bridge arrives", kDeviceArrival, kBridge, true, false, 0x100, {1, 1, 1, {}, true, false}},
        {"bridge arrives during a run",
         kDeviceArrival,
         kBridge,
         true,
         true,
         0x100,
         {1, 0, 0, {}, true, false}},
        {"bridge that cannot be opened",
         kDeviceArrival,
         kBridge,
         false,
         false,
         0x100,
         {1, 0, 0, {}, true, false}},
        {"bridge goes",
         kDeviceRemoveComplete,
         kBridge,
         true,
         false,
         0x100,
         {0, 0, 0, {kBridge}, false, false}},
        {"interface 0 goes from a 0x930 bridge",
         kDeviceRemoveComplete,
         kBridgeMi0,
         true,
         false,
         0x930,
         {0, 0, 0, {kBridgeMi0}, false, false}},
        {"interface 1 goes from a 0x930 bridge",
         kDeviceRemoveComplete,
         kBridge,
         true,
         false,
         0x930,
         {}},
        {"interface 0 arrives", kDeviceArrival, kBridgeMi0, true, false, 0x930, {}},
        {"unlisted vendor",
         kDeviceArrival,
         "sim#hid#VID_1234&PID_0102&MI_01#1",
         true,
         false,
         0x100,
         {}},
        {"boot mode arrives",
         kDeviceArrival,
         kBoot,
         true,
         false,
         0x100,
         {0, 0, 0, {}, false, true}},
        {"boot mode goes", kDeviceRemoveComplete, kBoot, true, false, 0x100, {}},
        {"other event", 0x8001, kBridge, true, false, 0x100, {}},
        // The vendor id within the four-character prefix does not count.
        {"vendor only in the prefix", kDeviceArrival, "27C6MI_01", true, false, 0x100, {}},
    };
    for (const Case& c : cases) {
        Handler handler(c.openSucceeds, c.version, c.busy);
        const DeviceChangeHeader header{kDeviceInterfaceHeader, c.name};
        EXPECT_EQ(handler.notifications->OnDeviceChange(c.event, &header), 0);
        EXPECT_EQ(handler.Take(), c.seen) << c.what;
    }
}

TEST(DeviceNotifications, OtherHeaderTypesAreIgnored) {
    Handler handler;
    const DeviceChangeHeader header{2, kBridge};
    handler.notifications->OnDeviceChange(kDeviceArrival, &header);
    handler.notifications->OnDeviceChange(kDeviceArrival, nullptr);
    EXPECT_EQ(handler.Take(), Seen{});
}

TEST(DeviceNotifications, HotPlugSourceIsHandledOnTheLoopUntilUnregistered) {
    platform::VirtualClock clock;
    sim::SimBus bus(clock);
    sim::SimHotPlugSource source(bus);
    app::BasicUiLoop loop(clock);
    Handler handler;
    ASSERT_TRUE(handler.notifications->Register(source, loop));
    bus.PlugUsb(kBoot);
    EXPECT_FALSE(handler.isp.IsSet());  // not on the plugging thread
    loop.RunPending();
    EXPECT_TRUE(handler.isp.IsSet());

    handler.isp.Reset();
    bus.UnplugUsb(kBoot);
    bus.PlugUsb(kBoot);  // queued, then dropped
    handler.notifications->Unregister();
    loop.RunPending();
    EXPECT_FALSE(handler.isp.IsSet());
}

TEST(DeviceNotifications, BridgeRemovalClosesThatPathOfTheDeviceAndArrivalOpensIt) {
    testsupport::SimBridgeScope scope;
    ASSERT_TRUE(scope.opened());
    const std::string path = scope.device().OpenPaths().at(0).path;
    CDeviceNotifications::Actions actions;
    CDeviceNotifications::SetBridgeActions(actions, scope.device());
    std::vector<std::string> vids{"27C6"};
    platform::ManualResetEvent hid, isp;
    CDeviceNotifications notifications(actions, vids, hid, isp);

    scope.bus().Unplug(scope.bridgePtr());
    const DeviceChangeHeader header{kDeviceInterfaceHeader, path};
    notifications.OnDeviceChange(kDeviceRemoveComplete, &header);
    EXPECT_TRUE(scope.device().OpenPaths().empty());
    EXPECT_FALSE(scope.device().IsOpen());

    scope.bus().Plug(scope.bridgePtr());
    notifications.OnDeviceChange(kDeviceArrival, &header);
    EXPECT_TRUE(scope.device().IsOpen());
    EXPECT_TRUE(hid.IsSet());
}
