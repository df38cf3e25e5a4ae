// Geometry of the video view: zoom, the visible source rectangle, scroll positions and the conversions
// between view pixels and relative image coordinates. No widget here, so every rule can be tested alone.
#pragma once

#include "common/UnitTypes.h"

#include <QPoint>
#include <QRect>
#include <QSize>

class TVideoGeometry
{
public:
    static constexpr int MinZoom = 100; // percent
    static constexpr int MaxZoom = 800;

    // One step of the zoom tool; fine steps (+/- 10) with Ctrl. Results are clamped to [100, 800].
    static int ZoomInStep(int zoom, bool fine);
    static int ZoomOutStep(int zoom, bool fine);
    // Zoom after scaling by factor: 10 x trunc(round(zoom x factor) / 10), clamped.
    static int ZoomByFactor(int zoom, double factor);

    // A new video of W x H source pixels: zoom 100, the whole frame visible.
    void SetFrameSize(int width, int height);
    // The control's client size in view pixels and the thickness of a scroll bar.
    void SetClientSize(int width, int height, int scrollBarExtent);

    // Recomputes the back buffer, the display size and the view origin from the zoom and the source
    // rectangle (whenever the size, the zoom, the source rectangle or the video changes).
    void Recompute();

    // View pixel -> relative coordinates, clamped to [0, 1]; relative -> view pixel, rounded.
    TPointRel ToRelative(double x, double y) const;
    QPoint ToView(const TPointRel& p) const;

    // Zooms to z1 so that the view point (x, y) becomes the centre; the source rectangle stays inside
    // the frame.
    void ZoomAt(int x, int y, int z1);
    // Back to 100 %: the whole frame.
    void ZoomReset();
    // A zoom-tool rectangle in view pixels: at least 10 x 10 zooms onto it and answers true; smaller
    // answers false (the caller then treats it as a click).
    bool ZoomRectangle(const QRect& rect);
    // Moves the visible region from scroll-bar positions (in display pixels).
    void ScrollTo(int horizontal, int vertical);
    // Shifts the source rectangle for a pan drag of (dx, dy) view pixels; false when nothing moved.
    bool Pan(int dx, int dy);

    int Zoom() const { return FZoom; }
    bool Zoomed() const { return FZoom > 100; }
    QRect SourceRect() const { return FSource; }     // source pixels
    QSize BackBufferSize() const { return FBuffer; } // view pixels
    QSize ClientSize() const { return FClient; }
    QSize FrameSize() const { return FFrame; }
    double DisplayWidth() const { return FDisplayW; }
    double DisplayHeight() const { return FDisplayH; }
    TPointRel ViewOrigin() const { return FOrigin; }
    double InverseZoom() const { return 100.0 / FZoom; }
    // Scroll bar ranges (the display size) and positions.
    QPoint ScrollPosition() const;

private:
    void ClampSource();

    QSize FFrame{0, 0};
    QSize FClient{0, 0};
    int FScrollExtent = 0;
    int FZoom = 100;
    QRect FSource; // visible region of the frame, source pixels
    QSize FBuffer{0, 0};
    double FDisplayW = 0.0;
    double FDisplayH = 0.0;
    TPointRel FOrigin;
};
