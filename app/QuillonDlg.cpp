#include "app/QuillonDlg.h"

#include <algorithm>

#include "app/StdOut.h"
#include "app/SystemHelpers.h"
#include "bridge/HidDevice.h"
#include "bridge/VidTable.h"
#include "platform/Clock.h"
#include "platform/Profile.h"
#include "platform/SettingsStore.h"
#include "platform/TextError.h"
#include "resources/MessageTable.h"
#include "touch/ChipIniSettings.h"
#include "touch/ChipRegistry.h"
#include "touch/FirmwareIdentity.h"
#include "touch/UpdaterFactory.h"

namespace {

void Sleep(uint32_t ms) { platform::GetClock().SleepMs(ms); }

std::string FileNameOf(const std::string& path) {
    const size_t cut = path.find_last_of("\\/");
    return cut == std::string::npos ? path : path.substr(cut + 1);
}

}  // namespace

std::string CQuillonDlg::Lower(std::string text) {
    for (char& c : text) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return text;
}

CQuillonDlg::CQuillonDlg(platform::HidBackend& backend, Options options)
    : backend_(backend), options_(std::move(options)) {}

CQuillonDlg::~CQuillonDlg() {
    WaitForUpgrade();
    if (device_) {
        device_->SocketChannel().Close();
        device_->Close();
    }
    // The registry outlives the worker: requests still executing read the current family.
    registry_.reset();
    if (CHidDevice::Instance() == device_.get()) CHidDevice::SetInstance(nullptr);
    device_.reset();
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
    VidTable().clear();
    SplitVidList(platform::ReadProfileString(kAppConfigIni, "VID_LIST", "Vid List", "", 260));

    device_ = std::make_unique<CHidDevice>(backend_);
    CHidDevice::SetInstance(device_.get());
    registry_ = std::make_unique<CChipRegistry>(*device_);
    device_->Open();

    const std::string commandLine = Lower(options_.commandLine);
    if (commandLine.find("/s") != std::string::npos) {
        silent_ = true;
        if (commandLine.find("/u") != std::string::npos) StartUpgrade();
    }
    ReportCurrentVersion();
    if (!silent_) ListAvailableFiles();
}

void CQuillonDlg::SplitVidList(std::string text) {
    auto& table = VidTable();
    for (;;) {
        const size_t comma = text.rfind(',');
        const size_t from = comma == std::string::npos ? 0 : comma + 1;
        table.insert(table.begin(), text.substr(from));
        if (comma == std::string::npos || comma == 0) return;
        text.resize(comma);
    }
}

void CQuillonDlg::ReportCurrentVersion() {
    // The version report comes with the console; nothing is reported yet.
}

std::string CQuillonDlg::ChooseFile(const std::vector<std::string>& masks, const char* busy,
                                    const char* tooMany, bool& ambiguous) {
    std::vector<std::string> found;
    for (const std::string& mask : masks) {
        if (FindFiles(mask, found) > 0) break;
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
    Log("#\t" + FileNameOf(found.front()), LogSuccess);
    return found.front();
}

void CQuillonDlg::ListAvailableFiles() {
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
            return path.empty() ? std::string("Unavailable") : FileNameOf(path);
        };
        WriteStdOut("***********************Available files***************************\n" +
                    std::string(" Usb FW:\t\t") + shown(bridge) + "\n Touch FW:\t\t" +
                    shown(touch) + "\n Configure:\t\t" + shown(config) + "\n" +
                    std::string(65, '*') + "\n" + ">>");
    }
}

bool CQuillonDlg::InstallDriver() {
    if (platform::GetSettingsStore().BootModeDriverPresent()) return true;
    Log("Install driver", LogBusy);
    if (RunCommand("sh setup.bat").empty()) {
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
    RunUpgrade();
    busy_ = false;
    ReportCurrentVersion();
    if (Lower(options_.commandLine).find("/u") != std::string::npos && options_.close) {
        options_.close();
    }
}

void CQuillonDlg::RunUpgrade() {
    WriteStdOut("Upgrading...\n");
    if (GetLanguageSetting() == "en") resources::SetThreadUiLanguage(resources::kLangEnglish);
    bool result = true;
    if (options_.clearLog) options_.clearLog();
    ListAvailableFiles();
    // The run works on the paths of its own listing, whatever a later listing chooses.
    const std::string bridgePath = BridgeFilePath();
    const std::string touchPath = TouchFilePath();
    const std::string configPath = ConfigFilePath();
    {
        // A kind with more than one file was skipped: the folder was not applied as it lies.
        std::lock_guard<std::mutex> guard(pathsMutex_);
        if (ambiguousFiles_) result = false;
    }
    std::unique_ptr<CFwUpdate> updater;
    CChipRegistry* registry = registry_.get();
    auto currentFamily = [&] { return registry ? registry->CurrentFamily() : kFamilyNone; };

    // The bridge firmware step is not available in this build; its file is only listed.
    Sleep(50);

    ChipFamily family = kFamilyNone;
    if (!touchPath.empty()) {
        family = currentFamily();
        if (family == kFamilyNone && registry)
            family = registry->FamilyOfFile(FileNameOf(touchPath));
        updater = CreateUpdater(family, options_.log);
        if (!updater) {
            Log("No firmware download for this chip family", LogError);
            Sleep(800);
            return;
        }
        try {
            if (!updater->LoadFirmwareFile(touchPath,
                                           currentFamily() == kFamilyGT79xx ? configPath : "")) {
                Sleep(800);
                return;
            }
        } catch (const platform::TextError& error) {
            Log(error.what(), LogError);
            return;
        }
        if (updater->Update()) {
            LogRes(297, LogInfo);
        } else {
            // A download that failed leaves the chip on old or partial firmware.
            result = false;
        }
        Sleep(800);
        Sleep(800);
    } else {
        Sleep(800);
    }

    if (currentFamily() == kFamilyGT79xx && !touchPath.empty() && registry) {
        for (int i = 0; i < 50 && !registry->DetectChip(); ++i) Sleep(10);
    }

    // The configuration step is not available in this build; its file is only listed.

    if (!touchPath.empty()) {
        if (!registry || !registry->DetectChip()) {
            LogRes(272, LogError);
            result = false;
        } else if (currentFamily() != kFamilyFT5xxx) {
            const std::string image = updater->GetFirmwareVersionText();
            const std::string identity = ChipIni().ChipIdentity;
            if (SameFirmwareIdentity(family, image, identity)) {
                Log(identity + " Upgrade", LogBusy);
                Log("# Success", LogSuccess);
            } else {
                Log(resources::LoadMessageText(303) + identity + resources::LoadMessageText(304) +
                        image + resources::LoadMessageText(305),
                    LogError);
                result = false;
            }
        }
    }

    if (result) {
        WriteStdOut("Upgrade success\n");
        Sleep(500);
    } else {
        WriteStdOut("Upgrade failed\n");
    }
}
