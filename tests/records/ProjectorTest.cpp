// Serial-port command slots: every slot layout written and read back byte for byte, the
// command text's "$" forms, the byte limits and the refusals.

#include <gtest/gtest.h>

#include <random>

#include "RecordTestUtil.h"
#include "RecordingUi.h"
#include "records/Describe.h"
#include "records/Projector.h"

namespace ravlin {
namespace {

const TTextTable& Texts() {
    static const TTextTable texts = [] {
        TTextTable t = test::NumberedTexts();
        t[290] = "even";
        t[291] = "odd";
        return t;
    }();
    return texts;
}

TData Command(const std::string& type, std::string extra = {}, std::string output = "06",
              std::string button = "1") {
    TData r;
    r.Extra = extra.empty() ? std::string(type == "KV1M2" ? 500 : 100, '0') : std::move(extra);
    r.Output = std::move(output);
    r.Button = std::move(button);
    return r;
}

// Writes `page` into a copy of `extra`; fails the test on a refusal.
std::string Written(TProjectorPage& page, std::string extra) {
    test::TRecordingUi ui;
    EXPECT_TRUE(WriteProjectorPage(page, extra, Texts(), ui)) << ui.Texts().front();
    return extra;
}

// "000", then the slots, padded with "0" to `length`.
std::string Digits(const std::string& slots, size_t length = 100) {
    std::string s = "000" + slots;
    s.resize(length, '0');
    return s;
}

TEST(Projector, OneSlotRecordIsWrittenByteForByteAndReadBack) {
    TProjectorPage page;
    SetUpProjectorPage(page, "KV1M", Command("KV1M"), Texts());
    ASSERT_TRUE(page.active);
    EXPECT_EQ(page.slotsShown, 1);
    EXPECT_EQ(page.slotSize, 96);
    EXPECT_FALSE(page.sequenceShown);
    EXPECT_FALSE(page.delayShown);
    page.commandSlots[0].command = "PWR ON$0D";
    page.commandSlots[0].repeat = 2;
    const std::string extra = Written(page, std::string(100, '0'));
    EXPECT_EQ(extra, Digits("07"
                            "03"
                            "02F0"
                            "0"
                            "8"
                            "505752204F4E0D"));
    TProjectorPage read;
    SetUpProjectorPage(read, "KV1M", Command("KV1M", extra), Texts());
    EXPECT_EQ(read.commandSlots[0].command, "PWR ON$0D");
    EXPECT_EQ(read.commandSlots[0].repeat, 2);
    EXPECT_FALSE(read.commandSlots[0].direct);
    EXPECT_EQ(read.speed, "9600");
    EXPECT_EQ(read.dataBits, "8");
    EXPECT_EQ(read.parity, "-");
    EXPECT_EQ(ExtraText(Command("KV1M", extra), "KV1M"), "PWR ON$0D");
}

TEST(Projector, DollarForms) {
    EXPECT_EQ(CommandTextToDigits("$$1"), "2431");
    EXPECT_EQ(CommandTextToDigits("$0d"), "0D");  // digits stored upper case
    EXPECT_EQ(CommandTextToDigits("A$"), "4124");
    EXPECT_EQ(CommandTextToDigits("$4"), "2434");
    // Two characters that are no hex digits are no byte: the "$" is a character.
    EXPECT_EQ(CommandTextToDigits("$G1"), "244731");
    EXPECT_EQ(CommandTextToDigits("\xE9"), "E9");
    EXPECT_EQ(DigitsToCommandText("410D24"), "A$0D$$");
    EXPECT_EQ(DigitsToCommandText("1F20"), "$1F ");
    // Every byte string reads back to the same bytes.
    std::mt19937 rng(7);
    for (int round = 0; round < 500; ++round) {
        const std::string digits = test::RandomHex(rng, 2 * (rng() % 30));
        EXPECT_EQ(CommandTextToDigits(DigitsToCommandText(digits)), digits) << digits;
    }
}

TEST(Projector, ByteLimitsPerSlotSize) {
    EXPECT_EQ(SlotCapacity("KV1M", 48), 19);
    EXPECT_EQ(SlotCapacity("KV1M3", 48), 18);
    EXPECT_EQ(SlotCapacity("KV1M", 96), 43);
    EXPECT_EQ(SlotCapacity("KV1M3", 96), 42);
    EXPECT_EQ(SlotCapacity("KV1M2", 124), 57);

    struct Case {
        const char* type;
        const char* output;
        const char* button;
        int capacity;
    };
    for (const Case& c :
         {Case{"KV1M", "E0", "A", 19}, Case{"KV1M3", "0E", "5", 18}, Case{"KV1K", "06", "1", 43},
          Case{"KV1M3", "06", "1", 42}, Case{"KV1M2", "06", "1", 57}}) {
        SCOPED_TRACE(c.type);
        const TData record = Command(c.type, {}, c.output, c.button);
        TProjectorPage page;
        SetUpProjectorPage(page, c.type, record, Texts());
        // "KV1M2" moves commands up into empty slots: its first slot is filled.
        const int last = std::string(c.type) == "KV1M2" ? 0 : page.slotsShown - 1;
        page.commandSlots[static_cast<size_t>(last)].command = std::string(c.capacity, 'z');
        std::string extra = record.Extra;
        test::TRecordingUi ui;
        EXPECT_TRUE(WriteProjectorPage(page, extra, Texts(), ui));
        // The command fills the slot to its last digit; the digit after the slots stays "0".
        const size_t end = static_cast<size_t>((last + 1) * page.slotSize + 4);
        EXPECT_EQ(extra.substr(end - 3, 3), "7A0");

        page.commandSlots[static_cast<size_t>(last)].command += "$0D";
        std::string refused = record.Extra;
        TSlotError error;
        EXPECT_FALSE(WriteProjectorPage(page, refused, Texts(), ui, &error));
        EXPECT_EQ(ui.Ids(), std::vector<Text>{Text::CommandTooLong});
        EXPECT_EQ(error.slot, last);
        EXPECT_TRUE(error.command);
        EXPECT_EQ(refused, record.Extra);  // nothing written
    }
}

TEST(Projector, DirectCodeAndEmptySlots) {
    TProjectorPage page;
    SetUpProjectorPage(page, "KV1K", Command("KV1K"), Texts());
    page.commandSlots[0].direct = true;
    page.commandSlots[0].command = "ignored";
    std::string extra = Written(page, std::string(100, '0'));
    EXPECT_EQ(extra, Digits("0001"
                            "02F0"
                            "08"));
    EXPECT_EQ(ExtraText(Command("KV1K", extra), "KV1K"), "Tx Code");
    TProjectorPage read;
    SetUpProjectorPage(read, "KV1K", Command("KV1K", extra), Texts());
    EXPECT_TRUE(read.commandSlots[0].direct);
    EXPECT_EQ(read.commandSlots[0].command, "");

    // An empty command: length and repeat 0, the line settings stay.
    page.commandSlots[0].direct = false;
    page.commandSlots[0].command.clear();
    page.commandSlots[0].repeat = 5;
    EXPECT_EQ(Written(page, extra), Digits("0000"
                                           "02F0"
                                           "08"));

    // A record without slots after one with direct code shows the box unticked.
    SetUpProjectorPage(read, "KV1K", Command("KV1K", std::string(100, '0')), Texts());
    EXPECT_FALSE(read.commandSlots[0].direct);
    // An Extra too short for a slot reads as the defaults.
    SetUpProjectorPage(read, "KV1K",
                       Command("KV1K",
                               "0001"
                               "00B0"
                               "27"),
                       Texts());
    EXPECT_EQ(read.speed, "9600");
    EXPECT_EQ(read.dataBits, "8");
    EXPECT_FALSE(read.commandSlots[0].direct);
}

TEST(Projector, SequenceOfKV1WAndLineSettings) {
    TProjectorPage page;
    SetUpProjectorPage(page, "KV1W", Command("KV1W"), Texts());
    EXPECT_TRUE(page.sequenceShown);
    page.sequence = 2;  // shown as "3"
    page.commandSlots[0].command = "HELLO";
    page.speed = "115200";
    page.dataBits = "7";
    page.parity = "ODD";  // list items compare without letter case
    const std::string extra = Written(page, std::string(100, '0'));
    EXPECT_EQ(extra, Digits("85"
                            "01"
                            "0030"
                            "2"
                            "7"
                            "48454C4C4F"));
    EXPECT_EQ(ExtraText(Command("KV1W", extra), "KV1W"), "S:3 - HELLO");
    TProjectorPage read;
    SetUpProjectorPage(read, "KV1W", Command("KV1W", extra), Texts());
    EXPECT_EQ(read.sequence, 2);
    EXPECT_EQ(read.commandSlots[0].command, "HELLO");
    EXPECT_EQ(read.speed, "115200");
    EXPECT_EQ(read.dataBits, "7");
    EXPECT_EQ(read.parity, "odd");
}

TEST(Projector, TwoSlotRecordsShareTheLineSettings) {
    const TData record = Command("KV1M", {}, "66", "F");
    TProjectorPage page;
    SetUpProjectorPage(page, "KV1M", record, Texts());
    EXPECT_EQ(page.slotsShown, 2);
    EXPECT_EQ(page.slotSize, 48);
    page.commandSlots[0].command = "ON";
    page.commandSlots[0].repeat = 1;
    page.commandSlots[1].command = "OFF";
    page.commandSlots[1].repeat = 126;
    page.speed = "600";
    page.parity = "even";
    const std::string extra = Written(page, record.Extra);
    const std::string slot1 =
        "02"
        "02"
        "2FF0"
        "1"
        "8"
        "4F4E";
    const std::string slot2 =
        "03"
        "7F"
        "2FF0"
        "1"
        "8"
        "4F4646";
    std::string expected = "000" + slot1;
    expected.resize(51, '0');
    expected += slot2;
    expected.resize(100, '0');
    EXPECT_EQ(extra, expected);
    TProjectorPage read;
    SetUpProjectorPage(read, "KV1M", Command("KV1M", extra, "66", "F"), Texts());
    EXPECT_EQ(read.commandSlots[1].command, "OFF");
    EXPECT_EQ(read.commandSlots[1].repeat, 126);
    EXPECT_EQ(read.speed, "600");
    EXPECT_EQ(read.parity, "even");
    EXPECT_EQ(ExtraText(Command("KV1M", extra, "66", "F"), "KV1M"), "ON / OFF");
}

TEST(Projector, KV1M3DelaysAndSequence) {
    const TData record = Command("KV1M3", {}, "E0", "A");
    TProjectorPage page;
    SetUpProjectorPage(page, "KV1M3", record, Texts());
    EXPECT_TRUE(page.delayShown);
    EXPECT_TRUE(page.sequenceShown);
    EXPECT_EQ(page.slotsShown, 2);
    page.sequence = 1;
    page.commandSlots[0].direct = true;
    page.commandSlots[0].delay = 5;
    page.commandSlots[1].command = "A";
    page.commandSlots[1].delay = 25;
    page.commandSlots[1].repeat = 3;
    const std::string extra = Written(page, record.Extra);
    std::string expected =
        "000"
        "40"
        "01"
        "02F0"
        "0"
        "8"
        "32";
    expected.resize(51, '0');
    expected +=
        "01"
        "04"
        "02F0"
        "0"
        "8"
        "FA"
        "41";
    expected.resize(100, '0');
    EXPECT_EQ(extra, expected);
    EXPECT_EQ(ExtraText(Command("KV1M3", extra, "E0", "A"), "KV1M3"),
              "S:2 - Tx Code (D: 5s) / A (D: 25s)");
    TProjectorPage read;
    SetUpProjectorPage(read, "KV1M3", Command("KV1M3", extra, "E0", "A"), Texts());
    EXPECT_EQ(read.sequence, 1);
    EXPECT_TRUE(read.commandSlots[0].direct);
    EXPECT_EQ(read.commandSlots[0].delay, 5);
    EXPECT_EQ(read.commandSlots[1].command, "A");
    EXPECT_EQ(read.commandSlots[1].delay, 25);
    EXPECT_EQ(read.commandSlots[1].repeat, 3);
}

TEST(Projector, KV1M2FourSlotsOf124Digits) {
    const TData record = Command("KV1M2");
    TProjectorPage page;
    SetUpProjectorPage(page, "KV1M2", record, Texts());
    EXPECT_EQ(page.slotsShown, 4);
    EXPECT_EQ(page.slotSize, 124);
    EXPECT_FALSE(page.sequenceShown);
    const std::string commands[4] = {std::string(57, 'a'), "two", "", "$01$02"};
    for (size_t n = 0; n < 4; ++n) {
        page.commandSlots[n].command = commands[n];
        page.commandSlots[n].repeat = static_cast<int>(n);
    }
    page.commandSlots[2].direct = true;
    page.speed = "19200";
    const std::string extra = Written(page, record.Extra);
    ASSERT_EQ(extra.size(), 500u);
    auto slot = [&](size_t n) { return extra.substr(3 + n * 124, 124); };
    auto padded = [](std::string s) {
        s.resize(124, '0');
        return s;
    };
    std::string a57;
    for (int i = 0; i < 57; ++i) a57 += "61";
    EXPECT_EQ(slot(0), padded("39"
                              "01"
                              "0170"
                              "0"
                              "8" +
                              a57));
    EXPECT_EQ(slot(1), padded("03"
                              "02"
                              "0170"
                              "0"
                              "8"
                              "74776F"));
    EXPECT_EQ(slot(2), padded("00"
                              "03"
                              "0170"
                              "0"
                              "8"));
    EXPECT_EQ(slot(3), padded("02"
                              "04"
                              "0170"
                              "0"
                              "8"
                              "0102"));
    EXPECT_EQ(extra.substr(0, 3), "000");
    EXPECT_EQ(extra.back(), '0');

    TProjectorPage read;
    SetUpProjectorPage(read, "KV1M2", Command("KV1M2", extra), Texts());
    for (size_t n = 0; n < 4; ++n) {
        EXPECT_EQ(read.commandSlots[n].command, n == 2 ? "" : commands[n]) << n;
        EXPECT_EQ(read.commandSlots[n].repeat, static_cast<int>(n));
    }
    EXPECT_TRUE(read.commandSlots[2].direct);
    EXPECT_EQ(read.speed, "19200");
    EXPECT_EQ(ExtraText(Command("KV1M2", extra), "KV1M2"),
              std::string(57, 'a') + " / two / Tx Code / $01$02");
}

TEST(Projector, KV1M2CompactionMovesCommandsUpWithTheirRepeatCounts) {
    TProjectorPage page;
    SetUpProjectorPage(page, "KV1M2", Command("KV1M2"), Texts());
    page.commandSlots[0] = {"", false, 4, 0};
    page.commandSlots[1] = {"two", false, 1, 0};
    page.commandSlots[2] = {"", true, 2, 0};
    page.commandSlots[3] = {"four", false, 3, 0};
    EXPECT_TRUE(CompactCommands(page));
    EXPECT_EQ(page.commandSlots[0].command, "two");
    EXPECT_EQ(page.commandSlots[0].repeat, 1);
    EXPECT_TRUE(page.commandSlots[1].direct);
    EXPECT_EQ(page.commandSlots[1].repeat, 2);
    EXPECT_EQ(page.commandSlots[2].command, "four");
    EXPECT_EQ(page.commandSlots[3].command, "");
    EXPECT_EQ(page.commandSlots[3].repeat, 0);
    EXPECT_FALSE(CompactCommands(page));
    // A direct-code slot is no empty slot: it stays where it is.
    page.commandSlots = {TCommandSlot{"", true, 0, 0}, TCommandSlot{}, TCommandSlot{},
                         TCommandSlot{"x", false, 0, 0}};
    const std::string extra = Written(page, Command("KV1M2").Extra);
    EXPECT_TRUE(page.commandSlots[0].direct);
    EXPECT_EQ(page.commandSlots[1].command, "x");  // three passes at confirmation
    EXPECT_EQ(extra.substr(127, 2), "01");
    // Other types do not compact.
    TProjectorPage other;
    SetUpProjectorPage(other, "KV1M", Command("KV1M", {}, "E0", "A"), Texts());
    other.commandSlots[1].command = "b";
    EXPECT_FALSE(CompactCommands(other));
}

TEST(Projector, LineSettingRefusals) {
    struct Case {
        const char* speed;
        const char* dataBits;
        const char* parity;
        Text text;
    };
    for (const Case& c :
         {Case{"9601", "8", "-", Text::BadBaudRate}, Case{"9600", "9", "-", Text::BadDataBits},
          Case{"9600", "8", "mark", Text::BadParity}, Case{"", "8", "-", Text::BadBaudRate}}) {
        TProjectorPage page;
        SetUpProjectorPage(page, "KV1M", Command("KV1M"), Texts());
        page.speed = c.speed;
        page.dataBits = c.dataBits;
        page.parity = c.parity;
        page.commandSlots[0].command = "x";
        std::string extra(100, '5');
        test::TRecordingUi ui;
        EXPECT_FALSE(WriteProjectorPage(page, extra, Texts(), ui));
        EXPECT_EQ(ui.Ids(), std::vector<Text>{c.text});
        EXPECT_EQ(extra, std::string(100, '5'));
    }
}

TEST(Projector, LayoutFollowsTheChosenFunctionAndButton) {
    TProjectorPage page;
    SetUpProjectorPage(page, "KV1M", Command("KV1M"), Texts());
    LayOutSlots(page, "0E", "5");
    EXPECT_EQ(page.slotsShown, 2);
    EXPECT_EQ(page.slotSize, 48);
    LayOutSlots(page, "0E", "A");  // not a two-command record: the check rules refuse it
    EXPECT_EQ(page.slotsShown, 1);
    EXPECT_EQ(page.slotSize, 96);
    TProjectorPage none;
    SetUpProjectorPage(none, "KV2R", Command("KV2R"), Texts());
    EXPECT_FALSE(none.active);
    std::string extra = "1234";
    test::TRecordingUi ui;
    EXPECT_TRUE(WriteProjectorPage(none, extra, Texts(), ui));
    EXPECT_EQ(extra, "1234");
}

TEST(Projector, RandomPagesReadBackAsWritten) {
    std::mt19937 rng(11);
    struct Layout {
        const char* type;
        const char* output;
        const char* button;
    };
    const Layout layouts[] = {{"KV1M", "06", "1"},  {"KV1M", "E0", "A"}, {"KV1W", "0E", "5"},
                              {"KV1K", "66", "F"},  {"KV8M", "01", "2"}, {"KV1M3", "06", "3"},
                              {"KV1M3", "66", "F"}, {"KV1M2", "06", "1"}};
    for (int round = 0; round < 200; ++round) {
        const Layout& l = layouts[round % 8];
        const TData record = Command(l.type, {}, l.output, l.button);
        TProjectorPage page;
        SetUpProjectorPage(page, l.type, record, Texts());
        page.speed = BaudRates()[rng() % 12].text;
        page.dataBits = rng() % 2 ? "7" : "8";
        page.parity = ParityItems(Texts())[rng() % 3];
        if (page.sequenceShown) page.sequence = static_cast<int>(rng() % 4);
        const int capacity = SlotCapacity(l.type, page.slotSize);
        for (int n = 0; n < page.slotsShown; ++n) {
            TCommandSlot& s = page.commandSlots[static_cast<size_t>(n)];
            s.repeat = static_cast<int>(rng() % 127);
            if (page.delayShown) s.delay = static_cast<int>(rng() % 26);
            if (rng() % 5 == 0) {
                s.direct = true;
            } else {
                s.command = DigitsToCommandText(
                    test::RandomHex(rng, 2 * (1 + rng() % static_cast<unsigned>(capacity))));
            }
        }
        const std::string extra = Written(page, record.Extra);
        EXPECT_EQ(extra.size(), record.Extra.size());
        TProjectorPage read;
        TData again = record;
        again.Extra = extra;
        SetUpProjectorPage(read, l.type, again, Texts());
        EXPECT_EQ(read.speed, page.speed);
        EXPECT_EQ(read.dataBits, page.dataBits);
        EXPECT_EQ(read.parity, page.parity);
        EXPECT_EQ(read.sequence, page.sequence);
        for (int n = 0; n < page.slotsShown; ++n) {
            const TCommandSlot& a = page.commandSlots[static_cast<size_t>(n)];
            const TCommandSlot& b = read.commandSlots[static_cast<size_t>(n)];
            EXPECT_EQ(b.direct, a.direct);
            EXPECT_EQ(b.command, a.direct ? "" : a.command);
            EXPECT_EQ(b.repeat, a.repeat);
            EXPECT_EQ(b.delay, a.delay);
        }
        // Written again, the same digits.
        EXPECT_EQ(Written(read, extra), extra);
    }
}

}  // namespace
}  // namespace ravlin
