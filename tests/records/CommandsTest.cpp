// Add, Edit and Delete over the record table, and one edit given as a request.

#include "EditorTestUtil.h"
#include "records/RecordCommands.h"

namespace ravlin {
namespace {

class Commands : public test::EditorFixture {
  protected:
    TRecordTable table;

    // A table of `count` records of the type whose positions `used` hold transmitters,
    // decoded from an image so that the end of the used part is the codec's.
    void Table(const std::string& type, int count, const std::vector<int>& used,
               int erasedFrom = 0) {
        Use(type);
        device.RecordCount = count;
        std::string image;
        for (int p = 1; p <= count; ++p) {
            std::string raw = device.EmptyTemplate;
            if (std::find(used.begin(), used.end(), p) != used.end()) {
                raw[0] = '0';
                raw[1] = '1';  // Monostable
                raw[2] = '1';  // button 1
                raw[3] = static_cast<char>('0' + p % 10);
                raw[4] = 'A';
            } else if (erasedFrom > 0 && p >= erasedFrom) {
                raw = device.ErasedRecord;
            }
            image += raw;
        }
        ASSERT_TRUE(DecodeImage(image, device, table));
    }

    void Apply(const TRecordChange& change) { ApplyChange(change, table, device, true); }
};

TEST_F(Commands, AddTakesTheFirstFreePositionAndCopiesTheTemplateRecord) {
    Table("KV2R", 6, {1, 2, 4});
    EXPECT_EQ(FirstEmptyPosition(table), 3);
    table[3].User1 = "template";
    TAddPlan plan;
    ASSERT_TRUE(PlanAdd(table, device, 4, plan, texts, ui));
    EXPECT_EQ(plan.position, 3);
    EXPECT_EQ(plan.record.Position, 3);
    EXPECT_EQ(plan.record.Button, "0");
    EXPECT_EQ(plan.record.Serial, table[3].Serial);
    EXPECT_EQ(plan.record.User1, "template");

    ASSERT_TRUE(PlanAdd(table, device, kAddCleared, plan, texts, ui));
    EXPECT_EQ(plan.record.Serial, "00000");
    EXPECT_EQ(plan.record.Raw, device.EmptyTemplate);
    EXPECT_EQ(plan.record.TxType, "-");

    // Cancelled: nothing was changed. Accepted: the record is added.
    Open(plan.record);
    editor->CodeEdited("x0ABCDE");
    editor->CodeExit();
    const TRecordChange change = AddChange(table, device, plan, Confirmed());
    ASSERT_EQ(change.Positions(), std::vector<int>{3});  // 3 lies inside the used part
    EXPECT_EQ(change.usedAfter, change.usedBefore);
    Apply(change);
    EXPECT_FALSE(table[2].Empty);
    EXPECT_EQ(table[2].Serial, "ABCDE");
    EXPECT_EQ(table[2].Position, 3);
}

TEST_F(Commands, AddBeyondTheUsedPartMovesItsEnd) {
    Table("KV2R", 6, {1, 2}, 5);
    ASSERT_EQ(device.UsedCount, 4);
    device.UsedCount = 2;  // as a new document's table after two adds
    TAddPlan plan;
    ASSERT_TRUE(PlanAdd(table, device, kAddCleared, plan, texts, ui));
    EXPECT_EQ(plan.position, 3);
    TData edited = plan.record;
    edited.Serial = "12345";
    TRecordChange change = AddChange(table, device, plan, edited);
    EXPECT_EQ(change.Positions(), (std::vector<int>{3, 4}));
    EXPECT_EQ(change.usedAfter, 3);
    Apply(change);
    EXPECT_EQ(table[3].Raw, device.ErasedRecord);
    EXPECT_TRUE(table[3].Empty);
    // The encoder now writes the new record.
    std::string image;
    ASSERT_TRUE(EncodeImage(device, table, image, ui));
    EXPECT_EQ(image.substr(32, 16).substr(3, 5), "12345");

    // A record with the code of no transmitter stays empty: nothing is added.
    edited.Serial = "00000";
    EXPECT_TRUE(AddChange(table, device, plan, edited).Empty());
}

TEST_F(Commands, AddAtTheLastPositionMarksNoFollowingRecord) {
    Table("KV2R", 3, {1, 2});
    device.UsedCount = 2;
    TAddPlan plan;
    ASSERT_TRUE(PlanAdd(table, device, kAddCleared, plan, texts, ui));
    EXPECT_EQ(plan.position, 3);
    TData edited = plan.record;
    edited.Serial = "12345";
    const TRecordChange change = AddChange(table, device, plan, edited);
    EXPECT_EQ(change.Positions(), std::vector<int>{3});
    EXPECT_EQ(change.usedAfter, 2);
    Apply(change);
    ASSERT_TRUE(PlanAdd(table, device, kAddCleared, plan, texts, ui) == false);
    EXPECT_EQ(Ids(), std::vector<Text>{Text::NoFreePosition});
}

TEST_F(Commands, AddLeavesATransmitterBehindAnErasedRecordAlone) {
    // A, erased, B: the free position 2 lies beyond the used part, and B is no marker.
    Use("KV2R");
    device.RecordCount = 3;
    std::string b = device.EmptyTemplate;
    b[3] = '7';
    std::string a = device.EmptyTemplate;
    a[3] = '1';
    ASSERT_TRUE(DecodeImage(a + device.ErasedRecord + b, device, table));
    ASSERT_EQ(device.UsedCount, 1);
    TAddPlan plan = PlanAddAt(table, device, 2, kAddCleared);
    TData edited = plan.record;
    edited.Serial = "55555";
    const TRecordChange change = AddChange(table, device, plan, edited);
    EXPECT_EQ(change.Positions(), std::vector<int>{2});
    EXPECT_EQ(change.usedAfter, 2);
    Apply(change);
    EXPECT_EQ(table[2].Raw, b);
}

TEST_F(Commands, EditChangesOnlyWhatDiffers) {
    Table("KV2R", 4, {1, 2});
    TData edited = table[1];
    EXPECT_TRUE(EditChange(table, device, 2, edited).Empty());
    edited.User3 = "new";
    edited.Raw = "ignored";
    edited.Position = 99;
    const TRecordChange change = EditChange(table, device, 2, edited);
    ASSERT_EQ(change.Positions(), std::vector<int>{2});
    EXPECT_EQ(change.items[0].after.Raw, table[1].Raw);
    EXPECT_EQ(change.items[0].after.Position, 2);
    EXPECT_TRUE(EditChange(table, device, 9, edited).Empty());
}

TEST_F(Commands, DeleteClearsTheSelectedRecords) {
    Table("KV2R", 8, {1, 2, 3, 5, 7});
    const TRecordChange change = DeleteChange(table, device, {7, 2, 2, 4, 0, 99, 5});
    EXPECT_EQ(change.Positions(), (std::vector<int>{7, 2, 5}));
    Apply(change);
    for (int p : {2, 5, 7}) {
        EXPECT_TRUE(table[static_cast<size_t>(p - 1)].Empty);
        EXPECT_EQ(table[static_cast<size_t>(p - 1)].Serial, "00000");
        EXPECT_EQ(table[static_cast<size_t>(p - 1)].Raw, device.EmptyTemplate);
    }
    EXPECT_FALSE(table[0].Empty);
    EXPECT_FALSE(table[2].Empty);
    EXPECT_TRUE(DeleteChange(table, device, {2, 4}).Empty());
}

TEST_F(Commands, RequestFillsAnEmptyRecordAndEditsAUsedOne) {
    Table("KV8R", 6, {1, 2});
    TRecordEditRequest request;
    request.code = "2412345";
    request.type = "tx4 classic";
    request.button = "c";
    request.function = "timer";
    request.time = TTimeBoxes{1, 2, 300};
    request.channels = std::vector<int>{1, 8};
    request.userId = 12;
    request.user[0] = "Gate";
    request.user[3] = "Four";
    TRecordChange change;
    ASSERT_TRUE(EditRecordByRequest(table, device, functionTable, test::DeliveredDataDir(), 4,
                                    request, texts, ui, change))
        << ::testing::PrintToString(ui.Texts());
    Apply(change);
    const TData& r = table[3];
    EXPECT_FALSE(r.Empty);
    EXPECT_EQ(r.CodePrefix + r.Serial, "2412345");
    EXPECT_EQ(r.TxType, "TX4 Classic");
    EXPECT_EQ(r.Button, "C");
    EXPECT_EQ(r.Output, "03");
    EXPECT_EQ(r.Time, "026F");  // 62.3 s
    EXPECT_EQ(r.Channels, "81");
    EXPECT_EQ(r.UserID, 12);
    EXPECT_EQ(r.User1, "Gate");
    EXPECT_EQ(r.User4, "Four");

    TRecordEditRequest rename;
    rename.user[1] = "Second";
    ASSERT_TRUE(EditRecordByRequest(table, device, functionTable, test::DeliveredDataDir(), 4,
                                    rename, texts, ui, change));
    EXPECT_EQ(change.Positions(), std::vector<int>{4});
    EXPECT_EQ(change.items[0].after.User2, "Second");
    EXPECT_EQ(change.items[0].after.Time, "026F");
}

TEST_F(Commands, RequestRefusalsGiveTheEditorsMessages) {
    Table("KV2R", 6, {1, 2});
    struct Case {
        int position;
        TRecordEditRequest request;
        Text text;  // None: a fixed text
    };
    auto with = [](auto set) {
        TRecordEditRequest r;
        set(r);
        return r;
    };
    const Case cases[] = {
        {1, with([](auto& r) { r.code = "12345G"; }), Text::BadTxCode},
        {1, with([](auto& r) { r.function = "Dance"; }), Text::UnknownFunction},
        {1, with([](auto& r) { r.function = "Direct"; }),
         Text::UnknownFunction},  // offered for input codes only
        {1, with([](auto& r) { r.code = "A012345", r.button = "3", r.function = "Direct"; }),
         Text::RecordBreaksRules},
        {1, with([](auto& r) { r.type = "TX9"; }), Text::None},
        {1, with([](auto& r) { r.button = "10"; }), Text::None},
        {1, with([](auto& r) {
             r.time = TTimeBoxes{0, 5, 0};
         }),
         Text::None},  // Monostable
        {1, with([](auto& r) {
             r.function = "Timer", r.time = TTimeBoxes{0, 60, 0};
         }),
         Text::None},
        {1, with([](auto& r) { r.channels = std::vector<int>{3}; }), Text::None},
        {1, with([](auto& r) { r.relay = 1; }), Text::None},
        {1, with([](auto& r) { r.user[2] = "a#b"; }), Text::None},
        {1, with([](auto& r) { r.type = "RDI-1 Contact", r.button = "9"; }), Text::None},
        {5, with([](auto& r) { r.userId = 3; }), Text::None},  // empty: needs a code
        {5, with([](auto& r) { r.code = "x000000"; }), Text::None},
        {7, with([](auto& r) { r.code = "x012345"; }), Text::None},
    };
    for (const Case& c : cases) {
        ui.messages.clear();
        TRecordChange change;
        change.items.resize(1);
        EXPECT_FALSE(EditRecordByRequest(table, device, functionTable, test::DeliveredDataDir(),
                                         c.position, c.request, texts, ui, change));
        ASSERT_EQ(ui.messages.size(), 1u) << ::testing::PrintToString(ui.Texts());
        EXPECT_EQ(ui.messages[0].message.textId, c.text) << ui.messages[0].message.text;
        EXPECT_TRUE(change.Empty());
    }
}

TEST_F(Commands, RequestInRelayModeSetsTheTimeOfTheNamedRelay) {
    Table("KV3S", 4, {});
    TRecordEditRequest request;
    request.code = "x0ABCDE";
    request.function = "Timer";
    request.relay = 2;
    request.time = TTimeBoxes{0, 10, 0};
    TRecordChange change;
    ASSERT_TRUE(EditRecordByRequest(table, device, functionTable, test::DeliveredDataDir(), 1,
                                    request, texts, ui, change))
        << ::testing::PrintToString(ui.Texts());
    Apply(change);
    EXPECT_EQ(table[0].Output, "03");
    // The timer set: every relay's time within the limits, the named relay's as given.
    EXPECT_EQ(table[0].Time,
              "0001"
              "0064"
              "0001");
    // A later edit of something else leaves every time as it stands, also one below the
    // shortest time that came from elsewhere.
    table[0].Time = "000000640000";
    TRecordEditRequest userOnly;
    userOnly.user[0] = "x";
    ASSERT_TRUE(EditRecordByRequest(table, device, functionTable, test::DeliveredDataDir(), 1,
                                    userOnly, texts, ui, change));
    Apply(change);
    EXPECT_EQ(table[0].Time, "000000640000");
    EXPECT_EQ(table[0].User1, "x");
    request = {};
    request.relay = 4;
    EXPECT_FALSE(EditRecordByRequest(table, device, functionTable, test::DeliveredDataDir(), 1,
                                     request, texts, ui, change));
}

}  // namespace
}  // namespace ravlin
