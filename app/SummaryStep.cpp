#include "app/SummaryStep.h"

#include "app/TouchFirmwareStep.h"
#include "bridgefw/BridgeFirmwareName.h"
#include "resources/LogTarget.h"
#include "resources/MessageIds.h"
#include "resources/MessageTable.h"
#include "touch/ChipIniSettings.h"
#include "touch/ChipRegistry.h"
#include "touch/FamilyTraits.h"
#include "touch/FirmwareIdentity.h"

void CSummaryStep::Log(const std::string& text, int kind) {
    if (context_.log) context_.log->AppendLog(text, kind);
}

bool CSummaryStep::Run(bool bridgeApplied, bool touchApplied, const CTouchFirmwareStep& touch) {
    const bool bridgeRunsImage = !bridgeApplied || BridgeRunsImage();
    const bool touchRunsImage = TouchRunsImage(touchApplied, touch);
    return bridgeRunsImage && touchRunsImage;
}

bool CSummaryStep::BridgeRunsImage() {
    const std::string name = context_.bridgeFirmwareName();
    const std::string mismatch = FirmwareMismatch(name, context_.bridgeFilePath);
    if (!mismatch.empty()) {
        Log(mismatch, LogError);
        return false;
    }
    Log(name + " Upgrade", LogBusy);
    Log("# Success", LogSuccess);
    return true;
}

bool CSummaryStep::TouchRunsImage(bool touchApplied, const CTouchFirmwareStep& touch) {
    if (!touchApplied) return true;
    CChipRegistry* registry = context_.registry;
    if (!registry || !ChipAnswersAfterImage(*registry)) {
        if (context_.log) context_.log->AppendLogRes(msg::kI2cDisconnected, LogError);
        return false;
    }
    if (!UpgradeRulesOf(registry->CurrentFamily()).comparesIdentityAfterImage) return true;
    const std::string image = touch.ImageIdentity();
    const std::string identity = context_.settings->ChipIdentity;
    if (SameFirmwareIdentity(touch.Family(), image, identity)) {
        Log(identity + " Upgrade", LogBusy);
        Log("# Success", LogSuccess);
        return true;
    }
    Log(resources::LoadMessageText(msg::kVersionCurrentIs) + identity +
            resources::LoadMessageText(msg::kVersionFileIs) + image +
            resources::LoadMessageText(msg::kVersionDifference),
        LogError);
    return false;
}
