#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>

#include "RecordingUi.h"
#include "catalog/FunctionTable.h"

namespace ravlin {
namespace {

using test::TRecordingUi;
using ::testing::ElementsAre;

TTextTable NumberedTexts() {
    TTextTable texts;
    for (int i = 0; i < 300; ++i) texts.push_back("Text" + std::to_string(i));
    return texts;
}

std::string CrLf(std::initializer_list<std::string> lines) {
    std::string out;
    for (const auto& l : lines) out += l + "\r\n";
    return out;
}

// A combined-mode section with the given rules.
std::string Combined(const std::string& name, std::initializer_list<std::string> checks = {},
                     std::initializer_list<std::string> sets = {}) {
    std::string out = CrLf({name, "100", "SingleRelay=0", "Functions=Monostable,Bistable,Timer#",
                            "Time=2", "Decoder=01=Monostable,02=Bistable,03=Timer#"});
    out += "Check=" + std::to_string(checks.size()) + "\r\n";
    for (const auto& r : checks) out += r + "\r\n";
    out += "Set=" + std::to_string(sets.size()) + "\r\n";
    for (const auto& r : sets) out += r + "\r\n";
    return out + "#E\r\n";
}

const std::string kRelay = CrLf({"KV3S", "400", "SingleRelay=3", "Functions=Mono,Timer#", "Time=1",
                                 "Decoder=01=Mono,03=Timer#", "Check=0", "Set=0", "#E"});

class FunctionTableTest : public ::testing::Test {
  protected:
    TTextTable texts = NumberedTexts();
    TRecordingUi ui;
    TFunctionTable functionTable{"/nonexistent", texts, ui};

