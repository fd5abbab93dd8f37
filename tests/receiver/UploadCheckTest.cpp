// What an upload would change in the receiver, the merge of the receiver's extra records,
// and the read-back comparison.

#include <gtest/gtest.h>

#include "receiver/UploadCheck.h"

namespace ravlin {
namespace {

// A record of 8 digits: "1", one content digit, the key (6 digits, where the record key
// lies). The key is what ties a record of the receiver to one of the upload.
TData Rec(int position, const std::string& key, char content = '0', int user = 0) {
    TData r;
    r.Position = position;
    r.Empty = false;
    r.Raw = "1" + std::string(1, content) + key;
    r.Serial = key;
    r.UserID = user;
    return r;
}
TData Free(int position) {
    TData r;
    r.Position = position;
    r.Raw = "FFFFFFFF";
    return r;
}

TEST(UploadCheck, TheSameMemoryChangesNothing) {
    const TRecordTable t = {Rec(1, "000001"), Rec(2, "000002"), Free(3)};
    const TUploadComparison c = CompareUpload(t, t);
    EXPECT_TRUE(c.Same());
    EXPECT_EQ(c.unchanged, 2);
    EXPECT_EQ(c.freeSlots, 1);
    EXPECT_FALSE(c.CanMerge());
    ASSERT_EQ(ComparisonLines(c).size(), 1u);
    EXPECT_NE(ComparisonLines(c)[0].find("already holds"), std::string::npos);
}

TEST(UploadCheck, LearntRecordsAreListedAsRemovedWithWhatReplacesThem) {
    // The document was downloaded with records 1 and 2; the receiver learnt 3 and 4 since,
    // and the document added its own record at position 3.
    const TRecordTable receiver = {Rec(1, "000001"), Rec(2, "000002"), Rec(3, "0000A3", '0', 7),
                                   Rec(4, "0000A4"), Free(5),          Free(6)};
    const TRecordTable upload = {Rec(1, "000001"), Rec(2, "000002"), Rec(3, "0000B3"),
                                 Free(4),          Free(5),          Free(6)};
    const TUploadComparison c = CompareUpload(receiver, upload);
    ASSERT_EQ(c.removed.size(), 2u);
    EXPECT_EQ(c.removed[0].receiverPosition, 3);
    EXPECT_EQ(c.removed[0].code, "x00000A3");
    EXPECT_EQ(c.removed[0].user, "7");
    EXPECT_EQ(c.removed[0].replacedBy, "x00000B3");
    EXPECT_EQ(c.removed[1].receiverPosition, 4);
    EXPECT_EQ(c.removed[1].replacedBy, "");
    ASSERT_EQ(c.added.size(), 1u);
    EXPECT_EQ(c.added[0].uploadPosition, 3);
    EXPECT_EQ(c.unchanged, 2);
    EXPECT_EQ(c.freeSlots, 3);
    EXPECT_TRUE(c.CanMerge());
    // The removed records come first and name their codes.
    const auto lines = ComparisonLines(c);
    ASSERT_GE(lines.size(), 3u);
    EXPECT_NE(lines[0].find("remove or overwrite: 2"), std::string::npos);
    EXPECT_NE(lines[1].find("x00000A3"), std::string::npos);
    EXPECT_NE(lines[1].find("overwritten by x00000B3"), std::string::npos);
    EXPECT_NE(lines[2].find("(erased)"), std::string::npos);
}

TEST(UploadCheck, PackingMovesRecordsWithoutLosingThem) {
    const TRecordTable receiver = {Free(1), Rec(2, "000002"), Rec(3, "000003", '5')};
    const TRecordTable upload = {Rec(1, "000002"), Rec(2, "000003", '6'), Free(3)};
    const TUploadComparison c = CompareUpload(receiver, upload);
    EXPECT_TRUE(c.removed.empty());
    EXPECT_TRUE(c.added.empty());
    ASSERT_EQ(c.moved.size(), 1u);
    EXPECT_EQ(c.moved[0].receiverPosition, 2);
    EXPECT_EQ(c.moved[0].uploadPosition, 1);
    ASSERT_EQ(c.changed.size(), 1u);
    EXPECT_EQ(c.changed[0].held, "15000003");
    EXPECT_EQ(c.changed[0].written, "16000003");
    EXPECT_FALSE(c.Same());
}

TEST(UploadCheck, TwoButtonsOfOneTransmitterAreMatchedOneToOne) {
    // Two records of the same key in the receiver, one in the upload: one is removed.
    const TRecordTable receiver = {Rec(1, "000009", '1'), Rec(2, "000009", '2')};
    const TRecordTable upload = {Rec(1, "000009", '2'), Free(2)};
    const TUploadComparison c = CompareUpload(receiver, upload);
    EXPECT_EQ(c.moved.size(), 1u);
    ASSERT_EQ(c.removed.size(), 1u);
    EXPECT_EQ(c.removed[0].receiverPosition, 1);
}

TEST(UploadCheck, MergeFillsEmptyPositionsOnlyAndNeverOverwrites) {
    const TRecordTable receiver = {Rec(1, "000001"), Rec(2, "0000A2", '0', 4), Rec(3, "0000A3")};
    TRecordTable table = {Rec(1, "000001"), Free(2), Rec(3, "0000C3"), Free(4)};
    const TUploadComparison c = CompareUpload(receiver, table);
    ASSERT_EQ(c.removed.size(), 2u);
    ASSERT_TRUE(MergeReceiverRecords(c, receiver, table));
    ASSERT_EQ(table.size(), 4u);
    EXPECT_EQ(table[0].Raw, "10000001");
    EXPECT_EQ(table[1].Raw, "100000A2");
    EXPECT_EQ(table[1].Position, 2);
    EXPECT_EQ(table[1].UserID, 4);
    EXPECT_EQ(table[2].Raw, "100000C3");
    EXPECT_EQ(table[3].Raw, "100000A3");
    EXPECT_EQ(table[3].Position, 4);
    // Afterwards the upload removes nothing.
    EXPECT_TRUE(CompareUpload(receiver, table).removed.empty());
}

TEST(UploadCheck, MergeWithoutRoomLeavesTheTableAlone) {
    const TRecordTable receiver = {Rec(1, "0000A1"), Rec(2, "0000A2")};
    TRecordTable table = {Rec(1, "0000C1"), Free(2)};
    const TUploadComparison c = CompareUpload(receiver, table);
    ASSERT_EQ(c.removed.size(), 2u);
    EXPECT_FALSE(c.CanMerge());
    const TRecordTable before = table;
    EXPECT_FALSE(MergeReceiverRecords(c, receiver, table));
    ASSERT_EQ(table.size(), before.size());
    for (size_t i = 0; i < table.size(); ++i) EXPECT_EQ(table[i].Raw, before[i].Raw);
}

TEST(UploadCheck, ReadBackNamesEachRecordThatDiffers) {
    TDevice device;
    device.EmptyTemplate = "00000000";  // 8 digits per record
    const TRecordTable upload = {Rec(1, "000001", '0', 3), Rec(2, "000002"), Free(3)};
    const std::string written =
        "10000001"
        "10000002"
        "FFFFFFFF";
    // Record 2 kept one old digit; record 3 was only partly read back.
    const std::string held =
        "10000001"
        "17000002"
        "FFFF";
    const auto d = CompareReadBack(written, held, device, upload);
    ASSERT_EQ(d.size(), 1u);
    EXPECT_EQ(d[0].position, 2);
    EXPECT_EQ(d[0].code, "x0000002");
    EXPECT_EQ(d[0].written, "10000002");
    EXPECT_EQ(d[0].held, "17000002");
    const auto lines = ReadBackLines(d);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_NE(lines[1].find("position 2"), std::string::npos);
    EXPECT_NE(lines[1].find("written 10000002  held 17000002"), std::string::npos);
    EXPECT_TRUE(CompareReadBack(written, written, device, upload).empty());
    // An empty position that did not keep its erase is named as such.
    const auto e = CompareReadBack(written,
                                   "10000001"
                                   "10000002"
                                   "FFFF0000",
                                   device, upload);
    ASSERT_EQ(e.size(), 1u);
    EXPECT_EQ(e[0].code, "(empty)");
}

}  // namespace
}  // namespace ravlin
