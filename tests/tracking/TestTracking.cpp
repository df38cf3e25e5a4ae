// Tracking driver: runs over synthetic clips (accuracy, zones to ignore, colours, losing the target),
// stop requests, the step between marks, start checks and the per-object bookkeeping.
#include "tracking/UnitTracking.h"

#include "SyntheticClip.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

namespace {

constexpr int W = 640;
constexpr int H = 480;
const QRgb Red = qRgb(220, 30, 30);
const QRgb Blue = qRgb(30, 60, 220);

struct TClip
{
    std::function<QPointF(int)> Path; // disc centre per frame, continuous frame coordinates
    int Frames = 40;
    QRgb Colour = Red;
    std::vector<TSynthDisc> Others;  // other discs, on every frame
    std::function<QRect(int)> Cover; // covering rectangle per frame
    TMatricePointD Zones;            // zones to ignore, relative
    int Radius = 40;
    int Step = 1;
    std::function<QRgb(int)> ColourAt; // the disc's colour per frame, instead of Colour
    std::function<double(int)> Gain;   // brightness of the whole frame per frame, 1 unchanged
};

struct TStats
{
    double Rms = 0.0;
    double MeanX = 0.0;
    double MeanY = 0.0;
    int Tracked = 0;
    int LastTracked = -1;
};

QImage FrameOf(const TClip& clip, const QImage& background, int f)
{
    std::vector<TSynthDisc> discs = clip.Others;
    discs.push_back({clip.Path(f), 10.0, clip.ColourAt ? clip.ColourAt(f) : clip.Colour});
    QImage frame = SynthFrame(background, discs, clip.Cover ? clip.Cover(f) : QRect());
    if (clip.Gain) {
        const double gain = clip.Gain(f);
        for (int y = 0; y < frame.height(); ++y) {
            auto* line = reinterpret_cast<QRgb*>(frame.scanLine(y));
            for (int x = 0; x < frame.width(); ++x) {
                auto scaled = [gain](int c) {
                    return std::min(255, static_cast<int>(std::lround(gain * c)));
                };
                line[x] = qRgb(scaled(qRed(line[x])), scaled(qGreen(line[x])), scaled(qBlue(line[x])));
            }
        }
    }
    return frame;
}

// Linear blend from a to b as f goes from 0 to last.
QRgb Blend(QRgb a, QRgb b, int f, int last)
{
    const double t = std::clamp(double(f) / last, 0.0, 1.0);
    auto mix = [t](int x, int y) { return static_cast<int>(std::lround(x + t * (y - x))); };
    return qRgb(mix(qRed(a), qRed(b)), mix(qGreen(a), qGreen(b)), mix(qBlue(a), qBlue(b)));
}

// Draws a circle outline around the disc on frame 0, runs to the last frame and compares the positions
// with the path.
TStats RunClip(TTracking& tracking, const TClip& clip)
{
    const QImage background = SynthBackground(W, H, 11);
    tracking.Reset(1, clip.Frames);
    tracking.SetSearchRadius(clip.Radius);
    tracking.FrameStep = clip.Step;
    tracking.FrameAt = [&](int f) { return FrameOf(clip, background, f); };
    for (const auto& zone : clip.Zones)
        tracking.AddZone(zone);
    EXPECT_TRUE(
        tracking.SetOutline(SynthCircleOutline(clip.Path(0), 12.0, W, H), 0, FrameOf(clip, background, 0)));
    EXPECT_TRUE(tracking.CanStart(true));
    tracking.StartStop();
    TStats stats;
    double sum2 = 0.0;
    for (int f = 0; f < clip.Frames; ++f) {
        if (tracking.TrackedFrame[0][f] < 0)
            continue;
        const QPointF p(tracking.TrackedPositionRel[0][f].x() * W, tracking.TrackedPositionRel[0][f].y() * H);
        const QPointF e = p - clip.Path(f);
        sum2 += e.x() * e.x() + e.y() * e.y();
        stats.MeanX += e.x();
        stats.MeanY += e.y();
        ++stats.Tracked;
        stats.LastTracked = f;
    }
    if (stats.Tracked > 0) {
        stats.Rms = std::sqrt(sum2 / stats.Tracked);
        stats.MeanX /= stats.Tracked;
        stats.MeanY /= stats.Tracked;
    }
    return stats;
}

TClip MakeClip(std::function<QPointF(int)> path, int frames, QRgb colour = Red,
               std::function<QRect(int)> cover = {})
{
    TClip clip;
    clip.Path = std::move(path);
    clip.Frames = frames;
    clip.Colour = colour;
    clip.Cover = std::move(cover);
    return clip;
}

QPointF Projectile(int f)
{
    return {60.3 + 9.1 * f, 400.6 - 22.0 * f + 0.5 * f * f};
}
QPointF Circle(int f)
{
    return {320 + 150 * std::cos(0.15 * f), 240 + 150 * std::sin(0.15 * f)};
}
// 26 pixels a frame with a search radius of 40.
QPointF Fast(int f)
{
    return {40.2 + 26.3 * f, 240 + 10 * std::sin(0.3 * f)};
}

} // namespace

