// TLastHeard: the file, the records' last-heard times and stale records.

#include <gtest/gtest.h>

#include "OnlineTestUtil.h"
#include "RecordingUi.h"
#include "online/LastHeard.h"
#include "online/OnlineLog.h"

namespace ravlin {
namespace {

using test::At;
using test::ReadAll;
using test::Record;
using test::WriteAll;

class LastHeard : public ::testing::Test {
  protected:
    LastHeard() : heard(dir.File("LastHeard.dat"), texts, ui) {}
    test::TTempDir dir;
    TTextTable texts = test::LogTexts();
    test::TRecordingUi ui;
    TLastHeard heard;
};

TEST_F(LastHeard, KeepsTheLastTimePerCodeAndButtonInItsFile) {
    ASSERT_TRUE(heard.Heard("1A12345", "2", At(2024, 1, 2, 3, 4, 5)));
    ASSERT_TRUE(heard.Heard("0099999", "1", At(2024, 1, 1)));
    ASSERT_TRUE(heard.Heard("1A12345", "2", At(2024, 1, 3, 3, 4, 5)));
    ASSERT_TRUE(heard.Heard("1A12345", "8", At(2024, 1, 1, 12)));
    ASSERT_TRUE(heard.Heard("short", "8", At(2024, 1, 1, 12)));  // not a code: not kept
    const std::string file =
        "Ravlin last heard 1\r\n"
        "1A12345#2#03.01.2024 03:04:05#\r\n"
        "1A12345#8#01.01.2024 12:00:00#\r\n"
        "0099999#1#01.01.2024#\r\n";
    EXPECT_EQ(ReadAll(heard.FileName()), file);
    TLastHeard again(heard.FileName(), texts, ui);
    ASSERT_TRUE(again.Load());
    EXPECT_EQ(again.FormatText(), file);
    EXPECT_TRUE(ui.messages.empty());
}

TEST_F(LastHeard, AForeignOrDamagedFileIsNotTakenForOne) {
    const std::string foreign = "Ravlin last heard 2\r\n1A12345#2#03.01.2024 03:04:05#x#\r\n";
    WriteAll(heard.FileName(), foreign);
    EXPECT_FALSE(heard.Load());
    EXPECT_EQ(heard.Size(), 0u);
    EXPECT_FALSE(heard.Heard("1A12345", "2", At(2024, 1, 5)));
    EXPECT_FALSE(heard.Heard("1A12345", "2", At(2024, 1, 6)));
    EXPECT_EQ(ReadAll(heard.FileName()), foreign);              // never overwritten
    EXPECT_EQ(ui.Ids(), std::vector<Text>{Text::WrongFormat});  // said once
    // An empty file holds nothing to lose.
    WriteAll(heard.FileName(), "");
    EXPECT_FALSE(heard.Load());
    EXPECT_TRUE(heard.Heard("1A12345", "2", At(2024, 1, 6)));
    WriteAll(heard.FileName(),
             "Ravlin last heard 1\n1A12345#2#yesterday#\n123#2#01.01.2024#\n1A12345##01.01.2024#\n"
             "1A12345#2#01.01.2024\n0012345#1#02.01.2024#\n0012345#1#01.01.2024#\n");
    ASSERT_TRUE(heard.Load());
    ASSERT_EQ(heard.Size(), 1u);  // a repeated code and button keeps the later time
    EXPECT_EQ(heard.Entries()[0].time, At(2024, 1, 2));
}

TEST_F(LastHeard, ARecordIsHeardWithAButtonItReactsTo) {
    ASSERT_TRUE(heard.Heard("1A12345", "4", At(2024, 3, 1)));
    ASSERT_TRUE(heard.Heard("2B12345", "1", At(2024, 3, 2)));  // another prefix, the same key
    ASSERT_TRUE(heard.Heard("A054321", "C", At(2024, 3, 3)));
    EXPECT_EQ(heard.LastHeardOf(Record(1, "12345", "4")), At(2024, 3, 1));
    EXPECT_EQ(heard.LastHeardOf(Record(1, "12345", "5")), At(2024, 3, 2));  // shares 4 and 1
    EXPECT_EQ(heard.LastHeardOf(Record(1, "12345", "2")), std::nullopt);
    EXPECT_EQ(heard.LastHeardOf(Record(1, "12346", "4")), std::nullopt);
    EXPECT_EQ(heard.LastHeardOf(Record(1, "54321", "0")), At(2024, 3, 3));  // any input state
    TData cleared = Record(1, "12345", "4");
    cleared.Empty = true;
    EXPECT_EQ(heard.LastHeardOf(cleared), std::nullopt);
    EXPECT_EQ(LastHeardText(heard, Record(1, "12345", "4")), "01.03.2024");
    EXPECT_EQ(LastHeardText(heard, Record(1, "12345", "2")), "-");
    EXPECT_EQ(LastHeardText(heard, cleared), "");
}

TEST_F(LastHeard, StaleRecordsAreNeverHeardOrNotForTheDays) {
    const TLogTime now = At(2024, 6, 30, 12);
    heard.Heard("0011111", "1", At(2024, 6, 29, 12));
    heard.Heard("0022222", "1", At(2024, 6, 20, 12));
    heard.Heard("0022222", "2", At(2024, 6, 29, 12));  // a button record 1 does not react to
    TRecordTable table = {Record(1, "11111", "1"), Record(2, "22222", "1"), Record(3, "33333", "1"),
                          Record(4, "44444", "1")};
    table[3].Empty = true;
    EXPECT_EQ(StaleRecords(table, heard, now, 5), (std::vector<int>{1, 2}));
    EXPECT_EQ(StaleRecords(table, heard, now, 10), (std::vector<int>{2}));
    EXPECT_EQ(StaleRecords(table, heard, now, 0), (std::vector<int>{0, 1, 2}));
}

TEST_F(LastHeard, OutlivesAShortHistory) {
    THistory history(dir.File("History.dat"), texts, ui);
    history.SetLength(1);
    const TRecordTable table = {Record(1, "11111", "1"), Record(2, "22222", "1")};
    for (const char* code : {"0011111", "0022222"}) {
        TReception r;
        ASSERT_TRUE(DecodeReception(
            std::string("1") + code + std::string(14, '0') + std::string(10, '0'), r));
        LogReception(r, table, true, 2, 0, {&history, nullptr, &heard});
    }
    EXPECT_EQ(history.Items().size(), 1u);
    EXPECT_TRUE(heard.LastHeardOf(table[0]).has_value());
    EXPECT_TRUE(heard.LastHeardOf(table[1]).has_value());
}

TEST_F(LastHeard, TheLongestUnheardAreForgottenBeyondTheLimit) {
    std::string text = std::string(TLastHeard::kHeader) + "\r\n";
    for (size_t i = 0; i < TLastHeard::kMaxEntries; ++i) {
        char line[64];
        std::snprintf(line, sizeof line, "00%05zX#1#%s#\r\n", i,
                      FormatLogTime(At(2020, 1, 1) + static_cast<TLogTime>(i)).c_str());
        text += line;
    }
    WriteAll(heard.FileName(), text);
    ASSERT_TRUE(heard.Load());
    ASSERT_EQ(heard.Size(), TLastHeard::kMaxEntries);
    ASSERT_TRUE(heard.Heard("1FFFFFF", "1", At(2024, 1, 1)));
    EXPECT_EQ(heard.Size(), TLastHeard::kMaxEntries);
    EXPECT_EQ(heard.LastHeardOf(Record(1, "00000", "1")), std::nullopt);  // the oldest
    EXPECT_TRUE(heard.LastHeardOf(Record(1, "00001", "1")).has_value());
    EXPECT_TRUE(heard.LastHeardOf(Record(1, "FFFFF", "1")).has_value());
}

}  // namespace
}  // namespace ravlin
