#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "app/ConfigStep.h"
#include "app/DeviceParts.h"
#include "app/Services.h"
#include "platform/ByteInput.h"
#include "platform/Event.h"
#include "platform/HotPlugSource.h"
#include "resources/LogTarget.h"
#include "touch/ChipFamily.h"

class CHidDevice;
class CChipRegistry;
class RegisterAccess;
class CBridgeIsp;
class CDeviceNotifications;
class CConsole;
namespace app {
class UiLoop;
}

// The main dialog's logic, without widgets: it opens the device it is given, owns the arrival
// events and the chosen file paths, hands the device, the chip registry and the chip settings
// record to what uses them, and runs the file report and the upgrade.
class CQuillonDlg {
  public:
    // The pause after the bridge firmware step (run even without a bridge image), and the
    // pause after a run's "Upgrade success".
    static constexpr uint32_t kAfterBridgeStepPauseMs = 50;
    static constexpr uint32_t kAfterSuccessPauseMs = 500;

    struct Options {
        std::string commandLine;         // as given; searched in lower case
        LogTarget* log = nullptr;        // the log window
        std::function<void()> clearLog;  // empties the log window
        std::function<void()> close;     // closes the dialog (ends the program)
        // Device notifications, handled on the loop; none are taken without both.
        platform::HotPlugSource* hotPlug = nullptr;
        // The UI loop: device notifications and the reports run on it while it runs, one at a
        // time.
        app::UiLoop* loop = nullptr;
        // Standard input of the console that "/s" without "/u" starts; nullptr: no console.
        platform::ByteInput* consoleInput = nullptr;
    };

    // Where the version report takes what it shows; an unset source is the program's own.
    struct VersionSources {
        // The bridge firmware's name (empty: "Unknow"); unset: read from the bridge.
        std::function<std::string()> bridgeFirmwareName;
        // Finds a bridge waiting in its boot mode (that counts as a device); unset: the bridge
        // programmer's device search.
        std::function<bool()> findBootModeDevice;
        // Configuration version read from a detected chip outside GT79xx (none: "Unknow");
        // unset: read through a configuration upgrader of the current family.
        std::function<std::optional<int>(ChipFamily)> configVersion;
    };

    // The parts outlive the dialog.
    CQuillonDlg(app::DeviceParts& parts, const app::Services& services, Options options);
    ~CQuillonDlg();
    CQuillonDlg(const CQuillonDlg&) = delete;
    CQuillonDlg& operator=(const CQuillonDlg&) = delete;

    // Opens the device and reports the current version;
    // then, in silent mode, starts the upgrade thread ("/u") or the console, so that their
    // output follows the start-up report.
    void OnInitDialog();
    void SetVersionSources(VersionSources sources);
    // Closes the dialog, which ends the program.
    void Close();

    // The two reports run on the UI loop while it runs, and never two at once.
    void ListAvailableFiles();
    bool InstallDriver();
    void ReportCurrentVersion();
    // Starts an upgrade run on a thread of its own; false (nothing started) while one runs.
    bool StartUpgrade();
    // One run on the calling thread; true when it sent a touch firmware image to the chip.
    bool RunUpgrade();
    // Waits until a started run has ended.
    void WaitForUpgrade();

    bool Silent() const { return silent_; }
    bool Busy() const { return busy_.load(); }
    std::string BridgeFilePath() const;
    std::string TouchFilePath() const;
    std::string ConfigFilePath() const;
    // The device and the registry; nullptr before OnInitDialog.
    CHidDevice* Device() { return device_; }
    CChipRegistry* Registry() { return registry_; }
    CBridgeIsp& BridgeIsp() { return parts_.BridgeIsp(); }
    CDeviceNotifications* Notifications() { return notifications_.get(); }

    platform::ManualResetEvent HidArrivedEvent;
    platform::ManualResetEvent IspArrivedEvent;

  private:
    void UpgradeThreadProc();
    void RegisterDeviceNotifications();
    // The bridge as register access; nullptr before the device exists.
    RegisterAccess* Bridge();
    // A library that programs the bridge in its boot mode was given.
    bool BridgeProgrammingAvailable() const;
    std::string BridgeFirmwareName();
    bool RunBridgeFirmwareStep(const std::string& bridgeFilePath);
    CConfigStep::Context ConfigStepContext();
    void RunReport(const std::function<void()>& report);
    void ListAvailableFilesNow();
    // How the version report learns whether a chip answers: by detection, or as a run that
    // sent the chip a touch firmware image asks it (the report that follows such a run).
    enum class ChipQuery { Detection, AfterImage };
    void ReportCurrentVersion(ChipQuery query);
    void ReportCurrentVersionNow(ChipQuery query);
    // The configuration version text of a detected chip.
    std::string ConfigVersionText();
    void Log(const std::string& text, int kind);
    void LogRes(unsigned id, int kind);
    void WriteStdOut(const std::string& text) { services_.standardOutput.Write(text); }
    void Sleep(uint32_t ms) { services_.clock.SleepMs(ms); }
    // Chooses the one file of a kind: logs the busy line and its completion.
    // `ambiguous` is set when more than one entry matched.
    std::string ChooseFile(const std::vector<std::string>& masks, const char* busy,
                           const char* tooMany, bool& ambiguous);

    app::DeviceParts& parts_;
    const app::Services services_;
    Options options_;
    ChipIniSettings& settings_;
    std::unique_ptr<CDeviceNotifications> notifications_;
    CHidDevice* device_ = nullptr;
    CChipRegistry* registry_ = nullptr;
    bool silent_ = false;
    std::atomic<bool> busy_{false};
    mutable std::mutex pathsMutex_;
    std::string bridgeFilePath_, touchFilePath_, configFilePath_;
    bool ambiguousFiles_ = false;  // the last listing found more than one file of a kind
    std::mutex threadMutex_;
    std::thread upgradeThread_;
    std::mutex reportMutex_;  // one report at a time
    VersionSources versionSources_;
    // The current bridge firmware, touch firmware and configuration texts of the last report.
    std::string bridgeVersionText_, touchVersionText_, configVersionText_;
    std::unique_ptr<CConsole> console_;
};
