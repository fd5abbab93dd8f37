// Records on the clipboard: tab-separated rows, the private form and its strict reader,
// and pasting with the editor's checks.

#include <random>

#include "EditorTestUtil.h"
#include "records/RecordClipboard.h"
#include "records/RecordCommands.h"

namespace ravlin {
namespace {

TEST(Clipboard, TabSeparatedRowsKeepOneCellPerColumn) {
    EXPECT_EQ(TabSeparated({{"1", "x012345", "Monostable"}, {"2", "a\tb", "line\r\nbreak"}}),
              "1\tx012345\tMonostable\r\n2\ta b\tline  break\r\n");
    EXPECT_EQ(TabSeparated({}), "");
    EXPECT_EQ(TabSeparated({{""}}), "\r\n");
}

bool SameRecords(const std::vector<TData>& a, const std::vector<TData>& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (!SameRecord(a[i], b[i])) return false;
    return true;
}

TEST(Clipboard, PrivateFormRoundTripsEveryByte) {
    TDevice device;
    ASSERT_TRUE(test::DeliveredDevice("KV1M2", device));
    std::mt19937 rng(3);
    for (int round = 0; round < 50; ++round) {
        std::vector<TData> records;
        for (int i = 0; i < static_cast<int>(rng() % 6); ++i) {
            TData r = test::RandomUsedRecord(device, 1 + static_cast<int>(rng() % 30), rng);
            r.Raw.clear();  // not carried
            for (std::string* text : {&r.User1, &r.User2, &r.TxType})
                for (int k = 0; k < 4; ++k) *text += static_cast<char>(rng() % 256);
            r.UserID = static_cast<int32_t>(rng());
            records.push_back(r);
        }
        const std::string name = round % 2 ? "KV1M2" : std::string("we;ird\r\n\0name", 14);
        const std::string text = SerializeRecords(name, records);
        TClipRecords clip;
        ASSERT_TRUE(ParseRecords(text, clip));
        EXPECT_EQ(clip.typeName, name);
        EXPECT_TRUE(SameRecords(clip.records, records));
    }
}

TEST(Clipboard, ReaderRefusesAnythingElse) {
    TData r;
    r.Position = 4;
    r.Serial = "12345";
    r.Button = "1";
    r.User1 = "x";
    const std::string good = SerializeRecords("KV2R", {r});
    TClipRecords clip;
    ASSERT_TRUE(ParseRecords(good, clip));
    clip.typeName = "kept";
    const std::string bad[] = {
        "",
        "RavlinRecords;2;4B563252;1\r\n",
        "RavlinRecords;1;4B563252;2\r\n" + good.substr(good.find('\n') + 1),  // count
        "RavlinRecords;1;4B56325;1\r\n" + good.substr(good.find('\n') + 1),   // odd hex
        "RavlinRecords;1;4B563252;-1\r\n",
        "RavlinRecords;1;4B563252;1;x\r\n",
        "RavlinRecords;1;4B563252;99999999999999999999\r\n",
        "RavlinRecords;1;4B563252;1\r\n4;12345;1;;;;;0;78;;;;2D;7830;extra\r\n",
        "RavlinRecords;1;4B563252;1\r\n4;1234G;1;;;;;0;78;;;;2D;7830\r\n",
        "RavlinRecords;1;4B563252;1\r\n4;12345;1;;;;;0;7G;;;;2D;7830\r\n",
        "RavlinRecords;1;4B563252;1\r\n-4;12345;1;;;;;0;78;;;;2D;7830\r\n",
        "RavlinRecords;1;4B563252;1\r\n4;12345;1;;;;;2147483648;78;;;;2D;7830\r\n",
        "RavlinRecords;1;4B563252;1\r\n4;" + std::string(501, '0') + ";1;;;;;0;;;;;;\r\n",
        "RavlinRecords;1;4B563252;1\r\n4;12345;1;;;;;+0;78;;;;2D;7830\r\n",
        good + "4;12345;1;;;;;0;;;;;;\r\n",  // a line more than the count
    };
    for (const std::string& text : bad) {
        EXPECT_FALSE(ParseRecords(text, clip)) << text;
        EXPECT_EQ(clip.typeName, "kept");
    }
    // Line ends may be plain LF; trailing empty lines are no records.
    std::string lf = good;
    for (size_t at; (at = lf.find('\r')) != std::string::npos;) lf.erase(at, 1);
    EXPECT_TRUE(ParseRecords(lf + "\n\n", clip));
}

class Paste : public test::EditorFixture {
  protected:
    TRecordTable table;

