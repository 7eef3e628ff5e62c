#pragma once

#include <functional>
#include <string>

class CChipRegistry;
class CTouchFirmwareStep;
class LogTarget;
struct ChipIniSettings;

// The summary step of an upgrade run: whether the bridge runs the version that the name of the
// image the run applied carries, and for a touch image, whether the chip answers and, where the
// family's row asks for it, whether it shows the image's identity. Both are logged, whatever
// the other gives.
class CSummaryStep {
  public:
    struct Context {
        CChipRegistry* registry = nullptr;  // nullptr when there is no bridge device
        ChipIniSettings* settings = nullptr;
        LogTarget* log = nullptr;
        std::function<std::string()> bridgeFirmwareName;
        std::string bridgeFilePath;  // the bridge image the run applied
    };

    explicit CSummaryStep(Context context) : context_(std::move(context)) {}

    // False when the bridge reports another version than its image's name, or the chip does not
    // answer after its image or shows another identity than the image's: the run ends "Upgrade
    // failed".
    bool Run(bool bridgeApplied, bool touchApplied, const CTouchFirmwareStep& touch);

  private:
    // Each logs its line and says whether the device runs its image.
    bool BridgeRunsImage();
    bool TouchRunsImage(bool touchApplied, const CTouchFirmwareStep& touch);
    void Log(const std::string& text, int kind);

    Context context_;
};
