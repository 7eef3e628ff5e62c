#include "app/ConfigStep.h"

#include "platform/Clock.h"
#include "platform/Format.h"
#include "platform/TextError.h"
#include "resources/LogTarget.h"
#include "resources/MessageIds.h"
#include "resources/MessageTable.h"
#include "touch/BaseChip.h"
#include "touch/FamilyTraits.h"

namespace {

constexpr const char* kVersionKey = "Config_Version";

// A message text with its "%d" replaced by a number.
std::string WithNumber(std::string text, int number) {
    const size_t at = text.find("%d");
    if (at != std::string::npos) text.replace(at, 2, std::to_string(number));
    return text;
}

}  // namespace

void CConfigStep::Log(const std::string& text, int kind) {
    if (context_.log) context_.log->AppendLog(text, kind);
}

void CConfigStep::LogRes(unsigned id, int kind) {
    if (context_.log) context_.log->AppendLogRes(id, kind);
}

ChipFamily CConfigStep::Family() const {
    return context_.config.currentFamily ? context_.config.currentFamily() : kFamilyNone;
}

void CConfigStep::SendCommandAlt() {
    CBaseChip* chip = context_.config.currentChip ? context_.config.currentChip() : nullptr;
    if (chip) chip->SendCommandAlt();
}

void CConfigStep::MakeUpgrader() {
    upgrader_ = std::make_unique<CConfigUpgrader>(context_.config, context_.familyOfFile,
                                                  context_.createConfig);
}

CConfigStep::Outcome CConfigStep::Run(const std::string& configPath, bool afterTouchImage) {
    const ConfigStepKind kind = UpgradeRulesOf(Family()).configStep;
    if (kind == ConfigStepKind::None) {
        // The file reaches neither the chip nor the bridge: the unit would go on without the
        // configuration it was meant to get, so the run cannot succeed.
        const FamilyTraits* traits = TraitsOf(Family());
        Log(std::string("[Config]This program does not write the configuration of ") +
                (traits ? traits->name : "this") + " chips",
            LogError);
        return Outcome::NotVerified;
    }
    const bool verifyOnly = kind == ConfigStepKind::VerifyOnlyAfterImage;
    try {
        if (verifyOnly && afterTouchImage) {
            WriteBridgeBlockOfCarried(configPath);
        } else if (!Write(configPath)) {
            return loadFailed_ ? Outcome::NotVerified : Outcome::RunEnds;
        }
    } catch (const platform::TextError&) {
        // Only the writes' own failures reach here: they are shown as message 328.
        LogRes(msg::kConfigUpgradeFailed, LogError);
        return Outcome::RunEnds;
    }
    return VerifyStep();
}

void CConfigStep::WriteBridgeBlockOfCarried(const std::string& configPath) {
    MakeUpgrader();
    try {
        if (!upgrader_->LoadFileCarriedByImage(configPath)) {
            loadError_ = "[Config]" + upgrader_->ItemsError();
            return;
        }
    } catch (const platform::TextError& error) {
        loadError_ = error.what();
        return;
    }
    upgrader_->WriteBridgeBlock();
}

bool CConfigStep::Write(const std::string& configPath) {
    for (int i = 0; i < kDetectTries && !(context_.detectChip && context_.detectChip()); ++i) {
        context_.config.clock.SleepMs(kDetectPauseMs);
    }
    MakeUpgrader();
    try {
        if (!upgrader_->LoadFile(configPath)) {
            // Nothing was loaded, so nothing is written, and the run cannot succeed.
            Log("[Config]" + upgrader_->ItemsError(), LogError);
            loadFailed_ = true;
            return false;
        }
    } catch (const platform::TextError& error) {
        Log(error.what(), LogError);
        return false;
    }
    LogRes(msg::kConfigUpgradeBegin, LogBusy);
    SendCommandAlt();
    upgrader_->WriteToDevice();
    return true;
}

CConfigStep::Outcome CConfigStep::VerifyStep() {
    LogRes(msg::kConfigVerifying, LogBusy);
    SendCommandAlt();
    std::string loadError = loadError_;
    bool ok = false;
    if (loadError.empty()) {
        try {
            ok = upgrader_->Verify();
        } catch (const platform::TextError& error) {
            loadError = error.what();
        }
    }
    const UpgradeRules rules = UpgradeRulesOf(Family());
    if (!rules.verifyResultShowsVersion) {
        if (ok) {
            Log("# Success", LogSuccess);
            return Outcome::Verified;
        }
        LogRes(msg::kConfigVerifyFailed, LogError);
        if (!loadError.empty()) Log(loadError, LogError);
        return Outcome::NotVerified;
    }
    CBaseConfig* config = upgrader_->GetConfig();
    if (ok && config) {
        Log(platform::Format("Config_%d Upgrade ", config->GetVersion()), LogBusy);
        Log("# Success", LogSuccess);
        return Outcome::Verified;
    }
    if (rules.retriesVerifyAtVersionZero) {
        int version = 0;
        if (RetryWithVersionZero(version)) {
            Log(WithNumber(resources::LoadMessageText(msg::kConfigVerifyPassed), version),
                LogSuccess);
            return Outcome::Verified;
        }
    }
    Log("# failed", LogError);
    return Outcome::NotVerified;
}

bool CConfigStep::RetryWithVersionZero(int& version) {
    CBaseConfig* config = upgrader_->GetConfig();
    if (!config) return false;
    try {
        config->GetItemValue(kVersionKey, version);
        config->SetItemValue(kVersionKey, 0);
        upgrader_->WriteToDevice();
        context_.config.clock.SleepMs(kVersionZeroPauseMs);
        config->SetItemValue(kVersionKey, version);
        upgrader_->WriteToDevice();
        return upgrader_->Verify();
    } catch (const platform::TextError&) {
        return false;
    }
}