    void Table(const std::string& type, int count, int used) {
        Use(type);
        device.RecordCount = count;
        device.UsedCount = used;
        table.clear();
        for (int p = 1; p <= count; ++p) {
            TData r = MakeEmptyRecord(device, p);
            if (p <= used) {
                r = Record("x0" + std::string("1000") + std::to_string(p % 10), "1", "01");
                r.Position = p;
            }
            table.push_back(r);
        }
    }
};

TEST_F(Paste, RecordsGoIntoTheFirstFreePositionsWithTheEditorsChecks) {
    Table("KV1M", 8, 3);
    table[1] = MakeEmptyRecord(device, 2);  // a hole
    TData a = Record("x0AAAAA", "1", "03", "01", "0032");
    a.User1 = "first";
    TData bad = Record("x0BBBBB", "3", "E0");  // E0 wants button A: 78
    TData b = Record("x0CCCCC", "2", "06", "03", "0032");
    const TClipRecords clip{"KV1M", {a, bad, b}};
    const TPasteResult result = PasteRecords(table, device, functionTable, clip, texts, ui);
    EXPECT_EQ(result.pasted, 2);
    EXPECT_EQ(result.refused, 1);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].message.textId, Text::RecordBreaksRules);
    EXPECT_EQ(ui.messages[0].message.text, "L78 - x0BBBBB");
    // Position 2 (the hole), then 4 beyond the used part, whose end moves on to 5.
    EXPECT_EQ(result.change.Positions(), (std::vector<int>{2, 4, 5}));
    EXPECT_EQ(result.change.usedAfter, 4);
    ApplyChange(result.change, table, device, true);
    EXPECT_EQ(table[1].Serial, "AAAAA");
    EXPECT_EQ(table[1].User1, "first");
    EXPECT_EQ(table[1].Position, 2);
    EXPECT_FALSE(table[1].Empty);
    EXPECT_EQ(table[3].Serial, "CCCCC");
    EXPECT_EQ(table[3].Channels, "00");  // the set rule of RS-232
    EXPECT_EQ(table[3].Time, "0000");
    EXPECT_EQ(table[4].Raw, device.ErasedRecord);
}

TEST_F(Paste, RefusalsAreReportedTogetherAndFullMemoryWith94) {
    Table("KV2R", 4, 2);
    TData unknown = Record("x0AAAAA", "1", "77");
    TData badCode = Record("x0AAAAA");
    badCode.Serial = "AAAAG";
    TData hash = Record("x0CCCCC");
    hash.User3 = "a#b";
    TData layout = Record("x0DDDDD");
    layout.Time = "00000";
    TData empty = Record("x000000");
    TData ok1 = Record("x0EEEEE"), ok2 = Record("x0FFFFF"), ok3 = Record("x0ABCDE");
    const TClipRecords clip{"KV2R", {unknown, badCode, hash, layout, empty, ok1, ok2, ok3}};
    const TPasteResult result = PasteRecords(table, device, functionTable, clip, texts, ui);
    EXPECT_EQ(result.pasted, 2);
    EXPECT_EQ(result.refused, 6);
    ASSERT_EQ(ui.messages.size(), 2u);
    const std::string& text = ui.messages[0].message.text;
    EXPECT_EQ(text.rfind("5 records were not pasted:", 0), 0u) << text;
    EXPECT_NE(text.find("L79 - x0AAAAA"), std::string::npos);
    EXPECT_NE(text.find("L138 - x0AAAAG"), std::string::npos);
    EXPECT_NE(text.find("L156: the character"), std::string::npos);  // User 3 title
    EXPECT_NE(text.find("L138 - x000000"), std::string::npos);
    EXPECT_EQ(ui.messages[1].message.textId, Text::NoFreePosition);

    // Records of another receiver type are refused as a whole.
    ui.messages.clear();
    const TPasteResult other =
        PasteRecords(table, device, functionTable, {"KV4R", {ok1}}, texts, ui);
    EXPECT_EQ(other.pasted, 0);
    EXPECT_TRUE(other.change.Empty());
    ASSERT_EQ(ui.messages.size(), 1u);
}

TEST_F(Paste, CopiedRecordsPasteIntoAnotherDocumentUnchanged) {
    Table("KV1M2", 6, 2);
    TData r = Record("x0AAAAA", "1", "06", "00");
    r.Extra =
        "000"
        "03"
        "02"
        "0170"
        "0"
        "8"
        "414243";
    r.Extra.resize(500, '0');
    r.User2 = "two";
    r.UserID = 9;
    r.TxType = "TX4 Classic";
    table[0] = r;
    table[0].Position = 1;
    TClipRecords clip;
    ASSERT_TRUE(ParseRecords(SerializeRecords(device.Name, RecordsAt(table, {1, 99})), clip));
    ASSERT_EQ(clip.records.size(), 1u);
    const TPasteResult result = PasteRecords(table, device, functionTable, clip, texts, ui);
    ASSERT_EQ(result.pasted, 1);
    ApplyChange(result.change, table, device, true);
    TData pasted = table[2];
    EXPECT_EQ(pasted.Position, 3);
    pasted.Position = r.Position;
    pasted.Raw = r.Raw;
    EXPECT_TRUE(SameRecord(pasted, r)) << SerializeRecords("", {pasted, r});
}

}  // namespace
}  // namespace ravlin
