#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "platform/Clock.h"
#include "platform/Event.h"

class CBridgeIsp;
class LogTarget;
class RegisterAccess;

// The digit shown after message 290 for the chip-type code a search found ("" for none).
std::string ChipTypeDigit(uint8_t code);

// The bridge firmware step of an upgrade run: loads and checks the image, makes sure the
// boot-mode driver is installed, names the bridge firmware, switches the bridge into its boot
// mode unless it is there already, checks the image against the chip type found, programs it,
// waits for the bridge to come back as a HID device and checks that it then reports the
// version the image's name carries. Every failure is logged and ends the run. An image that
// cannot be read, holds no data or fails its sums ends it before anything reaches the bridge;
// one that the chip type found refuses, or whose programming fails, ends the bridge's boot mode
// so that it comes back on the firmware it holds.
class CBridgeFirmwareStep {
  public:
    struct Context {
        RegisterAccess* bridge = nullptr;  // nullptr when there is no bridge device
        CBridgeIsp* isp = nullptr;
        platform::ManualResetEvent* hidArrived = nullptr;  // set when the bridge arrives as HID
        platform::ManualResetEvent* ispArrived = nullptr;  // set when it arrives in boot mode
        LogTarget* log = nullptr;
        std::function<bool()> installDriver;
        // The firmware name of the bridge that answers (empty when none does).
        std::function<std::string()> firmwareName;
        // A boot-mode programming library is present. Without one the step refuses at once:
        // no driver installation, and the bridge is not sent into a boot mode that nothing
        // could program it from.
        bool programmingAvailable = true;
    };

    static constexpr uint32_t kPauseBeforeBootModeMs = 50;
    static constexpr uint32_t kBootModeArrivalMs = 10000;
    static constexpr uint32_t kReturnAsHidMs = 8000;

    // The step's pauses and waits are spent on the clock.
    CBridgeFirmwareStep(Context context, platform::Clock& clock)
        : context_(std::move(context)), clock_(clock) {}

    // True when the bridge came back running the image (message 294 logged); false ends the
    // run.
    bool Run(const std::string& bridgeFilePath);

  private:
    void Log(const std::string& text, int kind);
    void LogRes(unsigned id, int kind);
    bool EnterBootMode();
    // Loads the image; a refusal is logged.
    bool LoadImage(const std::string& bridgeFilePath);
    // Checks the image against the chip type found and writes it.
    bool ProgramImage();
    // Waits for the bridge to come back from its boot mode as a HID device; logs when it does
    // not.
    bool WaitForReturn();

    Context context_;
    platform::Clock& clock_;
};
