// A second bridge plugged in while a run is active: the run keeps the bridge it started with.
#include "QuillonExe.h"
#include "app/DeviceNotifications.h"

namespace {

const std::string kBridgePath = "sim#hid#VID_27C6&PID_0102&MI_01#2";

// An arrival of a bridge path: whether the device is asked to open a bridge, and whether the
// arrival is reported, by whether a run is active and whether the device holds a bridge.
TEST(SecondBridgeArrival, OpensABridgeDuringARunOnlyWhenTheRunHasNone) {
    struct Case {
        const char* what;
        bool busy, bridgeOpen;
        int opens, reports;
    };
    const Case cases[] = {
        {"idle, no bridge", false, false, 1, 1},
        {"idle, a bridge open", false, true, 1, 1},
        {"run whose bridge is away", true, false, 1, 0},
        {"run that holds its bridge", true, true, 0, 0},
    };
    for (const Case& c : cases) {
        int opens = 0, reports = 0;
        CDeviceNotifications::Actions actions;
        actions.openBridge = [&opens] { return ++opens, true; };
        actions.bridgeOpen = [&c] { return c.bridgeOpen; };
        actions.busy = [&c] { return c.busy; };
        actions.reportCurrentVersion = [&reports] { ++reports; };
        const std::vector<std::string> vids{"27C6"};
        platform::ManualResetEvent hid, isp;
        CDeviceNotifications notifications(actions, vids, hid, isp);
        const DeviceChangeHeader header{kDeviceInterfaceHeader, "\\\\?\\" + kBridgePath};
        notifications.OnDeviceChange(kDeviceArrival, &header);
        EXPECT_EQ(opens, c.opens) << c.what;
        EXPECT_EQ(reports, c.reports) << c.what;
        // The run waiting for its bridge's return learns of every arrival.
        EXPECT_TRUE(hid.IsSet()) << c.what;
        EXPECT_FALSE(isp.IsSet()) << c.what;
    }
}

class SecondBridge : public QuillonExe {
  protected:
    // The trace lines that begin with `prefix`.
    std::vector<std::string> Lines(const std::string& prefix) const {
        std::vector<std::string> found;
        for (const auto& line : Trace()) {
            if (line.rfind(prefix, 0) == 0) found.push_back(line);
        }
        return found;
    }
};

}  // namespace

TEST_F(SecondBridge, PluggedInDuringADownloadTakesNothingFromTheRun) {
    WriteImage("GT911_1060.bin", 0x1060);
    const std::string success = VersionBlock("GT911_1050", "Unknow") +
                                "Upgrading...\nUpgrade success\n" +
                                VersionBlock("GT911_1060", "Unknow");
    ASSERT_EQ(Run(), success);
    // The reports the bridge is sent (report number n at index n - 1), the download's writes
    // among them, and where those begin and end.
    const std::vector<std::string> sent = Lines("> ");
    const std::vector<std::string> writes = Lines("> 03 01 ");
    size_t first = sent.size(), last = 0;
    for (size_t i = 0; i < sent.size(); ++i) {
        if (sent[i].rfind("> 03 01 ", 0) != 0) continue;
        first = std::min(first, i);
        last = i;
    }
    ASSERT_LT(first + 100, last);

    const std::string plain = simulation_;
    for (const size_t at : {first + 2, (first + last) / 2, last - (last - first) / 8}) {
        SCOPED_TRACE("second bridge at report " + std::to_string(at + 1));
        simulation_ = plain + "[Faults]\nSecondBridgeAt=" + std::to_string(at + 1) + "\n";
        // An arrival handled once the run is over is an ordinary one: the program then opens
        // and reports that bridge, so only the run's own lines are compared.
        const std::string out = Run();
        const size_t from = out.find("Upgrading...");
        ASSERT_NE(from, std::string::npos) << out;
        EXPECT_EQ(out.substr(from, out.find("*****", from) - from),
                  "Upgrading...\nUpgrade success\n");
        EXPECT_EQ(Lines("# plug second bridge 27C6:0102").size(), 1u);
        // The first bridge is written everything it is written alone: the whole download; the
        // second is written nothing.
        EXPECT_EQ(Lines("> 03 01 "), writes);
        EXPECT_EQ(Lines("2> 03 01 "), std::vector<std::string>{});
    }
}
