// The magnifier drawn over the video view: a region of the view's back buffer around the pointer,
// enlarged, with a cross-hair. A plain object painted by the view, not a window of its own.
#pragma once

#include <QImage>
#include <QPoint>
#include <QRect>

class QPainter;

class TLoupe
{
public:
    static constexpr int MinMagnification = 100; // percent
    static constexpr int MaxMagnification = 600;
    static constexpr int DragBand = 20; // pixels at the top that move the magnifier

    bool Visible = false;
    QRect Bounds;  // in view pixels
    QPoint Centre; // last pointer position, view pixels
    int Magnification = 300;

    // Place and size relative to the view: top-right corner, a fifth of the view each way.
    void PlaceIn(const QSize& view);
    // The region of the back buffer that is enlarged (source size centred on Centre).
    QSize SourceSize() const;
    QRect SourceRect() const;

    // Paints onto painter (in view coordinates) from the composed back buffer.
    void Paint(QPainter& painter, const QImage& backBuffer) const;

    // Mouse on the magnifier (view pixels). Down answers whether the magnifier took the click: in the top
    // band it starts a drag, elsewhere left enlarges by 100 % and right reduces (limits 100 and 600).
    bool Contains(const QPoint& p) const { return Visible && Bounds.contains(p); }
    bool MouseDown(int button, const QPoint& p);
    // While dragging, follows the pointer and stays inside the visible area; answers whether it dragged.
    bool MouseMove(const QPoint& p, const QSize& view);
    void MouseUp() { FDragging = false; }
    bool Dragging() const { return FDragging; }
    // Over the top band the size-all cursor, elsewhere the zoom cursor.
    bool InDragBand(const QPoint& p) const { return Contains(p) && p.y() < Bounds.top() + DragBand; }

private:
    bool FDragging = false;
    QPoint FAnchor;
};
