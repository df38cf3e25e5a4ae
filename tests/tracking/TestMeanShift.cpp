// Mean-shift search: target set-up, window size, convergence, limits and stopping rules.
#include "tracking/UnitMeanShift.h"

#include "SyntheticClip.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

constexpr int W = 320;
constexpr int H = 240;

// A search object with the target disc of the given frame as its model.
QPoint Prepare(TMeanShift& search, const QImage& frame, const QPointF& centre, double outlineRadius,
               int radius = 40)
{
    search.SearchRadius = radius;
    QPoint start;
    const auto outline = SynthCircleOutline(centre, outlineRadius, frame.width(), frame.height());
    EXPECT_TRUE(search.SetTarget(frame, static_cast<int>(outline.size()), outline, start));
    TMeanShift::SetBinCount(20);
    search.BuildTargetModel();
    return start;
}

// Continuous frame coordinates (origin at the corner of the frame) of a search result.
QPointF Continuous(const TLocateResult& r)
{
    return r.Position + QPointF(0.5, 0.5);
}

} // namespace

TEST(MeanShift, WindowSizeFollowsTargetAndRadius)
{
    const struct
    {
        int TargetSide, Radius, Window;
    } cases[] = {{20, 40, 81}, {100, 20, 120}, {5, 10, 21}};
    for (const auto& c : cases) {
        TMeanShift search;
        search.SearchRadius = c.Radius;
        search.TargetBitmap = QImage(c.TargetSide, c.TargetSide / 2, QImage::Format_RGB32);
        EXPECT_EQ(search.WindowSize(), c.Window) << c.TargetSide << " " << c.Radius;
    }
}

TEST(MeanShift, SetTargetMasksTheOutlineAndStartsAtItsCentre)
{
    const QImage frame = SynthBackground(W, H);
    TMeanShift search;
    QPoint start;
    // The pixels 100..109 x 50..57 as a closed broken line through their corners' pixels.
    const TPointDDynArray rect = {
        {100.0 / W, 50.0 / H}, {109.0 / W, 50.0 / H}, {109.0 / W, 57.0 / H}, {100.0 / W, 57.0 / H}};
    ASSERT_TRUE(search.SetTarget(frame, 4, rect, start));
    EXPECT_EQ(search.TargetRect, QRect(99, 49, 12, 10)); // the box widened by one pixel
    EXPECT_EQ(search.TargetBitmap.size(), QSize(12, 10));
    int set = 0;
    for (const auto& row : search.TargetMask)
        for (int v : row)
            set += v != 0;
    EXPECT_EQ(set, 10 * 8);
    EXPECT_DOUBLE_EQ(search.TargetCentre().x(), 104.5);
    EXPECT_DOUBLE_EQ(search.TargetCentre().y(), 53.5);
    EXPECT_EQ(start, QPoint(104, 54)); // rounded half to even
    EXPECT_EQ(search.TargetBitmap.pixel(1, 1), frame.pixel(100, 50));

    // One distinct pixel point cannot serve as a target, however many times it is given.
    const TPointDDynArray point = {{0.5, 0.5}, {0.5001, 0.5}, {0.5, 0.5}};
    EXPECT_FALSE(search.SetTarget(frame, 3, point, start));
}

TEST(MeanShift, ConvergesOnTheDiscCentreWithinHalfAPixel)
{
    // Discs at sub-pixel centres, starting up to 16 pixels away: the found position (continuous
    // coordinates) is within half a pixel. The absence of bias over whole runs is checked on clips.
    const QImage background = SynthBackground(W, H, 3);
    const QPointF first(150.3, 110.7);
    const QImage frame0 = SynthFrame(background, {{first, 10.0}});
    const struct
    {
        double X, Y;
    } moves[] = {{0.0, 0.0}, {7.4, -5.2}, {-12.6, 9.8}, {15.1, 0.35}, {-0.5, -0.5}};
    for (const auto& m : moves) {
        TMeanShift search;
        Prepare(search, frame0, first, 12.0);
        const QPointF truth = first + QPointF(m.X, m.Y);
        const QImage frame = SynthFrame(background, {{truth, 10.0}});
        const TLocateResult r = search.Locate(frame, QPoint(150, 110), 10);
        SCOPED_TRACE(testing::Message() << m.X << "," << m.Y);
        EXPECT_FALSE(r.NoMatch);
        EXPECT_NEAR(Continuous(r).x(), truth.x(), 0.5);
        EXPECT_NEAR(Continuous(r).y(), truth.y(), 0.5);
        EXPECT_GT(search.Similarity(frame, r.Pixel), 0.9);
    }
}

