// Undo and redo of record table changes against a reference model that keeps every state.

#include <gtest/gtest.h>

#include <random>

#include "RecordTestUtil.h"
#include "records/RecordCommands.h"
#include "records/RecordHistory.h"

namespace ravlin {
namespace {

struct TState {
    TRecordTable table;
    int used = 0;
};

bool SameTable(const TRecordTable& a, const TRecordTable& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (!SameRecord(a[i], b[i])) return false;
    return true;
}

// The model: the states one after the other, the current one, and where the marks stand.
struct TModel {
    std::vector<TState> states;
    size_t at = 0;
    long saved = 0, receiver = 0;

    void Change(const TState& next) {
        states.resize(at + 1);
        if (saved > static_cast<long>(at)) saved = -1;
        if (receiver > static_cast<long>(at)) receiver = -1;
        states.push_back(next);
        ++at;
    }
};

class History : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(test::DeliveredDevice("KV2R", device));
        device.RecordCount = 12;
        device.UsedCount = 12;
        std::mt19937 rng(1);
        for (int p = 1; p <= 12; ++p)
            table.push_back(p % 3 ? test::RandomUsedRecord(device, p, rng)
                                  : MakeEmptyRecord(device, p));
    }
    TDevice device;
    TRecordTable table;
};

TEST_F(History, RandomSequencesMatchTheReferenceModel) {
    std::mt19937 rng(5);
    for (int run = 0; run < 20; ++run) {
        TRecordHistory history(run % 2 ? 1000 : 6);  // half the runs forget old steps
        TRecordTable t = table;
        TDevice d = device;
        history.Reset(true, run % 3 != 0);
        TModel model;
        model.states.push_back({t, d.UsedCount});
        model.receiver = run % 3 != 0 ? 0 : -1;
        for (int step = 0; step < 120; ++step) {
            const int op = static_cast<int>(rng() % 7);
            if (op == 0 || op == 1) {  // edit a record
                const int p = 1 + static_cast<int>(rng() % t.size());
                TData edited = t[static_cast<size_t>(p - 1)];
                edited.User1 = test::RandomText(rng, 8);
                edited.Serial = test::RandomHex(rng, 5);
                const TRecordChange change = EditChange(t, d, p, edited);
                if (history.Apply(change, t, d)) model.Change({t, d.UsedCount});
            } else if (op == 2) {  // add into the first free position
                const int p = FirstEmptyPosition(t);
                if (p == 0) continue;
                TAddPlan plan = PlanAddAt(t, d, p, kAddCleared);
                TData edited = plan.record;
                edited.Serial = "1" + test::RandomHex(rng, 4);
                if (history.Apply(AddChange(t, d, plan, edited), t, d))
                    model.Change({t, d.UsedCount});
            } else if (op == 3) {  // delete some
                std::vector<int> positions;
                for (int k = 0; k < 3; ++k) positions.push_back(1 + static_cast<int>(rng() % 12));
                if (history.Apply(DeleteChange(t, d, positions), t, d))
                    model.Change({t, d.UsedCount});
            } else if (op == 4) {
                const bool could = history.CanUndo();
                const auto positions = history.Undo(t, d);
                EXPECT_EQ(!positions.empty(), could);
                if (could) --model.at;
            } else if (op == 5) {
                const bool could = history.CanRedo();
                history.Redo(t, d);
                if (could) ++model.at;
            } else if (rng() % 2) {
                history.MarkSaved();
                model.saved = static_cast<long>(model.at);
            } else {
                history.MarkReceiver();
                model.receiver = static_cast<long>(model.at);
            }
            // Forgotten steps: the model keeps only as many as the history.
            while (model.at > history.Position()) {
                model.states.erase(model.states.begin());
                --model.at;
                model.saved = model.saved > 0 ? model.saved - 1 : -1;
                model.receiver = model.receiver > 0 ? model.receiver - 1 : -1;
            }
            ASSERT_TRUE(SameTable(t, model.states[model.at].table)) << run << "/" << step;
            ASSERT_EQ(d.UsedCount, model.states[model.at].used);
            ASSERT_EQ(history.AtSaved(), model.saved == static_cast<long>(model.at));
            ASSERT_EQ(history.AtReceiver(), model.receiver == static_cast<long>(model.at));
            ASSERT_EQ(history.CanRedo(), model.at + 1 < model.states.size());
        }
    }
}

