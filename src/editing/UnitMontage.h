// The edited time base of a video: which frames are visible, their time shifts, and positions <-> frames.
#pragma once

#include "common/UnitTypes.h"

#include <functional>

class TIniFile;

// Terms: a frame is a 0-based frame of the video file; a position is a 0-based index into the edited
// sequence, the visible frames in file order. The time index of frame f is f + TimeShift[f] (in frame
// intervals); its time is that index x the interval between two frames.
class TMontage
{
public:
    int VisibleCount = 0; // length of the edited sequence
    int FrameCount = 0;   // frames of the file
    bool ShowToggleDialog = true;
    TBooleanDynArray Visible;         // [FrameCount]
    TIntegerDynArray FrameToPosition; // [FrameCount] position of a visible frame, -1 for a hidden one
    TIntegerDynArray PositionToFrame; // [FrameCount] frame at each position, -1 from VisibleCount on
    TIntegerDynArray TimeShift;       // [FrameCount] shift in frame intervals
    std::function<void()> OnChange;   // after a change of visibility or of a shift by the user

    // Every frame visible, every shift 0 (a negative count counts as 0). Called when a video opens.
    void Init(int frameCount);
    // Renumbers the visible frames 0, 1, 2 ... in file order and recounts VisibleCount.
    void RebuildMaps();

    int PositionOf(int frame) const; // -1 when out of range or hidden
    int FrameAt(int position) const; // -1 when out of range
    bool IsVisible(int frame) const; // true when out of range
    int ShiftOf(int frame) const;    // 0 when out of range

    // Section "Montage" of a project file. Load runs after the video is open and keeps its frame count
    // (a stored count is used only without video, up to MaxLoadedFrames); runs and shifts that lie outside
    // the video are ignored, and a file that would hide every frame leaves every frame visible. False for
    // counts that no saved file can hold (negative, or too large without video): nothing is changed then.
    bool Load(const TIniFile& ini);
    // Writes every key of the section; keys of an earlier save beyond the new counts stay and are ignored
    // on reading, because every list is read through its count.
    void Save(TIniFile& ini) const;

    // The run-length forms of the section, as Save writes them (also used to re-encode older files).
    static void WriteVisibility(TIniFile& ini, const TBooleanDynArray& visible);
    static void WriteShifts(TIniFile& ini, const TIntegerDynArray& shifts);

    static constexpr int MaxLoadedFrames = 1 << 22;
    // Loaded shifts are kept within +-MaxShift frame intervals, so that time indexes stay integers.
    static constexpr int MaxShift = 1 << 28;
};
