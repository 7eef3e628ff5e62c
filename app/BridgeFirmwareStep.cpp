#include "app/BridgeFirmwareStep.h"

#include "bridge/RegisterAccess.h"
#include "bridgefw/BridgeFirmwareName.h"
#include "bridgefw/BridgeIsp.h"
#include "platform/Clock.h"
#include "platform/TextError.h"
#include "resources/LogTarget.h"
#include "resources/MessageTable.h"

namespace {

enum Message : unsigned {
    kDetectDevice = 286,
    kUsbConnectError = 287,
    kEntryUpgradeModeFailed = 288,
    kNoDevicesFound = 289,
    kDetectedDevice = 290,
    kFirmwareDoesNotMatch = 291,
    kBeginUpgradeBin = 292,
    kUpgradeFailed = 293,
    kUpgradeFinish = 294,
};

}  // namespace

std::string ChipTypeDigit(uint8_t code) {
    switch (code) {
        case 0x51:
        case 0x71:
            return "1";
        case 0x52:
            return "2";
        case 0x54:
            return "4";
        case 0x73:
            return "3";
        case 0x78:
            return "8";
        case 0x79:
            return "9";
        default:
            return "";
    }
}

void CBridgeFirmwareStep::Log(const std::string& text, int kind) {
    if (context_.log) context_.log->AppendLog(text, kind);
}

void CBridgeFirmwareStep::LogRes(unsigned id, int kind) {
    if (context_.log) context_.log->AppendLogRes(id, kind);
}

bool CBridgeFirmwareStep::Run(const std::string& bridgeFilePath) {
    CBridgeIsp& isp = *context_.isp;
    if (!context_.programmingAvailable) {
        // Nothing could program the bridge in its boot mode: no driver is installed for it and
        // the bridge is not switched.
        Log("[Halden]Programming the bridge in its boot mode is not available on this platform",
            LogError);
        return false;
    }
    // The image is read and checked before anything else: one that cannot be programmed
    // anywhere never sends the bridge into its boot mode. The check against the chip type waits
    // for the device, and the image loaded here is the one programmed then.
    if (!LoadImage(bridgeFilePath)) return false;
    if (context_.installDriver && !context_.installDriver()) return false;
    LogRes(kDetectDevice, LogBusy);
    isp.SetFirmwareName(context_.firmwareName ? context_.firmwareName() : std::string());
    if (!isp.FindDevice() && !EnterBootMode()) return false;

    const std::string digit = ChipTypeDigit(isp.ChipTypeCode());
    if (digit.empty()) {
        LogRes(kDetectedDevice, LogInfo);
    } else {
        Log(resources::LoadMessageText(kDetectedDevice) + digit, LogInfo);
    }
    context_.ispArrived->Reset();
    context_.hidArrived->Reset();
    if (!ProgramImage()) {
        // A refusal in boot mode does not leave the bridge there: programming ends, and the
        // bridge comes back on the firmware it holds.
        isp.EndProgramming();
        WaitForReturn();
        return false;
    }
    if (!WaitForReturn()) return false;
    // The bridge that answers now must run the image.
    const std::string mismatch = FirmwareMismatch(
        context_.firmwareName ? context_.firmwareName() : std::string(), bridgeFilePath);
    if (!mismatch.empty()) {
        Log(mismatch, LogError);
        return false;
    }
    LogRes(kUpgradeFinish, LogInfo);
    return true;
}

bool CBridgeFirmwareStep::WaitForReturn() {
    // Only the bridge's return as a HID device counts; its return in boot mode fails at once.
    if (platform::WaitForAny(clock_, {context_.hidArrived, context_.ispArrived}, kReturnAsHidMs) ==
        0)
        return true;
    LogRes(kUpgradeFailed, LogError);
    return false;
}

bool CBridgeFirmwareStep::EnterBootMode() {
    // An arrival from before the switch does not count.
    context_.ispArrived->Reset();
    clock_.SleepMs(kPauseBeforeBootModeMs);
    if (!context_.bridge || !context_.bridge->SendBridgeCommand(kCmdEnterBootMode)) {
        LogRes(kUsbConnectError, LogError);
        return false;
    }
    if (!context_.ispArrived->WaitFor(clock_, kBootModeArrivalMs)) {
        LogRes(kEntryUpgradeModeFailed, LogError);
        return false;
    }
    if (!context_.isp->FindDevice()) {
        LogRes(kNoDevicesFound, LogError);
        return false;
    }
    return true;
}

bool CBridgeFirmwareStep::LoadImage(const std::string& bridgeFilePath) {
    try {
        if (context_.isp->LoadImage(bridgeFilePath)) return true;
        LogRes(kUpgradeFailed, LogError);
    } catch (const platform::TextError& error) {
        Log(error.what(), LogError);
    }
    return false;
}

bool CBridgeFirmwareStep::ProgramImage() {
    CBridgeIsp& isp = *context_.isp;
    if (!isp.ReadMcuType()) {
        LogRes(kFirmwareDoesNotMatch, LogError);
        return false;
    }
    LogRes(kBeginUpgradeBin, LogBusy);
    if (!isp.Program()) {
        LogRes(kUpgradeFailed, LogError);
        return false;
    }
    return true;
}
