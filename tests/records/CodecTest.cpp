#include <gtest/gtest.h>

#include "RecordTestUtil.h"
#include "RecordingUi.h"
#include "records/Codec.h"

namespace ravlin {
namespace {

using test::TRecordingUi;

constexpr const char* kMap8 = "O001O002B001S001S002S003S004S005";

TDevice SmallDevice(int count, int blockSize = 0, std::string decodeMap = kMap8,
                    std::string encodeMap = kMap8, std::string name = "T8") {
    TDevice d;
    d.Name = std::move(name);
    d.EmptyTemplate = std::string(decodeMap.size() / 4, '0');
    d.ErasedRecord = std::string(decodeMap.size() / 4, 'F');
    d.DecodeMap = std::move(decodeMap);
    d.EncodeMap = std::move(encodeMap);
    d.RecordCount = count;
    d.BlockSize = blockSize;
    return d;
}

const std::string A = "011A0001";
const std::string B = "022B0002";
const std::string C = "033C0003";
const std::string E = "FFFFFFFF";
const std::string Z = "00000000";

TEST(Codec, DecodeSplitsDigitsIntoFieldsAndResetsUserInformation) {
    TDevice d = SmallDevice(2);
    TRecordTable t(1);
    t[0].UserID = 7;
    ASSERT_TRUE(DecodeImage(A + Z, d, t));
    ASSERT_EQ(t.size(), 2u);
    EXPECT_EQ(t[0].Output, "01");
    EXPECT_EQ(t[0].Button, "1");
    EXPECT_EQ(t[0].Serial, "A0001");
    EXPECT_EQ(t[0].Channels, "");  // the map names no K digit
    EXPECT_EQ(t[0].Raw, A);
    EXPECT_FALSE(t[0].Empty);
    EXPECT_EQ(t[0].UserID, 0);
    EXPECT_EQ(t[0].TxType, "-");
    EXPECT_EQ(t[0].CodePrefix, "x0");
    EXPECT_EQ(t[1].Position, 2);
    EXPECT_TRUE(t[1].Empty);
}

TEST(Codec, UsedCountEndsBeforeTheLastRunOfErasedRecords) {
    TDevice d = SmallDevice(5);
    TRecordTable t;
    ASSERT_TRUE(DecodeImage(E + A + B + C + Z, d, t));
    EXPECT_EQ(d.UsedCount, 0);
    ASSERT_TRUE(DecodeImage(A + E + B + E + E, d, t));
    EXPECT_EQ(d.UsedCount, 3);
    // An empty template record is empty but does not end the used part.
    ASSERT_TRUE(DecodeImage(A + Z + B + Z + Z, d, t));
    EXPECT_EQ(d.UsedCount, 5);
    EXPECT_TRUE(t[1].Empty);
}

TEST(Codec, EncodeWithBlockSize2048PacksAndErasesTheRest) {
    TDevice d = SmallDevice(5, 2048);
    TRecordTable t;
    ASSERT_TRUE(DecodeImage(A + E + B + E + E, d, t));
    TRecordingUi ui;
    std::string image;
    ASSERT_TRUE(EncodeImage(d, t, image, ui));
    EXPECT_EQ(image, A + B + E + E + E);
    EXPECT_EQ(d.UsedCount, 2);
    EXPECT_EQ(t[0].Serial, "A0001");
    EXPECT_EQ(t[1].Serial, "B0002");
    EXPECT_EQ(t[1].Position, 2);
    EXPECT_TRUE(t[2].Empty);
    EXPECT_EQ(t[4].Position, 5);
    EXPECT_TRUE(ui.messages.empty());
}

TEST(Codec, EncodeWithOtherBlockSizeWritesClearedRecordsFromTheirZeroFields) {
    TDevice d = SmallDevice(5, 512);
    TRecordTable t;
    ASSERT_TRUE(DecodeImage(A + E + B + E + E, d, t));
    TRecordingUi ui;
    std::string image;
    ASSERT_TRUE(EncodeImage(d, t, image, ui));
    EXPECT_EQ(image, A + B + Z + Z + Z);
    EXPECT_EQ(d.UsedCount, 5);
}

TEST(Codec, EncodeKeepsRecordsStandingBehindAnErasedRecord) {
    TDevice d = SmallDevice(4, 2048);
    TRecordTable t;
    ASSERT_TRUE(DecodeImage(A + E + B + C, d, t));
    EXPECT_EQ(d.UsedCount, 1);
    t[3].User2 = "kept";
    TRecordingUi ui;
    std::string image;
    ASSERT_TRUE(EncodeImage(d, t, image, ui));
    EXPECT_EQ(image, A + B + C + E);
    EXPECT_EQ(d.UsedCount, 3);
    EXPECT_EQ(t[2].User2, "kept");
    EXPECT_EQ(t[2].Position, 3);
}

TEST(Codec, AnImageWhoseFirstRecordIsErasedEncodesToErasedRecordsOnly) {
    TDevice d = SmallDevice(3, 2048);
    TRecordTable t;
    ASSERT_TRUE(DecodeImage(E + E + E, d, t));
    TRecordingUi ui;
    std::string image;
    ASSERT_TRUE(EncodeImage(d, t, image, ui));
    EXPECT_EQ(image, E + E + E);
    // A record added in between is written.
    ASSERT_TRUE(DecodeImage(E + E + E, d, t));
    t[0] = MakeEmptyRecord(d, 1);
    t[0].Serial = "12345";
    t[0].Empty = false;
    ASSERT_TRUE(EncodeImage(d, t, image, ui));
    EXPECT_EQ(image, "00012345" + E + E);
}

TEST(Codec, SparseMapsFillUnnamedPositionsWithZeros) {
    // Digits 4 and 5 go to serial positions 2 and 4; the others belong to no field.
    const std::string map = "X001X002X003S002S004X004";
    TDevice d = SmallDevice(1, 0, map, map);
    TRecordTable t;
    ASSERT_TRUE(DecodeImage("123456", d, t));
    EXPECT_EQ(t[0].Serial, "0405");
    EXPECT_EQ(t[0].Button, "");
    // The same letter in the encode map makes every encode fail.
    TRecordingUi ui;
    std::string image;
    EXPECT_FALSE(EncodeImage(d, t, image, ui));
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].kind, test::TRecorded::Information);
    EXPECT_EQ(ui.messages[0].message, TMessage::Fixed("Data coding error"));
}

