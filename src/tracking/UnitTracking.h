// The tracking driver: the targets' outlines and zones to ignore per object, and the tracking run that
// follows one object frame by frame with the mean-shift search, keeping each position with a confidence.
#pragma once

#include "common/UnitTypes.h"
#include "tracking/UnitAppearance.h"
#include "tracking/UnitMeanShift.h"

#include <QImage>
#include <QString>
#include <functional>
#include <vector>

class TOptions;

enum TLastOp : std::uint8_t
{
    loNone = 0,   // nothing yet
    loSelect = 1, // an outline has been drawn since the last tracking
    loTrack = 2,  // the object has been tracked since its outline was drawn
};

// Why the last run ended.
enum TTrackingEnd : std::uint8_t
{
    teNone = 0,      // no run yet, or one in progress
    teLastFrame = 1, // the last frame of the sequence was reached
    teStopped = 2,   // the user stopped it
    teNoTarget = 3,  // the outline could not serve as a target on its frame
    teNoFrame = 4,   // a frame could not be read
    teLost = 5,      // the target was lost (covered, or no longer looking like itself)
    teLeftFrame = 6, // the target went out of the frame
    teUniform = 7,   // the outline holds a uniform area: nothing to follow
};

// Results of the start checks, in the order they are made.
enum TStartCheck : std::uint8_t
{
    scOk = 0,
    scNoVideo = 1,
    scNoOutline = 2,
    scOutlineOnLastFrame = 3,
    scBadFirstFrame = 4,
};

class TTracking
{
public:
    static constexpr int BinCount = 20;
    static constexpr int MaxIterations = 10;
    // A frame whose confidence is below DoubtLevel is doubtful: its position follows the motion of the
    // frames before it. A run stops as lost after a streak of doubtful frames of about a third of a second
    // of video and at least MinLostFrames visited frames; the frames of that streak are not kept.
    static constexpr double DoubtLevel = 0.5;
    static constexpr int MinLostFrames = 8;
    // Correlation with the outlined look that counts as a full match, and below which nothing is the
    // target: the appearance part of the confidence rises from 0 to 1 between them.
    static constexpr double LookLow = 0.45;
    static constexpr double LookHigh = 0.75;
    // For an anchor of SmallAnchorPixels or fewer the bounds are SmallLookLow and SmallLookHigh; they
    // ease to the others at SmallAnchorLarge.
    static constexpr int SmallAnchorPixels = 150;
    static constexpr int SmallAnchorLarge = 600;
    static constexpr double SmallLookLow = 0.7;
    static constexpr double SmallLookHigh = 0.92;
    // A target whose colours nothing else in the outline frame shares (less than UniqueColourRatio times
    // its own pixels in the whole picture) is told apart by them, and its look may be looser by
    // UniqueColourEase.
    static constexpr double UniqueColourRatio = 3.0;
    static constexpr double UniqueColourEase = 0.15;
    // Similarity to the outlined colours below which nothing is the target, and from which it fully is:
    // the pixels under the outline include some background, which changes as the target moves.
    static constexpr double ColourLow = 0.2;
    static constexpr double ColourHigh = 0.6;
    // A target that turns or changes its shape little by little is also judged against its look on the
    // last frame that confirmed it, taken again when the target has changed past RetakeLook since, on a
    // frame that still matches it (KeepLook), matches the outlined colours and continues the motion
    // closely, so that it cannot slide onto a neighbour. It judges positions, it never proposes them.
    static constexpr double RetakeLook = 0.9;
    static constexpr double KeepLook = 0.75;
    // A look from SureLookHigh on (against the outlined one) of an anchor of at least SureLookPixels
    // needs no colours.
    static constexpr double SureLookLow = 0.7;
    static constexpr double SureLookHigh = 0.85;
    static constexpr int SureLookPixels = 400; // a smaller anchor matches small things by chance
    // The target's colour model follows slow changes of shade and lighting: every frame whose
    // confidence is at least AdaptLevel, and whose look the anchor confirms, blends its target colours
    // into the model at AdaptRate, so a change is taken in over about five frames and the model cannot
    // drift onto the background.
    static constexpr double AdaptLevel = 0.6;
    static constexpr double AdaptLook = 0.5 * (LookLow + LookHigh);
    static constexpr double AdaptRate = 0.2;
    // Below this confidence of the look's best matches (or when their look has changed) the colours'
    // mean shift searches the frame as well; below DoubtLevel, also with the tolerant model, which finds
    // a target whose colours have just crossed into neighbouring bins.
    static constexpr double RetryLevel = 0.9;

    TTracking();

    // Shape from ShapeNumber_Value (1 broken line, 2 free, else circle), ShowSearchZone from
    // CheckBox52ShowRadiusSearch_Checked; withRadius also takes TrackingRadius_Value (at creation).
    void ApplyOptions(const TOptions& options, bool withRadius = false);
    // Entering tracking mode: every per-object array emptied and sized to objects, TrackedFrame sized
    // [objects][frames] and filled with -1, LastFrame the last visible frame.
    void Reset(int objects, int frames);
    // The object count changed: existing entries kept, new ones empty, ObjectIndex clamped.
    void ResizeObjects(int objects);
    void SetTool(int tool);
    void SetShape(int shape);
    void SetSearchRadius(int radius);
    void SetObjectIndex(int index);
    void SetLastFrame(int value);

