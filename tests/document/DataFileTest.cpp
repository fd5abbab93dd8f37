#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "../records/RecordTestUtil.h"
#include "RecordingUi.h"
#include "document/DataFile.h"
#include "records/Codec.h"

namespace ravlin {
namespace {

using test::ReadText;
using test::TRecordingUi;
using test::WriteText;

class DataFile : public ::testing::Test {
  protected:
    TTextTable texts = test::NumberedTexts();
    TRecordingUi ui;
    test::TTempDir dir;
    TDataFileEnv env{test::DeliveredDataDir(), texts, ui};

    // The current receiver type, table and image of a program that is not logged in.
    TDevice device;
    TRecordTable table;
    std::string image;

    TDevice Delivered(const std::string& name) {
        TDevice d;
        EXPECT_TRUE(test::DeliveredDevice(name, d)) << name;
        return d;
    }
    // A table of `d`'s size with used records at the given positions.
    TRecordTable TableWith(const TDevice& d, std::initializer_list<int> used, unsigned seed = 1) {
        std::mt19937 rng(seed);
        TRecordTable t;
        for (int p = 1; p <= d.RecordCount; ++p) t.push_back(MakeEmptyRecord(d, p));
        for (int p : used) t[p - 1] = test::RandomUsedRecord(d, p, rng);
        return t;
    }
    std::string Save(TDevice d, TRecordTable t, const std::string& name) {
        std::string img;
        EXPECT_TRUE(SaveData(dir.File(name), d, t, img, texts, ui));
        return dir.File(name);
    }
    std::vector<Text> Ids() const { return ui.Ids(); }
};

// Everything an open may change, as one text.
std::string Snapshot(const TDevice& d, const TRecordTable& t, const std::string& image) {
    std::string s = d.Name + "|" + std::to_string(d.RecordCount) + "|" +
                    std::to_string(d.UsedCount) + "|" + d.EmptyTemplate + "|" + image + "|";
    for (const auto& r : t)
        s += std::to_string(r.Position) + (r.Empty ? "E" : "U") + r.Raw + r.Serial + r.Button +
             r.Output + r.Channels + r.Time + r.Extra + "#" + std::to_string(r.UserID) + r.User1 +
             "#" + r.User2 + "#" + r.User3 + "#" + r.User4 + "#" + r.TxType + "#" + r.CodePrefix +
             "\n";
    return s;
}

void ExpectSameRecord(const TData& a, const TData& b, const std::string& where) {
    EXPECT_EQ(a.Position, b.Position) << where;
    EXPECT_EQ(a.Empty, b.Empty) << where;
    EXPECT_EQ(a.Raw, b.Raw) << where;
    EXPECT_EQ(a.Serial, b.Serial) << where;
    EXPECT_EQ(a.Button, b.Button) << where;
    EXPECT_EQ(a.Output, b.Output) << where;
    EXPECT_EQ(a.Channels, b.Channels) << where;
    EXPECT_EQ(a.Time, b.Time) << where;
    EXPECT_EQ(a.Extra, b.Extra) << where;
    EXPECT_EQ(a.UserID, b.UserID) << where;
    EXPECT_EQ(a.User1, b.User1) << where;
    EXPECT_EQ(a.User2, b.User2) << where;
    EXPECT_EQ(a.User3, b.User3) << where;
    EXPECT_EQ(a.User4, b.User4) << where;
    EXPECT_EQ(a.TxType, b.TxType) << where;
    EXPECT_EQ(a.CodePrefix, b.CodePrefix) << where;
}

// Random tables of every delivered receiver type survive encode, save, open and decode:
// the used records come back in their order at positions 1, 2, ... with every digit and
// every piece of user information.
TEST_F(DataFile, RandomTablesOfEveryReceiverTypeSurviveSaveAndOpen) {
    TSilentUi silent;
    const auto types = ListReceiverTypes(test::DeliveredDataDir() + "/Rx.def", texts, silent);
    ASSERT_GE(types.size(), 13u);
    for (const auto& type : types) {
        TDevice d;
        ASSERT_TRUE(test::DeliveredDevice(type.Name, d))
            << "no catalogue entry or function table for " << type.Name;
        for (unsigned seed = 1; seed <= 3; ++seed) {
            const std::string where = type.Name + " seed " + std::to_string(seed);
            std::mt19937 rng(seed * 7919 + d.RecordCount);
            TRecordTable t;
            for (int p = 1; p <= d.RecordCount; ++p) {
                const unsigned roll = rng() % 6;
                if (roll < 2) {
                    t.push_back(test::RandomUsedRecord(d, p, rng));
                } else {
                    t.push_back(MakeEmptyRecord(d, p));
                    if (roll == 2) t.back().Raw = d.ErasedRecord;
                }
            }
            std::vector<TData> used;
            for (const auto& r : t)
                if (!r.Empty) used.push_back(r);
            TDevice saved = d;
            std::string savedImage;
            const std::string file = dir.File("round.rvl");
            ASSERT_TRUE(SaveData(file, saved, t, savedImage, texts, ui)) << where;

            TDevice opened;
            TRecordTable back;
            std::string backImage;
            ASSERT_TRUE(OpenData(file, env, false, opened, back, backImage)) << where;
            ASSERT_TRUE(ui.messages.empty()) << where << ": " << ui.Texts()[0];
            EXPECT_EQ(opened.Name, d.Name);
            EXPECT_EQ(opened.RecordCount, d.RecordCount);
            EXPECT_EQ(backImage, savedImage) << where;
            ASSERT_EQ(back.size(), t.size()) << where;
            for (size_t i = 0; i < t.size(); ++i)
                ExpectSameRecord(back[i], t[i], where + " position " + std::to_string(i + 1));
            for (size_t i = 0; i < used.size(); ++i) {
                const std::string at = where + " used record " + std::to_string(i + 1);
                EXPECT_EQ(back[i].Position, static_cast<int>(i + 1)) << at;
                EXPECT_EQ(back[i].Serial, used[i].Serial) << at;
                EXPECT_EQ(back[i].Output, used[i].Output) << at;
                EXPECT_EQ(back[i].UserID, used[i].UserID) << at;
                EXPECT_EQ(back[i].User1, used[i].User1) << at;
                EXPECT_EQ(back[i].User4, used[i].User4) << at;
                EXPECT_EQ(back[i].TxType, used[i].TxType) << at;
                EXPECT_EQ(back[i].CodePrefix, used[i].CodePrefix) << at;
                if (!IsTextHoldingType(d.Name)) {
                    EXPECT_EQ(back[i].Raw, used[i].Raw) << at;
                }
            }
            for (size_t i = used.size(); i < back.size(); ++i)
                ASSERT_TRUE(back[i].Empty) << where << " position " << i + 1;
            if (HasFailure()) return;
        }
    }
}

TEST_F(DataFile, WritesTheDocumentedLayout) {
    TDevice d = Delivered("KV2R");
    d.RecordCount = 3;
    TRecordTable t = TableWith(d, {});
    t[1].Empty = false;
    t[1].Output = "01";
    t[1].Button = "3";
    t[1].Serial = "1A2B3";
    t[1].UserID = 12;
    t[1].User1 = "Gate";
    t[1].CodePrefix = "C1";
    t[1].TxType = "Hand 4";
    const std::string file = Save(d, t, "layout.rvl");
    EXPECT_EQ(ReadText(file),
              "KV2R\r\n3\r\n"
              "0131A2B300000000"
              "0000000000000000"
              "0000000000000000\r\n"
              "1   12#Gate####\r\nC1 Hand 4\r\n"
              "2   0#####\r\nx0 -\r\n"
              "3   0#####\r\nx0 -\r\n");
    EXPECT_TRUE(ui.messages.empty());
}

TEST_F(DataFile, PositionsFrom1000RunIntoTheUserNumber) {
    EXPECT_EQ(PositionField(7), "7   ");
    EXPECT_EQ(PositionField(42), "42  ");
    EXPECT_EQ(PositionField(999), "999 ");
    EXPECT_EQ(PositionField(1000), "1000");
    TDevice d = Delivered("KV8R");
    ASSERT_EQ(d.RecordCount, 1000);
    TRecordTable t = TableWith(d, {});
    t[999].UserID = 5;
    d.UsedCount = d.RecordCount;
    // Cleared records keep no user information; give position 1000 a transmitter.
    for (int p = 1; p <= 1000; ++p) {
        t[p - 1].Empty = false;
        t[p - 1].Serial = "00001";
    }
    const std::string file = Save(d, t, "big.rvl");
    EXPECT_NE(ReadText(file).find("\r\n10005#####\r\n"), std::string::npos);
    ASSERT_TRUE(OpenData(file, env, false, device, table, image));
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_EQ(table[999].UserID, 5);
}

TEST_F(DataFile, AHashInAUserTextNeverShiftsTheFollowingFields) {
    TDevice d = Delivered("KV2R");
    d.RecordCount = 1;
    const std::string img(16, '1');
    // Fields beyond the fourth are not user texts.
    WriteText(dir.File("a.rvl"), "KV2R\r\n1\r\n" + img + "\r\n1   3#a#b#c#d#e#f#\r\nAB T\r\n");
    ASSERT_TRUE(OpenData(dir.File("a.rvl"), env, false, device, table, image));
    EXPECT_EQ(table[0].User1, "a");
    EXPECT_EQ(table[0].User4, "d");
    // A "#" the editor would refuse, come from elsewhere, is written as a blank: the field
    // separator it is must not split the text.
    TRecordTable t = table;
    t[0].User1 = "x#y";
    t[0].User2 = "z";
    Save(d, t, "b.rvl");
    EXPECT_NE(ReadText(dir.File("b.rvl")).find("3#x y#z#c#d#\r\n"), std::string::npos);
    ASSERT_TRUE(OpenData(dir.File("b.rvl"), env, false, device, table, image));
    EXPECT_EQ(table[0].User1, "x y");
    EXPECT_EQ(table[0].User2, "z");
    EXPECT_EQ(table[0].User3, "c");
    EXPECT_EQ(table[0].User4, "d");
    EXPECT_TRUE(ui.messages.empty());
    // Fewer fields: the missing texts keep their decoded (empty) values; LF alone ends lines.
    WriteText(dir.File("c.rvl"), "KV2R\n1\n" + img + "\n1   3#x#\nAB T\n");
    ASSERT_TRUE(OpenData(dir.File("c.rvl"), env, false, device, table, image));
    EXPECT_EQ(table[0].UserID, 3);
    EXPECT_EQ(table[0].User1, "x");
    EXPECT_EQ(table[0].User2, "");
    EXPECT_EQ(table[0].CodePrefix, "AB");
    EXPECT_EQ(table[0].TxType, "T");
}

// A text-holding type keeps User1 in the receiver: "Flat #3" as the receiver holds it.
class DataFileReceiverText : public DataFile {
  protected:
    TDevice d = Delivered("KV1T-N");
    TRecordTable Table() {
        TRecordTable t = TableWith(d, {1, 2});
        t[0].User1 = "Flat #3";
        TextToExtra(t[0].User1, d.Name, t[0].Extra);
        t[0].User2 = "Hall";
        t[0].User3 = "B";
        t[0].User4 = "last";
        t[0].UserID = 12;
        t[1].User1 = "second";
        return t;
    }
    void ExpectWhole(const TRecordTable& t) {
        ASSERT_GE(t.size(), 2u);
        EXPECT_EQ(t[0].User1, "Flat #3");
        EXPECT_EQ(t[0].User2, "Hall");
        EXPECT_EQ(t[0].User3, "B");
        EXPECT_EQ(t[0].User4, "last");
        EXPECT_EQ(t[0].UserID, 12);
        EXPECT_EQ(ExtraToText(t[0].Extra, d.Name), "Flat #3");
        EXPECT_EQ(t[1].User1, "second");
    }
};

TEST_F(DataFileReceiverText, AHashSurvivesSaveOpenAndUpload) {
    Save(d, Table(), "hash.rvl");
    // The file's field cannot carry the "#": a blank stands there, the image has the text.
    const std::string text = ReadText(dir.File("hash.rvl"));
    EXPECT_NE(text.find("1   12#Flat  3#Hall#B#last#\r\n"), std::string::npos);
    ASSERT_TRUE(OpenData(dir.File("hash.rvl"), env, false, device, table, image));
    EXPECT_TRUE(ui.messages.empty());
    ExpectWhole(table);
    // Encoded for an upload, the receiver gets the text back as it was.
    std::string uploaded;
    ASSERT_TRUE(EncodeImage(device, table, uploaded, ui));
    ExpectWhole(table);
    EXPECT_EQ(uploaded, image);
    // And saved again, it stays so.
    Save(device, table, "again.rvl");
    EXPECT_EQ(ReadText(dir.File("again.rvl")), text);
}

TEST_F(DataFileReceiverText, FilesWrittenWithTheHashSplitAreRead) {
    // Earlier writers put the text as it was: its "#" split the field.
    TRecordTable t = Table();
    std::string img;
    TDevice e = d;
    ASSERT_TRUE(EncodeImage(e, t, img, ui));
    std::string text = FormatDataFile(e, t, img);
    const std::string now = "12#Flat  3#Hall#";
    ASSERT_NE(text.find(now), std::string::npos);
    text.replace(text.find(now), now.size(), "12#Flat #3#Hall#");
    WriteText(dir.File("old.rvl"), text);
    ASSERT_TRUE(OpenData(dir.File("old.rvl"), env, false, device, table, image));
    EXPECT_TRUE(ui.messages.empty());
    ExpectWhole(table);
    // Comments imported from it keep the text whole too.
    TRecordTable target = TableWith(d, {});
    target[0].Raw = table[0].Raw;
    target[1].Raw = table[1].Raw;
    ASSERT_TRUE(ImportComments(dir.File("old.rvl"), env, target));
    EXPECT_EQ(target[0].User1, "Flat #3");
    EXPECT_EQ(target[0].User2, "Hall");
    EXPECT_EQ(target[0].User4, "last");
}

TEST_F(DataFileReceiverText, AFirstFieldOfItsOwnStillWins) {
    // A file whose first field is not the receiver's text (hand-edited, or a text longer
    // than the receiver keeps) gives that field, as it always did.
    Save(d, Table(), "own.rvl");
    std::string text = ReadText(dir.File("own.rvl"));
    text.replace(text.find("Flat  3"), 7, "Another name here");
    WriteText(dir.File("own.rvl"), text);
    ASSERT_TRUE(OpenData(dir.File("own.rvl"), env, false, device, table, image));
    EXPECT_EQ(table[0].User1, "Another name here");
    EXPECT_EQ(table[0].User2, "Hall");
    EXPECT_EQ(table[0].User4, "last");
}

TEST_F(DataFile, ALineFeedInATextDoesNotBreakTheFile) {
    // A receiver text may hold any byte, a line feed too; written as it stands it would end
    // the record's line and shift every later record of the file.
    TDevice d = Delivered("KV2R");
    TRecordTable t = TableWith(d, {1, 2});
    t[0].User1 = "AB\nCD";
    t[0].TxType = "T\nX";
    t[1].User2 = "second";
    t[1].UserID = 7;
    Save(d, t, "lf.rvl");
    ASSERT_TRUE(OpenData(dir.File("lf.rvl"), env, false, device, table, image));
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_EQ(table[0].User1, "AB CD");
    EXPECT_EQ(table[0].TxType, "T X");
    EXPECT_EQ(table[1].User2, "second");
    EXPECT_EQ(table[1].UserID, 7);
}

TEST_F(DataFile, RecordCountZeroAndFilesThatEndEarly) {
    WriteText(dir.File("zero.rvl"), "KV2R\r\n0\r\n\r\n");
    ASSERT_TRUE(OpenData(dir.File("zero.rvl"), env, false, device, table, image));
    EXPECT_EQ(device.RecordCount, 0);
    EXPECT_TRUE(table.empty());
    EXPECT_EQ(Save(device, table, "zero2.rvl"), dir.File("zero2.rvl"));
    EXPECT_EQ(ReadText(dir.File("zero2.rvl")), "KV2R\r\n0\r\n\r\n");

    const std::string img = std::string(16, '1') + std::string(16, '2') + std::string(16, '3');
    WriteText(dir.File("short.rvl"),
              "KV2R\r\n3\r\n" + img + "\r\n1   9#u###v#\r\nP1 T\r\n2   8#w####\r\n");
    ASSERT_TRUE(OpenData(dir.File("short.rvl"), env, false, device, table, image));
    ASSERT_EQ(table.size(), 3u);
    EXPECT_EQ(table[0].UserID, 9);
    EXPECT_EQ(table[0].User4, "v");
    EXPECT_EQ(table[0].CodePrefix, "P1");
    EXPECT_EQ(table[1].UserID, 8);
    EXPECT_EQ(table[1].CodePrefix, "x0");  // its second line is missing
    EXPECT_EQ(table[1].TxType, "-");
    EXPECT_EQ(table[2].UserID, 0);
    EXPECT_EQ(table[2].Serial, "33333");
    EXPECT_TRUE(ui.messages.empty());
}

TEST_F(DataFile, ARecordCountBeyondFourDigitsIsAFormatError) {
    // 9 999 records open; one more is no data file, however well its image fits.
    WriteText(dir.File("max.rvl"), "KV2R\r\n9999\r\n" + std::string(9999 * 16, '1') + "\r\n");
    ASSERT_TRUE(OpenData(dir.File("max.rvl"), env, false, device, table, image));
    EXPECT_EQ(table.size(), 9999u);
    const std::string before = Snapshot(device, table, image);
    for (const std::string count : {"10000", "2147483647"}) {
        ui.messages.clear();
        const std::string file = dir.File(count + ".rvl");
        WriteText(file, "KV2R\r\n" + count + "\r\n" + std::string(10000 * 16, '1') + "\r\n");
        EXPECT_FALSE(OpenData(file, env, false, device, table, image)) << count;
        EXPECT_EQ(Ids(), std::vector<Text>{Text::WrongFormat}) << count;
        EXPECT_EQ(ui.messages[0].message.text, TextAt(texts, Text::WrongFormat) + " - " + file);
        EXPECT_EQ(Snapshot(device, table, image), before) << count;
        ui.messages.clear();
        TDataFileRead read;
        EXPECT_FALSE(ParseDataFile(ReadText(file), file, env, nullptr, read));
        EXPECT_EQ(Ids(), std::vector<Text>{Text::WrongFormat});
        ui.messages.clear();
        EXPECT_FALSE(ImportComments(file, env, table));
        EXPECT_EQ(Ids(), std::vector<Text>{Text::WrongFormat});
        std::string type, peeked, why;
        EXPECT_FALSE(PeekDataFile(file, type, peeked, why));
        EXPECT_NE(why.find("9999"), std::string::npos) << why;
    }
}

TEST_F(DataFile, AHugeRecordCountIsRefusedWithoutReadingTheFile) {
    // 200 MB (sparse) behind a count of ten million: the reader stops at the count line.
    const std::string file = dir.File("huge.rvl");
    WriteText(file, "KV2R\r\n10000000\r\n");
    ASSERT_EQ(::truncate(file.c_str(), 200L * 1024 * 1024), 0);
    auto readBytes = [] {
        std::ifstream io("/proc/self/io");
        std::string key;
        long long value = -1;
        while (io >> key >> value)
            if (key == "rchar:") return value;
        return -1LL;
    };
    const long long start = readBytes();
    if (start < 0) GTEST_SKIP() << "no /proc/self/io";
    EXPECT_FALSE(OpenData(file, env, false, device, table, image));
    EXPECT_EQ(Ids(), std::vector<Text>{Text::WrongFormat});
    EXPECT_LT(readBytes() - start, 4LL * 1024 * 1024);
}

TEST_F(DataFile, RefusedFilesLeaveTypeTableAndImageAsTheyWere) {
    TDevice d = Delivered("KV4R");
    const std::string good = Save(d, TableWith(d, {1, 7}), "good.rvl");
    ASSERT_TRUE(OpenData(good, env, false, device, table, image));
    const std::string before = Snapshot(device, table, image);
    const std::string img(32, '1');
    struct Case {
        std::string name, text;
        Text id;
    } cases[] = {
        {"unknown.rvl", "KV9Z\r\n2\r\n" + img + "\r\n", Text::UnknownType},
        {"count.rvl", "KV2R\r\nabc\r\n" + img + "\r\n", Text::WrongFormat},
        {"negative.rvl", "KV2R\r\n-2\r\n\r\n", Text::WrongFormat},
        {"length.rvl", "KV2R\r\n3\r\n" + img + "\r\n", Text::WrongLength},
        {"empty.rvl", "", Text::UnknownType},
    };
    for (const auto& c : cases) {
        WriteText(dir.File(c.name), c.text);
        ui.messages.clear();
        EXPECT_FALSE(OpenData(dir.File(c.name), env, false, device, table, image)) << c.name;
        EXPECT_EQ(ui.Ids(), std::vector<Text>{c.id}) << c.name;
        EXPECT_EQ(ui.Texts(), std::vector<std::string>{"L" + std::to_string(TextNumber(c.id)) +
                                                       " - " + dir.File(c.name)});
        EXPECT_EQ(Snapshot(device, table, image), before) << c.name;
    }
    for (const std::string& missing : {dir.File("missing.rvl"), dir.path()}) {
        ui.messages.clear();
        EXPECT_FALSE(OpenData(missing, env, false, device, table, image));
        EXPECT_EQ(ui.Ids(), std::vector<Text>{Text::CannotOpen});
        EXPECT_EQ(Snapshot(device, table, image), before);
    }
    // A broken catalogue reports itself, not an unknown type as well.
    test::TTempDir catalogue;
    WriteText(catalogue.File("Rx.def"), "KV2R\r\n\r\n2\r\n00\r\nO001O002\r\nO001O002\r\n#E\r\n");
    TDataFileEnv broken{catalogue.path(), texts, ui};
    ui.messages.clear();
    WriteText(dir.File("kv2r.rvl"), "KV2R\r\n0\r\n\r\n");
    EXPECT_FALSE(OpenData(dir.File("kv2r.rvl"), broken, false, device, table, image));
    EXPECT_EQ(ui.Texts(), std::vector<std::string>{"L82 - Rx.def"});
    EXPECT_EQ(Snapshot(device, table, image), before);
}

TEST_F(DataFile, LoggedInTheFileMustFitTheReceiver) {
    TDevice receiver = Delivered("KV2R");
    receiver.BlockSize = 2048;
    receiver.Password = "pw";
    TRecordTable t = TableWith(receiver, {1, 2});
    const std::string small = dir.File("small.rvl");
    WriteText(small, "KV2R\r\n2\r\n" + std::string(32, '1') + "\r\n1   4#a####\r\nx0 -\r\n");
    Save(Delivered("KV4R"), TableWith(Delivered("KV4R"), {3}), "other.rvl");
    TDevice bigger = receiver;
    bigger.RecordCount = 251;
    Save(bigger, TableWith(bigger, {}), "bigger.rvl");

    device = receiver;
    table = t;
    image = "before";
    const std::string before = Snapshot(device, table, image);
    EXPECT_FALSE(OpenData(dir.File("other.rvl"), env, true, device, table, image));
    EXPECT_FALSE(OpenData(dir.File("bigger.rvl"), env, true, device, table, image));
    EXPECT_EQ(ui.Ids(), (std::vector<Text>{Text::OtherType, Text::TooManyRecords}));
    EXPECT_EQ(Snapshot(device, table, image), before);

    ASSERT_TRUE(OpenData(small, env, true, device, table, image));
    EXPECT_EQ(device.RecordCount, 250);  // the receiver's
    EXPECT_EQ(device.BlockSize, 2048);
    EXPECT_EQ(device.Password, "pw");
    EXPECT_EQ(image.size(), 250u * 16);
    ASSERT_EQ(table.size(), 250u);
    EXPECT_EQ(table[0].UserID, 4);
    EXPECT_FALSE(table[1].Empty);
    EXPECT_TRUE(table[2].Empty);
    EXPECT_EQ(table[249].Position, 250);

    // Not logged in, a file of another type switches the type.
    ASSERT_TRUE(OpenData(dir.File("other.rvl"), env, false, device, table, image));
    EXPECT_EQ(device.Name, "KV4R");
    EXPECT_EQ(device.RecordCount, 500);
    EXPECT_EQ(device.BlockSize, 0);
    EXPECT_EQ(device.Password, "");
}

TEST_F(DataFile, RecordLineErrorsAreReportedOnceAndReadingGoesOn) {
    const std::string img(48, '1');
    WriteText(dir.File("order.rvl"), "KV2R\r\n3\r\n" + img +
                                         "\r\n2   1#a####\r\nx0 -\r\n1   2#b####\r\nx0 -\r\n"
                                         "3   x#c####\r\nx0 -\r\n");
    ASSERT_TRUE(OpenData(dir.File("order.rvl"), env, false, device, table, image));
    EXPECT_EQ(ui.Texts(), std::vector<std::string>{"L82 - " + dir.File("order.rvl")});
    EXPECT_EQ(table[0].User1, "a");
    EXPECT_EQ(table[1].UserID, 2);
    EXPECT_EQ(table[2].UserID, 0);  // not a number: keeps its value
    EXPECT_EQ(table[2].User1, "c");

    ui.messages.clear();
    WriteText(dir.File("shortline.rvl"),
              "KV2R\r\n2\r\n" + std::string(32, '1') + "\r\n1\r\nx0 -\r\n2   6#d####\r\nAB -\r\n");
    ASSERT_TRUE(OpenData(dir.File("shortline.rvl"), env, false, device, table, image));
    EXPECT_EQ(ui.Ids(), std::vector<Text>{Text::WrongFormat});
    EXPECT_EQ(table[1].UserID, 6);
    EXPECT_EQ(table[1].CodePrefix, "AB");
}

TEST_F(DataFile, SavingRenumbersTheUsedRecords) {
    TDevice d = Delivered("KV2R");
    TRecordTable t = TableWith(d, {2, 5, 9});
    const std::string serial5 = t[4].Serial;
    std::string img;
    ASSERT_TRUE(SaveData(dir.File("r.rvl"), d, t, img, texts, ui));
    EXPECT_EQ(t[1].Serial, serial5);
    EXPECT_EQ(t[1].Position, 2);
    EXPECT_FALSE(t[2].Empty);
    EXPECT_TRUE(t[3].Empty);
    ASSERT_TRUE(OpenData(dir.File("r.rvl"), env, false, device, table, image));
    EXPECT_EQ(table[1].Serial, serial5);
    EXPECT_EQ(table[1].User1, t[1].User1);
}

TEST_F(DataFile, ImportFillsUnsetUserInformationByRecordKey) {
    TDevice d = Delivered("KV2R");
    TRecordTable source = TableWith(d, {1, 2, 3}, 5);
    // The document's records: the same transmitters at other positions, with some
    // information of their own, and one transmitter the file does not know.
    TRecordTable t = TableWith(d, {}, 9);
    auto place = [&](int at, const TData& from) {
        t[at - 1] = from;
        t[at - 1].Position = at;
        t[at - 1].UserID = 0;
        t[at - 1].User1 = t[at - 1].User2 = t[at - 1].User3 = t[at - 1].User4 = "";
        t[at - 1].TxType = "-";
        t[at - 1].CodePrefix = "x0";
    };
    place(10, source[2]);
    place(11, source[0]);
    t[10].UserID = 77;
    t[10].User2 = "mine";
    t[10].TxType = "Own";
    place(12, source[1]);
    t[11].Raw[1] = t[11].Raw[1] == '0' ? '1' : '0';  // digit 2 is no part of the key
    std::mt19937 rng(3);
    t[12] = test::RandomUsedRecord(d, 13, rng);
    t[12].UserID = 0;
    t[12].User1 = "";
    const TData stranger = t[12];
    // A duplicate key later in the file fills only what the first left unset.
    TRecordTable withDuplicate = source;
    withDuplicate[3] = source[0];
    withDuplicate[3].Position = 4;
    withDuplicate[3].User1 = "second";
    withDuplicate[3].User3 = "second";
    withDuplicate[0].User3 = "";
    Save(d, withDuplicate, "src.rvl");
    ui.messages.clear();

    ASSERT_TRUE(ImportComments(dir.File("src.rvl"), env, t));
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_EQ(t[9].UserID, source[2].UserID);
    EXPECT_EQ(t[9].User1, source[2].User1);
    EXPECT_EQ(t[9].CodePrefix, source[2].CodePrefix);
    EXPECT_EQ(t[10].UserID, 77);
    EXPECT_EQ(t[10].User1, source[0].User1);
    EXPECT_EQ(t[10].User2, "mine");
    EXPECT_EQ(t[10].User3, "second");
    EXPECT_EQ(t[10].TxType, "Own");
    EXPECT_EQ(t[11].User4, source[1].User4);
    EXPECT_EQ(t[12].UserID, stranger.UserID);
    EXPECT_EQ(t[12].User1, "");
    EXPECT_EQ(t[12].User2, stranger.User2);
}

TEST_F(DataFile, OpenAndMergeTakesTheUserInformationOfThePreviousFile) {
    TDevice d = Delivered("KV2R");
    TRecordTable doc = TableWith(d, {1, 2}, 4);
    Save(d, doc, "doc.rvl");
    // The backup holds the same records without user information.
    TRecordTable bare = doc;
    for (auto& r : bare) {
        r.UserID = 0;
        r.User1 = r.User2 = r.User3 = r.User4 = "";
        r.TxType = "-";
        r.CodePrefix = "x0";
    }
    Save(d, bare, "backup.rvl");
    ASSERT_TRUE(OpenAndMerge(dir.File("backup.rvl"), dir.File("doc.rvl"), env, false, device, table,
                             image));
    EXPECT_EQ(table[0].User1, doc[0].User1);
    EXPECT_EQ(table[1].UserID, doc[1].UserID);
    EXPECT_TRUE(ui.messages.empty());
}

// ---- save failures: the previous file stays byte for byte ---------------------------

class DataFileSave : public DataFile {
  protected:
    void SetUp() override {
        d = Delivered("KV2R");
        t = TableWith(d, {1, 2, 3});
        previous = "previous content\r\n";
        WriteText(dir.File("doc.rvl"), previous);
    }
    bool NoTemporaryFilesLeft() const {
        for (auto& e : std::filesystem::directory_iterator(dir.path()))
            if (e.path().filename().string().rfind(".doc.rvl.", 0) == 0) return false;
        return true;
    }
    TDevice d;
    TRecordTable t;
    std::string previous;
};

TEST_F(DataFileSave, AMissingFolderIsReported) {
    std::string img;
    EXPECT_FALSE(SaveData(dir.File("no/such/folder.rvl"), d, t, img, texts, ui));
    EXPECT_EQ(ui.Texts(), std::vector<std::string>{"L80 - " + dir.File("no/such/folder.rvl")});
}

TEST_F(DataFileSave, AReadOnlyFolderIsReported) {
    if (::geteuid() == 0) GTEST_SKIP() << "running as root: folder permissions are not enforced";
    std::string img;
    ASSERT_EQ(::chmod(dir.path().c_str(), 0555), 0);
    EXPECT_FALSE(SaveData(dir.File("doc.rvl"), d, t, img, texts, ui));
    ::chmod(dir.path().c_str(), 0700);
    EXPECT_EQ(ui.Ids(), std::vector<Text>{Text::CannotOpen});
    EXPECT_EQ(ReadText(dir.File("doc.rvl")), previous);
}

TEST_F(DataFileSave, AReadOnlyFileIsNotReplaced) {
    ASSERT_EQ(::chmod(dir.File("doc.rvl").c_str(), 0444), 0);
    std::string img;
    EXPECT_FALSE(SaveData(dir.File("doc.rvl"), d, t, img, texts, ui));
    EXPECT_EQ(ui.Texts(), std::vector<std::string>{"L80 - " + dir.File("doc.rvl")});
    EXPECT_EQ(ReadText(dir.File("doc.rvl")), previous);
    EXPECT_TRUE(NoTemporaryFilesLeft());
}

TEST_F(DataFileSave, AFullDeviceLeavesThePreviousFile) {
    // The child may write no more than 100 bytes per file: the temporary file overflows.
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit{100, 100};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        TRecordingUi childUi;
        std::string img;
        const bool ok = SaveData(dir.File("doc.rvl"), d, t, img, texts, childUi);
        const bool reported = childUi.messages.size() == 1 &&
                              childUi.messages[0].message.textId == Text::None &&
                              childUi.messages[0].message.text ==
                                  std::string(std::strerror(EFBIG)) + " - " + dir.File("doc.rvl");
        ::_exit(!ok && reported ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "the save did not fail with the system's error text";
    EXPECT_EQ(ReadText(dir.File("doc.rvl")), previous);
    EXPECT_TRUE(NoTemporaryFilesLeft());
}

TEST_F(DataFileSave, ACodingErrorWritesNothing) {
    d.EncodeMap[5] = 'x';
    std::string img;
    EXPECT_FALSE(SaveData(dir.File("doc.rvl"), d, t, img, texts, ui));
    EXPECT_EQ(ui.Texts(), std::vector<std::string>{"Data coding error"});
    EXPECT_EQ(ReadText(dir.File("doc.rvl")), previous);
    EXPECT_TRUE(NoTemporaryFilesLeft());
}

TEST_F(DataFileSave, ASuccessfulSaveKeepsTheFileMode) {
    ASSERT_EQ(::chmod(dir.File("doc.rvl").c_str(), 0640), 0);
    std::string img;
    ASSERT_TRUE(SaveData(dir.File("doc.rvl"), d, t, img, texts, ui));
    struct stat st {};
    ASSERT_EQ(::stat(dir.File("doc.rvl").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    EXPECT_NE(ReadText(dir.File("doc.rvl")), previous);
    EXPECT_TRUE(NoTemporaryFilesLeft());
}

TEST_F(DataFileSave, ALinkedFileIsReplacedAndTheLinkStays) {
    ASSERT_EQ(::symlink(dir.File("doc.rvl").c_str(), dir.File("link.rvl").c_str()), 0);
    std::string img;
    ASSERT_TRUE(SaveData(dir.File("link.rvl"), d, t, img, texts, ui));
    struct stat st {};
    ASSERT_EQ(::lstat(dir.File("link.rvl").c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));
    EXPECT_EQ(ReadText(dir.File("doc.rvl")).substr(0, 6), "KV2R\r\n");
    EXPECT_TRUE(NoTemporaryFilesLeft());
}

TEST_F(DataFile, PeekReadsTypeAndImageWithoutTheCatalogue) {
    TDevice d = Delivered("KV2R");
    const std::string file = Save(d, TableWith(d, {1}), "peek.rvl");
    std::string name, img, why;
    ASSERT_TRUE(PeekDataFile(file, name, img, why)) << why;
    EXPECT_EQ(name, "KV2R");
    EXPECT_EQ(img.size(), 250u * 16);
    WriteText(dir.File("bad.rvl"), "KV2R\r\n2\r\n123\r\n");
    EXPECT_FALSE(PeekDataFile(dir.File("bad.rvl"), name, img, why));
    EXPECT_FALSE(why.empty());
    EXPECT_FALSE(PeekDataFile(dir.File("none.rvl"), name, img, why));
    EXPECT_TRUE(ui.messages.empty());
}

}  // namespace
}  // namespace ravlin