    TData Record(std::string output, std::string button) {
        TData d;
        d.Serial = "12345";
        d.Button = std::move(button);
        d.Output = std::move(output);
        d.Channels = "01";
        d.Time = "0032";
        d.Extra = "00";
        return d;
    }
};

TEST_F(FunctionTableTest, ReadsTheSectionOfTheName) {
    const std::string file =
        Combined("A") +
        CrLf({"B", "250", "SingleRelay=0", "Functions=On,Off,#", "Time=3",
              "Decoder=01=On,02=Off=x,03#", "Check=0", "Set=0", "ignored line", "#End of B"}) +
        kRelay;
    ASSERT_TRUE(functionTable.LoadFunctionTableText(file, "B"));
    EXPECT_EQ(functionTable.RxName, "B");
    EXPECT_EQ(functionTable.RecordCount, 250);
    EXPECT_EQ(functionTable.SingleRelay, 0);
    EXPECT_THAT(functionTable.Functions, ElementsAre("On", "Off", ""));  // "," before "#"
    EXPECT_EQ(functionTable.TimeIndex, 3);
    EXPECT_THAT(functionTable.DecoderKeys, ElementsAre("01", "02", "03"));
    EXPECT_THAT(functionTable.DecoderValues, ElementsAre("On", "Off=x", ""));

    // A "#E" line with more characters ends the section as well.
    ASSERT_TRUE(functionTable.LoadFunctionTableText(file, "KV3S"));
    EXPECT_EQ(functionTable.SingleRelay, 3);
    EXPECT_EQ(functionTable.RecordCount, 400);
    EXPECT_TRUE(functionTable.IsRelayMode());
    EXPECT_TRUE(ui.messages.empty());
}

TEST_F(FunctionTableTest, UnknownTypeKeepsThePreviousContent) {
    ASSERT_TRUE(functionTable.LoadFunctionTableText(Combined("A"), "A"));
    ASSERT_TRUE(functionTable.LoadFunctionTableText(kRelay, "Nope"));
    EXPECT_EQ(functionTable.RxName, "Nope");
    EXPECT_EQ(functionTable.RecordCount, 100);
    EXPECT_THAT(functionTable.Functions, ElementsAre("Monostable", "Bistable", "Timer"));
    EXPECT_TRUE(ui.messages.empty());
}

TEST_F(FunctionTableTest, FormatErrorsGive82AndChangeNothing) {
    functionTable.SetFileName("RxFncUS.def");
    ASSERT_TRUE(functionTable.LoadFunctionTableText(Combined("A", {"O01O02=B01@E0=A#"}), "A"));
    const std::vector<std::string> bad = {
        CrLf({"X", "1x"}),
        CrLf({"X", "-1"}),
        CrLf({"X", "10", "Single=0"}),
        CrLf({"X", "10", "SingleRelay=x"}),
        CrLf({"X", "10", "SingleRelay=0", "Functions=A,B"}),  // no closing "#"
        CrLf({"X", "10", "SingleRelay=0", "Functions="}),
        CrLf({"X", "10", "SingleRelay=0", "Functions=A#", "Time=-1"}),
        CrLf({"X", "10", "SingleRelay=0", "Functions=A#", "Time="}),
        CrLf({"X", "10", "SingleRelay=0", "Functions=A#", "Time=0", "Decoder=#"}),
        CrLf({"X", "10", "SingleRelay=0", "Functions=A#", "Time=0", "Decoder=01=A"}),
        CrLf({"X", "10", "SingleRelay=0", "Functions=A#", "Time=0", "Decoder=01=A#", "Check=2",
              "O01=B01@1=2#"}),  // the second rule is missing
        CrLf({"X", "10", "SingleRelay=0", "Functions=A#", "Time=0", "Decoder=01=A#", "Check=1",
              "O01B01@1=2#", "Set=0"}),  // no "=" in the head
        CrLf({"X", "10", "SingleRelay=0", "Functions=A#", "Time=0", "Decoder=01=A#", "Check=0",
              "Sets=0"}),
    };
    for (const auto& file : bad) {
        SCOPED_TRACE(file);
        TRecordingUi local;
        TFunctionTable f{"/nonexistent", texts, local};
        f.SetFileName("RxFncDE.def");
        ASSERT_TRUE(f.LoadFunctionTableText(Combined("A", {"O01O02=B01@E0=A#"}), "A"));
        EXPECT_FALSE(f.LoadFunctionTableText(file, "X"));
        EXPECT_THAT(local.Texts(), ElementsAre("Text82 - RxFncDE.def"));
        EXPECT_EQ(f.RecordCount, 100);
        EXPECT_EQ(f.CheckCount, 1);
        EXPECT_THAT(f.Functions, ElementsAre("Monostable", "Bistable", "Timer"));
        EXPECT_EQ(f.DecoderKeys.size(), 3u);
    }
}

TEST_F(FunctionTableTest, MissingFileNamesTheFunctionTable) {
    functionTable.SetFileName("RxFncDE.def");
    EXPECT_EQ(functionTable.FileName(), "RxFncDE.def");
    EXPECT_FALSE(functionTable.LoadFunctionTable("KV2R"));
    EXPECT_THAT(ui.Texts(), ElementsAre("Text80 - RxFncDE.def"));
}

TEST_F(FunctionTableTest, LoadsFromTheDataFolder) {
    char name[] = "/tmp/ravlin-functionTable-XXXXXX";
    const std::string dir = mkdtemp(name);
    std::ofstream(dir + "/RxFncUS.def", std::ios::binary) << Combined("A");
    TFunctionTable f{dir, texts, ui};
    EXPECT_TRUE(f.LoadFunctionTable("A"));
    EXPECT_EQ(f.RecordCount, 100);
    std::filesystem::remove_all(dir);
    EXPECT_TRUE(ui.messages.empty());
}

TEST_F(FunctionTableTest, ZeroRuleCountKeepsOldRulesButDoesNotApplyThem) {
    ASSERT_TRUE(functionTable.LoadFunctionTableText(
        Combined("A", {"O01O02=B01@01=A#"}, {"O01O02=K01K02@01=FF#"}), "A"));
    ASSERT_TRUE(functionTable.LoadFunctionTableText(Combined("B"), "B"));
    EXPECT_EQ(functionTable.CheckCount, 0);
    EXPECT_EQ(functionTable.CheckRules.size(), 1u);
    EXPECT_EQ(functionTable.SetRules.size(), 1u);
    TData record = Record("01", "5");
    EXPECT_TRUE(functionTable.Check(record));
    functionTable.ApplySetRules(record);
    EXPECT_EQ(record.Channels, "01");
}

TEST_F(FunctionTableTest, RuleHeadsAndPairsSplitAsWritten) {
    ASSERT_TRUE(functionTable.LoadFunctionTableText(
        Combined("A", {"O01O02=B01@E0=A,0E=5#", "S01=K01,K02=T01@1==x,2#"}), "A"));
    ASSERT_EQ(functionTable.CheckRules.size(), 2u);
    EXPECT_EQ(functionTable.CheckRules[0].SourceMap, "O01O02");
    EXPECT_EQ(functionTable.CheckRules[0].TargetMap, "B01");
    EXPECT_THAT(functionTable.CheckRules[0].Keys, ElementsAre("E0", "0E"));
    EXPECT_THAT(functionTable.CheckRules[0].Values, ElementsAre("A", "5"));
    // A "," in the target part goes back to the source map.
    EXPECT_EQ(functionTable.CheckRules[1].SourceMap, "S01K02");
    EXPECT_EQ(functionTable.CheckRules[1].TargetMap, "K01T01");
    EXPECT_THAT(functionTable.CheckRules[1].Keys, ElementsAre("1", "2"));
    EXPECT_THAT(functionTable.CheckRules[1].Values, ElementsAre("=x", ""));
}

TEST_F(FunctionTableTest, FunctionLookupsDependOnTheMode) {
    ASSERT_TRUE(functionTable.LoadFunctionTableText(Combined("A"), "A"));
    EXPECT_EQ(functionTable.FunctionName("01"), "Monostable");
    EXPECT_EQ(functionTable.FunctionName("1"), "?");
    EXPECT_EQ(functionTable.RelayFunctionName(1, "01"), "?");
    std::string code = "keep";
    EXPECT_TRUE(functionTable.FunctionCode("Timer", code));
    EXPECT_EQ(code, "03");
    EXPECT_FALSE(functionTable.FunctionCode("timer", code));
    EXPECT_FALSE(functionTable.RelayFunctionCode("Timer", code));
    EXPECT_EQ(code, "03");

    ASSERT_TRUE(functionTable.LoadFunctionTableText(kRelay, "KV3S"));
    EXPECT_EQ(functionTable.FunctionName("01"), "?");
    EXPECT_EQ(functionTable.RelayFunctionName(1, "03"), "Timer");
    EXPECT_EQ(functionTable.RelayFunctionName(3, "03"), "Timer");
    EXPECT_FALSE(functionTable.FunctionCode("Mono", code));
    EXPECT_TRUE(functionTable.RelayFunctionCode("Mono", code));
    EXPECT_EQ(code, "01");
}

TEST_F(FunctionTableTest, TimeTexts) {
    EXPECT_EQ(TFunctionTable::FormatTime("0032"), "0:05,0");
    EXPECT_EQ(TFunctionTable::FormatTime("000F"), "0:01,500");
    EXPECT_EQ(TFunctionTable::FormatTime("FFFF"), "109:13,500");
    EXPECT_EQ(TFunctionTable::FormatTime("0G01"), "0:00,100");  // a non-hex digit counts as 0
    EXPECT_EQ(TFunctionTable::FormatTime("0258"), "1:00,0");

    ASSERT_TRUE(functionTable.LoadFunctionTableText(Combined("A"), "A"));
    EXPECT_EQ(functionTable.TimeText("0032FFFF"), "0:05,0");
    EXPECT_EQ(functionTable.RelayTimeText(1, "0032"), "?");
    std::string time = "x";
    functionTable.TimeCode(0x2A, time);
    EXPECT_EQ(time, "002A");
    functionTable.TimeCode(70000, time);  // limited to four digits
    EXPECT_EQ(time, "FFFF");
    std::string relayTimes = "00320064";
    functionTable.SetRelayTime(1, 5, relayTimes);
    EXPECT_EQ(relayTimes, "00320064");

    ASSERT_TRUE(functionTable.LoadFunctionTableText(kRelay, "KV3S"));
    EXPECT_EQ(functionTable.TimeText("0032"), "?");
    EXPECT_EQ(functionTable.RelayTimeText(2, "00320064"), "0:10,0");
    EXPECT_EQ(functionTable.RelayTimeText(3, "00320064"), "?");
    EXPECT_EQ(functionTable.RelayTimeText(0, "00320064"), "?");
    time = "abcd";
    functionTable.TimeCode(5, time);
    EXPECT_EQ(time, "abcd");
    functionTable.SetRelayTime(3, 1, relayTimes);  // digits 9 to 12 do not exist
    EXPECT_EQ(relayTimes, "00320064");
    functionTable.SetRelayTime(2, 0xABC, relayTimes);
    EXPECT_EQ(relayTimes, "00320ABC");
    functionTable.SetRelayTime(1, 66000, relayTimes);  // never more than four digits per relay
    EXPECT_EQ(relayTimes, "FFFF0ABC");
    std::string partial = "000000";
    functionTable.SetRelayTime(2, 0x1234, partial);
    EXPECT_EQ(partial, "000012");
}

TEST_F(FunctionTableTest, ChannelTexts) {
    EXPECT_EQ(TFunctionTable::ChannelsText("05"), "1, 3");
    EXPECT_EQ(TFunctionTable::ChannelsText("80"), "8");
    EXPECT_EQ(TFunctionTable::ChannelsText("00"), "-");
    EXPECT_EQ(TFunctionTable::ChannelsText("0G"), "");
    EXPECT_EQ(TFunctionTable::ChannelsText("000"), "");
    EXPECT_EQ(TFunctionTable::ChannelsText(""), "");
    EXPECT_EQ(TFunctionTable::ChannelsText("ff"), "1, 2, 3, 4, 5, 6, 7, 8");
    EXPECT_EQ(TFunctionTable::ChannelsText("80000001"), "1, 32");
    EXPECT_EQ(TFunctionTable::ChannelsText("000000001"), "");
}

TEST_F(FunctionTableTest, CheckRulesRefuseImpossibleCombinations) {
    ASSERT_TRUE(
        functionTable.LoadFunctionTableText(Combined("A", {"O01O02=B01@E0=A,0E=5,0E=F#"}), "A"));
    EXPECT_TRUE(functionTable.Check(Record("E0", "A")));
    EXPECT_FALSE(functionTable.Check(Record("E0", "5")));
    EXPECT_TRUE(functionTable.Check(Record("0E", "F")));  // second pair of the same key
    EXPECT_FALSE(functionTable.Check(Record("0E", "1")));
    EXPECT_TRUE(functionTable.Check(Record("01", "3")));  // not applicable
}

TEST_F(FunctionTableTest, CheckTextsAccumulateOverRules) {
    // The second rule compares O1 O2 B1 together, not B1 alone.
    ASSERT_TRUE(functionTable.LoadFunctionTableText(
        Combined("A", {"O01O02=K01@99=9#", "B01=S01@015=1,5=1#"}), "A"));
    EXPECT_FALSE(functionTable.Check(Record("01", "5")));  // "015" applies, target "01" is not "1"
    TData record = Record("01", "5");
    record.Serial = "92345";
    record.Channels = "01";
    // Targets accumulate too: "0" from rule 1, then "9".
    ASSERT_TRUE(functionTable.LoadFunctionTableText(
        Combined("A", {"O01O02=K01@99=9#", "B01=S01@015=09#"}), "A"));
    EXPECT_TRUE(functionTable.Check(record));
    EXPECT_TRUE(functionTable.Check(Record("01", "6")));  // "016" is no key: not applicable
}

TEST_F(FunctionTableTest, CheckFailsOnBadPositions) {
    // An unknown letter appends nothing.
    ASSERT_TRUE(functionTable.LoadFunctionTableText(Combined("A", {"X01O01O02=B01@E0=A#"}), "A"));
    EXPECT_FALSE(functionTable.Check(Record("E0", "5")));
    ASSERT_TRUE(functionTable.LoadFunctionTableText(Combined("A", {"O0x=B01@E0=A#"}), "A"));
    EXPECT_FALSE(functionTable.Check(Record("01", "5")));
    // A position beyond the field's digits cannot be judged: the record is refused.
    ASSERT_TRUE(functionTable.LoadFunctionTableText(Combined("A", {"O01O09=B01@E0=A#"}), "A"));
    EXPECT_FALSE(functionTable.Check(Record("01", "5")));
    ASSERT_TRUE(functionTable.LoadFunctionTableText(Combined("A", {"O00=B01@E0=A#"}), "A"));
    EXPECT_FALSE(functionTable.Check(Record("01", "5")));
    ASSERT_TRUE(functionTable.LoadFunctionTableText(Combined("A", {"O01O02=B05@E0=A#"}), "A"));
    EXPECT_FALSE(functionTable.Check(Record("01", "5")));
}

TEST_F(FunctionTableTest, SetRulesFillDependentDigits) {
    ASSERT_TRUE(functionTable.LoadFunctionTableText(
        Combined("A", {},
                 {"O01O02=K01K02T01T02T03T04@06=0000,E0=0000#", "=T01T02T03T04@01=0000,02=0000#"}),
        "A"));
    TData serial = Record("E0", "A");
    serial.Channels = "FF";
    serial.Time = "1234";
    functionTable.ApplySetRules(serial);
    EXPECT_EQ(serial.Channels, "00");
    EXPECT_EQ(serial.Time, "0000");

    // The second rule sees the same accumulated source "01".
    TData mono = Record("01", "1");
    mono.Time = "1234";
    functionTable.ApplySetRules(mono);
    EXPECT_EQ(mono.Channels, "01");
    EXPECT_EQ(mono.Time, "0000");

    TData timer = Record("03", "1");
    timer.Time = "1234";
    functionTable.ApplySetRules(timer);
    EXPECT_EQ(timer.Time, "1234");
}

TEST_F(FunctionTableTest, SetUsesCharacterPOfTheValueAndStopsAfterAMatch) {
    ASSERT_TRUE(functionTable.LoadFunctionTableText(
        Combined("A", {}, {"O01O02=B01T03@E0=ABCD,E0=X#", "=K01@E0=7#"}), "A"));
    TData record = Record("E0", "5");
    record.Time = "1234";
    functionTable.ApplySetRules(record);
    // Both pairs match; the last one wins for B1, the short value skips T3.
    EXPECT_EQ(record.Button, "X");
    EXPECT_EQ(record.Time, "12C4");
    EXPECT_EQ(record.Channels, "01");  // the second rule is not reached
}

TEST_F(FunctionTableTest, SetSkipsMissingDigitsAndStopsOnBadPositions) {
    ASSERT_TRUE(functionTable.LoadFunctionTableText(
        Combined("A", {}, {"O01O02O07=T01T06@01=999999#"}), "A"));
    TData record = Record("01", "1");
    functionTable.ApplySetRules(record);
    EXPECT_EQ(record.Time, "9032");  // O07 and T06 lie outside their fields
    EXPECT_EQ(record.Time.size(), 4u);

    ASSERT_TRUE(
        functionTable.LoadFunctionTableText(Combined("A", {}, {"O01O02=T01Tx1T02@01=77#"}), "A"));
    TData stopped = Record("01", "1");
    functionTable.ApplySetRules(stopped);
    EXPECT_EQ(stopped.Time, "7032");  // changes before the bad group stay
}

}  // namespace
}  // namespace ravlin
