#include "sim/gt9xxx/Gt9xxxConfigFiles.h"

#include <cstdio>
#include <vector>

namespace sim {

namespace {

std::string Record(const char* address, const char* name, int low, int high, int paraLow,
                   int paraHigh, int ctrlType, const std::vector<const char*>& choices = {}) {
    std::string t = std::string("NO.1\naddr,0x") + address + "\nname," + name + "\nexplain\n," +
                    name + "\ndataBitL," + std::to_string(low) + "\ndataBitH," +
                    std::to_string(high) + "\nparaBitL," + std::to_string(paraLow) + "\nparaBitH," +
                    std::to_string(paraHigh) + "\npage,Base\ngrp,Touch\nctrlType," +
                    std::to_string(ctrlType) + "\ncomb\n";
    for (const char* choice : choices) t += std::string(choice) + "\n";
    return t + "dataRange\n" + std::string(86, '-') + "\n";
}

}  // namespace

std::string Gt911UiItemText() {
    return Record("8047", "Config_Version", 0, 7, 65535, 65535, 6) +
           Record("8048", "X_Resolution", 0, 7, 0, 7, 6) +
           Record("8049", "X_Resolution", 0, 7, 8, 15, 6) +
           Record("804A", "Y_Resolution", 0, 7, 0, 7, 6) +
           Record("804B", "Y_Resolution", 0, 7, 8, 15, 6) +
           Record("804C", "Touch_Number", 0, 3, 65535, 65535, 6) +
           Record("804D", "INT_Trigger", 0, 1, 65535, 65535, 1,
                  {",0,Rising", ",1,Falling", ",2,Low", ",3,High"}) +
           Record("804D", "Module_Switch1", 0, 7, 65535, 65535, 7);
}

std::string StoredUiItemFile(const std::string& text) {
    std::string stored = "QUILL" + text;
    for (char& c : stored) c = static_cast<char>(static_cast<uint8_t>(c) + 1);
    return stored;
}

std::array<uint8_t, 24> DemoBridgeBlock() {
    std::array<uint8_t, 24> block{24, 0x21, 0x27, 0xC6, 0x01, 0x02, 1, 0, 0x0F, 0xA0, 0x09, 0x60};
    uint16_t sum = 0;
    for (size_t i = 0; i < 22; ++i) sum = static_cast<uint16_t>(sum + block[i]);
    block[22] = static_cast<uint8_t>(sum >> 8);
    block[23] = static_cast<uint8_t>(sum);
    return block;
}

std::string Gt9xxxCfgText(uint8_t version, size_t length, bool withBridgeBlock) {
    std::vector<uint8_t> values(length < 8 ? 8 : length);
    const uint8_t start[] = {version, 0x00, 0x04, 0x58, 0x02, 0x05, 0x0D};
    for (size_t i = 0; i < values.size(); ++i) {
        values[i] = i < sizeof(start) ? start[i] : static_cast<uint8_t>(i * 7 + 3);
    }
    uint8_t sum = 0;
    for (size_t i = 0; i + 2 < values.size(); ++i) sum = static_cast<uint8_t>(sum + values[i]);
    values[values.size() - 2] = static_cast<uint8_t>(-sum);
    values.back() = 1;
    if (withBridgeBlock) {
        const auto block = DemoBridgeBlock();
        values.insert(values.end(), block.begin(), block.end());
    }
    std::string text;
    char field[8];
    for (size_t i = 0; i < values.size(); ++i) {
        std::snprintf(field, sizeof(field), "0x%02X,", values[i]);
        text += field;
        if (i % 16 == 15) text += "\r\n";
    }
    return text;
}

}  // namespace sim