    // The current object's outline (relative points) drawn on visible frame `frame`, whose full-size
    // picture is image: stored, with its frame and centre; true when it can serve as a target.
    bool SetOutline(const TPointDDynArray& outline, int frame, const QImage& image);
    // A zone to ignore of the current object; the polygon is closed here. False with fewer than three
    // vertices (nothing stored).
    bool AddZone(const TPointDDynArray& zone);
    void EraseOutline();
    void EraseTracks();
    void EraseLastZone();
    void EraseZones();
    void EraseAll();

    // The start checks without a message; CanStart shows the failing one as a warning. An outline still
    // being drawn counts as no outline.
    TStartCheck StartCheck(bool videoOpen, bool outlineBeingDrawn = false);
    bool CanStart(bool videoOpen, bool outlineBeingDrawn = false);
    bool CanDefineSequence();
    // Starts a run of the current object on the user-interface thread, or asks the running one to stop
    // (it stops before its next frame).
    void StartStop();

    bool OutlineDefined() const;
    int ZoneCountOf() const;
    int TrackedCount() const;
    int OutlineDefinedAll() const;
    int ZoneCountAll() const;
    int TrackedCountAll() const;
    // Visible frames of the object with a tracked position whose confidence is below DoubtLevel.
    std::vector<int> DoubtfulFrames(int object) const;
    // "Doubtful frames: 41, 42, 57" with frames shown 1-based, as the view shows them; empty when none.
    QString DoubtfulText(int object) const;
    // Why the last run ended, as a sentence; empty for a normal end. Frames are numbered from
    // firstNumber (1 in the window, 0 on the command line).
    QString EndMessage(int firstNumber = 1) const;

    // Inputs from the main window.
    std::function<QImage(int)> FrameAt;   // full-size picture of a visible frame; null when unreadable
    std::function<int(int)> VideoFrameOf; // video frame number of a visible frame; identity when unset
    int FrameStep = 1;                    // frames between two marks
    double FramesPerSecond = 0.0;         // of the video, for the length of a loss; 0 when unknown
    // The look of the outlined target helps to find and to judge it; off, only its colours do (kept for
    // comparison: a same-coloured object of another shape is then confirmed as the target).
    bool UseAppearance = true;

    // Notifications, called only when assigned.
    std::function<void()> OnToolChange;
    std::function<void()> OnTrackingStart;
    std::function<void()> OnTrackingStop;
    // Before each frame of a run: the visible frame about to be tracked and the progress 0..100; the
    // main window shows the frame and processes pending events there (a stop request clears Running).
    // At the end of a run, once with frame -1 and 101 (hide the progress bar).
    std::function<void(int, int)> OnTrackingProgress;

    int SearchRadius = 40; // frame pixels, 10..100
    int LastFrame = 0;
    int ObjectIndex = 0;
    int Frames = 0; // visible frames
    int Objects = 0;
    bool Running = false;
    bool ShowSearchZone = true;
    std::uint8_t Tool = 0;  // 0 none, 1 outline, 2 zone to ignore
    std::uint8_t Shape = 0; // 0 free, 1 broken line, 2 circle

    TBooleanDynArray OutlineValid;
    TIntegerDynArray OutlineCount;
    TIntegerDynArray ZoneCount;
    TIntegerDynArray OutlineFrame;
    std::vector<TLastOp> LastOp;
    TPointDDynArray OutlineCentre;     // centre of the smallest circle around the outline, relative
    TPointDDynArray LastPositionRel;   // relative
    TMatriceI TrackedFrame;            // [objects][frames]: -1, or the video frame number
    TMatricePointD TrackedPositionRel; // [objects][frames], relative (x / W, y / H of the pixel centre)
    TMatriceD TrackedConfidence;       // [objects][frames], 0..1
    TMatricePointD OutlineRel;         // [objects]
    TMatrice3PointD ZonesRel;          // [objects][zones], closed polygons

    TTrackingEnd EndReason = teNone;
    int EndFrame = -1; // visible frame where a run ended early

    TMeanShift MeanShift;
    TAppearance Appearance; // the look as outlined
    TAppearance Recent;     // the look on the last frame that confirmed the target

    // Doubtful frames in a row after which a run stops as lost: a third of a second of visited frames,
    // at least MinLostFrames.
    int LostStreak() const;
    // The confidence of a position from its correlation with the outlined look and its similarity to
    // the outlined colours, 0..1.
    double ConfidenceOf(double look, double colour) const;

private:
    void Run();
    void Record(int frame, const QPointF& pixel, double confidence, const QSize& size);
    void ClearObject(int object);

    // The middle of the target's colours from the point its look is attached to, on the outline frame.
    QPointF FColourOffset;
    bool FColourUnique = false;
};

// Centre of the smallest circle enclosing the points (their mean for fewer than two).
QPointF SmallestCircleCentre(const TPointDDynArray& points);