TEST(Codec, EncodeErrorLeavesTheRecordsBeforeTheFailingOneInTheImage) {
    TDevice d = SmallDevice(3, 0, kMap8, "O001O002B001S001S002S003S004S00x");
    TRecordTable t;
    ASSERT_TRUE(DecodeImage(A + B + C, d, t));
    TRecordingUi ui;
    std::string image = "old";
    EXPECT_FALSE(EncodeImage(d, t, image, ui));
    EXPECT_EQ(image, "");
    EXPECT_EQ(ui.Texts(), std::vector<std::string>{"Data coding error"});
    // A map position the field does not reach gives a record of the wrong length.
    TDevice d2 = SmallDevice(2, 0, kMap8, "O001O002B001S001S002S003S004S009");
    ASSERT_TRUE(DecodeImage(A + B, d2, t));
    ui.messages.clear();
    EXPECT_FALSE(EncodeImage(d2, t, image, ui));
    EXPECT_EQ(ui.Texts(), std::vector<std::string>{"Data coding error"});
}

TEST(Codec, DecodeMapFaultFailsWithoutTouchingTheTable) {
    TDevice good = SmallDevice(2);
    TRecordTable t;
    ASSERT_TRUE(DecodeImage(A + B, good, t));
    const TRecordTable before = t;
    for (const std::string map :
         {"O001O002B001S001S002S003S004S0x5", "O001O002B001S001S002S003S004S501"}) {
        TDevice bad = SmallDevice(2, 0, map, kMap8);
        bad.UsedCount = 42;
        EXPECT_FALSE(DecodeImage(C + C, bad, t)) << map;
        EXPECT_EQ(bad.UsedCount, 42);
        ASSERT_EQ(t.size(), before.size());
        EXPECT_EQ(t[0].Raw, before[0].Raw);
        EXPECT_EQ(t[1].Serial, before[1].Serial);
    }
}

TEST(Codec, TextHoldingTypesKeepUser1InExtra) {
    // KV1T-N: text from digit 1 of Extra; KV8T-N from digit 2, digit 1 left alone.
    const std::string map = "S001E001E002E003E004E005E006E007E008E009";
    TDevice d = SmallDevice(1, 0, map, map, "KV1T-N");
    TRecordTable t;
    ASSERT_TRUE(
        DecodeImage("1"
                    "41420000"
                    "0",
                    d, t));
    EXPECT_EQ(t[0].User1, "AB");
    t[0].User1 = "AB  ";
    TRecordingUi ui;
    std::string image;
    ASSERT_TRUE(EncodeImage(d, t, image, ui));
    EXPECT_EQ(image,
              "1"
              "41422020"
              "0");  // the odd last digit is no complete pair
    ASSERT_TRUE(DecodeImage(image, d, t));
    EXPECT_EQ(t[0].User1, "AB");
    // Characters that do not fit are dropped.
    t[0].User1 = "WXYZ";
    ASSERT_TRUE(EncodeImage(d, t, image, ui));
    EXPECT_EQ(image,
              "1"
              "5758595A"
              "0");

    TDevice d8 = SmallDevice(1, 0, map, map, "KV8T-N");
    ASSERT_TRUE(
        DecodeImage("1"
                    "74142"
                    "0000",
                    d8, t));
    EXPECT_EQ(t[0].User1, "AB");
    t[0].User1 = "C";
    ASSERT_TRUE(EncodeImage(d8, t, image, ui));
    EXPECT_EQ(image,
              "1"
              "7"
              "43"
              "00"
              "00"
              "00");
    EXPECT_TRUE(ui.messages.empty());
}

