#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "bridge/RegisterAccess.h"
#include "platform/Clock.h"
#include "resources/LogTarget.h"
#include "touch/ChipIniSettings.h"

class CChipRegistry;

// What an updater works with: the road to the bridge, the clock its pauses are spent on, the
// registry (version checks identify
// the chip again; its program files are where path texts lead), the program's chip settings
// record and the log.
struct UpdaterContext {
    RegisterAccess& bridge;
    platform::Clock& clock;
    CChipRegistry& registry;
    ChipIniSettings& settings;
    LogTarget* log = nullptr;
};

// Base of the touch-firmware updaters: loads the image file (and, for a family whose
// configuration travels with its firmware, that configuration) and offers the operations every
// family provides.
class CFwUpdate {
  public:
    static constexpr uint32_t kImageCapacity = 512000;
    static constexpr uint32_t kConfigCapacity = 4096;

    explicit CFwUpdate(const UpdaterContext& context);
    virtual ~CFwUpdate();
    CFwUpdate(const CFwUpdate&) = delete;
    CFwUpdate& operator=(const CFwUpdate&) = delete;

    // True when the image is in memory. A configuration path is given to the family's
    // LoadTravellingConfig once the image is in; it may raise the configuration reader's error
    // text.
    bool LoadFirmwareFile(const std::string& imagePath, const std::string& configPath = "");

    virtual bool IsSameVersion();
    virtual bool CheckFirmwareFile();
    virtual bool EnterUpdateMode() = 0;
    virtual bool Update() = 0;
    virtual std::string GetFirmwareVersionText();

    const uint8_t* Image() const { return image_.get(); }
    uint32_t ImageLength() const { return imageLength_; }
    const uint8_t* Config() const { return config_.get(); }
    uint32_t ConfigLength() const { return configLength_; }
    const std::string& Path() const { return path_; }
    // The last LoadFirmwareFile succeeded: the image and its length fit together.
    bool ImageLoaded() const { return loaded_; }

  protected:
    // Whether the loaded length holds every part the family's download reads; an image that
    // does not is refused by the load rather than read past its end.
    virtual bool ImageFitsLayout(uint32_t length) const;
    // Whether the loaded bytes hold together: the lengths and tables the download follows
    // stay inside them. An image that does not is refused by the load as well.
    virtual bool ImageContentFits(const uint8_t* image, uint32_t length) const;
    // The version check of the families that identify the chip again themselves: up to five
    // reads of `length` bytes at `address` (200 ms each); each good read names the chip
    // (ChipName, and ChipIdentity from `identity`), and the reads end once the name is in the
    // configured chip list. True when GetFirmwareVersionText equals ChipIdentity then.
    bool CompareWithChipIdentity(
        uint32_t address, uint32_t length,
        const std::function<std::string(const uint8_t* bytes, std::string& name)>& identity);
    // Loads the configuration that travels with the image into the configuration buffer. The
    // base takes none: the configuration stays absent.
    virtual void LoadTravellingConfig(const std::string& configPath);
    void Log(const std::string& text, int kind) const;
    void LogRes(unsigned id, int kind) const;
    void Pause(uint32_t ms) const { clock_.SleepMs(ms); }

    RegisterAccess& bridge_;
    platform::Clock& clock_;
    CChipRegistry& registry_;
    ChipIniSettings& settings_;
    LogTarget* log_;
    std::unique_ptr<uint8_t[]> image_;
    uint32_t imageLength_ = 0;
    std::unique_ptr<uint8_t[]> config_;
    uint32_t configLength_ = 0;
    int64_t lastWriteTime_ = 0;
    std::string path_;
    bool loaded_ = false;
};