TEST(MeanShift, NoColourOfTheModelLeavesThePositionUnchanged)
{
    const QImage background = SynthBackground(W, H, 4);
    TMeanShift search;
    Prepare(search, SynthFrame(background, {{{100.5, 100.5}, 10.0}}), {100.5, 100.5}, 12.0);
    const TLocateResult r = search.Locate(background, QPoint(103, 98), 10);
    EXPECT_TRUE(r.NoMatch);
    EXPECT_EQ(r.Pixel, QPoint(103, 98));
    EXPECT_EQ(r.Iterations, 1);
    EXPECT_LT(search.Similarity(background, r.Pixel), 0.05);

    // Without a model the window does not move either.
    TMeanShift bare;
    QPoint start;
    const auto outline = SynthCircleOutline({100.5, 100.5}, 12.0, W, H);
    ASSERT_TRUE(bare.SetTarget(background, static_cast<int>(outline.size()), outline, start));
    EXPECT_EQ(bare.Locate(background, QPoint(50, 60), 10).Pixel, QPoint(50, 60));
    EXPECT_EQ(bare.Similarity(background, QPoint(50, 60)), 0.0);
}

TEST(MeanShift, WindowPastTheEdgeIsPulledBackToTheVisibleTarget)
{
    // The disc sits against the left edge; the window starts mostly outside the frame.
    const QImage background = SynthBackground(W, H, 5);
    TMeanShift search;
    Prepare(search, SynthFrame(background, {{{60.0, 120.0}, 10.0}}), {60.0, 120.0}, 12.0);
    const QPointF truth(12.0, 120.0);
    const TLocateResult r = search.Locate(SynthFrame(background, {{truth, 10.0}}), QPoint(-20, 120), 10);
    EXPECT_NEAR(Continuous(r).x(), truth.x(), 0.5);
    EXPECT_NEAR(Continuous(r).y(), truth.y(), 0.5);
}

TEST(MeanShift, TinyTargetInALargeWindowShrinksTheWindow)
{
    // A 3-pixel disc with the largest radius: window ratio far above 4, so the window shrinks each
    // step and the search ends within the iteration limit on the target.
    const QImage background = SynthBackground(W, H, 6);
    TMeanShift search;
    Prepare(search, SynthFrame(background, {{{160.0, 120.0}, 1.5}}), {160.0, 120.0}, 2.0, 100);
    ASSERT_GT(search.WindowSize() / double(search.TargetBitmap.width()), 4.0);
    const QPointF truth(171.0, 113.0);
    const TLocateResult r = search.Locate(SynthFrame(background, {{truth, 1.5}}), QPoint(160, 120), 10);
    EXPECT_LE(r.Iterations, 10);
    EXPECT_NEAR(Continuous(r).x(), truth.x(), 1.0);
    EXPECT_NEAR(Continuous(r).y(), truth.y(), 1.0);
}

TEST(MeanShift, ZoneToIgnoreRemovesPixelsFromTheAttraction)
{
    // The left half of the disc under a zone to ignore: the centre found moves to the right half.
    const QImage background = SynthBackground(W, H, 7);
    const QPointF centre(160.0, 120.0);
    const QImage frame = SynthFrame(background, {{centre, 10.0}});
    TMeanShift search;
    search.SetIgnoreZones(
        {{{140.0 / W, 100.0 / H}, {160.0 / W, 100.0 / H}, {160.0 / W, 140.0 / H}, {140.0 / W, 140.0 / H}}}, H,
        W);
    Prepare(search, frame, centre, 12.0);
    const TLocateResult r = search.Locate(frame, QPoint(160, 120), 10);
    EXPECT_GT(Continuous(r).x(), centre.x() + 3.0);
    EXPECT_NEAR(Continuous(r).y(), centre.y(), 0.5);
    // The frame itself is not painted.
    EXPECT_EQ(frame.pixel(150, 120), SynthFrame(background, {{centre, 10.0}}).pixel(150, 120));
}

TEST(MeanShift, AdaptingTakesInNeighbouringShadesButNeverForeignColours)
{
    const QImage background = SynthBackground(W, H, 8);
    const QPointF centre(160.0, 120.0);
    auto frameWith = [&](QRgb colour) { return SynthFrame(background, {{centre, 10.0, colour}}); };
    const QImage red = frameWith(qRgb(220, 30, 30));
    const QImage pink = frameWith(qRgb(200, 60, 60)); // a few bins away from the red on every axis
    const QImage green = frameWith(qRgb(30, 160, 50));
    const QPoint at(160, 120);

    TMeanShift search;
    Prepare(search, red, centre, 12.0);
    EXPECT_LT(search.Similarity(pink, at), 0.5);

    // The disc under a green cover, however long and fast it is taken in, leaves the model as it was:
    // none of its colours is near the model's, and the grey around the outline is background.
    for (int k = 0; k < 20; ++k)
        search.AdaptModel(green, at, 1.0);
    EXPECT_GT(search.Similarity(red, at), 0.99);
    EXPECT_LT(search.Similarity(green, at), 0.05);

    // Shade by shade the model moves to the pink, and the red fades from it.
    for (int step = 1; step <= 10; ++step) {
        const QImage shade = frameWith(qRgb(220 - 2 * step, 30 + 3 * step, 30 + 3 * step));
        EXPECT_GT(search.Similarity(shade, at), 0.5) << step;
        for (int k = 0; k < 5; ++k)
            search.AdaptModel(shade, at, 0.2);
    }
    EXPECT_GT(search.Similarity(pink, at), 0.9);
    EXPECT_LT(search.Similarity(red, at), 0.5);
    EXPECT_LT(search.Similarity(background, at), 0.05);
}
