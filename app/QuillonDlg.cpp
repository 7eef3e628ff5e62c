#include "app/QuillonDlg.h"

#include <algorithm>

#include "app/BridgeFirmwareStep.h"
#include "app/ConfigStep.h"
#include "app/Console.h"
#include "app/DeviceNotifications.h"
#include "app/StdOut.h"
#include "app/SummaryStep.h"
#include "app/SystemHelpers.h"
#include "app/TouchFirmwareStep.h"
#include "app/UiLoop.h"
#include "bridge/HidDevice.h"
#include "bridgefw/BridgeFirmwareName.h"
#include "bridgefw/BridgeIsp.h"
#include "platform/AsciiCase.h"
#include "platform/Clock.h"
#include "platform/Path.h"
#include "platform/SettingsStore.h"
#include "platform/TextError.h"
#include "resources/MessageIds.h"
#include "resources/MessageTable.h"
#include "touch/ChipIniSettings.h"
#include "touch/ChipRegistry.h"

namespace {

// While it lives, the device keeps to the port of the bridge it holds, if it holds one: an
// upgrade run stays with the bridge it started with while that one is away in its boot mode.
class KeepToRunBridge {
  public:
    explicit KeepToRunBridge(CHidDevice* device) : device_(device) {
        if (device_ && device_->IsOpen()) device_->KeepToPort(device_->Port());
    }
    ~KeepToRunBridge() {
        if (device_) device_->KeepToPort("");
    }
    KeepToRunBridge(const KeepToRunBridge&) = delete;
    KeepToRunBridge& operator=(const KeepToRunBridge&) = delete;

  private:
    CHidDevice* const device_;
};

}  // namespace

CQuillonDlg::CQuillonDlg(app::DeviceParts& parts, const app::Services& services, Options options)
    : parts_(parts),
      services_(services),
      options_(std::move(options)),
      settings_(parts.Settings()) {}

CQuillonDlg::~CQuillonDlg() {
    notifications_.reset();
    // The console and a run end before the device goes (the parts close it after the dialog):
    // neither reaches a closed or deleted device.
    console_.reset();
    WaitForUpgrade();
}

void CQuillonDlg::Log(const std::string& text, int kind) {
    if (options_.log) options_.log->AppendLog(text, kind);
}

void CQuillonDlg::LogRes(unsigned id, int kind) {
    if (options_.log) options_.log->AppendLogRes(id, kind);
}

std::string CQuillonDlg::BridgeFilePath() const {
    std::lock_guard<std::mutex> guard(pathsMutex_);
    return bridgeFilePath_;
}

std::string CQuillonDlg::TouchFilePath() const {
    std::lock_guard<std::mutex> guard(pathsMutex_);
    return touchFilePath_;
}

std::string CQuillonDlg::ConfigFilePath() const {
    std::lock_guard<std::mutex> guard(pathsMutex_);
    return configFilePath_;
}

void CQuillonDlg::OnInitDialog() {
    device_ = &parts_.Device();
    registry_ = &parts_.Registry();
    device_->Open();
    RegisterDeviceNotifications();

    silent_ = CommandLineHas(options_.commandLine, "/s");
    // The start-up report comes first on standard output, before a run's or a command's.
    ReportCurrentVersion();
    if (silent_) {
        if (CommandLineHas(options_.commandLine, "/u")) {
            StartUpgrade();
        } else if (options_.consoleInput) {
            console_ =
                std::make_unique<CConsole>(*this, *options_.consoleInput, services_.standardOutput);
        }
    } else {
        ListAvailableFiles();
    }
}

void CQuillonDlg::Close() {
    if (options_.close) options_.close();
}

void CQuillonDlg::RunReport(const std::function<void()>& report) {
    auto serialised = [this, &report] {
        std::lock_guard<std::mutex> guard(reportMutex_);
        report();
    };
    if (!options_.loop || !options_.loop->PostAndWait(serialised)) serialised();
}

