// The target's look as it was outlined: its colour patch from the outline frame, compared with a frame by
// normalised cross-correlation, to find the target among objects of its colours (a stick, a bar, a wall,
// a shadow) and to judge a found position by its shape as well as its colours.
#pragma once

#include "common/UnitTypes.h"

#include <QImage>
#include <QPoint>
#include <QPointF>
#include <QRect>
#include <algorithm>
#include <vector>

// One position where the frame looks like the anchor. Positions are frame pixels as pixel indexes (the
// centre of pixel i at i), like the target's centre they are attached to.
struct TAppearanceMatch
{
    QPointF Position;
    double Score = -1.0; // normalised cross-correlation, -1..1; 1 for the outline frame itself
};

class TAppearance
{
public:
    // Below this deviation of its grey levels (0..255 scale) an outline holds nothing to follow: a uniform
    // area, an empty wall.
    static constexpr double MinContrast = 2.0;

    // The patch of the frame under box (frame pixels; parts outside the frame repeat its edge) becomes
    // the anchor, attached to the target position centre (pixel indexes). Only the pixels of each row
    // between the first and the last non-zero entry of mask (rows and columns of the box) count; without
    // a mask, the whole box. False when the box is empty.
    bool SetAnchor(const QImage& frame, const QRect& box, const QPointF& centre,
                   const TMatriceI* mask = nullptr);
    void Clear();
    bool Valid() const { return !FTemplate.empty(); }
    // Root mean square deviation of the anchor's grey levels; below MinContrast the outline is uniform.
    double Contrast() const { return FContrast; }
    // Pixels of the anchor that count: the more, the surer a high correlation.
    int PixelCount() const { return FCount; }
    // Half the larger side of the anchor, frame pixels: about the target's radius.
    double Radius() const { return 0.5 * std::max(FWidth, FHeight); }

    // Correlation of the anchor placed with its target position at the pixel `position`; -1 without an
    // anchor, 0 where the frame is uniform.
    double Score(const QImage& frame, const QPointF& position) const;
    // The best places of the anchor whose target position lies within radius (frame pixels, a square) of
    // around, best first, at most `count`, each refined to the sub-pixel.
    std::vector<TAppearanceMatch> Search(const QImage& frame, const QPointF& around, int radius,
                                         int count) const;
    // Climbs to the nearest peak of the correlation from start (steps of `step` pixels, then halves),
    // then refines it to the sub-pixel.
    TAppearanceMatch Refine(const QImage& frame, const QPointF& start, int step) const;
    // The coarse step of the search: about an eighth of the anchor's smaller side, at least 1.
    int CoarseStep() const { return FScale; }

private:
    // The patch (3 channels, rows of width w) of the frame at top-left corner `corner`, decimated by
    // `scale` (each value the mean of a scale x scale block), into out.
    static void Patch(const QImage& frame, const QPoint& corner, int width, int height, int scale,
                      std::vector<float>& out);

    int FWidth = 0, FHeight = 0; // anchor size, frame pixels
    QPointF FOffset;             // top-left corner of the anchor from its target position
    // Correlation with the anchor's top-left corner on the pixel `corner`.
    double ScoreAt(const QImage& frame, const QPoint& corner) const;
    QPoint CornerOf(const QPointF& position) const;
    // Per row of the anchor (full size, then coarse): the columns [first, end) that count.
    std::vector<std::pair<int, int>> FSpans, FCoarseSpans;
    int FCount = 0, FCoarseCount = 0; // pixels that count
    std::vector<float> FTemplate;     // R, G, B planes minus their means over the counted pixels, 0 elsewhere
    double FNorm = 0.0;               // sqrt of the sum of squares of FTemplate
    int FScale = 1;
    int FCoarseWidth = 0, FCoarseHeight = 0;
    std::vector<float> FCoarse; // the anchor decimated by FScale, planes minus their means
    double FCoarseNorm = 0.0;
    double FContrast = 0.0;
    mutable std::vector<float> FWork;
};
