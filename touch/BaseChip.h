#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "bridge/CommandRecord.h"
#include "bridge/RegisterAccess.h"
#include "platform/Clock.h"
#include "platform/MessageService.h"
#include "platform/ProgramFiles.h"
#include "touch/ChipFamily.h"
#include "touch/ChipIniSettings.h"

// What a chip object works with: the road to the bridge, the clock its pauses are spent on,
// the program's chip settings record and the files it is read from, and the registry's
// current family.
struct ChipContext {
    RegisterAccess& bridge;
    platform::Clock& clock;
    platform::MessageService& messages;  // a settings file that is missing or cannot be made
    ChipIniSettings& settings;
    platform::ProgramFiles files;  // the settings and UI item files
    std::function<ChipFamily()> currentFamily;
};

// One touch-controller family. The chip registry holds one object per family for the life
// of the device. A chip object knows the models of its family, identifies the connected
// chip, loads the per-chip settings, reads channel counts and resolution, and holds five
// command records: short register writes that put the chip into a working state.
//
class CBaseChip {
  public:
    explicit CBaseChip(const ChipContext& context)
        : Bridge(context.bridge),
          Settings(context.settings),
          Messages(context.messages),
          context_(context) {}
    virtual ~CBaseChip() = default;
    CBaseChip(const CBaseChip&) = delete;
    CBaseChip& operator=(const CBaseChip&) = delete;

    // Sends command record `index` (0 to 4) with bridge command 6, by the family's rules.
    // The base sends nothing and returns false.
    virtual bool SendCommand(int index);
    // Sends command record 0 with bridge command 7 (every family); the base returns false.
    virtual bool SendCommandAlt();
    // Empty text.
    virtual std::string GetDescription();
    // Asks the connected chip who it is; on success ChipName and ChipIdentity of the settings
    // name it. The base returns false.
    virtual bool IdentifyChip();
    // Loads the per-chip settings of ChipName into the settings.
    virtual void LoadChipIni();
    // Reads channel counts and resolution into the settings; true when they were stored. The
    // base reads the counts (ReadChannelCounts), clamps them to the maxima of the per-chip
    // settings and reads the resolution at "XmaxAddr"; it always stores.
    virtual bool ReadChannelInfo();
    // The text the version report shows as the configuration's version when the chip keeps a
    // version of its own; nullopt (the base): the report reads the configuration instead.
    virtual std::optional<std::string> OwnConfigVersionText() { return std::nullopt; }
    // Run once, in family order, when the registry is built (settings and command records
    // the family needs from the start). The base does nothing.
    virtual void Prepare() {}

    // True when the name equals one ModelList entry exactly (case and blanks count).
    bool IsChipInList(const std::string& name) const;

    std::array<CommandRecord, 5> Records{};  // zero-filled until InitCommandTable
    std::vector<std::string> ModelList;
    RegisterAccess& Bridge;
    ChipIniSettings& Settings;
    platform::MessageService& Messages;

  protected:
    using Rename = std::pair<const char*, const char*>;
    template <size_t N>
    static std::string ApplyRename(const std::string& name, const Rename (&table)[N]) {
        for (const Rename& entry : table) {
            if (name == entry.first) return entry.second;
        }
        return name;
    }

    // "GT" and the characters of up to `count` bytes, ending before the first zero byte.
    static std::string NameFromBytes(const uint8_t* bytes, size_t count);

    // Where a new ChipName came from: a listed model that identification named, or the
    // family's fallback name.
    enum class NameSource { ListedModel, Fallback };
    // Called when identification has just changed ChipName: reloads the settings the
    // family's way (and, for some families, refills the command records).
    virtual void OnChipNameChanged(NameSource source);

    // How an identification that names no listed model ends.
    struct Fallback {
        const char* name;       // ChipName then
        ChipFamily keepFamily;  // while the registry's family is this one, nothing changes
        bool identityToo;       // ChipIdentity takes the text read all the same
    };
    // The end of every identification. A listed name becomes ChipName (settings reloaded
    // when it changed) and `identity` ChipIdentity: true. Otherwise, unless the registry's
    // family is the fallback's keepFamily, ChipName becomes the fallback name: false.
    bool SettleIdentity(const std::string& name, const std::string& identity,
                        const Fallback& fallback);
    ChipFamily CurrentFamily() const { return context_.currentFamily(); }
    // The files the chip's settings are read from.
    const platform::ProgramFiles& Files() const { return context_.files; }

    // Reads the driver and sensor counts into the column and row counts of the settings; a
    // failed read keeps them. The base reads four bytes at "DrvNumAddr" with the sensor count
    // in the two nibbles of byte 2.
    virtual void ReadChannelCounts();
    // How byte 2 at "DrvNumAddr" holds the sensor count.
    enum class SensorByte { TwoNibbles, WholeByte };
    // Four bytes at "DrvNumAddr": drivers from the low five bits of bytes 0 and 1, sensors from
    // byte 2.
    void ReadDriverAddressCounts(SensorByte sensorByte);
    // An address key of section "Cfg": the characters after the first two, at most four, as
    // hexadecimal ("0x81CC" gives 0x81CC, "81CC" gives 0xCC).
    uint32_t CfgAddressKey(const char* key, const char* defaultText) const;

    // Sends record `index` with a bridge command (6 or 7).
    bool SendRecord(int index, BridgeCommand command) const;
    // Fills the records from a table of (address, length, data).
    void FillRecords(const CommandRecord (&table)[5]);

  private:
    ChipContext context_;
};
