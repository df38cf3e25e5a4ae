// The edited time base: maps between positions and frames, and the "Montage" section with its run-length
// form, saved and reloaded, and read from hostile files.
#include "editing/UnitMontage.h"

#include "common/UnitIni.h"

#include <gtest/gtest.h>

#include <QRandomGenerator>

namespace {

// Hides frame f as the editing mode does: the frames after it come one interval earlier.
void Hide(TMontage& m, int f)
{
    m.Visible[static_cast<std::size_t>(f)] = false;
    for (int g = f + 1; g < m.FrameCount; ++g)
        --m.TimeShift[static_cast<std::size_t>(g)];
    m.RebuildMaps();
}

// The shift entries of a saved section as (marker, shift) pairs.
std::vector<std::pair<int, int>> ShiftEntries(const TIniFile& ini)
{
    std::vector<std::pair<int, int>> entries;
    const int n = ini.ReadInteger(SectionMontage, QStringLiteral("TimeShiftScalesNumber"), 0);
    for (int i = 0; i < n; ++i)
        entries.emplace_back(
            ini.ReadInteger(SectionMontage, QStringLiteral("TimeShiftScale_%1").arg(i), -999),
            ini.ReadInteger(SectionMontage, QStringLiteral("TimeShift_%1").arg(i), -999));
    return entries;
}

TMontage Reloaded(const TMontage& saved, int videoFrames)
{
    TIniFile ini(QString{});
    saved.Save(ini);
    TIniFile reread(QString{});
    reread.SetText(ini.ToText());
    TMontage loaded;
    loaded.Init(videoFrames);
    EXPECT_TRUE(loaded.Load(reread));
    return loaded;
}

void ExpectSame(const TMontage& a, const TMontage& b)
{
    EXPECT_EQ(a.FrameCount, b.FrameCount);
    EXPECT_EQ(a.VisibleCount, b.VisibleCount);
    EXPECT_EQ(a.Visible, b.Visible);
    EXPECT_EQ(a.TimeShift, b.TimeShift);
    EXPECT_EQ(a.FrameToPosition, b.FrameToPosition);
    EXPECT_EQ(a.PositionToFrame, b.PositionToFrame);
}

} // namespace

TEST(Montage, MapsBetweenPositionsAndFrames)
{
    TMontage m;
    m.Init(100);
    EXPECT_EQ(m.VisibleCount, 100);
    Hide(m, 10);
    EXPECT_EQ(m.VisibleCount, 99);
    EXPECT_EQ(m.FrameAt(10), 11);
    EXPECT_EQ(m.PositionOf(11), 10);
    EXPECT_EQ(m.PositionOf(10), -1);
    EXPECT_FALSE(m.IsVisible(10));
    EXPECT_EQ(m.ShiftOf(11), -1); // frame 11 is at time index 10
    EXPECT_EQ(m.ShiftOf(10), 0);
    EXPECT_EQ(m.FrameAt(98), 99);
    EXPECT_EQ(m.FrameAt(99), -1); // beyond the edited sequence
    // Out of range: no position, no frame, visible, no shift.
    for (int i : {-1, 100, -2147483647 - 1, 2147483647}) {
        EXPECT_EQ(m.PositionOf(i), -1) << i;
        EXPECT_EQ(m.FrameAt(i), -1) << i;
        EXPECT_TRUE(m.IsVisible(i)) << i;
        EXPECT_EQ(m.ShiftOf(i), 0) << i;
    }
    for (int p = 0; p < m.VisibleCount; ++p)
        EXPECT_EQ(m.PositionOf(m.FrameAt(p)), p);
    m.Init(-5);
    EXPECT_EQ(m.FrameCount, 0);
    EXPECT_EQ(m.VisibleCount, 0);
    EXPECT_EQ(m.FrameAt(0), -1);
}

