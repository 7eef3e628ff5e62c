#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "touch/config/ConfigUpgrader.h"

class LogTarget;

// The configuration step of an upgrade run: writes the run's ".cfg" file into the touch
// controller (and the bridge's own block when the file carries one) and verifies it, as the
// current family's row says: after a touch image whose download carried the configuration,
// the chip is not written but the bridge's block, when the file carries one, is (without the
// write's opening line), and the chip is compared with the file as the image took it; where
// the row asks for it, a failed verification is retried once, after writing the configuration
// with version 0 and then with its own version again. A family whose row has no configuration
// step gets nothing of the file, and the step says so and fails.
class CConfigStep {
  public:
    struct Context {
        ConfigContext config;  // bridge, settings, current family and chip
        CConfigUpgrader::FamilyOfFile familyOfFile;
        CConfigUpgrader::ConfigFactory createConfig = CreateConfig;
        std::function<bool()> detectChip;
        LogTarget* log = nullptr;
    };
    enum class Outcome {
        Verified,     // the run goes on, its result unchanged
        NotVerified,  // not written or not verified: the run goes on and ends "Upgrade failed"
        RunEnds,      // a load or write error: the run ends without a result line
    };

    static constexpr int kDetectTries = 50;
    static constexpr uint32_t kDetectPauseMs = 10;
    static constexpr uint32_t kVersionZeroPauseMs = 1000;

    explicit CConfigStep(Context context) : context_(std::move(context)) {}

    // `afterTouchImage`: the run selected a touch firmware image.
    Outcome Run(const std::string& configPath, bool afterTouchImage);

    // The step's upgrader (kept until the step goes, with the run); nullptr before it made one.
    CConfigUpgrader* Upgrader() { return upgrader_.get(); }

  private:
    bool Write(const std::string& configPath);
    // After a touch image that carried the configuration: the file loaded as the image took
    // it, and its bridge block sent. A failed transfer is thrown as message 351; a file that
    // cannot be loaded is kept in loadError_ for the verification to report.
    void WriteBridgeBlockOfCarried(const std::string& configPath);
    Outcome VerifyStep();
    bool RetryWithVersionZero(int& version);
    void MakeUpgrader();
    ChipFamily Family() const;
    void SendCommandAlt();
    void Log(const std::string& text, int kind);
    void LogRes(unsigned id, int kind);

    Context context_;
    std::unique_ptr<CConfigUpgrader> upgrader_;
    bool loadFailed_ = false;
    // Why the file carried by a touch image could not be loaded; empty when it was.
    std::string loadError_;
};
