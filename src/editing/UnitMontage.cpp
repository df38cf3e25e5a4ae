// The edited time base of a video: which frames are visible, their time shifts, and positions <-> frames.
#include "editing/UnitMontage.h"

#include "common/UnitIni.h"

#include <algorithm>
#include <cstdint>
#include <utility>
#include <vector>

namespace {

const QString KeyFrameCount = QStringLiteral("VisibleImagesNumber");
const QString KeyRunCount = QStringLiteral("VisibleScalesNumber");
const QString KeyRunStart = QStringLiteral("VisibleScale");
const QString KeyRunVisible = QStringLiteral("VisibleImage");
const QString KeyShiftCount = QStringLiteral("TimeShiftsNumber");
const QString KeyEntryCount = QStringLiteral("TimeShiftScalesNumber");
const QString KeyEntryMarker = QStringLiteral("TimeShiftScale");
const QString KeyEntryShift = QStringLiteral("TimeShift");

int ClampShift(long long shift)
{
    return static_cast<int>(std::clamp<long long>(shift, -TMontage::MaxShift, TMontage::MaxShift));
}

// The frame that a shift entry's marker names: |marker| - 1 (a negative marker starts a ramp).
long long MarkerFrame(long long marker)
{
    return marker < 0 ? -(marker + 1) : marker - 1;
}

} // namespace

void TMontage::Init(int frameCount)
{
    FrameCount = std::max(frameCount, 0);
    const auto n = static_cast<std::size_t>(FrameCount);
    Visible.assign(n, true);
    TimeShift.assign(n, 0);
    RebuildMaps();
}

void TMontage::RebuildMaps()
{
    const auto n = static_cast<std::size_t>(FrameCount);
    Visible.resize(n, true);
    TimeShift.resize(n, 0);
    FrameToPosition.assign(n, -1);
    PositionToFrame.assign(n, -1);
    int position = 0;
    for (std::size_t frame = 0; frame < n; ++frame) {
        if (!Visible[frame])
            continue;
        FrameToPosition[frame] = position;
        PositionToFrame[static_cast<std::size_t>(position)] = static_cast<int>(frame);
        ++position;
    }
    VisibleCount = position;
}

int TMontage::PositionOf(int frame) const
{
    return frame >= 0 && frame < static_cast<int>(FrameToPosition.size())
               ? FrameToPosition[static_cast<std::size_t>(frame)]
               : -1;
}

int TMontage::FrameAt(int position) const
{
    return position >= 0 && position < static_cast<int>(PositionToFrame.size())
               ? PositionToFrame[static_cast<std::size_t>(position)]
               : -1;
}

bool TMontage::IsVisible(int frame) const
{
    return frame >= 0 && frame < static_cast<int>(Visible.size()) ? Visible[static_cast<std::size_t>(frame)]
                                                                  : true;
}

int TMontage::ShiftOf(int frame) const
{
    return frame >= 0 && frame < static_cast<int>(TimeShift.size())
               ? TimeShift[static_cast<std::size_t>(frame)]
               : 0;
}