std::string CQuillonDlg::ChooseFile(const std::vector<std::string>& masks, const char* busy,
                                    const char* tooMany, bool& ambiguous) {
    std::vector<std::string> found;
    for (const std::string& mask : masks) {
        if (FindFiles(services_.files, mask, found) > 0) break;
    }
    Log(busy, LogBusy);
    if (found.empty()) {
        Log("#\tNo new version found", LogWarning);
        return "";
    }
    if (found.size() > 1) {
        Log(tooMany, LogError);
        ambiguous = true;
        return "";
    }
    Log("#\t" + platform::FileNameOf(found.front()), LogSuccess);
    return found.front();
}

void CQuillonDlg::ListAvailableFiles() {
    RunReport([this] { ListAvailableFilesNow(); });
}

void CQuillonDlg::ListAvailableFilesNow() {
    {
        std::lock_guard<std::mutex> guard(pathsMutex_);
        bridgeFilePath_.clear();
        touchFilePath_.clear();
        configFilePath_.clear();
    }
    Log("New Version", LogTitle);
    bool ambiguous = false;
    const std::string bridge =
        ChooseFile({"S*.bin", "S*.hex"}, " Usb FW", "#\tToo many usb FW files...", ambiguous);
    const std::string touch =
        ChooseFile({"G*.bin"}, " Touch FW", "#\tToo many touch FW files...", ambiguous);
    const std::string config =
        ChooseFile({"*.cfg"}, " Touch CFG", "#\tToo many touch configure files...", ambiguous);
    {
        std::lock_guard<std::mutex> guard(pathsMutex_);
        bridgeFilePath_ = bridge;
        touchFilePath_ = touch;
        configFilePath_ = config;
        ambiguousFiles_ = ambiguous;
    }
    if (silent_ && !busy_) {
        auto shown = [](const std::string& path) {
            return path.empty() ? std::string("Unavailable") : platform::FileNameOf(path);
        };
        WriteStdOut("***********************Available files***************************\n" +
                    std::string(" Usb FW:\t\t") + shown(bridge) + "\n Touch FW:\t\t" +
                    shown(touch) + "\n Configure:\t\t" + shown(config) + "\n" +
                    std::string(65, '*') + "\n" + ">>");
    }
}

bool CQuillonDlg::InstallDriver() {
    if (services_.settingsStore.BootModeDriverPresent()) return true;
    Log("Install driver", LogBusy);
    if (RunCommand(services_.files, "sh setup.bat").empty()) {
        Log("# Success", LogSuccess);
        return true;
    }
    Log("# Failed", LogError);
    return false;
}

bool CQuillonDlg::StartUpgrade() {
    std::lock_guard<std::mutex> guard(threadMutex_);
    // One run at a time: a second request while a run is active is refused.
    if (busy_.exchange(true)) return false;
    if (upgradeThread_.joinable()) upgradeThread_.join();
    upgradeThread_ = std::thread([this] { UpgradeThreadProc(); });
    return true;
}

void CQuillonDlg::WaitForUpgrade() {
    std::lock_guard<std::mutex> guard(threadMutex_);
    if (upgradeThread_.joinable()) upgradeThread_.join();
}

void CQuillonDlg::UpgradeThreadProc() {
    resources::SetThreadUiLanguage(resources::kLangEnglish);
    const bool imageSent = RunUpgrade();
    busy_ = false;
    ReportCurrentVersion(imageSent ? ChipQuery::AfterImage : ChipQuery::Detection);
    if (CommandLineHas(options_.commandLine, "/u")) Close();
}