TEST(Montage, HiddenFramesAreSavedAsRampsAndReloaded)
{
    TMontage m;
    m.Init(100);
    for (int f = 10; f <= 14; ++f)
        Hide(m, f);
    TIniFile ini(QString{});
    m.Save(ini);
    EXPECT_EQ(ShiftEntries(ini), (std::vector<std::pair<int, int>>{{1, 0}, {-12, -1}, {16, -5}}));
    EXPECT_EQ(ini.ReadInteger(SectionMontage, QStringLiteral("VisibleImagesNumber"), 0), 100);
    EXPECT_EQ(ini.ReadInteger(SectionMontage, QStringLiteral("VisibleScalesNumber"), 0), 3);
    const std::pair<int, bool> runs[] = {{0, true}, {10, false}, {15, true}};
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(ini.ReadInteger(SectionMontage, QStringLiteral("VisibleScale_%1").arg(i), -1),
                  runs[i].first);
        EXPECT_EQ(ini.ReadBool(SectionMontage, QStringLiteral("VisibleImage_%1").arg(i), !runs[i].second),
                  runs[i].second);
    }
    const TMontage loaded = Reloaded(m, 100);
    ExpectSame(loaded, m);
    EXPECT_EQ(loaded.ShiftOf(10), 0);
    EXPECT_EQ(loaded.ShiftOf(11), -1);
    EXPECT_EQ(loaded.ShiftOf(14), -4);
    EXPECT_EQ(loaded.ShiftOf(15), -5);
    EXPECT_EQ(loaded.ShiftOf(99), -5);
}

