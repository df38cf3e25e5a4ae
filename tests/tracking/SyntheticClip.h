// Synthetic clips for the tracking tests and benchmark: coloured discs over a textured background.
#pragma once

#include <QImage>
#include <QPointF>
#include <QRect>
#include <QRgb>
#include <functional>
#include <vector>

struct TSynthDisc
{
    QPointF Centre; // frame pixels, origin at the top-left corner of the frame (pixel i spans [i, i + 1))
    double Radius = 10.0;
    QRgb Colour = qRgb(220, 30, 30);
};

// A filled rectangle drawn under the discs (a stick, a bar, a wall of some colour).
struct TSynthBar
{
    QRect Rect; // frame pixels
    QRgb Colour = qRgb(220, 30, 30);
};

// A grey textured background: 8 x 8 blocks of grey levels 70..180 plus a little noise per pixel, the
// same for a given seed.
QImage SynthBackground(int width, int height, unsigned seed = 1);
// The background with the bars, then the discs drawn over it (each pixel's coverage sampled 4 x 4,
// colours blended), then the covering rectangle, if any, filled in dark green.
QImage SynthFrame(const QImage& background, const std::vector<TSynthDisc>& discs, const QRect& cover = {},
                  const std::vector<TSynthBar>& bars = {});
// Relative points of a polygon of `count` vertices on a circle (frame pixels) of a frame of width x height.
std::vector<QPointF> SynthCircleOutline(const QPointF& centre, double radius, int width, int height,
                                        int count = 24);
