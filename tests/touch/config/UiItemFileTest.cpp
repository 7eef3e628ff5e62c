#include <gtest/gtest.h>

#include "platform/TextError.h"
#include "support/ThrownText.h"
#include "support/UiItemText.h"
#include "touch/config/PageTree.h"
#include "touch/config/UiItemFile.h"

using testsupport::UiRecord;
using testsupport::UiText;

namespace {

using Texts = std::vector<std::string>;

UiItemList Parse(const std::vector<UiRecord>& records) { return ParseUiItems(UiText(records)); }

UiRecord Record(const std::string& address, const std::string& name, int low = 0, int high = 7) {
    UiRecord r;
    r.address = address;
    r.name = name;
    r.dataBitL = low;
    r.dataBitH = high;
    return r;
}

std::string ErrorOf(const std::string& text) {
    return testsupport::ThrownText([&] { ParseUiItems(text); });
}

}  // namespace

TEST(UiItemFile, ControlTypesSetKindDisplayAndName) {
    struct Case {
        int ctrlType;
        int32_t kind, display;
        const char* name;
    } cases[] = {{1, kControlChoice, kDisplayDecimal, "T"},
                 {2, kControlCheckBox, 0, "T"},
                 {6, kControlEdit, 0, "T"},
                 {7, kControlEdit, kDisplayHex, "T(H)"},
                 {8, kControlEdit, 0, "T"},
                 {3, kControlEdit, 0, "T"}};
    for (const Case& c : cases) {
        UiRecord r = Record("8048", "T");
        r.ctrlType = c.ctrlType;
        const UiItemList list = Parse({r});
        ASSERT_EQ(list.items.size(), 1u) << c.ctrlType;
        EXPECT_EQ(list.items[0]->ControlKind, c.kind) << c.ctrlType;
        EXPECT_EQ(list.items[0]->DisplayKind, c.display) << c.ctrlType;
        EXPECT_EQ(list.items[0]->Name, c.name) << c.ctrlType;
    }
}

TEST(UiItemFile, ChoiceTextsStandAtTheirValues) {
    struct Case {
        std::vector<std::string> lines;
        Texts choices;
    } cases[] = {{{",1,B", ",0,A"}, {"A", "res", "B"}},
                 {{",2,C"}, {"res", "res", "C"}},
                 {{",0,Off", "", ",1,On"}, {"Off", "On"}}};
    for (const Case& c : cases) {
        UiRecord r = Record("8048", "Mode");
        r.ctrlType = 1;
        r.choiceLines = c.lines;
        EXPECT_EQ(Parse({r}).items.at(0)->Choices, c.choices);
    }
}

TEST(UiItemFile, RecordFieldsAndExplanation) {
    const UiItemList list = Parse({Record("8050", "Threshold", 2, 4)});
    ASSERT_EQ(list.items.size(), 1u);
    const CConfigItem& item = *list.items[0];
    EXPECT_EQ(item.BitAddress, 0x8050 * 8 + 2);
    EXPECT_EQ(item.Width, 3);
    EXPECT_EQ(item.Explanation, "About Threshold\n,second line\n");
    EXPECT_EQ(item.Page, "Page");
    EXPECT_EQ(item.Group, "Group");
    EXPECT_EQ(list.firstAddress, 0x8050);
}

TEST(UiItemFile, ChannelItemsCountFromBitZeroAndHighBytesJoinTheirLowByte) {
    const UiItemList channel = Parse({Record("80B7", "Driver_CH3", 3, 7)});
    EXPECT_EQ(channel.items.at(0)->Width, 8);
    EXPECT_EQ(channel.items.at(0)->BitAddress, 0x80B7 * 8);

    UiRecord low = Record("8060", "X_Low"), high = Record("8061", "X_Resolution");
    low.paraBitL = 0, low.paraBitH = 7, high.paraBitL = 8, high.paraBitH = 15;
    const UiItemList joined = Parse({Record("8047", "Version"), low, high});
    ASSERT_EQ(joined.items.size(), 2u);
    EXPECT_EQ(joined.items[1]->Name, "X_Resolution");
    EXPECT_EQ(joined.items[1]->BitAddress, 0x8060 * 8);
    EXPECT_EQ(joined.items[1]->Width, 16);
}

TEST(UiItemFile, AddressesZeroAndFFFFGiveNoItem) {
    const UiItemList list =
        Parse({Record("FFFF", "Gone_NO.2"), Record("0", "Zero"), Record("8049", "Kept")});
    ASSERT_EQ(list.items.size(), 1u);
    EXPECT_EQ(list.items[0]->Name, "Kept");
    EXPECT_EQ(list.firstAddress, 0xFFFF);  // the first "addr,0x" of the whole text
}

TEST(UiItemFile, CarriageReturnsBeforeLineFeedsAreNotPartOfValues) {
    UiRecord r = Record("8048", "Mode");
    r.ctrlType = 1;
    r.choiceLines = {",0,Off", ",1,On"};
    std::string text;
    for (char c : UiText({Record("FFFF", "Gone"), r})) {
        if (c == '\n') text += '\r';
        text += c;
    }
    const UiItemList list = ParseUiItems(text);
    ASSERT_EQ(list.items.size(), 1u);
    EXPECT_EQ(list.items[0]->Name, "Mode");
    EXPECT_EQ(list.items[0]->Choices, (Texts{"Off", "On"}));
}

