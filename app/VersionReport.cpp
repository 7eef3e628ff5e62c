// The current version report of the dialog: what is connected, in the log and, in silent
// mode, as a block on standard output for the program that drives the console.
#include <optional>
#include <string>

#include "app/QuillonDlg.h"
#include "app/StdOut.h"
#include "app/TouchFirmwareStep.h"
#include "bridge/HidDevice.h"
#include "bridgefw/BridgeIsp.h"
#include "platform/Format.h"
#include "touch/ChipRegistry.h"
#include "touch/config/ConfigUpgrader.h"

namespace {

constexpr const char* kUnknown = "Unknow";

}  // namespace

void CQuillonDlg::SetVersionSources(VersionSources sources) {
    std::lock_guard<std::mutex> guard(reportMutex_);
    versionSources_ = std::move(sources);
}

void CQuillonDlg::ReportCurrentVersion() { ReportCurrentVersion(ChipQuery::Detection); }

void CQuillonDlg::ReportCurrentVersion(ChipQuery query) {
    RunReport([this, query] { ReportCurrentVersionNow(query); });
}

std::string CQuillonDlg::ConfigVersionText() {
    const ChipFamily family = registry_->CurrentFamily();
    CBaseChip* chip = registry_->CurrentChip();
    if (std::optional<std::string> own = chip ? chip->OwnConfigVersionText() : std::nullopt) {
        return *own;
    }
    std::optional<int> version;
    if (versionSources_.configVersion) {
        version = versionSources_.configVersion(family);
    } else {
        // A configuration that could not be read has no version to show.
        CChipRegistry& registry = *registry_;
        CConfigUpgrader upgrader(ConfigContextOf(registry), [&registry](const std::string& name) {
            return registry.FamilyOfFile(name);
        });
        if (upgrader.ReadFromDevice()) version = upgrader.GetConfig()->GetVersion();
    }
    return version ? platform::Format("%d", *version) : kUnknown;
}

void CQuillonDlg::ReportCurrentVersionNow(ChipQuery query) {
    const bool hidOpen = device_ && device_->IsOpen();
    const auto bootModeDeviceFound = [this] {
        if (versionSources_.findBootModeDevice) return versionSources_.findBootModeDevice();
        return parts_.BridgeIsp().FindDevice();
    };
    if (!hidOpen && !bootModeDeviceFound()) {
        Log("Error: Connot find device!", LogError);
        if (silent_) WriteStdOut("Error: Connot find device!>>");
        return;
    }
    if (!busy_ && options_.clearLog) options_.clearLog();
    Log("Current Version", LogTitle);

    Log(" Usb FW", LogBusy);
    std::string bridge = versionSources_.bridgeFirmwareName ? versionSources_.bridgeFirmwareName()
                                                            : BridgeFirmwareName();
    if (bridge.empty()) {
        Log(std::string("#\t") + kUnknown, LogInfo);
        bridge = kUnknown;
    } else {
        Log("#\t" + bridge, LogSuccess);
    }
    bridgeVersionText_ = bridge;

    const bool chipAnswers =
        registry_ && (query == ChipQuery::AfterImage ? ChipAnswersAfterImage(*registry_)
                                                     : registry_->DetectChip());
    if (!chipAnswers) {
        Log(std::string(" Touch FW:\t") + kUnknown, LogInfo);
        Log(std::string(" Touch CFG:\t") + kUnknown, LogInfo);
        touchVersionText_ = configVersionText_ = kUnknown;
    } else {
        touchVersionText_ = settings_.ChipIdentity;
        Log(" Touch FW", LogBusy);
        Log("#\t" + touchVersionText_, LogSuccess);
        configVersionText_ = ConfigVersionText();
        Log(" Touch CFG", LogBusy);
        Log("#\t" + configVersionText_, LogSuccess);
    }

    if (silent_) {
        WriteStdOut(
            "***********************Current Verison***************************\n"
            " Usb Version:\t\t" +
            bridgeVersionText_ + "\n Touch Version: \t" + touchVersionText_ +
            "\n Config Version:\t" + configVersionText_ + "\n" + std::string(65, '*') + "\n>>");
    }
}
