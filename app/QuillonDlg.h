#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "platform/Event.h"
#include "platform/HidBackend.h"
#include "resources/LogTarget.h"

class CHidDevice;
class CChipRegistry;

// The main dialog's logic, without widgets: it owns the device, the chip registry, the
// arrival events and the chosen file paths, and runs the file report and the upgrade.
class CQuillonDlg {
  public:
    struct Options {
        std::string commandLine;         // as given; searched in lower case
        LogTarget* log = nullptr;        // the log window
        std::function<void()> clearLog;  // empties the log window
        std::function<void()> close;     // closes the dialog (ends the program)
    };

    explicit CQuillonDlg(platform::HidBackend& backend, Options options);
    ~CQuillonDlg();
    CQuillonDlg(const CQuillonDlg&) = delete;
    CQuillonDlg& operator=(const CQuillonDlg&) = delete;

    // Reads the vendor list, creates and opens the device, and starts the upgrade thread when
    // the command line asks for a silent upgrade.
    void OnInitDialog();

    void ListAvailableFiles();
    bool InstallDriver();
    void ReportCurrentVersion();
    // Starts an upgrade run on a thread of its own; false (nothing started) while one runs.
    bool StartUpgrade();
    // One run on the calling thread.
    void RunUpgrade();
    // Waits until a started run has ended.
    void WaitForUpgrade();

    bool Silent() const { return silent_; }
    bool Busy() const { return busy_.load(); }
    std::string BridgeFilePath() const;
    std::string TouchFilePath() const;
    std::string ConfigFilePath() const;
    CHidDevice* Device() { return device_.get(); }
    CChipRegistry* Registry() { return registry_.get(); }

    platform::ManualResetEvent HidArrivedEvent;
    platform::ManualResetEvent IspArrivedEvent;

    static std::string Lower(std::string text);
    // Puts the comma-separated items of a text at the front of the VID table, in the order
    // in which they stand: untrimmed, empty items between commas and after a last comma
    // included. The split ends at a comma that is the text's first character.
    static void SplitVidList(std::string text);

  private:
    void UpgradeThreadProc();
    void Log(const std::string& text, int kind);
    void LogRes(unsigned id, int kind);
    // Chooses the one file of a kind: logs the busy line and its completion.
    // `ambiguous` is set when more than one entry matched.
    std::string ChooseFile(const std::vector<std::string>& masks, const char* busy,
                           const char* tooMany, bool& ambiguous);

    platform::HidBackend& backend_;
    Options options_;
    std::unique_ptr<CHidDevice> device_;
    std::unique_ptr<CChipRegistry> registry_;
    bool silent_ = false;
    std::atomic<bool> busy_{false};
    mutable std::mutex pathsMutex_;
    std::string bridgeFilePath_, touchFilePath_, configFilePath_;
    bool ambiguousFiles_ = false;  // the last listing found more than one file of a kind
    std::mutex threadMutex_;
    std::thread upgradeThread_;
};
