// The edits of the editing mode on the edited time base: showing and hiding frames with their marks, the
// series text, time shifts, the times around the current frame and the empty slots.
#include "editing/UnitMontage.h"

#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <set>

namespace {

// A video of n frames open in the editing mode, with measurement data, marks on some frames and an
// interval of 0.04 s; records what the time base asks of the program.
struct TEditing
{
    explicit TEditing(int n)
    {
        M.Init(n);
        M.Host.VideoOpen = [this] { return Open; };
        M.Host.EditingMode = [this] { return Editing; };
        M.Host.HasData = [] { return true; };
        M.Host.CurrentFrame = [this] { return Current; };
        M.Host.Interval = [] { return 0.04; };
        M.Host.MarkCount = [this](int f) { return static_cast<int>(Marked.count(f)); };
        M.Host.DeleteFrameMarks = [this](int f) {
            Marked.erase(f);
            Deleted.push_back(f);
        };
        M.Host.ResultsOutOfDate = [this] { ++OutOfDate; };
        M.Host.GoToFrame = [this](int f) { Current = f; };
        M.Host.ExplainToggle = [this] { return Explain; };
        M.OnChange = [this] { ++Changes; };
    }
    TMontage M;
    bool Open = true, Editing = true, Explain = false;
    int Current = 0, OutOfDate = 0, Changes = 0;
    std::set<int> Marked;
    std::vector<int> Deleted;
};

std::vector<int> Selected(const TBooleanDynArray& selection)
{
    std::vector<int> frames;
    for (std::size_t f = 0; f < selection.size(); ++f)
        if (selection[f])
            frames.push_back(static_cast<int>(f) + 1);
    return frames;
}

} // namespace

TEST(MontageEditing, HidingAndShowingMovesLaterTimesAndDeletesMarks)
{
    TEditing e(100);
    e.Marked = {10, 20};
    ASSERT_TRUE(e.M.SetVisible(10, false));
    EXPECT_EQ(e.M.VisibleCount, 99);
    EXPECT_EQ(e.M.FrameAt(10), 11);
    EXPECT_EQ(e.M.ShiftOf(10), 0);
    EXPECT_EQ(e.M.ShiftOf(11), -1);
    EXPECT_EQ(e.M.ShiftOf(99), -1);
    EXPECT_EQ(e.Deleted, std::vector<int>{10});
    EXPECT_EQ(e.OutOfDate, 1);
    EXPECT_FALSE(e.M.SetVisible(10, false)); // already hidden: nothing
    ASSERT_TRUE(e.M.SetVisible(10, true));
    EXPECT_EQ(e.M.TimeShift, TIntegerDynArray(100, 0));
    EXPECT_EQ(e.M.VisibleCount, 100);

    // Refused without video, outside the editing mode and out of range.
    e.Editing = false;
    EXPECT_FALSE(e.M.SetVisible(5, false));
    e.Editing = true;
    e.Open = false;
    EXPECT_FALSE(e.M.SetVisible(5, false));
    e.Open = true;
    EXPECT_FALSE(e.M.SetVisible(100, false));
    EXPECT_FALSE(e.M.SetVisible(-1, false));
    EXPECT_EQ(e.M.VisibleCount, 100);
}

TEST(MontageEditing, TheLastVisibleFrameStaysAndASeriesStopsThere)
{
    TScriptedUserDlgScope script;
    TEditing e(4);
    script->Answer(0);
    e.M.ApplySelection(TBooleanDynArray(4, true), false);
    // Frames 0..2 were hidden, frame 3 refused with the warning.
    EXPECT_EQ(e.M.VisibleCount, 1);
    EXPECT_EQ(e.M.FrameAt(0), 3);
    ASSERT_EQ(script->Shown.size(), 1u);
    EXPECT_EQ(script->Shown[0].Text(), QStringLiteral("At least 1 frame must remain visible"));
    EXPECT_EQ(script->Shown[0].Icon, icWarning);
    // A selection of the wrong length does nothing.
    e.M.ApplySelection(TBooleanDynArray(3, true), true);
    EXPECT_EQ(e.M.VisibleCount, 1);
    e.M.ApplySelection(TBooleanDynArray(4, true), true);
    EXPECT_EQ(e.M.VisibleCount, 4);
    EXPECT_EQ(e.M.TimeShift, TIntegerDynArray(4, 0));
}

