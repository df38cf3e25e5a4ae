// The undo history on its own: groups, suspension, packing, captions, the entry limit.
#include "measurement/UnitHistorique.h"

#include <gtest/gtest.h>

#include <map>

namespace {

// An undoable value of a chosen kind.
class TValue : public THistObject
{
public:
    explicit TValue(std::uint8_t kind) { Kind = kind; }
    int Value = 0;
    void Assign(const THistObject& source) override
    {
        THistObject::Assign(source);
        Value = static_cast<const TValue&>(source).Value;
    }
    bool Equals(const THistObject& other) const override
    {
        return THistObject::Equals(other) && Value == static_cast<const TValue&>(other).Value;
    }
    std::unique_ptr<THistObject> NewSame() const override { return std::make_unique<TValue>(Kind); }
};

class TServices : public THistServices
{
public:
    std::map<int, TValue*> Live;
    std::vector<std::pair<int, int>> AfterUndos; // (id, action)
    std::vector<std::unique_ptr<THistObject>> PutBack;

    THistObject* FindById(int id) override
    {
        const auto it = Live.find(id);
        return it == Live.end() ? nullptr : it->second;
    }
    void AfterUndo(THistObject& object, int action) override { AfterUndos.emplace_back(object.Id, action); }
    void AfterUndoPutBack(std::unique_ptr<THistObject> snapshot, int) override
    {
        PutBack.push_back(std::move(snapshot));
    }
};

class HistoryTest : public ::testing::Test
{
protected:
    TServices Services;
    THistorique History{&Services};
    TValue Scale{hkEchelle};
    TValue Grid{hkRepereFixe};
    TValue Mark{hkMarqueRep};

    void SetUp() override
    {
        for (TValue* v : {&Scale, &Grid, &Mark})
            Services.Live[v->Id] = v;
    }
    void Change(TValue& v, int action, int value)
    {
        History.AddEntry(v, action);
        v.Value = value;
    }
};

} // namespace

TEST_F(HistoryTest, CaptionsNameUniformGroups)
{
    struct Case
    {
        std::vector<std::pair<TValue*, int>> changes;
        const char* caption;
    };
    const Case cases[] = {
        {{{&Mark, haMove}}, "Cancel Move Mark"},
        {{{&Grid, haRotate}}, "Cancel Rotate Grid"},
        {{{&Scale, haDefine}}, "Cancel Define Scale"},
        {{{&Grid, haMove}, {&Mark, haMove}}, "Cancel Move"}, // same action, mixed kinds
        {{{&Grid, haMove}, {&Grid, haRotate}}, "Cancel"},    // mixed actions
        {{{&Mark, haChangeDirection}}, "Cancel Change direction Mark"},
    };
    for (const Case& c : cases) {
        History.Clear();
        History.BeginGroup();
        int value = 100;
        for (const auto& [object, action] : c.changes)
            Change(*object, action, ++value);
        History.EndGroup();
        EXPECT_EQ(History.UndoCaption(), QString::fromUtf8(c.caption));
    }
}

TEST_F(HistoryTest, GroupsNestAndUndoTogether)
{
    Change(Scale, haMove, 1); // group 1
    History.BeginGroup();
    Change(Grid, haMove, 2);
    History.BeginGroup(); // nested: same group
    Change(Mark, haMove, 3);
    History.EndGroup();
    Change(Scale, haMove, 4);
    History.EndGroup();
    EXPECT_FALSE(History.InGroup);
    EXPECT_EQ(History.GroupCount, 2);
    Change(Mark, haMove, 5); // group 3

    History.Undo();
    EXPECT_EQ(Mark.Value, 3);
    History.Undo();
    EXPECT_EQ(Grid.Value, 0);
    EXPECT_EQ(Mark.Value, 0);
    EXPECT_EQ(Scale.Value, 1);
    History.Undo();
    EXPECT_EQ(Scale.Value, 0);
    EXPECT_EQ(History.Count(), 0);
    EXPECT_EQ(History.UndoCaption(), QString());
}

TEST_F(HistoryTest, PackDropsEntriesThatUndoCouldNotReverse)
{
    Change(Grid, haRotate, 7);
    Change(Mark, haMove, 0); // dropped where it was
    EXPECT_EQ(History.UndoCaption(), QStringLiteral("Cancel Rotate Grid"));
    EXPECT_EQ(History.Count(), 1);
    // An entry whose object is gone is dropped as well.
    Change(Mark, haMove, 9);
    Services.Live.erase(Mark.Id);
    History.Pack();
    EXPECT_EQ(History.Count(), 1);
    // Creation and deletion entries are never packed away.
    History.AddEntry(Mark, haSet);
    History.AddEntry(Mark, haDelete);
    History.Pack();
    EXPECT_EQ(History.Count(), 3);
}

TEST_F(HistoryTest, UndoDispatchesByActionClass)
{
    History.BeginGroup();
    History.AddEntry(Mark, haSet);     // creation: the live object is removed by the owner
    Change(Grid, haMove, 4);           // restore: the snapshot is copied back
    History.AddEntry(Scale, haDelete); // deletion: the snapshot itself goes back
    History.EndGroup();
    History.Undo();
    EXPECT_EQ(Grid.Value, 0);
    ASSERT_EQ(Services.PutBack.size(), 1u);
    EXPECT_EQ(Services.PutBack[0]->Id, Scale.Id); // a snapshot shares its object's Id
    EXPECT_EQ(Services.AfterUndos, (std::vector<std::pair<int, int>>{{Grid.Id, haMove}, {Mark.Id, haSet}}));
    EXPECT_FALSE(History.Suspended);
    EXPECT_EQ(History.Count(), 0);
}

TEST_F(HistoryTest, SuspendedOrUnknownObjectsAreNotRecorded)
{
    History.Suspend();
    Change(Mark, haMove, 1);
    History.Resume();
    TValue unknown{hkNone};
    History.AddEntry(unknown, haMove);
    EXPECT_EQ(History.Count(), 0);
}

TEST_F(HistoryTest, TheOldestEntriesGoBeyondTheLimit)
{
    for (int i = 1; i <= THistorique::MaxEntries + 1; ++i)
        Change(Grid, haMove, i);
    EXPECT_EQ(History.Count(), THistorique::MaxEntries);
    // The first change (from 0 to 1) can no longer be undone: the oldest snapshot holds 1.
    EXPECT_EQ(static_cast<const TValue&>(History.Entry(0)).Value, 1);
}
