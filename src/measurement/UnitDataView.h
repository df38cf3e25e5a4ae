// What the measurement data needs of the video view: geometry, frames, the time base and feedback.
#pragma once

#include "common/UnitTypes.h"

#include <QPoint>
#include <QSize>

// Implemented by the video view; the measurement data holds a plain pointer to it and never owns it.
// Pixels are view pixels of the back buffer; relative units are fractions of the frame size with (0, 0)
// the frame's top-left corner. A frame is the 0-based index of a frame in the video file; a position is
// the 0-based index in the edited sequence (the visible frames).
class TDataView
{
public:
    virtual ~TDataView() = default;

    // View pixel -> relative units, each value clamped to [0, 1].
    virtual TPointRel ToRelative(int x, int y) const = 0;
    // Relative units -> view pixel, rounded to the nearest pixel.
    virtual QPoint ToView(const TPointRel& point) const = 0;
    // Size of the source frame in pixels (W x H); empty without a video.
    virtual QSize FrameSize() const = 0;
    // Size of the area the overlay is painted on, in view pixels.
    virtual QSize ClientSize() const = 0;

    virtual int FrameCount() const = 0;      // frames in the video file
    virtual int CurrentFrame() const = 0;    // frame shown
    virtual int CurrentPosition() const = 0; // position shown in the edited sequence
    virtual int PositionCount() const = 0;   // number of positions of the edited sequence
    virtual void GoToPosition(int position) = 0;

    // The edited time base: time shift of a frame in frame intervals (0 out of range), position of a frame
    // (-1 for a hidden or out-of-range frame), frame at a position (-1 out of range).
    virtual int ShiftOf(int frame) const = 0;
    virtual int PositionOf(int frame) const = 0;
    virtual int FrameAt(int position) const = 0;

    virtual TModeVideo Mode() const = 0;
    // True while the zoom or pan tool of the view is selected: the Enter key then belongs to the view.
    virtual bool ViewToolActive() const = 0;
    // Current pointer position in view pixels (acts for the Enter key).
    virtual QPoint MousePosition() const = 0;

    // Shows the numbered custom cursor (0 is the default cursor) until the next refresh.
    virtual void SetCursorNumber(int cursor) = 0;
    // Recomputes the cursor from the mode and the current tool.
    virtual void CursorRefresh() = 0;
    // Asks for the frame and its overlay to be painted again.
    virtual void Repaint() = 0;
};
