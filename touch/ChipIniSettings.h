#pragma once

#include <cstdint>
#include <string>
#include <vector>

// The values of the current chip model: its register map and limits from the per-chip
// settings file, and what identification and the channel read learnt from the chip. The
// program keeps one record, owned by whoever builds the registry, and hands it to the chips,
// configurations and updaters; it has no lock (its writers do not overlap in practice).
struct ChipIniSettings {
    std::string ChipIniPath;  // per-chip settings file in use (a path text, ".\System\ChipIni\...")
    // The file a reader made when no settings file matched: never read, so every value read
    // from it is the default (a file of that name that existed is kept, not emptied).
    std::string CreatedChipIniPath;
    std::string ChipName = "GT9110H";
    std::string ChipIdentity;  // ChipName and firmware version text; FT5xxx: the chip's own text
    std::string ScFilePath;    // UI item file
    int32_t CFGAddr = 0;
    int32_t CfgLength = 0;
    int32_t ExtCfgAddr = 0;
    int32_t ExtCfgLength = 0;  // 0: no extended block
    int32_t SynFlagAddr = 0;
    int32_t DrvStartAddr = 0;
    int32_t SenStartAddr = 0;
    int32_t DrvMaxNum = 0;
    int32_t SenMaxNum = 0;
    int32_t DrvHalfNumber = 0;
    int32_t SenHalfNumber = 0;
    int32_t RawDataRows = 0;
    int32_t DiffDataRows = 0;
    int32_t RawDataCols = 0;
    int32_t DiffDataCols = 0;
    std::vector<int32_t> DrvMap;
    std::vector<int32_t> SenMap;
    uint32_t RealTimeCmdAddr = 0x10174;
    int32_t XResolution = 0;
    int32_t YResolution = 0;
};

// Files of the settings, as path texts resolved against the program's folder.
inline constexpr const char* kAppConfigIni = ".\\System\\AppConfigInit.ini";
inline constexpr const char* kChipIniFolder = ".\\System\\ChipIni\\";
inline constexpr const char* kCfgItemFolder = ".\\System\\CfgItem\\";
