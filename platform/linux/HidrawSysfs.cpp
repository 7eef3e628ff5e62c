#include "platform/linux/HidrawSysfs.h"

#include <cctype>
#include <fstream>
#include <iterator>
#include <system_error>
#include <vector>

#include "platform/Format.h"
#include "platform/linux/HidReportDescriptor.h"

namespace platform {

namespace {

// The kernel's limit on a report descriptor.
constexpr size_t kMaxDescriptorSize = 4096;
// Attribute files are short; anything longer is not what we look for.
constexpr size_t kMaxAttributeSize = 4096;

std::optional<std::string> ReadFile(const std::filesystem::path& file, size_t limit) {
    std::ifstream in(file, std::ios::binary);
    if (!in) return std::nullopt;
    std::string text(limit + 1, '\0');
    in.read(text.data(), static_cast<std::streamsize>(text.size()));
    if (in.bad()) return std::nullopt;
    const size_t got = static_cast<size_t>(in.gcount());
    if (got > limit) return std::nullopt;
    text.resize(got);
    return text;
}

std::optional<uint16_t> ReadHexAttribute(const std::filesystem::path& file) {
    const auto text = ReadFile(file, kMaxAttributeSize);
    if (!text) return std::nullopt;
    return ParseHexAttribute(*text);
}

std::string_view Trim(std::string_view text) {
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front())))
        text.remove_prefix(1);
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back())))
        text.remove_suffix(1);
    return text;
}

// 1 to maxDigits hexadecimal digits, nothing else.
std::optional<uint32_t> ParseHexDigits(std::string_view text, size_t maxDigits) {
    if (text.empty() || text.size() > maxDigits) return std::nullopt;
    uint32_t value = 0;
    for (const char c : text) {
        if (!std::isxdigit(static_cast<unsigned char>(c))) return std::nullopt;
        const uint32_t digit = std::isdigit(static_cast<unsigned char>(c))
                                   ? static_cast<uint32_t>(c - '0')
                                   : static_cast<uint32_t>(std::tolower(c) - 'a' + 10);
        value = value * 16 + digit;
    }
    return value;
}

}  // namespace

std::string HidrawInterfaceName(const std::string& devnode, uint16_t vendorId, uint16_t productId,
                                int interfaceNumber) {
    std::string name = devnode + Format("#VID_%04X&PID_%04X", vendorId, productId);
    if (interfaceNumber >= 0 && interfaceNumber <= 0xFF)
        name += Format("&MI_%02X", static_cast<unsigned>(interfaceNumber));
    return name;
}

std::string HidrawNodeOfName(const std::string& name) { return name.substr(0, name.find('#')); }

std::optional<uint16_t> ParseHexAttribute(std::string_view text) {
    const auto value = ParseHexDigits(Trim(text), 4);
    if (!value) return std::nullopt;
    return static_cast<uint16_t>(*value);
}

std::optional<HidId> ParseHidId(std::string_view uevent) {
    constexpr std::string_view kKey = "HID_ID=";
    while (!uevent.empty()) {
        const size_t end = uevent.find('\n');
        std::string_view line = uevent.substr(0, end);
        uevent = end == std::string_view::npos ? std::string_view{} : uevent.substr(end + 1);
        if (line.substr(0, kKey.size()) != kKey) continue;
        line = Trim(line.substr(kKey.size()));
        const size_t first = line.find(':');
        const size_t second = first == std::string_view::npos ? first : line.find(':', first + 1);
        if (second == std::string_view::npos) return std::nullopt;
        const auto bus = ParseHexDigits(line.substr(0, first), 8);
        const auto vendor = ParseHexDigits(line.substr(first + 1, second - first - 1), 8);
        const auto product = ParseHexDigits(line.substr(second + 1), 8);
        if (!bus || !vendor || !product || *bus > 0xFFFF || *vendor > 0xFFFF || *product > 0xFFFF)
            return std::nullopt;
        return HidId{static_cast<uint16_t>(*bus), static_cast<uint16_t>(*vendor),
                     static_cast<uint16_t>(*product)};
    }
    return std::nullopt;
}

bool ReadHidrawNode(const std::filesystem::path& syspath, const std::string& devnode,
                    HidrawNode& node) {
    std::error_code error;
    const std::filesystem::path hidDevice = std::filesystem::canonical(syspath / "device", error);
    if (error) return false;
    const auto uevent = ReadFile(hidDevice / "uevent", kMaxAttributeSize);
    if (!uevent) return false;
    const auto id = ParseHidId(*uevent);
    if (!id) return false;

    HidInterfaceInfo info;
    info.vendorId = id->vendorId;
    info.productId = id->productId;
    info.interfaceNumber = -1;
    if (id->bus == kBusUsb) {
        const std::filesystem::path usbInterface = hidDevice.parent_path();
        const std::filesystem::path usbDevice = usbInterface.parent_path();
        const auto number = ReadHexAttribute(usbInterface / "bInterfaceNumber");
        const auto vendor = ReadHexAttribute(usbDevice / "idVendor");
        const auto product = ReadHexAttribute(usbDevice / "idProduct");
        const auto version = ReadHexAttribute(usbDevice / "bcdDevice");
        if (!number || *number > 0xFF || !vendor || !product || !version) return false;
        info.vendorId = *vendor;
        info.productId = *product;
        info.versionNumber = *version;
        info.interfaceNumber = *number;
        info.port = usbDevice.filename().string();
    }
    info.path = HidrawInterfaceName(devnode, info.vendorId, info.productId, info.interfaceNumber);

    // A descriptor that cannot be read or parsed leaves the lengths 0: the interface is listed
    // but no caller takes it for report I/O.
    bool numbered = false;
    if (const auto descriptor = ReadFile(hidDevice / "report_descriptor", kMaxDescriptorSize)) {
        const HidReportLayout layout = ParseReportDescriptor(
            reinterpret_cast<const uint8_t*>(descriptor->data()), descriptor->size());
        info.inputReportLength = layout.inputReportLength;
        info.outputReportLength = layout.outputReportLength;
        numbered = layout.numberedReports;
    }
    node.info = std::move(info);
    node.numberedReports = numbered;
    return true;
}

bool HidrawNodeBefore(const std::string& a, const std::string& b) {
    const auto split = [](const std::string& s) {
        size_t digits = s.size();
        while (digits > 0 && std::isdigit(static_cast<unsigned char>(s[digits - 1]))) --digits;
        return digits;
    };
    const size_t da = split(a);
    const size_t db = split(b);
    const std::string_view stemA(a.data(), da);
    const std::string_view stemB(b.data(), db);
    if (stemA != stemB) return stemA < stemB;
    // Equal stems: compare the numbers by length first, then by digits (no overflow).
    std::string_view numA(a.data() + da, a.size() - da);
    std::string_view numB(b.data() + db, b.size() - db);
    while (numA.size() > 1 && numA.front() == '0') numA.remove_prefix(1);
    while (numB.size() > 1 && numB.front() == '0') numB.remove_prefix(1);
    if (numA.size() != numB.size()) return numA.size() < numB.size();
    if (numA != numB) return numA < numB;
    return a < b;
}

}  // namespace platform
