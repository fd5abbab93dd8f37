#include <gtest/gtest.h>

#include "RecordTestUtil.h"
#include "records/Describe.h"
#include "views/MemoryView.h"

namespace ravlin {
namespace {

class Describe : public ::testing::Test {
  protected:
    TTextTable texts = test::NumberedTexts();
    TSilentUi ui;
    TFunctionTable functionTable{test::DeliveredDataDir(), texts, ui};

    void Load(const std::string& name, TDevice& device) {
        functionTable.SetFileName("RxFncUS.def");
        ASSERT_TRUE(functionTable.LoadFunctionTable(name));
        ASSERT_TRUE(test::DeliveredDevice(name, device));
    }
};

// Extra of a serial-command record: three leading digits, then the slots, padded with "0".
std::string Slots(const std::string& slots, size_t length = 100) {
    std::string extra = "000" + slots;
    extra.resize(length, '0');
    return extra;
}

TData CommandRecord(std::string extra, std::string output = "06", std::string button = "1") {
    TData r;
    r.Output = std::move(output);
    r.Button = std::move(button);
    r.Extra = std::move(extra);
    return r;
}

TEST_F(Describe, CombinedModeShowsTheTimeOnlyForTheTimedFunction) {
    TDevice d;
    Load("KV2R", d);
    TData r;
    r.CodePrefix = "C1";
    r.Serial = "0A0B0";
    r.Output = "03";
    r.Channels = "05";
    r.Time = "0032";
    EXPECT_EQ(TransmitterCodeText(r), "C10A0B0");
    EXPECT_EQ(FunctionText(r, functionTable), "Timer");
    EXPECT_EQ(ChannelsText(r), "1, 3");
    EXPECT_EQ(TimeText(r, functionTable), "0:05,0");
    r.Output = "01";
    EXPECT_EQ(FunctionText(r, functionTable), "Monostable");
    EXPECT_EQ(TimeText(r, functionTable), "-");
    r.Output = "03";
    functionTable.TimeIndex = static_cast<int>(functionTable.Functions.size());
    EXPECT_EQ(TimeText(r, functionTable), "-");
}

TEST_F(Describe, RelayModeSharesTheFunctionButEachRelayHasItsOwnTime) {
    TDevice d;
    Load("KV3S", d);
    TData r;
    r.Output = "03";
    r.Time =
        "0032"
        "0064"
        "0000";
    for (int relay = 1; relay <= 3; ++relay)
        EXPECT_EQ(RelayFunctionText(r, functionTable, relay), "Timer");
    EXPECT_EQ(RelayTimeText(r, functionTable, 1), "0:05,0");
    EXPECT_EQ(RelayTimeText(r, functionTable, 2), "0:10,0");
    EXPECT_EQ(RelayTimeText(r, functionTable, 3), "0:00,0");
    r.Output = "02";
    EXPECT_EQ(RelayTimeText(r, functionTable, 2), "-");
}

TEST(ExtraText, SequencedTypesBeginWithTheSequenceAndWriteControlBytesAsDollarDigits) {
    // Length byte 47: sequence bits 01, seven command bytes.
    const TData r =
        CommandRecord(Slots("47"
                            "03"
                            "02F0"
                            "0"
                            "8"
                            "505752204F4E0D"));
    EXPECT_EQ(ExtraText(r, "KV1W"), "S:2 - PWR ON$0D");
    EXPECT_EQ(ExtraText(r, "KV1M"), "PWR ON$0D");
    const TData dollar =
        CommandRecord(Slots("03"
                            "01"
                            "02F0"
                            "0"
                            "8"
                            "244119"));
    EXPECT_EQ(ExtraText(dollar, "KV1K"), "$A$19");
}

TEST(ExtraText, DirectCodeAndDelayOfKV1M3) {
    const TData r =
        CommandRecord(Slots("00"
                            "01"
                            "02F0"
                            "0"
                            "8"
                            "32"));
    EXPECT_EQ(ExtraText(r, "KV1M3"), "S:1 - Tx Code (D: 5s)");
    // KV1M3 command bytes start two digits later, behind the delay byte.
    const TData c =
        CommandRecord(Slots("C2"
                            "01"
                            "02F0"
                            "0"
                            "8"
                            "00"
                            "4142"));
    EXPECT_EQ(ExtraText(c, "KV1M3"), "S:4 - AB");
    // Nothing in the slot: no text.
    EXPECT_EQ(ExtraText(CommandRecord(Slots("")), "KV8M"), "");
}

TEST(ExtraText, TwoSlotRecordsJoinNonEmptySlots) {
    const std::string slot1 =
        "02"
        "01"
        "02F0"
        "0"
        "8"
        "4142" +
        std::string(34, '0');
    ASSERT_EQ(slot1.size(), 48u);
    const std::string slot2 =
        "01"
        "01"
        "02F0"
        "0"
        "8"
        "43";
    EXPECT_EQ(ExtraText(CommandRecord(Slots(slot1), "E0", "A"), "KV1M"), "AB");
    EXPECT_EQ(ExtraText(CommandRecord(Slots(slot1 + slot2), "0E", "5"), "KV1M"), "AB / C");
    // The same digits in a one-slot record: only slot 1 counts.
    EXPECT_EQ(ExtraText(CommandRecord(Slots(slot1 + slot2), "66", "A"), "KV1M"), "AB");
}

TEST(ExtraText, KV1M2HasFourSlotsOf124Digits) {
    auto slot = [](const std::string& head, const std::string& bytes) {
        std::string s = head +
                        "02F0"
                        "0"
                        "8" +
                        bytes;
        s.resize(124, '0');
        return s;
    };
    const std::string empty(124, '0');
    EXPECT_EQ(ExtraText(CommandRecord(
                            Slots(slot("0101", "41") + empty + slot("0101", "42") + empty, 500)),
                        "KV1M2"),
              "A / B");
    EXPECT_EQ(
        ExtraText(CommandRecord(Slots(empty + slot("0101", "41") + empty + empty, 500)), "KV1M2"),
        " / A");
    // A length byte above 114 counts as no command bytes.
    EXPECT_EQ(ExtraText(CommandRecord(Slots(slot("8001", "41"), 500)), "KV1M2"), "Tx Code");
    EXPECT_EQ(ExtraText(CommandRecord(Slots(slot("8000", "41"), 500)), "KV1M2"), "");
}

TEST(ExtraText, OtherTypesAndShortExtraGiveNoText) {
    const TData r =
        CommandRecord(Slots("02"
                            "01"
                            "02F0"
                            "0"
                            "8"
                            "4142"));
    EXPECT_EQ(ExtraText(r, "KV2R"), "");
    EXPECT_EQ(ExtraText(r, "KV1T-N"), "");
    // Command bytes cut off by the end of Extra are left out.
    EXPECT_EQ(ExtraText(CommandRecord("000"
                                      "05"
                                      "01"
                                      "02F0"
                                      "0"
                                      "8"
                                      "414"),
                        "KV1M"),
              "A");
    EXPECT_EQ(ExtraText(CommandRecord(""), "KV1M"), "");
}

// ---- Memory view -----------------------------------------------------------------

TEST_F(Describe, MemoryViewSingleLayout) {
    TDevice d;
    Load("KV1M", d);
    TRecordTable t(3);
    for (int i = 0; i < 3; ++i) t[i] = MakeEmptyRecord(d, i + 1);
    t[1].Empty = false;
    t[1].Serial = "12345";
    t[1].Button = "0";
    t[1].Output = "06";
    t[1].Channels = "01";
    t[1].Extra = Slots(
        "02"
        "01"
        "02F0"
        "0"
        "8"
        "4142");
    const auto view = BuildMemoryView(t, d, functionTable, texts, "Name");
    EXPECT_EQ(view.family, TLayoutFamily::Single);
    EXPECT_EQ(view.headers,
              (std::vector<std::string>{"L27", "L28", "L29", "L150", "L151", "L152", "RS-232"}));
    ASSERT_EQ(view.rows.size(), 1u);
    EXPECT_EQ(view.rows[0].record, 1);
    EXPECT_TRUE(view.rows[0].red);
    EXPECT_EQ(view.rows[0].cells,
              (std::vector<std::string>{"2", "x012345", "0", "RS-232", "1", "-", "AB"}));
    EXPECT_FALSE(view.empty);
    t[1].Empty = true;
    EXPECT_TRUE(BuildMemoryView(t, d, functionTable, texts, "Name").empty);
}

TEST_F(Describe, MemoryViewMultiLayoutHasAFunctionAndTimeColumnPerRelay) {
    TDevice d;
    Load("KV3S", d);
    TRecordTable t = {MakeEmptyRecord(d, 1), MakeEmptyRecord(d, 2)};
    t[0].Empty = false;
    t[0].Button = "3";
    t[0].Output = "03";
    t[0].Time =
        "0032"
        "0064"
        "0001";
    const auto view = BuildMemoryView(t, d, functionTable, texts, "Name");
    EXPECT_EQ(view.family, TLayoutFamily::Multi);
    EXPECT_EQ(view.headers, (std::vector<std::string>{"L27", "L28", "L29", "L311", "L321", "L312",
                                                      "L322", "L313", "L323", "RS-232"}));
    ASSERT_EQ(view.rows.size(), 1u);
    EXPECT_FALSE(view.rows[0].red);
    EXPECT_EQ(view.rows[0].cells,
              (std::vector<std::string>{"1", "x000000", "3", "Timer", "0:05,0", "Timer", "0:10,0",
                                        "Timer", "0:00,100", ""}));
}

TEST_F(Describe, MemoryViewOfTextHoldingTypeShowsUser1) {
    TDevice d;
    Load("KV8T-N", d);
    TRecordTable t = {MakeEmptyRecord(d, 1)};
    t[0].Empty = false;
    t[0].User1 = "Front door";
    const auto view = BuildMemoryView(t, d, functionTable, texts, "Name");
    EXPECT_EQ(view.headers.back(), "Name");
    EXPECT_EQ(view.rows.at(0).cells.back(), "Front door");
    // Only KV8T-N does so in the single layout.
    TDevice d1;
    Load("KV1T-N", d1);
    EXPECT_EQ(BuildMemoryView(t, d1, functionTable, texts, "Name").headers.back(), "RS-232");
}

}  // namespace
}  // namespace ravlin