bool TMontage::Load(const TIniFile& ini)
{
    const QString& s = SectionMontage;
    const long long stored = ini.ReadInt64(s, KeyFrameCount, 1);
    const long long runs = ini.ReadInt64(s, KeyRunCount, 0);
    const long long shiftCount = ini.ReadInt64(s, KeyShiftCount, 0);
    const long long entries = ini.ReadInt64(s, KeyEntryCount, 0);
    if (stored < 0 || runs < 0 || shiftCount < 0 || entries < 0)
        return false;
    long long n = FrameCount;
    if (n <= 0) {
        if (stored > MaxLoadedFrames)
            return false;
        n = stored;
    }
    const auto size = static_cast<std::size_t>(n);

    // Visibility: every frame visible; at the first frame of each run the run's value takes over. Runs start
    // at distinct frames, so only the first n of them can start inside the video.
    std::vector<signed char> takeOver(size, -1);
    const long long runsRead = std::min(runs, n);
    for (long long i = 0; i < runsRead; ++i) {
        const long long start = ini.ReadInt64(s, IndexedKey(KeyRunStart, i), i);
        if (start >= 0 && start < n)
            takeOver[static_cast<std::size_t>(start)] =
                ini.ReadBool(s, IndexedKey(KeyRunVisible, i), true) ? 1 : 0;
    }
    TBooleanDynArray visible(size, true);
    bool current = true;
    for (std::size_t f = 0; f < size; ++f) {
        if (takeOver[f] >= 0)
            current = takeOver[f] == 1;
        visible[f] = current;
    }

    // Shifts: entries in frame order; an entry sets the shift of its frame, and a negative marker starts a
    // ramp that lowers the shift by one on each following frame up to the next entry.
    std::vector<std::pair<long long, long long>> list; // (frame, shift), negative frame for a ramp start
    const long long entriesRead = std::min(entries, n);
    list.reserve(static_cast<std::size_t>(entriesRead));
    for (long long i = 0; i < entriesRead; ++i) {
        const long long marker = ini.ReadInt64(s, IndexedKey(KeyEntryMarker, i), i);
        const long long shift = ini.ReadInt64(s, IndexedKey(KeyEntryShift, i), 0);
        list.emplace_back(marker, shift);
    }
    TIntegerDynArray shifts(size, 0);
    std::size_t next = 0;
    long long shift = 0;
    bool ramp = false;
    for (std::size_t f = 0; f < size; ++f) {
        const auto frame = static_cast<long long>(f);
        // An entry naming a frame already passed (out of order, or marker 0) is skipped.
        while (next < list.size() && MarkerFrame(list[next].first) < frame)
            ++next;
        if (next < list.size() && MarkerFrame(list[next].first) == frame) {
            shift = ClampShift(list[next].second);
            ramp = list[next].first < 0;
            ++next;
        } else if (ramp) {
            shift = ClampShift(shift - 1);
        }
        shifts[f] = static_cast<int>(shift);
    }

    FrameCount = static_cast<int>(n);
    Visible = std::move(visible);
    TimeShift = std::move(shifts);
    RebuildMaps();
    if (VisibleCount == 0 && FrameCount > 0) {
        Visible.assign(size, true);
        RebuildMaps();
    }
    return true;
}

void TMontage::Save(TIniFile& ini) const
{
    ini.WriteInteger(SectionMontage, KeyFrameCount, FrameCount);
    WriteVisibility(ini, Visible);
    ini.WriteInteger(SectionMontage, KeyShiftCount, static_cast<long long>(TimeShift.size()));
    WriteShifts(ini, TimeShift);
}

void TMontage::WriteVisibility(TIniFile& ini, const TBooleanDynArray& visible)
{
    // A run starts at frame 0 and wherever the visibility changes.
    std::vector<std::size_t> starts;
    for (std::size_t f = 0; f < visible.size(); ++f)
        if (f == 0 || visible[f] != visible[f - 1])
            starts.push_back(f);
    ini.WriteInteger(SectionMontage, KeyRunCount, static_cast<long long>(starts.size()));
    for (std::size_t i = 0; i < starts.size(); ++i) {
        const auto index = static_cast<long long>(i);
        ini.WriteInteger(SectionMontage, IndexedKey(KeyRunStart, index), static_cast<long long>(starts[i]));
        ini.WriteBool(SectionMontage, IndexedKey(KeyRunVisible, index), visible[starts[i]]);
    }
}

void TMontage::WriteShifts(TIniFile& ini, const TIntegerDynArray& shifts)
{
    // A run starts at frame 0 and wherever the shift changes. Starts on consecutive frames whose shift falls
    // by exactly one from each to the next (the frames after hidden ones) become one ramp: its first start
    // with a negative marker, its last start as an ordinary entry, those between left out.
    std::vector<long long> starts;
    for (std::size_t f = 0; f < shifts.size(); ++f)
        if (f == 0 || shifts[f] != shifts[f - 1])
            starts.push_back(static_cast<long long>(f));
    auto shiftAt = [&shifts](long long f) {
        return static_cast<long long>(shifts[static_cast<std::size_t>(f)]);
    };
    std::vector<std::pair<long long, long long>> entries; // (marker, shift)
    for (std::size_t i = 0; i < starts.size();) {
        std::size_t j = i;
        while (j + 1 < starts.size() && starts[j + 1] == starts[j] + 1 &&
               shiftAt(starts[j + 1]) == shiftAt(starts[j]) - 1)
            ++j;
        if (j > i) {
            entries.emplace_back(-(starts[i] + 1), shiftAt(starts[i]));
            entries.emplace_back(starts[j] + 1, shiftAt(starts[j]));
        } else {
            entries.emplace_back(starts[i] + 1, shiftAt(starts[i]));
        }
        i = j + 1;
    }
    ini.WriteInteger(SectionMontage, KeyEntryCount, static_cast<long long>(entries.size()));
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const auto index = static_cast<long long>(i);
        ini.WriteInteger(SectionMontage, IndexedKey(KeyEntryMarker, index), entries[i].first);
        ini.WriteInteger(SectionMontage, IndexedKey(KeyEntryShift, index), entries[i].second);
    }
}
