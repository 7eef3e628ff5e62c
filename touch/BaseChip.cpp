#include "touch/BaseChip.h"

#include <algorithm>

#include "platform/CodePage.h"
#include "touch/ChipIniReader.h"
#include "touch/TextConvert.h"

bool CBaseChip::SendCommand(int) { return false; }

bool CBaseChip::SendCommandAlt() { return false; }

std::string CBaseChip::GetDescription() { return {}; }

bool CBaseChip::IdentifyChip() { return false; }

void CBaseChip::LoadChipIni() {
    chipini::ReadGtSettings(
        Files(), Settings, Messages,
        {chipini::kCreateFailedZh, "30", "42", "0x8047", chipini::kUiFileMissingZh});
}

uint32_t CBaseChip::CfgAddressKey(const char* key, const char* defaultText) const {
    const std::string text = chipini::Text(Files(), Settings, "Cfg", key, defaultText);
    return HexTextToValue(text.size() < 2 ? std::string() : text.substr(2, 4));
}

void CBaseChip::ReadChannelCounts() { ReadDriverAddressCounts(SensorByte::TwoNibbles); }

void CBaseChip::ReadDriverAddressCounts(SensorByte sensorByte) {
    ChipIniSettings& s = Settings;
    uint8_t b[4] = {};
    if (!Bridge.ReadRegs(CfgAddressKey("DrvNumAddr", "0x8062"), b, 4, 100)) return;
    s.RawDataCols = s.DiffDataCols = (b[0] & 0x1F) + (b[1] & 0x1F);
    s.RawDataRows = s.DiffDataRows =
        sensorByte == SensorByte::WholeByte ? b[2] : (b[2] >> 4) + (b[2] & 0x0F);
}

bool CBaseChip::ReadChannelInfo() {
    ChipIniSettings& s = Settings;
    const int32_t senMax = chipini::Int(Files(), s, "Channel", "SenMaxNum", 0);
    const int32_t drvMax = chipini::Int(Files(), s, "Channel", "DrvMaxNum", 0);
    ReadChannelCounts();
    if (s.RawDataCols == 0 || s.RawDataCols > drvMax) s.RawDataCols = s.DiffDataCols = drvMax;
    if (s.RawDataRows == 0 || s.RawDataRows > senMax) s.RawDataRows = s.DiffDataRows = senMax;
    uint8_t b[4] = {};
    if (Bridge.ReadRegs(CfgAddressKey("XmaxAddr", "0x8048"), b, 4, 100)) {
        const int32_t x = b[0] | (b[1] << 8);
        const int32_t y = b[2] | (b[3] << 8);
        s.XResolution = x ? x : 4096;
        s.YResolution = y ? y : 4096;
    }
    return true;
}

bool CBaseChip::IsChipInList(const std::string& name) const {
    return std::find(ModelList.begin(), ModelList.end(), name) != ModelList.end();
}

std::string CBaseChip::NameFromBytes(const uint8_t* bytes, size_t count) {
    std::string chars;
    for (size_t i = 0; i < count && bytes[i] != 0; ++i)
        chars.push_back(static_cast<char>(bytes[i]));
    return "GT" + platform::Latin1ToUtf8(chars);
}

void CBaseChip::OnChipNameChanged(NameSource) { LoadChipIni(); }

bool CBaseChip::SettleIdentity(const std::string& name, const std::string& identity,
                               const Fallback& fallback) {
    ChipIniSettings& s = Settings;
    if (IsChipInList(name)) {
        if (name != s.ChipName) {
            s.ChipName = name;
            OnChipNameChanged(NameSource::ListedModel);
        }
        if (s.ChipIdentity != identity) s.ChipIdentity = identity;
        return true;
    }
    if (fallback.keepFamily != kFamilyNone && CurrentFamily() == fallback.keepFamily) return false;
    if (s.ChipName != fallback.name) {
        s.ChipName = fallback.name;
        OnChipNameChanged(NameSource::Fallback);
    }
    if (fallback.identityToo) s.ChipIdentity = identity;
    return false;
}

bool CBaseChip::SendRecord(int index, BridgeCommand command) const {
    if (index < 0 || index >= static_cast<int>(Records.size())) return false;
    return Bridge.SendCommandRecord(Records[static_cast<size_t>(index)], command);
}

void CBaseChip::FillRecords(const CommandRecord (&table)[5]) {
    std::copy(std::begin(table), std::end(table), Records.begin());
}
