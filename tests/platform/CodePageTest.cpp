#include <gtest/gtest.h>

#include <string>

#include "platform/CodePage.h"
#include "platform/MessageService.h"

namespace {

using namespace platform;

TEST(CodePageTest, EightBitTextToUtf8AndBack) {
    const CodePage cp936;
    ASSERT_EQ(cp936.Name(), "CP936");
    EXPECT_EQ(AnsiToUtf8(std::string("FT5682\xD6\xD0\xCE\xC4"), cp936), "FT5682中文");
    EXPECT_EQ(Utf8ToAnsi("FT5682中文", cp936), "FT5682\xD6\xD0\xCE\xC4");
    // A lead byte without its second byte, and a character outside the code page.
    EXPECT_EQ(AnsiToUtf8(std::string("A\xD6"), cp936), "A\xEF\xBF\xBD");
    EXPECT_EQ(Utf8ToAnsi("A\xF0\x9F\x98\x80", cp936), "A?");
    const uint8_t bytes[] = {'F', 'T', 0x80};
    EXPECT_EQ(AnsiToUtf8(bytes, 2, cp936), "FT");
}

TEST(CodePageTest, TheCodePageIsASetting) {
    const CodePage cp1252("1252");
    EXPECT_EQ(cp1252.Name(), "CP1252");
    EXPECT_EQ(AnsiToUtf8(std::string("caf\xE9"), cp1252), "café");
    EXPECT_EQ(AnsiToUtf8(std::string("ab\xE9"), CodePage("NO-SUCH-CODE-PAGE")), "ab\xEF\xBF\xBD");
    EXPECT_EQ(CodePage("").Name(), "CP936");
    // Two conversions with different code pages side by side: neither sees the other's.
    EXPECT_EQ(AnsiToUtf8(std::string("\xD6\xD0"), CodePage()), "中");
    EXPECT_EQ(AnsiToUtf8(std::string("\xD6\xD0"), cp1252), "ÖÐ");
}

TEST(CodePageTest, Utf8Helpers) {
    EXPECT_EQ(Latin1ToUtf8("A\xE9"), "Aé");
    EXPECT_TRUE(IsValidUtf8("中文 ok"));
    EXPECT_FALSE(IsValidUtf8("\xC0\x80"));      // overlong
    EXPECT_FALSE(IsValidUtf8("\xED\xA0\x80"));  // surrogate
    EXPECT_FALSE(IsValidUtf8("\xD6\xD0"));      // 8-bit text
    EXPECT_EQ(Utf8Length("a中文"), 3u);
    EXPECT_EQ(Utf8Prefix("中文abc", 3), "中文a");
    EXPECT_EQ(Utf8Prefix("ab", 6), "ab");
}

TEST(MessageServiceTest, RecordingServiceCatchesMessages) {
    RecordingMessageService recorder;
    MessageService& service = recorder;
    service.ShowMessage("error");
    EXPECT_EQ(recorder.Messages(), std::vector<std::string>{"error"});
}

}  // namespace
