#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/Clock.h"
#include "touch/ChipFamily.h"
#include "touch/FwUpdate.h"

class CChipRegistry;
class LogTarget;
class RegisterAccess;
struct ChipIniSettings;

// The touch firmware step of an upgrade run: picks the updater of the chip's family (of the
// image's file name while no chip is known), loads the image, with the run's configuration
// where the family's configuration travels with its firmware, downloads it, gives the chip its
// pause and, where the family's row asks for it, identifies the chip again. Without an image,
// or without a bridge, only the pause runs.
class CTouchFirmwareStep {
  public:
    struct Context {
        RegisterAccess* bridge = nullptr;   // nullptr when there is no bridge device
        CChipRegistry* registry = nullptr;  // nullptr when there is no bridge device
        ChipIniSettings* settings = nullptr;
        LogTarget* log = nullptr;
    };
    enum class Outcome {
        Done,     // the run goes on, its result unchanged
        NotDone,  // the download failed: the run goes on and ends "Upgrade failed"
        RunEnds,  // no updater, or the image did not load: the run ends without a result line
    };

    // The chip's time after its download, given twice; the pause of a run without an image or
    // whose image was refused; and the chip's time to answer again where the family's row asks
    // to identify it anew.
    static constexpr uint32_t kAfterDownloadPauseMs = 800;
    static constexpr uint32_t kNoDownloadPauseMs = 800;
    static constexpr int kRedetectTries = 50;
    static constexpr uint32_t kRedetectPauseMs = 10;

    CTouchFirmwareStep(Context context, platform::Clock& clock)
        : context_(context), clock_(clock) {}
    ~CTouchFirmwareStep();

    Outcome Run(const std::string& touchPath, const std::string& configPath);

    // What the summary compares after a download: the family whose sequence ran and the
    // identity the image names ("" when no image was loaded).
    ChipFamily Family() const { return family_; }
    std::string ImageIdentity() const;
    // The image went to the chip (its download ran, whatever its result).
    bool ImageSent() const { return imageSent_; }

  private:
    Outcome Download(const std::string& touchPath, const std::string& configPath);
    void Log(const std::string& text, int kind);
    void LogRes(unsigned id, int kind);

    void Pause(uint32_t ms) { clock_.SleepMs(ms); }

    Context context_;
    platform::Clock& clock_;
    ChipFamily family_ = kFamilyNone;
    std::unique_ptr<CFwUpdate> updater_;
    bool imageSent_ = false;
};

// Whether a chip answers after a touch firmware image: the chip itself is asked where the
// current family's row says so, detection otherwise. When it answers, ChipIdentity names it.
bool ChipAnswersAfterImage(CChipRegistry& registry);
