// Mean-shift search: the colour model of a target drawn as an outline on one frame, and its position on
// the following frames by weighted-centroid iterations of a square window.
#pragma once

#include "common/UnitTypes.h"

#include <QImage>
#include <QPoint>
#include <QPointF>
#include <QRect>
#include <vector>

// What one search found. Positions are frame pixels as pixel indexes: pixel (i, j) has its centre at
// (i, j), so the centre of a frame of width W is at (W - 1) / 2; add 0.5 for coordinates whose origin is
// the top-left corner of the frame.
struct TLocateResult
{
    QPoint Pixel;     // the window centre where the search stopped
    QPointF Position; // the same refined by the last mean shift (sub-pixel)
    int Iterations = 0;
    bool NoMatch = false; // no pixel of the last window had a colour of the model: the window stayed
};

// The frame as RGB32, the layout the searches read: the frame itself (shared, no copy) when it is RGB32 or
// ARGB32 already, else a converted copy. The tracking converts each frame once, so the searches' own calls
// cost nothing.
QImage AsRgb32(const QImage& frame);

class TMeanShift
{
public:
    static constexpr int BinsPerAxis = 20;
    static constexpr int MinRadius = 10;
    static constexpr int MaxRadius = 100;
    static constexpr double BackgroundMargin = 1.2;
    // Weight of a neighbouring bin (one step along one axis) in the tolerant model; two steps give its
    // square, three its cube. A uniform colour that crosses one bin boundary keeps a similarity of
    // about sqrt(0.6) = 0.77 instead of dropping to 0, two at once 0.6.
    static constexpr double NeighbourWeight = 0.6;

    TMeanShift();

    // Side of the search window in pixels: max(trunc(1.2 x the target's larger side), 2 x radius + 1).
    int WindowSize() const;
    // Zones to ignore, polygons in relative coordinates, converted to frame pixels (rounded half to even).
    void SetIgnoreZones(const TMatricePointD& zones, int frameHeight, int frameWidth);
    // The outline (relative coordinates, count points used) on a frame. False when the outline has fewer
    // than two distinct pixels. start receives the centre of the masked pixels, rounded.
    bool SetTarget(const QImage& frame, int count, const TPointDDynArray& outline, QPoint& start);
    // The unrounded centre of the masked pixels (pixel indexes) of the last successful SetTarget.
    QPointF TargetCentre() const { return FTargetCentre; }
    // The colour model of the target from the last SetTarget (without the colours that are as frequent
    // around the outline as inside it) and its neutral colour.
    void BuildTargetModel();
    static void SetBinCount(int n);
    // Moves a window from start toward the best match of the model, at most maxIterations times. With
    // tolerant, the tolerant model attracts the window instead: it finds a target whose colours have
    // just crossed into neighbouring bins, but is less precise and more easily pulled by colours near
    // the target's, so it is the second try when the first finds nothing convincing.
    TLocateResult Locate(const QImage& frame, const QPoint& start, int maxIterations, bool tolerant = false);
    // Similarity in [0, 1] of the pixels under the outline placed at position (pixel indexes) to the
    // target model: the coefficient sum(sqrt(p q)) divided by its value on the outline frame, clamped.
    // 1 on the target, near 0 when no colour of the target is there; 0 without a model. q is the
    // tolerant model (see below), so a colour one bin away from the model's still counts, for less.
    double Similarity(const QImage& frame, const QPoint& position);
    // The same against the model as it was built from the outline frame, whatever the adaptation did
    // since: how much the pixels there look like the target as the user outlined it.
    double OriginalSimilarity(const QImage& frame, const QPoint& position);
    // The position taken again from start in a window of the target's own size only (the second stage of
    // Locate), so that colours of the model a little away do not pull it.
    TLocateResult LocateNear(const QImage& frame, const QPoint& start, int maxIterations);
    // How many times the target's own pixels the whole frame holds pixels of the target's colours (as
    // outlined, neighbouring shades included): about 1 when nothing else in the picture shares them.
    double ColourCommonness(const QImage& frame) const;
    // Blends into the model, at the given rate (0..1), the colours under the outline placed at position
    // that the tolerant model already admits: a target whose shade or lighting drifts is followed,
    // while colours foreign to the model (background, a cover, another object) never enter it. Call it
    // only for positions found with a good similarity. Nothing happens without a model.
    void AdaptModel(const QImage& frame, const QPoint& position, double rate);

    TColor NeutralColour = clWhite;
    TMatricePoint IgnorePolygons; // frame pixels
    TMatriceI TargetMask;         // non-zero inside or on the outline, over TargetBitmap
    TMatrice3D TargetLuv;         // L*u*v* of TargetBitmap
    TMatrice3D TargetModel;       // histogram q of the masked target pixels, no kernel, normalised,
                                  // as built from the outline frame (adaptation leaves it unchanged)
    QImage TargetBitmap;          // the outline's bounding box widened by one pixel, from the frame
    QImage CandidateBitmap;       // the current search window with a margin around it
    int SearchRadius = 40;        // frame pixels, 10..100, written by the tracking driver
    QRect TargetRect;             // frame pixels covered by TargetBitmap

private:
    // Copies the frame pixels of rect into target: parts outside the frame in the neutral colour, zones
    // to ignore painted over in the same colour. The frame itself is not changed.
    void Extract(const QImage& frame, const QRect& rect, QImage& target) const;

    // The tolerant model from the current one: each colour also spreads to the neighbouring bins
    // (weight NeighbourWeight per axis step), bins of the background excluded, normalised; the neutral
    // colour moves out of it when needed.
    void BuildTolerantModel();
    // Bins of the target mask placed at position, into FBins (after Extract into FRegion).
    void BinsUnderOutline(const QImage& frame, const QPoint& position);
    double SimilarityTo(const std::vector<double>& model, const QImage& frame, const QPoint& position);

    int FWindowOverride = 0; // a window side forced for the refining search; 0: WindowSize()
    QPointF FTargetCentre;
    QImage FTargetFrame;                   // the outline frame, kept until BuildTargetModel
    std::vector<double> FTargetFlat;       // the current model by flat bin: TargetModel, then adapted
    std::vector<double> FTolerant;         // FTargetFlat widened to neighbouring bins
    std::vector<double> FTolerantOriginal; // FTolerant as built from the outline frame
    std::vector<char> FBackgroundBin;      // per bin: seen around the outline and left out of the model
    std::vector<double> FTargetMaskWeights;
    double FConfidenceNorm = 0.0;
    // Work arrays kept between calls to avoid reallocation.
    std::vector<int> FBins;
    std::vector<double> FKernel;
    int FKernelSize = -1;
    double FKernelTotal = 0.0;
    std::vector<int> FSlotOf;  // per bin: its place among the model's colours, or -1
    std::vector<int> FSlotBin; // per place: the bin
    std::vector<double> FCandidate;
    QImage FRegion;
};
