#include "app/TouchFirmwareStep.h"

#include "platform/Path.h"
#include "platform/TextError.h"
#include "resources/LogTarget.h"
#include "resources/MessageIds.h"
#include "touch/ChipRegistry.h"
#include "touch/FamilyTraits.h"
#include "touch/UpdaterFactory.h"

namespace {}  // namespace

CTouchFirmwareStep::~CTouchFirmwareStep() = default;

void CTouchFirmwareStep::Log(const std::string& text, int kind) {
    if (context_.log) context_.log->AppendLog(text, kind);
}

void CTouchFirmwareStep::LogRes(unsigned id, int kind) {
    if (context_.log) context_.log->AppendLogRes(id, kind);
}

bool ChipAnswersAfterImage(CChipRegistry& registry) {
    std::lock_guard<std::recursive_mutex> guard(registry.Lock());
    if (UpgradeRulesOf(registry.CurrentFamily()).asksChipAfterImage) {
        return registry.IdentifyCurrentChip();
    }
    return registry.DetectChip();
}

std::string CTouchFirmwareStep::ImageIdentity() const {
    return updater_ ? updater_->GetFirmwareVersionText() : std::string();
}

CTouchFirmwareStep::Outcome CTouchFirmwareStep::Run(const std::string& touchPath,
                                                    const std::string& configPath) {
    CChipRegistry* registry = context_.registry;
    if (touchPath.empty() || !registry) {
        Pause(kNoDownloadPauseMs);
        return Outcome::Done;
    }
    const Outcome outcome = Download(touchPath, configPath);
    if (outcome == Outcome::RunEnds) return outcome;
    // The rule of the family current after the download.
    if (UpgradeRulesOf(registry->CurrentFamily()).redetectsAfterImage) {
        for (int i = 0; i < kRedetectTries && !ChipAnswersAfterImage(*registry); ++i) {
            Pause(kRedetectPauseMs);
        }
    }
    return outcome;
}

CTouchFirmwareStep::Outcome CTouchFirmwareStep::Download(const std::string& touchPath,
                                                         const std::string& configPath) {
    CChipRegistry& registry = *context_.registry;
    family_ = registry.CurrentFamily();
    if (family_ == kFamilyNone) family_ = registry.FamilyOfFile(platform::FileNameOf(touchPath));
    updater_ = CreateUpdater(
        family_, {*context_.bridge, clock_, registry, *context_.settings, context_.log});
    if (!updater_) {
        // Another family's sequence must never reach the chip.
        Log("No firmware download for this chip family", LogError);
        Pause(kNoDownloadPauseMs);
        return Outcome::RunEnds;
    }
    try {
        const bool travels = UpgradeRulesOf(registry.CurrentFamily()).configTravelsWithImage;
        if (!updater_->LoadFirmwareFile(touchPath, travels ? configPath : "")) {
            Pause(kNoDownloadPauseMs);
            return Outcome::RunEnds;
        }
    } catch (const platform::TextError& error) {
        Log(error.what(), LogError);
        return Outcome::RunEnds;
    }
    Outcome outcome = Outcome::Done;
    imageSent_ = true;
    if (updater_->Update()) {
        LogRes(msg::kTouchUpgradeFinished, LogInfo);
    } else {
        // A download that failed leaves the chip on old or partial firmware.
        outcome = Outcome::NotDone;
    }
    Pause(kAfterDownloadPauseMs);
    Pause(kAfterDownloadPauseMs);
    return outcome;
}
