#include "resources/MessageTable.h"

#include <algorithm>
#include <iterator>

namespace resources {

namespace {

struct MessageEntry {
    unsigned id;
    const char* chinese;  // language 2052
    const char* english;  // language 1033; null where the table has only the Chinese text
};

// Sorted by id. Several texts end in a blank that belongs to the text.
constexpr MessageEntry kMessages[] = {
    {101, "关于 Quillon(&A)...", nullptr},
    {272, "IIC已断开", "IIC disconnected"},
    {286, "[Halden]检测设备", "[Halden]Detect device"},
    {287, "[Halden]USB 连接异常", "[Halden]USB connect error"},
    {288, "[Halden]进入升级模式失败", "[Halden]Entry upgrade mode failed"},
    {289, "[Halden]没有检测到设备", "[Halden]No devices found"},
    {290, "[Halden]检测到设备", "[Halden]Detected device"},
    {291, "[Halden]固件与芯片型号不匹配，请重新导入",
     "[Halden]The firmware does not match the chip type"},
    {292, "[Halden]开始烧录固件", "[Halden]Begin upgrade bin"},
    {293, "[Halden]烧录失败,请重新烧录", "[Halden]Upgrade failed,please do it again"},
    {294, "[Halden]烧录完成", "[Halden]Upgrade finish"},
    {297, "[GTxxxx]升级完成", "[GTxxxx]Upgrade finish"},
    {298, "[Config]烧录配置", "[Config]Upgrade begin"},
    {303, "当前触控固件版本号为", "The current touch firmware version number is"},
    {304, ",固件文件版本号为", ", firmware file version number is"},
    {305, ",版本有差异，升级失败", ", version difference, upgrade failed"},
    {306, "校验配置", "[Config]Verification configuration"},
    {307, "Config_%d校验通过", "Config_%d Verification passed"},
    {308, "配置校验失败", "Config verification failed"},
    {325, "[GTxxxx]升级失败", "[GTxxxx]Upgrade failed"},
    {328, "[Config]升级失败", "[Config]Upgrade failed"},
    {351, "升级配置失败！请检查USB或I2C连接是否正常",
     "Upgrade configuration failed! Please check whether the USB or I2C connection is normal"},
    {352, "[GTxxxx]下载SS51固件", "[GTxxxx]Download SS51"},
    {353, "[GTxxxx]下载SS51固件失败", "[GTxxxx]Download SS51 FAILED"},
    {354, "[GTxxxx]下载DSP固件", "[GTxxxx]Download DSP"},
    {355, "[GTxxxx]下载DSP固件失败", "[GTxxxx]Download DSP FAILED"},
    {356, "[GTxxxx]下载glink固件", "[GTxxxx]Download glink "},
    {357, "[GTxxxx]下载glink固件失败", "[GTxxxx]Download glink FAILED"},
    {358, "[GTxxxx]下载Bootlaoder固件", "[GTxxxx]Dlowload booloader "},
    {359, "[GTxxxx]下载Bootlaoder固件失败", "[GTxxxx]Dlowload booloader FAILED"},
    {360, "[GTxxxx]下载Bootisp固件", "[GTxxxx]Download bootisp"},
    {361, "[GTxxxx]下载Bootisp固件失败", "[GTxxxx]Download bootisp FAILED"},
    {362, "[GTxxxx]烧录初始化", "[GTxxxx]Upgrade init"},
    {363, "[GTxxxx]下载ISP", "[GTxxxx]Download ISP"},
    {364, "[GTxxxx]下载ISP失败", "[GTxxxx]Download ISP FAILED"},
    {365, "[GTxxxx]擦除Bootloader", "[GTxxxx]Eraser Bootloader"},
    {366, "[GTxxxx]擦除Bootloader失败", "[GTxxxx]Eraser bootloader FAILED"},
    {367, "[GTxxxx]烧录初始化失败", "[GTxxxx]Upgrade init FAILED"},
    {368, "[GTxxxx]下载 Gm11 code", "[GTxxxx]Download Gm11 code"},
    {369, "[GTxxxx]下载 G1 code", "[GTxxxx]Download G1 code"},
    {370, "[GTxxxx]下载 Gm11 code 失败", "[GTxxxx]Download Gm11 code FAILED"},
    {371, "[GTxxxx]下载 G1 code 失败", "[GTxxxx]Download G1 code FAILED"},
    {400, "读取配置出错！请检查USB或I2C连接是否正常",
     "Error reading configuration! Please check whether the USB or I2C connection is normal"},
    {413, "[GTxxxx]升级固件", "[GTxxxx]Download bin file"},
    {414, "[GTxxxx]升级固件失败", "[GTxxxx]Download bin file FAILED!"},
    {415, "[GTxxxx]复位芯片失败", "[GTxxxx]Reset chip FAILED!"},
    {416, "[GTxxxx]复位芯片", "[GTxxxx]Reset chip"},
    {422, "[GTxxxx]触控固件文件异常", "Touch bin file error!"},
    {459, "校验和不准确，请联系技术支持", "Bin file check sum error,please contact FAE"},
    {460, "[GTxxxx]升级配置", "[GTxxxx]Upgrade config"},
    {461, "[GTxxxx]升级配置失败", "[GTxxxx]Upgrade config failed"},
};

constexpr bool IsSortedById() {
    for (size_t i = 1; i < std::size(kMessages); ++i) {
        if (kMessages[i - 1].id >= kMessages[i].id) return false;
    }
    return true;
}
static_assert(IsSortedById(), "the message table must stay sorted by id");

const MessageEntry* FindEntry(unsigned id) {
    const auto it =
        std::lower_bound(std::begin(kMessages), std::end(kMessages), id,
                         [](const MessageEntry& e, unsigned key) { return e.id < key; });
    return it != std::end(kMessages) && it->id == id ? &*it : nullptr;
}

}  // namespace

std::string LoadMessageText(unsigned id, LangId language) {
    const MessageEntry* entry = FindEntry(id);
    if (entry == nullptr) return {};
    const char* first = IsChinese(language) ? entry->chinese : entry->english;
    const char* other = IsChinese(language) ? entry->english : entry->chinese;
    const char* text = first != nullptr ? first : other;
    return text != nullptr ? text : "";
}

std::string LoadMessageText(unsigned id) { return LoadMessageText(id, GetThreadUiLanguage()); }

std::string FillNumber(const std::string& text, long long value) {
    const std::string digits = std::to_string(value);
    std::string out;
    out.reserve(text.size() + digits.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text.compare(i, 2, "%d") == 0) {
            out += digits;
            ++i;
        } else {
            out += text[i];
        }
    }
    return out;
}

}  // namespace resources
