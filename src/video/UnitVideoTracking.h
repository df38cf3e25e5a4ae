// The "Automatic marking" mode of the video view: drawing the target's outline and the zones to ignore,
// the tracking run frame by frame through the view's frame sources, its drawing, and the hand-over of
// the tracked positions to the measurement data as marks.
#pragma once

#include "common/UnitTypes.h"
#include "tracking/UnitTracking.h"

#include <QElapsedTimer>
#include <QImage>
#include <QPoint>
#include <QPointF>
#include <QString>
#include <functional>
#include <vector>

class QPainter;
class TData;
class TOptions;
class TVideo;

// Colour of the squares of doubtful frames (0x00BBGGRR): magenta, unlike any palette default nearby.
inline constexpr TColor DoubtfulColour = 0xFF00FF;
// Capacity of a zone being drawn; further vertices are ignored until the zone is finished.
inline constexpr int PendingCapacity = 32768;

// Owned by the view; everything runs on the user-interface thread. Points are kept in relative
// coordinates and turned into view pixels when painted, so zoom, pan and resizing change nothing stored.
class TVideoTracking
{
public:
    explicit TVideoTracking(TVideo& view);

    // The data side: outlines, zones, tracked positions and confidences, the search.
    TTracking Driver;

    void SetData(TData* data) { FData = data; }
    // Shape, search-zone display and (withRadius, at creation) the search radius from the options.
    void ApplyOptions(const TOptions& options, bool withRadius = false);

    // --- Life cycle, called by the view ---
    // Entering the mode: everything emptied for the current video and object count; the outline tool.
    void Enter();
    // Leaving the mode for `to`: a run is stopped; unless `to` is mvNone the positions are offered as
    // marks; no tool.
    void Leave(TModeVideo to);
    // A video was opened or closed: a run is stopped, drawings cancelled, tracked data dropped.
    void VideoChanged();
    // The number of objects per frame changed (the main window's object-count notification).
    void ObjectsChanged();

    // --- Commands (one call per button or menu item) ---
    void SetTool(int tool); // 0 none, 1 outline, 2 zone to ignore
    int Tool() const { return Driver.Tool; }
    void SetShape(int shape); // 0 free, 1 broken line, 2 circle; erases the current outline
    int Shape() const { return Driver.Shape; }
    void SetSearchRadius(int radius); // clamped to 10..100
    int SearchRadius() const { return Driver.SearchRadius; }
    void SetShowSearchZone(bool show);
    bool ShowSearchZone() const { return Driver.ShowSearchZone; }
    void SetObjectIndex(int index); // 0-based
    // The sequence button: false (after a message) when no sequence can be defined yet.
    bool CanDefineSequence();
    void SetLastFrame(int position); // 0-based position of the edited sequence
    // Starts a run after the start checks, or asks the running one to stop before its next frame.
    void StartStop();
    void Stop();
    bool Running() const { return Driver.Running; }
    void EraseOutline();
    void EraseTracks();
    void EraseLastZone();
    void EraseZones();
    void EraseAll();
    // Goes to the next doubtful frame of the current object after the current position (wrapping
    // round); its position, or -1 when there is none.
    int NextDoubtfulFrame();
    // The offer to keep the tracked positions as marks; true when they were imported.
    bool OfferResults();

    // --- The view's entry points (view pixels; button 0 left, 1 right) ---
    void MouseDown(int button, int x, int y, bool doubleClick = false);
    void MouseMove(int x, int y);
    // Enter and Escape at the pointer (arrows are moved by the view). True when handled.
    bool KeyDown(int key, const QPoint& pointer);
    void Paint(QPainter& painter) const;
    int CursorFor() const;

    // --- State for tests and the main window ---
    int DrawState() const { return FDrawState; } // 0 idle, 1 drawing a zone, 2 drawing an outline
    int PendingCount() const { return static_cast<int>(FPending.size()); }
    // What the last run said when it ended (why it stopped, the doubtful frames); empty after a plain end.
    QString Report() const { return FReport; }

    // Notifications, called only when assigned.
    // Drops an outline or a zone being drawn (the zoom or pan tool takes the mouse, the mode is left).
    void CancelDrawing();
    std::function<void()> OnToolChange;
    std::function<void()> OnTrackingStart;
    std::function<void()> OnTrackingStop;
    std::function<void(int percent)> OnProgress; // 0..100 during a run, 101 at its end (hide)

private:
    void AddPoint(const QPoint& at);
    void FinishOutline();
    void FinishZone();
    QImage GrabFrame(int position);
    void Progress(int position, int percent);
    void RunEnded();
    int Objects() const;
    QColor ObjectColour(int object) const;
    // Half the side of the search window, in frame pixels, for the current object's outline.
    double SearchHalfWindow() const;

    TVideo& FView;
    TData* FData = nullptr;
    int FDrawState = 0;
    TPointDDynArray FPending; // vertices of the outline or zone being drawn, relative
    QPoint FLastPoint;        // view pixel of the last vertex added
    bool FHasLastPoint = false;
    QPointF FRubber;                    // end of the rubber band, relative
    QPointF FCircleCentre, FCircleEdge; // relative
    QString FReport;
    // The video or the object count changed during a run: applied once the run has returned.
    bool FResetAfterRun = false;
    bool FResizeAfterRun = false;
    // During a run the view is repainted at most every ShowIntervalMs: painting every frame cost as
    // much as the search itself on small videos, and nobody follows more than a screen's rate.
    static constexpr int ShowIntervalMs = 30;
    QElapsedTimer FShown; // since the view was last let paint during a run; invalid outside runs
};

// Points of a circle of radius r (pixels) around the origin by the midpoint algorithm, all eight octants,
// in order around the circle (so that they form a simple polygon), without repeats.
std::vector<QPoint> MidpointCircle(int r);