TEST(UiItemFile, StoredBytesAreShiftedAndStopAtTheFirstZero) {
    const std::string stored = testsupport::StoredUiFile("NO.1\nrest") + std::string(1, '\x01') +
                               testsupport::StoredUiFile("more");
    const auto* bytes = reinterpret_cast<const uint8_t*>(stored.data());
    EXPECT_EQ(DecodeUiItemBytes(bytes, stored.size(), platform::CodePage()), "NO.1\nrest");
    EXPECT_EQ(DecodeUiItemBytes(bytes, 5, platform::CodePage()), "");
}

TEST(UiItemFile, MalformedRecordsAreRefusedWithTheirReason) {
    const std::string good = UiText({Record("8047", "A")});
    auto without = [&](const std::string& line) {
        std::string text = good;
        text.erase(text.find(line), line.size());
        return text + UiText({Record("8048", "B")});
    };
    UiRecord open = Record("8048", "Mode"), negative = Record("8048", "Neg", -1, 7);
    open.ctrlType = 1;
    open.choiceLines = {",0,Off"};
    std::string openText = UiText({open});
    openText.erase(openText.find("dataRange"));
    UiRecord badChoice = open, negChoice = open;
    badChoice.choiceLines = {"Off"};
    negChoice.choiceLines = {",-1,Off"};
    struct Case {
        std::string text, error;
    } cases[] = {
        {without("dataBitH,7\n"), "record NO.1 lacks \"dataBitH,\""},
        {without("comb\n"), "record NO.1 lacks \"comb\""},
        {good.substr(0, good.find("page,")), "record NO.1 lacks \"page,\""},
        {openText, "has a choice list without \"dataRange\""},
        {UiText({badChoice}), "is not \",<value>,<text>\""},
        {UiText({negChoice}), "choice value out of range"},
        {UiText({negative}), "negative value (\"dataBitL,\")"},
        {UiText({Record("8048", "Cross", 6, 8)}), "crosses its byte"},
        {UiText({Record("8048", "Empty", 5, 4)}), "has no data bits"},
        {UiText({Record("8048", "Wide", 0, 23)}), "wider than 16 bits"},
        // Found by fuzzing: the width arithmetic overflowed on the largest number.
        {UiText({Record("8048", "Huge", 0, 2147483647)}), "above 65535 (\"dataBitH,\")"},
    };
    for (const Case& c : cases) {
        const std::string error = ErrorOf(c.text);
        EXPECT_NE(error.find(c.error), std::string::npos) << error << " / " << c.error;
        EXPECT_EQ(error.rfind("UI item file: ", 0), 0u) << error;
    }
}

TEST(UiRecordParser, TakesOneRecordAndCutsTheText) {
    UiRecord a = Record("32840", "Pack_A"), b = Record("FFFF", "Gone"), c = Record("0", "Zero");
    a.ctrlType = 8;
    a.packNo = 2, a.packOffset = 5, b.packNo = 0, c.packNo = 1;
    const std::string text = UiText({a, b, c});
    std::string_view rest = text;
    auto first = ParseUiRecord(rest, "GT7936");
    ASSERT_TRUE(first);
    EXPECT_EQ(first->Name, "Pack_A(S)");
    EXPECT_EQ(first->DisplayKind, kDisplayText);
    EXPECT_EQ(first->BitAddress, 32840);  // decimal for this chip, not multiplied
    EXPECT_EQ(first->PackNumber, 2);
    EXPECT_EQ(first->PackOffset, 5);
    EXPECT_EQ(first->ParaBitH, 65535);
    EXPECT_EQ(rest.substr(0, 9), "--------\n");
    auto second = ParseUiRecord(rest, "GT7936");
    ASSERT_TRUE(second);
    EXPECT_EQ(second->Name, "Zero");  // "FFFF" dropped, 0 kept
    const std::string_view end = rest;
    EXPECT_EQ(ParseUiRecord(rest, "GT7936"), nullptr);
    EXPECT_EQ(rest, end);

    std::string_view hex = text;
    EXPECT_EQ(ParseUiRecord(hex, "GT7288")->BitAddress, 0x2840);
}

TEST(PageTree, PagesAndGroupsInOrderOfFirstAppearance) {
    std::vector<std::unique_ptr<CConfigItem>> items;
    for (auto [page, group] : {std::pair{"P1", "G1"}, {"P2", "G2"}, {"P1", "G3"}, {"P1", "G1"}}) {
        items.push_back(std::make_unique<CConfigItem>());
        items.back()->Page = page;
        items.back()->Group = group;
    }
    const std::vector<ConfigPage> pages = BuildPages(items);
    ASSERT_EQ(pages.size(), 2u);
    EXPECT_EQ(pages[0].Name, "P1");
    ASSERT_EQ(pages[0].Groups.size(), 2u);
    EXPECT_EQ(pages[0].Groups[0].Items,
              (std::vector<CConfigItem*>{items[0].get(), items[3].get()}));
    EXPECT_EQ(pages[0].Groups[1].Number, 2);
    EXPECT_EQ(pages[1].Groups[0].Number, 1);
    EXPECT_EQ(pages[1].Groups[0].Mode, 0);
}
