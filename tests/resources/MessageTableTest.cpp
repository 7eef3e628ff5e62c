#include <gtest/gtest.h>

#include <set>
#include <string>
#include <thread>

#include "resources/MessageTable.h"
#include "resources/UiLanguage.h"

using namespace resources;

namespace {

// Restores the test thread's UI language after a test changed it.
class ThreadLanguageGuard {
  public:
    ThreadLanguageGuard() : saved_(GetThreadUiLanguage()) {}
    ~ThreadLanguageGuard() { SetThreadUiLanguage(saved_); }

  private:
    LangId saved_;
};

std::string TextOnThread(unsigned id, LangId language) {
    std::string text;
    std::thread([&] {
        SetThreadUiLanguage(language);
        text = LoadMessageText(id);
    }).join();
    return text;
}

}  // namespace

TEST(MessageTable, ThreadLanguageSelectsTheText) {
    EXPECT_EQ(TextOnThread(286, kLangEnglish), "[Halden]Detect device");
    EXPECT_EQ(TextOnThread(286, kLangChinese), "[Halden]检测设备");
    EXPECT_EQ(
        TextOnThread(351, kLangEnglish),
        "Upgrade configuration failed! Please check whether the USB or I2C connection is normal");
    EXPECT_EQ(TextOnThread(400, kLangChinese), "读取配置出错！请检查USB或I2C连接是否正常");
    EXPECT_EQ(TextOnThread(459, kLangEnglish), "Bin file check sum error,please contact FAE");
    // The English text of 422 has no tag, the Chinese one has.
    EXPECT_EQ(TextOnThread(422, kLangEnglish), "Touch bin file error!");
    EXPECT_EQ(TextOnThread(422, kLangChinese), "[GTxxxx]触控固件文件异常");
    EXPECT_EQ(TextOnThread(306, kLangChinese), "校验配置");
}

TEST(MessageTable, TrailingBlanksBelongToTheText) {
    EXPECT_EQ(LoadMessageText(356, kLangEnglish), "[GTxxxx]Download glink ");
    EXPECT_EQ(LoadMessageText(358, kLangEnglish), "[GTxxxx]Dlowload booloader ");
    EXPECT_EQ(LoadMessageText(359, kLangEnglish), "[GTxxxx]Dlowload booloader FAILED");
}

TEST(MessageTable, AboutEntryIsChineseInEveryLanguage) {
    EXPECT_EQ(TextOnThread(101, kLangEnglish), "关于 Quillon(&A)...");
    EXPECT_EQ(TextOnThread(101, kLangChinese), "关于 Quillon(&A)...");
    EXPECT_EQ(LoadMessageText(101, 1031), "关于 Quillon(&A)...");  // German
}

TEST(MessageTable, OtherLanguagesPickByFamily) {
    EXPECT_EQ(LoadMessageText(290, 1028), "[Halden]检测到设备");       // Chinese (Taiwan)
    EXPECT_EQ(LoadMessageText(290, 3076), "[Halden]检测到设备");       // Chinese (Hong Kong)
    EXPECT_EQ(LoadMessageText(290, 2057), "[Halden]Detected device");  // English (UK)
    EXPECT_EQ(LoadMessageText(290, 1036), "[Halden]Detected device");  // French
}

TEST(MessageTable, UnknownIdsGiveEmptyText) {
    for (unsigned id : {0u, 100u, 102u, 273u, 295u, 462u, 65535u, 70000u}) {
        EXPECT_EQ(LoadMessageText(id, kLangEnglish), "") << id;
        EXPECT_EQ(LoadMessageText(id, kLangChinese), "") << id;
    }
}

TEST(MessageTable, HoldsExactlyTheProgramsIds) {
    const std::set<unsigned> expected = {
        101, 272, 286, 287, 288, 289, 290, 291, 292, 293, 294, 297, 298, 303, 304, 305, 306,
        307, 308, 325, 328, 351, 352, 353, 354, 355, 356, 357, 358, 359, 360, 361, 362, 363,
        364, 365, 366, 367, 368, 369, 370, 371, 400, 413, 414, 415, 416, 422, 459, 460, 461};
    std::set<unsigned> found;
    for (unsigned id = 0; id < 1000; ++id) {
        const std::string zh = LoadMessageText(id, kLangChinese);
        const std::string en = LoadMessageText(id, kLangEnglish);
        if (zh.empty() && en.empty()) continue;
        found.insert(id);
        EXPECT_FALSE(zh.empty()) << id;
        // Every entry but the About one has its own English text.
        if (id != 101) {
            EXPECT_NE(zh, en) << id;
        }
    }
    EXPECT_EQ(found, expected);
}

TEST(MessageTable, NumberFillsThePlaceholderOnly) {
    EXPECT_EQ(FillNumber(LoadMessageText(307, kLangEnglish), 32), "Config_32 Verification passed");
    EXPECT_EQ(FillNumber(LoadMessageText(307, kLangChinese), 32), "Config_32校验通过");
    EXPECT_EQ(FillNumber("a%db%d", -7), "a-7b-7");
    EXPECT_EQ(FillNumber("100% %s %x %", 5), "100% %s %x %");
}

TEST(UiLanguage, EachThreadKeepsItsOwnLanguage) {
    ThreadLanguageGuard guard;
    SetThreadUiLanguage(kLangChinese);
    LangId other = 0;
    std::thread([&] {
        other = GetThreadUiLanguage();
        SetThreadUiLanguage(kLangEnglish);
    }).join();
    EXPECT_EQ(other, UserUiLanguage());  // a new thread starts with the user's language
    EXPECT_EQ(GetThreadUiLanguage(), kLangChinese);
    EXPECT_EQ(LoadMessageText(298), "[Config]烧录配置");
    SetThreadUiLanguage(kLangEnglish);
    EXPECT_EQ(LoadMessageText(298), "[Config]Upgrade begin");
}

TEST(UiLanguage, LocaleVariablesChooseTheUsersLanguage) {
    EXPECT_EQ(UiLanguageFromLocale(nullptr, nullptr, "zh_CN.UTF-8"), kLangChinese);
    EXPECT_EQ(UiLanguageFromLocale(nullptr, nullptr, "en_US.UTF-8"), kLangEnglish);
    EXPECT_EQ(UiLanguageFromLocale(nullptr, nullptr, nullptr), kLangEnglish);
    EXPECT_EQ(UiLanguageFromLocale("C", "zh_CN", "zh_CN"), kLangEnglish);  // LC_ALL wins
    EXPECT_EQ(UiLanguageFromLocale("", "zh_TW.UTF-8", "en_GB"), kLangChinese);
    EXPECT_EQ(UiLanguageFromLocale("", "", "zh"), kLangChinese);
    EXPECT_EQ(UiLanguageFromLocale("", "", ""), kLangEnglish);
}