TEST(MontageEditing, ToggleExplainsAndMayBeCancelledOnMarkedFrames)
{
    TScriptedUserDlgScope script;
    TEditing e(10);
    e.Explain = true;
    e.Current = 4;
    e.Marked = {4};
    script->Answer(1); // "Cancel"
    e.M.ToggleCurrent();
    EXPECT_TRUE(e.M.IsVisible(4));
    EXPECT_EQ(e.Marked.count(4), 1u);
    ASSERT_EQ(script->Shown.size(), 1u);
    EXPECT_EQ(
        script->Shown[0].Text(),
        QStringLiteral("This frame will not be visible after leaving the video edit mode. /  / Hidden "
                       "frames appear in negative.  /  / The marks set on this frame will be deleted."));
    EXPECT_EQ(script->Shown[0].ButtonCaptions(), (QStringList{"Ok", "Cancel"}));

    script->Answer(0, true); // "Ok", and do not ask again
    e.M.ToggleCurrent();
    EXPECT_FALSE(e.M.IsVisible(4));
    EXPECT_TRUE(e.Marked.empty());
    EXPECT_FALSE(e.M.ShowToggleDialog);
    EXPECT_EQ(e.Changes, 1);
    e.M.ToggleCurrent(); // shown again without a question
    EXPECT_TRUE(e.M.IsVisible(4));
    EXPECT_EQ(script->Shown.size(), 2u);
    EXPECT_EQ(e.Changes, 2);
}

TEST(MontageEditing, ShiftsKeepFramesAfterThePreviousVisibleOne)
{
    TEditing e(20);
    e.Current = 10;
    ASSERT_TRUE(e.M.ShiftFromCurrent(+1)); // a missing frame before frame 10
    EXPECT_EQ(e.M.ShiftOf(9), 0);
    EXPECT_EQ(e.M.ShiftOf(10), 1);
    EXPECT_EQ(e.M.ShiftOf(19), 1);
    EXPECT_EQ(e.M.MissingSlotCount(), 1);
    EXPECT_DOUBLE_EQ(e.M.TimeOf(TMontage::wtCurrent), 11 * 0.04);
    EXPECT_DOUBLE_EQ(e.M.TimeOf(TMontage::wtPrevious), 9 * 0.04);
    EXPECT_DOUBLE_EQ(e.M.TimeOf(TMontage::wtNext), 12 * 0.04);
    ASSERT_TRUE(e.M.ShiftFromCurrent(-1));
    // Frame 10 may not reach frame 9's time index.
    EXPECT_FALSE(e.M.ShiftFromCurrent(-1));
    EXPECT_EQ(e.M.ShiftOf(10), 0);
    // With frame 9 hidden, frame 10 may come down to frame 8's slot + 1 only.
    ASSERT_TRUE(e.M.SetVisible(9, false));
    EXPECT_EQ(e.M.TimeIndexOf(10), 9);
    EXPECT_FALSE(e.M.ShiftFromCurrent(-1));
    EXPECT_DOUBLE_EQ(e.M.TimeOf(TMontage::wtPrevious), 8 * 0.04);
    // The first frame never goes below time index 0, and a hidden current frame does not move.
    e.Current = 0;
    EXPECT_FALSE(e.M.ShiftFromCurrent(-1));
    EXPECT_DOUBLE_EQ(e.M.TimeOf(TMontage::wtPrevious), -1.0);
    e.Current = 9;
    EXPECT_FALSE(e.M.ShiftFromCurrent(+1));
    e.Current = 19;
    EXPECT_DOUBLE_EQ(e.M.TimeOf(TMontage::wtNext), -1.0);
    e.Editing = false;
    EXPECT_DOUBLE_EQ(e.M.TimeOf(TMontage::wtCurrent), -1.0);
}

