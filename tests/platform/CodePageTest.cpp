#include <gtest/gtest.h>

#include <string>

#include "platform/CodePage.h"
#include "platform/MessageService.h"

namespace {

using namespace platform;

TEST(CodePageTest, EightBitTextToUtf8AndBack) {
    ASSERT_EQ(AnsiCodePage(), "CP936");
    EXPECT_EQ(AnsiToUtf8(std::string("FT5682\xD6\xD0\xCE\xC4")), "FT5682中文");
    EXPECT_EQ(Utf8ToAnsi("FT5682中文"), "FT5682\xD6\xD0\xCE\xC4");
    // A lead byte without its second byte, and a character outside the code page.
    EXPECT_EQ(AnsiToUtf8(std::string("A\xD6")), "A\xEF\xBF\xBD");
    EXPECT_EQ(Utf8ToAnsi("A\xF0\x9F\x98\x80"), "A?");
    const uint8_t bytes[] = {'F', 'T', 0x80};
    EXPECT_EQ(AnsiToUtf8(bytes, 2), "FT");
}

TEST(CodePageTest, TheCodePageIsASetting) {
    SetAnsiCodePage("1252");
    EXPECT_EQ(AnsiCodePage(), "CP1252");
    EXPECT_EQ(AnsiToUtf8(std::string("caf\xE9")), "café");
    SetAnsiCodePage("NO-SUCH-CODE-PAGE");
    EXPECT_EQ(AnsiToUtf8(std::string("ab\xE9")), "ab\xEF\xBF\xBD");
    SetAnsiCodePage("");
    EXPECT_EQ(AnsiCodePage(), "CP936");
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