TEST(Codec, ClearRecordKeepsPositionAndFieldLengths) {
    TDevice d = SmallDevice(2);
    TRecordTable t;
    ASSERT_TRUE(DecodeImage(A + B, d, t));
    t[1].User1 = "x";
    t[1].UserID = 3;
    t[1].CodePrefix = "AB";
    ClearRecord(t, d, 2);
    EXPECT_TRUE(t[1].Empty);
    EXPECT_EQ(t[1].Position, 2);
    EXPECT_EQ(t[1].Raw, Z);
    EXPECT_EQ(t[1].Serial, "00000");
    EXPECT_EQ(t[1].Output, "00");
    EXPECT_EQ(t[1].User1, "");
    EXPECT_EQ(t[1].UserID, 0);
    EXPECT_EQ(t[1].CodePrefix, "x0");
    ClearRecord(t, d, 3);  // outside the table: nothing happens
    ClearRecord(t, d, 0);
    EXPECT_FALSE(t[0].Empty);
}

TEST(Codec, EncodeMakesTheTableCoverTheMemoryExactly) {
    TDevice d = SmallDevice(3);
    TRecordTable t;
    ASSERT_TRUE(DecodeImage(A + B + C, d, t));
    TRecordingUi ui;
    std::string image;
    // Too short: the missing positions are empty records.
    t.resize(1);
    ASSERT_TRUE(EncodeImage(d, t, image, ui));
    EXPECT_EQ(image, A + Z + Z);
    ASSERT_EQ(t.size(), 3u);
    EXPECT_EQ(t[2].Position, 3);
    // Too long with a used record beyond the memory: refused rather than dropped.
    ASSERT_TRUE(DecodeImage(A + B + C, d, t));
    t.push_back(t[0]);
    EXPECT_FALSE(EncodeImage(d, t, image, ui));
    EXPECT_EQ(ui.Texts(), std::vector<std::string>{"Data coding error"});
}

TEST(Codec, MakeEmptyTableForANewDocument) {
    const TTextTable texts = test::NumberedTexts();
    TRecordingUi ui;
    TFunctionTable functionTable(test::DeliveredDataDir(), texts, ui);
    functionTable.SetFileName("RxFncUS.def");
    TDevice current;
    current.Name = "old";
    current.Password = "pw";
    current.BlockSize = 2048;
    TRecordTable t;
    ASSERT_TRUE(MakeEmptyTable(test::DeliveredDataDir(), "KV2R", false, current, functionTable, t,
                               texts, ui));
    EXPECT_EQ(current.Name, "KV2R");
    EXPECT_EQ(current.RecordCount, 250);
    EXPECT_EQ(current.UsedCount, 250);
    EXPECT_EQ(current.BlockSize, 0);
    EXPECT_EQ(current.Password, "");
    ASSERT_EQ(t.size(), 250u);
    for (const auto& r : t) ASSERT_TRUE(r.Empty && r.Raw == current.EmptyTemplate);
    EXPECT_EQ(t[249].Position, 250);
    EXPECT_EQ(t[0].Serial, "00000");
    EXPECT_EQ(t[0].Time, "0000");
    EXPECT_EQ(t[0].Extra, "00");
    EXPECT_EQ(t[0].TxType, "-");

    // Logged in: the receiver's type and memory size stay.
    TDevice receiver = current;
    receiver.RecordCount = 100;
    receiver.BlockSize = 2048;
    receiver.UsedCount = 3;
    ASSERT_TRUE(MakeEmptyTable(test::DeliveredDataDir(), "KV2R", true, receiver, functionTable, t,
                               texts, ui));
    EXPECT_EQ(receiver.RecordCount, 100);
    EXPECT_EQ(receiver.BlockSize, 2048);
    EXPECT_EQ(receiver.UsedCount, 100);
    EXPECT_EQ(t.size(), 100u);

    // An unknown type changes nothing.
    const TRecordTable before = t;
    EXPECT_FALSE(MakeEmptyTable(test::DeliveredDataDir(), "NOPE", false, receiver, functionTable, t,
                                texts, ui));
    EXPECT_EQ(receiver.RecordCount, 100);
    EXPECT_EQ(t.size(), before.size());
    EXPECT_TRUE(ui.messages.empty());
}

}  // namespace
}  // namespace ravlin