TEST(Montage, ShiftPatternsSurviveSaveAndLoad)
{
    struct Case
    {
        const char* Name;
        std::vector<int> Shifts;
        std::vector<std::pair<int, int>> Entries;
    };
    const Case cases[] = {
        {"raised times of three frames", {0, 0, 1, 2, 3, 3}, {{1, 0}, {3, 1}, {4, 2}, {5, 3}}},
        {"a ramp of two", {0, 0, -1, -2, -2}, {{1, 0}, {-3, -1}, {4, -2}}},
        {"a ramp from frame 0", {0, -1, -2}, {{-1, 0}, {3, -2}}},
        {"a ramp then a rise", {0, -1, -2, 5}, {{-1, 0}, {3, -2}, {4, 5}}},
        {"no shift", {0, 0, 0}, {{1, 0}}},
        {"a single frame", {7}, {{1, 7}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        TMontage m;
        m.Init(static_cast<int>(c.Shifts.size()));
        m.TimeShift = c.Shifts;
        TIniFile ini(QString{});
        m.Save(ini);
        EXPECT_EQ(ShiftEntries(ini), c.Entries);
        ExpectSame(Reloaded(m, m.FrameCount), m);
    }

    // Random visibility and shifts, as repeated edits leave them.
    QRandomGenerator random(12345);
    for (int round = 0; round < 30; ++round) {
        TMontage m;
        m.Init(1 + static_cast<int>(random.bounded(300)));
        for (int k = 0; k < 20; ++k) {
            const int f = static_cast<int>(random.bounded(m.FrameCount));
            if (random.bounded(2) == 0 && m.VisibleCount > 1 && m.IsVisible(f)) {
                Hide(m, f);
            } else {
                const int delta = random.bounded(2) == 0 ? 1 : -1;
                for (int g = f; g < m.FrameCount; ++g)
                    m.TimeShift[static_cast<std::size_t>(g)] += delta;
            }
        }
        SCOPED_TRACE(round);
        ExpectSame(Reloaded(m, m.FrameCount), m);
    }
}

TEST(Montage, LoadKeepsTheVideoFrameCountAndWithstandsHostileValues)
{
    struct Case
    {
        const char* Name;
        int VideoFrames; // 0: no video open
        const char* Section;
        bool Ok;
        int Frames;
        int Visible;
        std::vector<int> SomeShifts; // of frames 0, 1, 2 ...
    };
    const Case cases[] = {
        {"no keys", 5, "", true, 5, 5, {0, 0, 0, 0, 0}},
        {"stored count without video", 0, "VisibleImagesNumber=4\n", true, 4, 4, {0, 0, 0, 0}},
        {"a huge count without video allocates nothing",
         0,
         "VisibleImagesNumber=2000000000\n",
         false,
         0,
         0,
         {}},
        {"a count beyond 64 bits", 0, "VisibleImagesNumber=99999999999999999999999\n", true, 1, 1, {0}},
        {"huge counts with a video are bounded by it",
         3,
         "VisibleImagesNumber=2000000000\nVisibleScalesNumber=2000000000\nVisibleScale_1=1\nVisibleImage_1="
         "0\n"
         "VisibleScale_2=2\nTimeShiftsNumber=2000000000\nTimeShiftScalesNumber=2000000000\nTimeShift_1=-4\n",
         true,
         3,
         2,
         {-4, 0, 0}}, // missing keys take their defaults (entry i names frame i - 1)
        {"negative count", 5, "VisibleScalesNumber=-3\n", false, 5, 5, {0, 0, 0, 0, 0}},
        {"runs outside the video are ignored",
         5,
         "VisibleScalesNumber=3\nVisibleScale_0=-7\nVisibleImage_0=0\nVisibleScale_1=3\nVisibleImage_1=0\n"
         "VisibleScale_2=900\nVisibleImage_2=1\n",
         true,
         5,
         3,
         {0, 0, 0, 0, 0}},
        {"every frame hidden leaves every frame visible",
         3,
         "VisibleScalesNumber=1\nVisibleScale_0=0\nVisibleImage_0=0\n",
         true,
         3,
         3,
         {0, 0, 0}},
        {"entries out of order, zero and extreme markers are skipped",
         6,
         "TimeShiftScalesNumber=5\nTimeShiftScale_0=3\nTimeShift_0=4\nTimeShiftScale_1=1\nTimeShift_1=9\n"
         "TimeShiftScale_2=0\nTimeShift_2=9\nTimeShiftScale_3=-9223372036854775808\nTimeShift_3=9\n"
         "TimeShiftScale_4=6\nTimeShift_4=-1\n",
         true,
         6,
         6,
         {0, 0, 4, 4, 4, -1}},
        {"extreme shifts are clamped and ramps do not overflow",
         3,
         "TimeShiftScalesNumber=1\nTimeShiftScale_0=-1\nTimeShift_0=-9223372036854775807\n",
         true,
         3,
         3,
         {-TMontage::MaxShift, -TMontage::MaxShift, -TMontage::MaxShift}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        TIniFile ini(QString{});
        ini.SetText(QStringLiteral("[Montage]\n") + QString::fromLatin1(c.Section));
        TMontage m;
        m.Init(c.VideoFrames);
        EXPECT_EQ(m.Load(ini), c.Ok);
        EXPECT_EQ(m.FrameCount, c.Frames);
        EXPECT_EQ(m.VisibleCount, c.Visible);
        EXPECT_EQ(static_cast<int>(m.Visible.size()), c.Frames);
        EXPECT_EQ(static_cast<int>(m.PositionToFrame.size()), c.Frames);
        for (std::size_t f = 0; f < c.SomeShifts.size(); ++f)
            EXPECT_EQ(m.ShiftOf(static_cast<int>(f)), c.SomeShifts[f]) << "frame " << f;
    }
}

TEST(Montage, SavingAgainLeavesOlderKeysThatTheCountsHide)
{
    TMontage m;
    m.Init(20);
    for (int f : {3, 7, 12})
        Hide(m, f);
    TIniFile ini(QString{});
    m.Save(ini);
    m.Init(20); // everything visible again: fewer runs, the old indexed keys stay in the file
    m.Save(ini);
    EXPECT_TRUE(ini.ValueExists(SectionMontage, QStringLiteral("VisibleScale_4")));
    TMontage loaded;
    loaded.Init(20);
    ASSERT_TRUE(loaded.Load(ini));
    ExpectSame(loaded, m);
}
