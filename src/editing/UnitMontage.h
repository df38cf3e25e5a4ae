// The edited time base of a video: which frames are visible, their time shifts, and positions <-> frames.
#pragma once

#include "common/UnitTypes.h"

#include <QString>
#include <functional>

class TIniFile;

// What the edited time base asks of the rest of the program (the view, the measurement data, the
// dialogs). An unset function answers "no video", "not editing", 0 or nothing.
struct TMontageHost
{
    std::function<bool()> VideoOpen;
    std::function<bool()> EditingMode;               // the view is in the video editing mode
    std::function<bool()> HasData;                   // measurement data exist
    std::function<int()> CurrentFrame;               // the view's current frame of the file
    std::function<double()> Interval;                // T, the interval between two frames, in seconds
    std::function<int(int frame)> MarkCount;         // marks placed on a frame
    std::function<void(int frame)> DeleteFrameMarks; // a frame that becomes hidden loses its marks
    std::function<void()> ResultsOutOfDate;
    std::function<void(int frame)> GoToFrame;
    std::function<void()> Repaint;
    // The option that asks for the explanation when a single frame is shown or hidden.
    std::function<bool()> ExplainToggle;
    // The series dialog: fills a selection of FrameCount frames and the action (true: show); false when
    // the user gave up.
    std::function<bool(const QString& caption, TBooleanDynArray& selection, bool& show)> SeriesDialog;
    // The frame-time dialog, whose arrows call ShiftFromCurrent.
    std::function<void()> FrameTimeDialog;
};

// The series text of the "show or hide a series" dialog: frame numbers from 1, groups separated by ";",
// ranges "a-b" in either order (e.g. "1-55; 58; 73-165"). Trailing "-" and ";" are dropped, and doubled
// ";;" or "--" read as single. Fills selection with frameCount entries. False for a character other than
// a digit, space, "-" or ";", an empty group, a number that is not one, or one outside 1..frameCount; the
// selection is then empty. An empty text selects nothing and is valid.
bool ParseSeries(const QString& text, int frameCount, TBooleanDynArray& selection);
// The selections of the dialog's two list items: every even (1-based 2, 4, ...) or odd frame number.
TBooleanDynArray EveryOtherFrame(int frameCount, bool even);
// "The image group at hide|show is incorrect".
QString SeriesErrorText(bool show);

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
    TMontageHost Host;

    // Every frame visible, every shift 0 (a negative count counts as 0). Called when a video opens.
    void Init(int frameCount);
    // Renumbers the visible frames 0, 1, 2 ... in file order and recounts VisibleCount.
    void RebuildMaps();

    int PositionOf(int frame) const;  // -1 when out of range or hidden
    int FrameAt(int position) const;  // -1 when out of range
    bool IsVisible(int frame) const;  // true when out of range
    int ShiftOf(int frame) const;     // 0 when out of range
    int TimeIndexOf(int frame) const; // frame + its shift

    // The view's current frame is visible; false without video or outside the editing mode.
    bool CurrentIsVisible() const;
    enum TWhichTime
    {
        wtNext = 0,
        wtPrevious = 1,
        wtCurrent = 2,
    };
    // Time in seconds of the next visible frame after the current one, of the previous visible frame
    // before it, or of the current frame; -1 when there is none, outside the editing mode or without data.
    double TimeOf(int which) const;
    // Empty time indexes between the visible frames (from time index 0), the slots of missing frames.
    int MissingSlotCount() const;

    // Shows or hides one frame in the editing mode: a hidden frame loses its marks and takes no time, so
    // every later frame comes one interval earlier (and back when shown again). False when nothing
    // changed: no video, not editing, no data, out of range, already so, or the last visible frame, which
    // shows "At least 1 frame must remain visible".
    bool SetVisible(int frame, bool visible);
    // The "Show or hide frame" command on the current frame (with its explanation when asked for).
    void ToggleCurrent();
    // The "Show or hide a series of frames" command through Host.SeriesDialog.
    void ShowHideSeries();
    // Applies a series: every selected frame whose visibility differs, in ascending order, until the first
    // refusal. Nothing when the selection does not cover exactly FrameCount frames.
    void ApplySelection(const TBooleanDynArray& selection, bool show);
    // Moves the time of the current (visible) frame and of every later frame by delta intervals. Refused
    // (false) when the current frame would come at or before the previous visible frame, or the first frame
    // before time index 0.
    bool ShiftFromCurrent(int delta);
    // The "Modify frame time" command: the frame-time dialog, on a visible current frame.
    void EditFrameTime();
    // Leaving the editing mode on a hidden frame moves to the next visible frame, else to the previous one.
    void LeaveEditMode();
    // Replaces every shift (e.g. the shifts that make a file's dropped frames take their time slots); the
    // list must cover exactly FrameCount frames. Results become out of date and OnChange fires.
    bool ApplyShifts(const TIntegerDynArray& shifts);

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