bool CQuillonDlg::RunUpgrade() {
    const KeepToRunBridge keep(device_);
    WriteStdOut("Upgrading...\n");
    if (GetLanguageSetting(services_.settingsStore, services_.files.codePage) == "en")
        resources::SetThreadUiLanguage(resources::kLangEnglish);
    if (options_.clearLog) options_.clearLog();
    ListAvailableFiles();
    // The run works on the paths of its own listing, whatever a later listing chooses.
    const std::string bridgePath = BridgeFilePath();
    const std::string touchPath = TouchFilePath();
    const std::string configPath = ConfigFilePath();
    bool result = true;
    {
        // A kind with more than one file was skipped: the folder was not applied as it lies.
        std::lock_guard<std::mutex> guard(pathsMutex_);
        if (ambiguousFiles_) result = false;
    }

    // 1. The bridge firmware.
    if (!bridgePath.empty() && !RunBridgeFirmwareStep(bridgePath)) {
        // A bridge that nothing here can program is left as it is, and the run did not do what
        // it was asked: a driving program learns that from the result line. Other failures of
        // the step end the run without one.
        if (!BridgeProgrammingAvailable()) WriteStdOut("Upgrade failed\n");
        return false;
    }
    Sleep(kAfterBridgeStepPauseMs);

    // 2. The touch firmware.
    CTouchFirmwareStep touchStep({Bridge(), registry_, &settings_, options_.log}, services_.clock);
    switch (touchStep.Run(touchPath, configPath)) {
        case CTouchFirmwareStep::Outcome::RunEnds:
            return false;
        case CTouchFirmwareStep::Outcome::NotDone:
            result = false;
            break;
        case CTouchFirmwareStep::Outcome::Done:
            break;
    }

    // 3. The configuration; its upgrader stays with the run until the run ends.
    std::unique_ptr<CConfigStep> configStep;
    CChipRegistry* registry = registry_;
    if (!configPath.empty() && registry) {
        configStep = std::make_unique<CConfigStep>(ConfigStepContext());
        const CConfigStep::Outcome outcome = configStep->Run(configPath, !touchPath.empty());
        if (outcome == CConfigStep::Outcome::RunEnds) return touchStep.ImageSent();
        if (outcome == CConfigStep::Outcome::NotVerified) result = false;
    }

    // 4. The summary.
    CSummaryStep summary(
        {registry, &settings_, options_.log, [this] { return BridgeFirmwareName(); }, bridgePath});
    if (!summary.Run(!bridgePath.empty(), !touchPath.empty(), touchStep)) result = false;

    if (result) {
        WriteStdOut("Upgrade success\n");
        Sleep(kAfterSuccessPauseMs);
    } else {
        WriteStdOut("Upgrade failed\n");
    }
    return touchStep.ImageSent();
}

RegisterAccess* CQuillonDlg::Bridge() { return device_; }

bool CQuillonDlg::BridgeProgrammingAvailable() const { return parts_.BridgeProgrammingAvailable(); }

CConfigStep::Context CQuillonDlg::ConfigStepContext() {
    CChipRegistry& registry = *registry_;
    return CConfigStep::Context{
        ConfigContextOf(registry),
        [&registry](const std::string& name) { return registry.FamilyOfFile(name); },
        CreateConfig,
        [&registry] { return registry.DetectChip(); },
        options_.log,
    };
}

std::string CQuillonDlg::BridgeFirmwareName() {
    return GetBridgeFirmwareName(Bridge(), device_ ? device_->Attributes().productId : 0,
                                 services_.files.codePage);
}

bool CQuillonDlg::RunBridgeFirmwareStep(const std::string& bridgeFilePath) {
    CBridgeFirmwareStep::Context context;
    context.bridge = Bridge();
    context.isp = &parts_.BridgeIsp();
    context.hidArrived = &HidArrivedEvent;
    context.ispArrived = &IspArrivedEvent;
    context.log = options_.log;
    context.installDriver = [this] { return InstallDriver(); };
    context.firmwareName = [this] { return BridgeFirmwareName(); };
    context.programmingAvailable = BridgeProgrammingAvailable();
    return CBridgeFirmwareStep(std::move(context), services_.clock).Run(bridgeFilePath);
}

void CQuillonDlg::RegisterDeviceNotifications() {
    if (!options_.hotPlug || !options_.loop || !device_) return;
    CDeviceNotifications::Actions actions;
    CDeviceNotifications::SetBridgeActions(actions, *device_);
    actions.busy = [this] { return Busy(); };
    actions.reportCurrentVersion = [this] { ReportCurrentVersion(); };
    actions.listAvailableFiles = [this] { ListAvailableFiles(); };
    actions.logWarning = [this](const std::string& text) { Log(text, LogWarning); };
    notifications_ = std::make_unique<CDeviceNotifications>(std::move(actions), device_->VidTable(),
                                                            HidArrivedEvent, IspArrivedEvent);
    notifications_->Register(*options_.hotPlug, *options_.loop);
}