TEST(Tracking, FollowsKnownPathsWithinAPixelAndWithoutBias)
{
    const struct
    {
        const char* Name;
        TClip Clip;
    } cases[] = {
        {"projectile, red", MakeClip(Projectile, 40, Red)},
        {"projectile, blue", MakeClip(Projectile, 40, Blue)},
        {"circle, red", MakeClip(Circle, 42, Red)},
        {"circle, blue", MakeClip(Circle, 42, Blue)},
        {"fast, red", MakeClip(Fast, 22, Red)},
        {"fast, blue", MakeClip(Fast, 22, Blue)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        TTracking tracking;
        const TStats stats = RunClip(tracking, c.Clip);
        EXPECT_EQ(tracking.EndReason, teLastFrame);
        EXPECT_EQ(stats.Tracked, c.Clip.Frames);
        EXPECT_LT(stats.Rms, 1.5);
        EXPECT_LT(std::abs(stats.MeanX), 0.3);
        EXPECT_LT(std::abs(stats.MeanY), 0.3);
        EXPECT_TRUE(tracking.DoubtfulFrames(0).empty()) << tracking.DoubtfulText(0).toStdString();
        std::printf("[ info ] %s: RMS %.3f px, mean error (%.3f, %.3f) px\n", c.Name, stats.Rms, stats.MeanX,
                    stats.MeanY);
    }
}

TEST(Tracking, FollowsGradualChangesOfShadeAndLighting)
{
    // The disc's shade drifts far enough to leave every colour bin of the first frame; the whole
    // picture darkens by 15 % (automatic exposure); the disc passes through a shadow and out again.
    TClip drift = MakeClip(Projectile, 40);
    drift.ColourAt = [](int f) { return Blend(qRgb(220, 30, 30), qRgb(200, 60, 60), f, 39); };
    TClip blueDrift = MakeClip(Circle, 42, Blue);
    blueDrift.ColourAt = [](int f) { return Blend(Blue, qRgb(60, 80, 200), f, 41); };
    TClip exposure = MakeClip(Circle, 42);
    exposure.Gain = [](int f) { return 1.0 - 0.15 * f / 41.0; };
    TClip shadow = MakeClip(Fast, 22);
    shadow.ColourAt = [](int f) {
        const double dark = 0.15 * std::max(0.0, 1.0 - std::abs(f - 11) / 8.0);
        return Blend(Red, qRgb(187, 26, 26), static_cast<int>(std::lround(100 * dark / 0.15)), 100);
    };
    const struct
    {
        const char* Name;
        TClip Clip;
    } cases[] = {
        {"red to pink", drift}, {"blue paling", blueDrift}, {"exposure -15 %", exposure}, {"shadow", shadow}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        TTracking tracking;
        const TStats stats = RunClip(tracking, c.Clip);
        EXPECT_EQ(tracking.EndReason, teLastFrame) << tracking.EndMessage().toStdString();
        EXPECT_EQ(stats.Tracked, c.Clip.Frames);
        EXPECT_LT(stats.Rms, 1.5);
        EXPECT_TRUE(tracking.DoubtfulFrames(0).empty()) << tracking.DoubtfulText(0).toStdString();
        const auto& confidences = tracking.TrackedConfidence[0];
        std::printf("[ info ] %s: RMS %.3f px, lowest confidence %.2f\n", c.Name, stats.Rms,
                    *std::min_element(confidences.begin(), confidences.begin() + c.Clip.Frames));
    }
}

TEST(Tracking, DistractorInsideAZoneToIgnoreDoesNotCaptureTheTracker)
{
    // A disc of the same red sits still beside the path; the target passes within 25 pixels of it.
    TClip clip = MakeClip([](int f) { return QPointF(100.4 + 8.0 * f, 200.2); }, 40);
    clip.Others = {{{300.0, 225.0}, 10.0, Red}};
    const TMatricePointD zone = {
        {{280.0 / W, 212.0 / H}, {320.0 / W, 212.0 / H}, {320.0 / W, 240.0 / H}, {280.0 / W, 240.0 / H}}};

    TTracking captured;
    const TStats without = RunClip(captured, clip);
    clip.Zones = zone;
    TTracking tracking;
    const TStats with = RunClip(tracking, clip);
    // The distractor does pull a tracker that is not told to ignore it (the position refined in a window
    // of the target's size resists it better than the wide search window alone: 3.3 px against 6 px).
    EXPECT_GT(without.Rms, 2.0);
    EXPECT_EQ(tracking.EndReason, teLastFrame);
    EXPECT_EQ(with.Tracked, clip.Frames);
    EXPECT_LT(with.Rms, 1.5);
}

TEST(Tracking, LosingTheTargetStopsTheRunAndKeepsTheFramesBefore)
{
    const struct
    {
        const char* Name;
        TClip Clip;
        TTrackingEnd End;
        int LastGood; // the last frame whose disc is still fully visible
    } cases[] = {
        // Moves right at 12 pixels a frame and is gone from frame 53 on (x > 650).
        {"leaves the frame", MakeClip([](int f) { return QPointF(20.5 + 12.0 * f, 300.0); }, 60), teLeftFrame,
         50},
        // A dark green board covers the standing-still disc from frame 20 on.
        {"covered",
         MakeClip([](int f) { return QPointF(200.0 + 3.0 * f, 200.0); }, 40, Red,
                  [](int f) { return f >= 20 ? QRect(200, 150, 160, 100) : QRect(); }),
         teLost, 19},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        TTracking tracking;
        const TStats stats = RunClip(tracking, c.Clip);
        EXPECT_EQ(tracking.EndReason, c.End);
        EXPECT_FALSE(tracking.EndMessage().isEmpty());
        EXPECT_GE(stats.LastTracked, c.LastGood);
        EXPECT_LE(stats.LastTracked, c.LastGood + 3);
        // Nothing recorded past the loss, and the frames before are where the disc was.
        for (int f = stats.LastTracked + 1; f < c.Clip.Frames; ++f)
            EXPECT_EQ(tracking.TrackedFrame[0][f], -1) << f;
        for (int f = 0; f <= c.LastGood; ++f) {
            const QPointF p(tracking.TrackedPositionRel[0][f].x() * W,
                            tracking.TrackedPositionRel[0][f].y() * H);
            const QPointF e = p - c.Clip.Path(f);
            EXPECT_LT(std::hypot(e.x(), e.y()), 1.5) << f;
        }
        // The frames where the disc was partly hidden are listed as doubtful, if any were kept.
        for (int f : tracking.DoubtfulFrames(0))
            EXPECT_GT(f, c.LastGood - 2);
    }
}

TEST(Tracking, StopRequestEndsTheRunBeforeTheNextFrame)
{
    const TClip clip = MakeClip(Projectile, 40);
    TTracking tracking;
    std::vector<int> shown;
    int starts = 0, stops = 0;
    tracking.OnTrackingStart = [&] { ++starts; };
    tracking.OnTrackingStop = [&] {
        ++stops;
        EXPECT_FALSE(tracking.Running);
    };
    tracking.OnTrackingProgress = [&](int frame, int percent) {
        shown.push_back(frame);
        EXPECT_TRUE(percent >= 0 && (percent <= 100 || (frame == -1 && percent == 101)));
        if (frame == 10)
            tracking.StartStop(); // the stop button, pressed while frame 10 is shown
    };
    const TStats stats = RunClip(tracking, clip);
    EXPECT_EQ(tracking.EndReason, teStopped);
    EXPECT_EQ(stats.LastTracked, 9);
    EXPECT_EQ(stats.Tracked, 10);
    EXPECT_EQ(shown.back(), -1);
    EXPECT_EQ(starts, 1);
    EXPECT_EQ(stops, 1);
    EXPECT_FALSE(tracking.Running);
}

TEST(Tracking, StepBetweenMarksTracksEveryThirdFrame)
{
    TClip clip = MakeClip([](int f) { return QPointF(100.0 + 4.0 * f, 200.0 + 2.0 * f); }, 20);
    clip.Step = 3;
    TTracking tracking;
    tracking.VideoFrameOf = [](int visible) { return 2 * visible + 1; };
    const TStats stats = RunClip(tracking, clip);
    EXPECT_LT(stats.Rms, 1.5);
    for (int f = 0; f < clip.Frames; ++f)
        EXPECT_EQ(tracking.TrackedFrame[0][f], f % 3 == 0 ? 2 * f + 1 : -1) << f;
}

TEST(Tracking, StartChecksInOrder)
{
    TScriptedUserDlgScope dialogs;
    const QImage frame = SynthFrame(SynthBackground(W, H), {{{100.0, 100.0}, 10.0}});
    const auto outline = SynthCircleOutline({100.0, 100.0}, 12.0, W, H);
    TTracking tracking;
    tracking.Reset(2, 10);

    dialogs->Answer(0);
    EXPECT_FALSE(tracking.CanStart(false));
    dialogs->Answer(0);
    EXPECT_FALSE(tracking.CanStart(true));
    tracking.SetOutline(outline, 9, frame);
    dialogs->Answer(0);
    EXPECT_FALSE(tracking.CanStart(true));
    dialogs->Answer(0);
    EXPECT_FALSE(tracking.CanDefineSequence());
    tracking.SetOutline(outline, 4, frame);
    tracking.LastFrame = 2;
    EXPECT_TRUE(tracking.CanStart(true));
    EXPECT_EQ(tracking.LastFrame, 9); // a last frame at or before the outline's: to the end

    const QStringList expected = {
        "First open a video file", "First draw the outline of the target object",
        "The sequence starts with the last frame of the video (tracking not necessary)",
        "The sequence starts with the last frame of the video (tracking not necessary)"};
    ASSERT_EQ(dialogs->Shown.size(), 4u);
    for (int k = 0; k < 4; ++k)
        EXPECT_EQ(dialogs->Shown[k].Text(), expected[k]);
    EXPECT_EQ(dialogs->Shown[0].Icon, icWarning);
    EXPECT_TRUE(dialogs->Unexpected.empty());
}

TEST(Tracking, OutlinesZonesAndTracksPerObject)
{
    const QImage frame = SynthFrame(SynthBackground(W, H), {{{100.0, 100.0}, 10.0}});
    TTracking tracking;
    tracking.Reset(2, 30);
    tracking.SetObjectIndex(5);
    EXPECT_EQ(tracking.ObjectIndex, 1);
    EXPECT_TRUE(tracking.SetOutline(SynthCircleOutline({100.0, 100.0}, 12.0, W, H), 3, frame));
    EXPECT_FALSE(tracking.SetOutline({{0.5, 0.5}, {0.5, 0.5}, {0.5, 0.5}}, 3, frame)); // one pixel
    EXPECT_FALSE(tracking.OutlineDefined());
    EXPECT_TRUE(tracking.SetOutline(SynthCircleOutline({100.0, 100.0}, 12.0, W, H), 3, frame));
    EXPECT_NEAR(tracking.OutlineCentre[1].x() * W, 100.0, 0.2);
    EXPECT_NEAR(tracking.OutlineCentre[1].y() * H, 100.0, 0.2);
    EXPECT_EQ(tracking.LastOp[1], loSelect);

    // The last frame: at least one after the outline's frame, at most the last frame.
    const struct
    {
        int Value, Expected;
    } lasts[] = {{0, 4}, {3, 4}, {17, 17}, {99, 29}};
    for (const auto& l : lasts) {
        tracking.SetLastFrame(l.Value);
        EXPECT_EQ(tracking.LastFrame, l.Expected) << l.Value;
    }

    EXPECT_FALSE(tracking.AddZone({{0.1, 0.1}, {0.2, 0.1}}));
    EXPECT_TRUE(tracking.AddZone({{0.1, 0.1}, {0.2, 0.1}, {0.2, 0.2}}));
    EXPECT_TRUE(tracking.AddZone({{0.3, 0.3}, {0.4, 0.3}, {0.4, 0.4}, {0.3, 0.3}}));
    EXPECT_EQ(tracking.ZonesRel[1][0].size(), 4u); // closed here
    EXPECT_EQ(tracking.ZonesRel[1][1].size(), 4u); // already closed
    EXPECT_EQ(tracking.ZoneCountAll(), 2);
    tracking.EraseLastZone();
    EXPECT_EQ(tracking.ZoneCountOf(), 1);

    // Erasing the outline keeps the tracks and the other way round.
    tracking.TrackedFrame[1][5] = 5;
    tracking.EraseOutline();
    EXPECT_FALSE(tracking.OutlineDefined());
    EXPECT_EQ(tracking.TrackedCount(), 1);
    tracking.SetOutline(SynthCircleOutline({100.0, 100.0}, 12.0, W, H), 3, frame);
    tracking.EraseTracks();
    EXPECT_EQ(tracking.TrackedCount(), 0);
    EXPECT_TRUE(tracking.OutlineDefined());

    // A third object: the first two keep what they have.
    tracking.ResizeObjects(3);
    EXPECT_EQ(tracking.OutlineDefinedAll(), 1);
    EXPECT_EQ(tracking.TrackedFrame[2].size(), 30u);
    tracking.EraseAll();
    EXPECT_EQ(tracking.OutlineDefinedAll() + tracking.ZoneCountAll() + tracking.TrackedCountAll(), 0);
}

TEST(Tracking, DoubtfulFramesAreListedOneBased)
{
    TTracking tracking;
    tracking.Reset(1, 60);
    for (int f : {40, 41, 50, 56})
        tracking.TrackedFrame[0][f] = f;
    tracking.TrackedConfidence[0][40] = 0.2;
    tracking.TrackedConfidence[0][41] = 0.49;
    tracking.TrackedConfidence[0][50] = 0.9;
    tracking.TrackedConfidence[0][56] = 0.0;
    EXPECT_EQ(tracking.DoubtfulText(0), "Doubtful frames: 41, 42, 57");
    tracking.TrackedConfidence[0][40] = tracking.TrackedConfidence[0][41] =
        tracking.TrackedConfidence[0][56] = 1.0;
    EXPECT_TRUE(tracking.DoubtfulText(0).isEmpty());
}
