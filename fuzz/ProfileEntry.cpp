#include "fuzz/FuzzEntries.h"
#include "fuzz/FuzzSupport.h"
#include "platform/Profile.h"

namespace fuzz {

namespace {

// Large enough that no value read here is cut.
constexpr size_t kWholeValue = size_t{1} << 20;
constexpr const char* kMissing = "\x01missing";

// What a read gives for a written value: trimmed of blanks, then without matching quotes.
std::string AsRead(const std::string& value) {
    const char* blanks = " \t\r\v\f\x1a";
    const size_t begin = value.find_first_not_of(blanks);
    if (begin == std::string::npos) return "";
    std::string text = value.substr(begin, value.find_last_not_of(blanks) - begin + 1);
    if (text.size() >= 2 && (text.front() == '"' || text.front() == '\'') &&
        text.back() == text.front()) {
        text = text.substr(1, text.size() - 2);
    }
    return text;
}

}  // namespace

int ProfileEntry(const uint8_t* data, size_t size) {
    const std::vector<std::string> parts = Parts(data, size, 5);
    const std::string& content = parts[0];
    const std::string section = parts[1].empty() ? "A" : parts[1];
    const std::string key = parts[2].empty() ? "k" : parts[2];
    const std::string& value = parts[3];
    const std::string probe = parts[4].empty() ? "p" : parts[4];

    const InputFile input(ScratchFolder() / "profile.ini", content);
    const std::string file = input.path().string();
    const platform::ProgramFiles files;  // the path is absolute
    platform::ReadProfileString(files, file, section, key, "d");
    platform::ReadProfileInt(files, file, section, key, 7);
    const std::string probeBefore =
        platform::ReadProfileString(files, file, section, probe, kMissing, kWholeValue);
    const std::string otherBefore =
        platform::ReadProfileString(files, file, probe, key, kMissing, kWholeValue);

    if (platform::WriteProfileString(files, file, section, key, value)) {
        Require(platform::ReadProfileString(files, file, section, key, kMissing, kWholeValue) ==
                    AsRead(value),
                "a written value reads back");
        if (!platform::EqualsIgnoringCase(probe, key)) {
            Require(platform::ReadProfileString(files, file, section, probe, kMissing,
                                                kWholeValue) == probeBefore,
                    "another key of the section keeps its value");
        }
        if (!platform::EqualsIgnoringCase(probe, section)) {
            Require(platform::ReadProfileString(files, file, probe, key, kMissing, kWholeValue) ==
                        otherBefore,
                    "the key of another section keeps its value");
        }
    }
    return 0;
}

}  // namespace fuzz