TEST(MontageEditing, MissingSlotsCountFromTimeIndexZero)
{
    TEditing e(10);
    EXPECT_EQ(e.M.MissingSlotCount(), 0);
    // Hidden frames take no time: no slot is empty.
    e.M.SetVisible(3, false);
    e.M.SetVisible(4, false);
    EXPECT_EQ(e.M.MissingSlotCount(), 0);
    // A first visible frame at time index 3 leaves three empty slots before it.
    TMontage m;
    m.Init(5);
    m.TimeShift = {3, 3, 5, 5, 5};
    EXPECT_EQ(m.MissingSlotCount(), 3 + 2); // indexes 3, 4, 7, 8, 9
}

TEST(MontageEditing, LeavingTheModeOnAHiddenFrameGoesToAVisibleOne)
{
    TEditing e(6);
    for (int f : {2, 3})
        e.M.SetVisible(f, false);
    e.Current = 2;
    e.M.LeaveEditMode();
    EXPECT_EQ(e.Current, 4);
    e.M.SetVisible(4, false);
    e.M.SetVisible(5, false);
    e.Current = 5;
    e.M.LeaveEditMode();
    EXPECT_EQ(e.Current, 1);
}

TEST(MontageEditing, SeriesText)
{
    struct Case
    {
        const char* Text;
        bool Ok;
        std::vector<int> Frames; // 1-based
    };
    const Case cases[] = {
        {"5-3; 8", true, {3, 4, 5, 8}},
        {"1--4;;6-", true, {1, 2, 3, 4, 6}},
        {"1-55; 58; 73-75", false, {}}, // 73 is beyond the 60 frames
        {"1-3; 58; 59-60", true, {1, 2, 3, 58, 59, 60}},
        {" 7 ;", true, {7}},
        {"", true, {}},
        {";-;", true, {}},
        {"0", false, {}},
        {"61", false, {}},
        {"4-0", false, {}},
        {"3;;;", true, {3}},
        {"3; ;4", false, {}}, // an empty group
        {"-4", false, {}},
        {"2-4-6", false, {}},
        {"1,2", false, {}},
        {"a", false, {}},
        {"99999999999999999999", false, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Text);
        TBooleanDynArray selection;
        EXPECT_EQ(ParseSeries(QString::fromLatin1(c.Text), 60, selection), c.Ok);
        if (c.Ok) {
            EXPECT_EQ(selection.size(), 60u);
            EXPECT_EQ(Selected(selection), c.Frames);
        }
    }
    EXPECT_EQ(Selected(EveryOtherFrame(5, true)), (std::vector<int>{2, 4}));
    EXPECT_EQ(Selected(EveryOtherFrame(5, false)), (std::vector<int>{1, 3, 5}));
    EXPECT_EQ(SeriesErrorText(false), QStringLiteral("The image group at hide is incorrect"));
    EXPECT_EQ(SeriesErrorText(true), QStringLiteral("The image group at show is incorrect"));
}

TEST(MontageEditing, SeriesCommandAppliesTheDialogsChoice)
{
    TEditing e(10);
    e.M.Host.SeriesDialog = [](const QString& caption, TBooleanDynArray& selection, bool& show) {
        EXPECT_EQ(caption, QStringLiteral("Show or hide a series of images"));
        show = false;
        return ParseSeries(QStringLiteral("2-4"), 10, selection);
    };
    e.M.ShowHideSeries();
    EXPECT_EQ(e.M.VisibleCount, 7);
    EXPECT_EQ(e.M.ShiftOf(4), -3);
    EXPECT_EQ(e.Changes, 1);
}