TEST_F(History, UndoToTheSavedStateClearsModified) {
    TRecordHistory history;
    TRecordTable t = table;
    TDevice d = device;
    history.Reset(true, false);
    EXPECT_TRUE(history.AtSaved());
    EXPECT_FALSE(history.AtReceiver());
    EXPECT_FALSE(history.CanUndo());
    EXPECT_TRUE(history.Undo(t, d).empty());

    TData edited = t[0];
    edited.User1 = "one";
    ASSERT_TRUE(history.Apply(EditChange(t, d, 1, edited), t, d));
    EXPECT_FALSE(history.AtSaved());
    EXPECT_EQ(history.NextUndo()->kind, TChangeKind::Edit);
    ASSERT_TRUE(history.Apply(DeleteChange(t, d, {1, 2}), t, d));
    EXPECT_EQ(history.NextUndo()->kind, TChangeKind::Delete);
    history.MarkSaved();
    EXPECT_EQ(history.Undo(t, d), (std::vector<int>{1, 2}));
    EXPECT_FALSE(history.AtSaved());
    EXPECT_EQ(t[0].User1, "one");
    EXPECT_EQ(history.Undo(t, d), std::vector<int>{1});
    EXPECT_TRUE(SameTable(t, table));
    history.Redo(t, d);
    history.Redo(t, d);
    EXPECT_TRUE(history.AtSaved());
    // A new change after an undo forgets the redo steps and a mark among them.
    history.Undo(t, d);
    edited = t[5];
    edited.User2 = "other";
    history.Apply(EditChange(t, d, 6, edited), t, d);
    EXPECT_FALSE(history.CanRedo());
    history.Undo(t, d);
    history.Undo(t, d);
    EXPECT_FALSE(history.AtSaved());
    // Empty changes are not kept.
    EXPECT_FALSE(history.Apply(TRecordChange{}, t, d));
}

TEST_F(History, AppendedChangesUndoInOneStep) {
    TRecordTable t = table;
    TDevice d = device;
    TRecordChange group;
    group.kind = TChangeKind::Edit;
    group.usedBefore = group.usedAfter = d.UsedCount;
    for (const char* text : {"a", "b", "c"}) {
        TData edited = t[1];
        edited.User4 += text;
        TRecordChange one = EditChange(t, d, 2, edited);
        ApplyChange(one, t, d, true);
        group.Append(std::move(one));
        edited = t[3];
        edited.User4 = text;
        one = EditChange(t, d, 4, edited);
        ApplyChange(one, t, d, true);
        group.Append(std::move(one));
    }
    EXPECT_EQ(group.Positions(), (std::vector<int>{2, 4}));
    TRecordHistory history;
    history.Reset(true, true);
    ASSERT_TRUE(history.Record(group));
    EXPECT_EQ(t[1].User4, table[1].User4 + "abc");
    history.Undo(t, d);
    EXPECT_TRUE(SameTable(t, table));
    history.Redo(t, d);
    EXPECT_EQ(t[3].User4, "c");

    // A whole-table rebuild as a change.
    TRecordTable rebuilt = table;
    rebuilt[7].User3 = "imported";
    rebuilt[8].UserID = 77;
    const TRecordChange diff = DiffTables(table, rebuilt, 12, 12);
    EXPECT_EQ(diff.Positions(), (std::vector<int>{8, 9}));
}

// The records controller finds a table changed behind the history by its digest: every field a
// command may change, the receiver type's counts, and texts moved between fields must show.
TEST_F(History, TheDigestSeesEveryChangeAndOnlyChanges) {
    const uint64_t start = TableDigest(table, device);
    EXPECT_EQ(TableDigest(TRecordTable(table), TDevice(device)), start);
    using TField = std::string TData::*;
    for (TField f : {&TData::Raw, &TData::Serial, &TData::Button, &TData::Output, &TData::Channels,
                     &TData::Time, &TData::Extra, &TData::User1, &TData::User2, &TData::User3,
                     &TData::User4, &TData::TxType, &TData::CodePrefix}) {
        TRecordTable t = table;
        t[11].*f += "x";
        EXPECT_NE(TableDigest(t, device), start);
    }
    TRecordTable t = table;
    t[0].UserID += 1;
    EXPECT_NE(TableDigest(t, device), start);
    t = table;
    t[0].Empty = !t[0].Empty;
    EXPECT_NE(TableDigest(t, device), start);
    t = table;
    t.pop_back();
    EXPECT_NE(TableDigest(t, device), start);
    // A text moved from one field into the next is another table.
    t = table;
    t[1].User1 = "ab";
    t[1].User2 = "c";
    const uint64_t split = TableDigest(t, device);
    t[1].User1 = "a";
    t[1].User2 = "bc";
    EXPECT_NE(TableDigest(t, device), split);
    TDevice d = device;
    d.UsedCount = 11;
    EXPECT_NE(TableDigest(table, d), start);

    // Undone, the table has its digest back.
    t = table;
    TRecordHistory history;
    history.Reset(true, true);
    ASSERT_TRUE(history.Apply(DeleteChange(t, d, {1, 2}), t, d));
    EXPECT_NE(TableDigest(t, d), TableDigest(table, d));
    history.Undo(t, d);
    EXPECT_EQ(TableDigest(t, d), TableDigest(table, d));
}

}  // namespace
}  // namespace ravlin
