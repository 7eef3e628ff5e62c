// A second bridge plugged in while a run is active: the run keeps the bridge it started with.
#include <algorithm>
#include <functional>

#include "QuillonExe.h"
#include "app/DeviceNotifications.h"
#include "sim/gt73xx/Gt73xxImage.h"
#include "sim/gt79xx/Gt79xxImage.h"
#include "sim/gt9pxx/Gt9pxxImage.h"

namespace {

const std::string kBridgePath = "sim#hid#VID_27C6&PID_0102&MI_01#2";

// An arrival of a bridge path: whether the device is asked to open a bridge, whether the
// arrival is reported, whether it counts as a bridge's return and whether it is logged as
// another bridge, by whether a run is active, whether the device holds a bridge, the port the
// run keeps to (that of the bridge it started with) and the port of the arrival.
TEST(SecondBridgeArrival, DuringARunOnlyTheRunsOwnBridgeIsOpenedAndCountsAsItsReturn) {
    struct Case {
        const char* what;
        bool busy, bridgeOpen;
        const char *runPort, *port;
        int opens, reports;
        bool returned;
        int warnings;
    };
    const Case cases[] = {
        {"idle, no bridge", false, false, "", "1-2", 1, 1, true, 0},
        {"idle, a bridge open", false, true, "", "1-9", 1, 1, true, 0},
        {"run whose bridge comes back", true, false, "1-2", "1-2", 1, 0, true, 0},
        {"run whose bridge is away, another bridge", true, false, "1-2", "1-9", 0, 0, false, 1},
        {"run that holds its bridge, another bridge", true, true, "1-2", "1-9", 0, 0, false, 1},
        {"run, a bridge already gone again", true, false, "1-2", "", 0, 0, false, 1},
        {"run that holds its bridge, its own port", true, true, "1-2", "1-2", 0, 0, true, 0},
        {"run that started without a bridge", true, false, "", "1-9", 1, 0, true, 0},
    };
    for (const Case& c : cases) {
        int opens = 0, reports = 0, warnings = 0;
        std::string asked;
        CDeviceNotifications::Actions actions;
        actions.openBridge = [&opens] { return ++opens, true; };
        actions.bridgeOpen = [&c] { return c.bridgeOpen; };
        actions.busy = [&c] { return c.busy; };
        actions.reportCurrentVersion = [&reports] { ++reports; };
        actions.runPort = [&c] { return std::string(c.runPort); };
        actions.portOf = [&c, &asked](const std::string& name) {
            asked = name;
            return std::string(c.port);
        };
        actions.logWarning = [&warnings](const std::string&) { ++warnings; };
        const std::vector<std::string> vids{"27C6"};
        platform::ManualResetEvent hid, isp;
        CDeviceNotifications notifications(actions, vids, hid, isp);
        const DeviceChangeHeader header{kDeviceInterfaceHeader, "\\\\?\\" + kBridgePath};
        notifications.OnDeviceChange(kDeviceArrival, &header);
        EXPECT_EQ(opens, c.opens) << c.what;
        EXPECT_EQ(reports, c.reports) << c.what;
        EXPECT_EQ(hid.IsSet(), c.returned) << c.what;
        EXPECT_EQ(warnings, c.warnings) << c.what;
        EXPECT_EQ(asked, *c.runPort ? header.name : "") << c.what;
        EXPECT_FALSE(isp.IsSet()) << c.what;
    }
}

// Bridge command 14 (enter boot mode) in either header layout.
bool IsEnterBootMode(const std::string& line) {
    return line.rfind("> 03 01 0e ", 0) == 0 || line.rfind("> 03 8e ", 0) == 0;
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
    // The writes to the first bridge (`mark` "") or the second ("2"): request type 1 in byte 1,
    // or in its bit 7 where the family packs the command into that byte.
    std::vector<std::string> Writes(const std::string& mark) const {
        std::vector<std::string> found;
        for (const auto& line : Lines(mark + "> 03 ")) {
            const unsigned byte1 = std::stoul(line.substr(mark.size() + 5, 2), nullptr, 16);
            if (byte1 == 1 || (byte1 & 0x80) != 0) found.push_back(line);
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

// A second bridge arrives with command 14 or right after the run's bridge is back: the run
// stays with its own bridge, and ends "Upgrade success" only when that bridge came back running
// the image and received every write a run without the second one sends.
TEST_F(SecondBridge, ArrivingAroundTheBootModeNeverTakesTheRunsPlace) {
    struct Family {
        std::function<void()> bench;  // the simulation, when not the GT911's
        const char* touchName;
        std::vector<uint8_t> touch;
        std::string bridgeModel;  // the first four characters of its image's name
    };
    const Family families[] = {
        {nullptr, "GT911_1060.bin", sim::MakeGt9xxxImage("911", 0x1060), "S102"},
        {[this] { simulation_ = Gt73xxSimulation(); }, "G7387.bin",
         sim::MakeGt73xxImage("7387", {1, 2, 4}), "S301"},
        {[this] { simulation_ = Gt9pxxSimulation(); }, "GT9286_010204.bin",
         sim::MakeGt9pxxImage("9286", {1, 2, 4}), "S999"},
        {[this] { UseGt79xxChip(); }, "G7936.bin", sim::MakeGt79xxImage("7936", {2, 0, 1, 0x1A}),
         "S401"},
    };
    for (const Family& family : families) {
        SCOPED_TRACE(family.touchName);
        TearDown();
        SetUp();
        if (family.bench) family.bench();
        const std::string settings = ReadFile("System/AppConfigInit.ini");
        Write("System/AppConfigInit.ini", settings.substr(0, settings.find("[MCU_TYPE]")) +
                                              "[MCU_TYPE]\nTYPE1=" + family.bridgeModel + "\n");
        WriteBytes(family.touchName, family.touch);
        Write(family.bridgeModel + "_v2.10.hex",
              sim::ToIntelHex(sim::MakeBridgeImage("Halden_V2.10", 2000)));

        // Alone: the writes the first bridge receives, and the number of the report that
        // carries command 14.
        ASSERT_EQ(RunPart(Run()), "Upgrading...\nUpgrade success\n");
        const std::vector<std::string> sent = Lines("> ");
        const std::vector<std::string> writes = Writes("");
        const size_t command14 =
            std::find_if(sent.begin(), sent.end(), IsEnterBootMode) - sent.begin() + 1;
        ASSERT_LE(command14, sent.size());

        const std::string plain = simulation_;
        for (const std::string fault : {"", "NeverComesBack=1", "ComesBackInBootMode=1"}) {
            for (size_t at = command14; at < command14 + 3; ++at) {
                SCOPED_TRACE("second bridge at report " + std::to_string(at) + " " + fault);
                simulation_ =
                    plain + "[Faults]\nSecondBridgeAt=" + std::to_string(at) + "\n" + fault + "\n";
                const std::string out = Run();
                const std::string run = RunPart(out);
                EXPECT_EQ(Writes("2"), std::vector<std::string>{});
                if (run.find("Upgrade success") != std::string::npos) {
                    EXPECT_NE(out.find(" Usb Version:\t\t" + family.bridgeModel + "_v2.10\n",
                                       out.find("Upgrading...")),
                              std::string::npos);
                    EXPECT_EQ(Writes(""), writes);
                }
                // With its bridge back the run succeeds; otherwise it ends in the bridge step.
                if (fault.empty()) {
                    EXPECT_EQ(run, "Upgrading...\nUpgrade success\n");
                    EXPECT_EQ(Lines("# plug second bridge ").size(), 1u);
                } else {
                    EXPECT_EQ(run.find("Upgrade "), std::string::npos) << out;
                }
            }
        }
    }
}

// After a run has ended, a bridge plugged in at another port is an ordinary arrival: it is
// opened and reported, and the console's "v" shows it (the run's bridge has its image's
// firmware, the new one its old).
TEST_F(SecondBridge, PluggedInAfterARunIsOpenedAndReported) {
    WriteBridgeImage(true);
    const std::string start = VersionBlock("GT911_1050", "Unknow");
    const std::string afterRun = VersionBlock("GT911_1050", "Unknow", "S102_v2.10");
    ASSERT_EQ(Run("/s", "u"), start + "Upgrading...\nUpgrade success\n" + afterRun);
    // The report that follows the run reads the bridge's identity last: the second bridge
    // arrives with it.
    const std::vector<std::string> sent = Lines("> ");
    size_t identityRead = 0;
    for (size_t i = 0; i < sent.size(); ++i) {
        if (sent[i].rfind("> 03 00 03 ", 0) == 0) identityRead = i + 1;
    }
    ASSERT_GT(identityRead, 0u);
    simulation_ += "[Faults]\nSecondBridgeAt=" + std::to_string(identityRead) + "\n";
    const std::string files =
        "***********************Available files***************************\n"
        " Usb FW:\t\tS102_v2.10.hex\n Touch FW:\t\tUnavailable\n Configure:\t\tUnavailable\n" +
        std::string(65, '*') + "\n>>";
    EXPECT_EQ(Run("/s", "uv"),
              start + "Upgrading...\nUpgrade success\n" + afterRun + start + files + start);
    EXPECT_EQ(Lines("# plug second bridge 27C6:0102").size(), 1u);
    EXPECT_FALSE(Lines("2> 03 00 03 ").empty());
}
