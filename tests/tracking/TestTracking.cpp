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
    std::vector<TSynthBar> Bars;       // still rectangles under the discs
    double FramesPerSecond = 0.0;
    bool UseAppearance = true;
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
    QImage frame = SynthFrame(background, discs, clip.Cover ? clip.Cover(f) : QRect(), clip.Bars);
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
    tracking.FramesPerSecond = clip.FramesPerSecond;
    tracking.UseAppearance = clip.UseAppearance;
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

TEST(Tracking, DistractorOfTheSameColourDoesNotCaptureTheTracker)
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
    // The look of the outlined disc and the predicted search keep the tracker off the distractor even
    // without the zone (by colours alone it was pulled by 3.3 px RMS).
    EXPECT_EQ(captured.EndReason, teLastFrame);
    EXPECT_LT(without.Rms, 1.5);
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

namespace {

// Positions of a run against the path: the frames where the disc is clear (flagged by clear()) within
// 1.5 px RMS, and no frame whose error passes maxConfident pixels has a confidence at the doubt level.
struct TTrust
{
    double ClearRms = 0.0;
    double WorstConfident = 0.0; // largest error of a frame at or above the doubt level
    int Doubtful = 0;
};

TTrust TrustOf(const TTracking& tracking, const TClip& clip, const std::function<bool(int)>& clear)
{
    TTrust trust;
    double sum2 = 0.0;
    int count = 0;
    for (int f = 0; f < clip.Frames; ++f) {
        if (tracking.TrackedFrame[0][f] < 0)
            continue;
        const QPointF p(tracking.TrackedPositionRel[0][f].x() * W, tracking.TrackedPositionRel[0][f].y() * H);
        const double e = std::hypot(p.x() - clip.Path(f).x(), p.y() - clip.Path(f).y());
        if (clear(f)) {
            sum2 += e * e;
            ++count;
        }
        if (tracking.TrackedConfidence[0][f] >= TTracking::DoubtLevel)
            trust.WorstConfident = std::max(trust.WorstConfident, e);
        else
            ++trust.Doubtful;
    }
    trust.ClearRms = count > 0 ? std::sqrt(sum2 / count) : 1e9;
    return trust;
}

// A red disc flying right at 9 pixels a frame across a still red bar twice its size, in front of it.
TClip BarCrossing()
{
    TClip clip = MakeClip([](int f) { return QPointF(80.3 + 9.0 * f, 300.6 - 6.0 * f + 0.15 * f * f); }, 44);
    clip.Bars = {{QRect(250, 120, 22, 300), Red}};
    return clip;
}

bool ClearOfBar(const TClip& clip, int f)
{
    const QRectF bar = QRectF(clip.Bars.front().Rect).adjusted(-11, -11, 11, 11);
    return !bar.contains(clip.Path(f));
}

// A white ball flying in front of a white stick, as in a classroom ball toss.
TClip StickCrossing()
{
    TClip clip =
        MakeClip([](int f) { return QPointF(120.2 + 7.0 * f, 240.4 + 0.2 * f); }, 36, qRgb(235, 235, 230));
    clip.Bars = {{QRect(180, 40, 14, 400), qRgb(235, 235, 230)}};
    return clip;
}

} // namespace

TEST(Tracking, GoesThroughCrossingsAndCoversAndPicksTheTargetUpAgain)
{
    TClip hidden = MakeClip(Projectile, 40);
    hidden.Cover = [](int f) {
        return f >= 15 && f <= 17 ? QRect(QPoint(0, 0), QSize(W, H)) : QRect(); // a flash, three frames
    };
    const TClip bar = BarCrossing();
    const TClip stick = StickCrossing();
    // A sudden turn of the motion: the disc bounces back off an invisible wall on frame 15.
    const TClip bounce =
        MakeClip([](int f) { return QPointF(100.3 + 14.0 * (f <= 15 ? f : 30 - f), 200.6 + 3.0 * f); }, 30);
    const struct
    {
        const char* Name;
        TClip Clip;
        std::function<bool(int)> Clear;
    } cases[] = {
        {"hidden for three frames", hidden, [](int f) { return f < 15 || f > 17; }},
        {"crossing a bar of its colour", bar, [bar](int f) { return ClearOfBar(bar, f); }},
        {"in front of a stick of its colour", stick, [stick](int f) { return ClearOfBar(stick, f); }},
        {"bouncing back", bounce, [](int) { return true; }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        TTracking tracking;
        RunClip(tracking, c.Clip);
        EXPECT_EQ(tracking.EndReason, teLastFrame) << tracking.EndMessage().toStdString();
        EXPECT_EQ(tracking.TrackedCount(), c.Clip.Frames);
        const TTrust trust = TrustOf(tracking, c.Clip, c.Clear);
        std::printf("[ info ] %s: clear frames RMS %.2f px, worst confident frame %.2f px, %d doubtful\n",
                    c.Name, trust.ClearRms, trust.WorstConfident, trust.Doubtful);
        EXPECT_LT(trust.ClearRms, 1.5);
        EXPECT_LT(trust.WorstConfident, 6.0);
    }
}

TEST(Tracking, AWrongPositionIsNeverConfident)
{
    // By colours alone the ball flying past the stick is pulled onto the stick and sits there with full
    // confidence; the outlined look keeps it on the ball, and a frame that is off is doubtful.
    for (const bool appearance : {true, false}) {
        SCOPED_TRACE(appearance ? "with the look" : "colours only");
        TClip clip = StickCrossing();
        clip.UseAppearance = appearance;
        TTracking tracking;
        RunClip(tracking, clip);
        const TTrust trust = TrustOf(tracking, clip, [](int) { return true; });
        std::printf("[ info ] %s: worst confident frame %.2f px\n",
                    appearance ? "look and colours" : "colours", trust.WorstConfident);
        if (appearance)
            EXPECT_LT(trust.WorstConfident, 10.0); // a disc radius
        else
            EXPECT_GT(trust.WorstConfident, 10.0);
    }
}

TEST(Tracking, ANewOutlineAfterALossContinuesAndKeepsTheFramesBefore)
{
    // A card covers the disc on frames 12 to 24: the run stops as lost; a new outline on frame 26 and a
    // second run finish the sequence, and the frames before 26 stay as the first run left them.
    TClip clip = MakeClip(Projectile, 40, Red, [](int f) {
        return f >= 12 && f <= 24 ? QRect(QPoint(0, 0), QSize(W, H)) : QRect();
    });
    TTracking tracking;
    RunClip(tracking, clip);
    EXPECT_EQ(tracking.EndReason, teLost);
    EXPECT_EQ(tracking.EndFrame, 12);
    const auto before = tracking.TrackedPositionRel[0];
    const auto framesBefore = tracking.TrackedFrame[0];
    EXPECT_EQ(tracking.TrackedCount(), 12);

    const QImage background = SynthBackground(W, H, 11);
    tracking.FrameAt = [&](int f) { return FrameOf(clip, background, f); };
    ASSERT_TRUE(tracking.SetOutline(SynthCircleOutline(clip.Path(26), 12.0, W, H), 26,
                                    FrameOf(clip, background, 26)));
    tracking.SetLastFrame(39);
    tracking.StartStop();
    EXPECT_EQ(tracking.EndReason, teLastFrame);
    for (int f = 0; f < 26; ++f) {
        EXPECT_EQ(tracking.TrackedFrame[0][f], framesBefore[f]) << f;
        if (framesBefore[f] >= 0) {
            EXPECT_EQ(tracking.TrackedPositionRel[0][f], before[f]) << f;
        }
    }
    for (int f = 26; f < 40; ++f) {
        ASSERT_GE(tracking.TrackedFrame[0][f], 0) << f;
        const QPointF p(tracking.TrackedPositionRel[0][f].x() * W, tracking.TrackedPositionRel[0][f].y() * H);
        EXPECT_LT(std::hypot(p.x() - clip.Path(f).x(), p.y() - clip.Path(f).y()), 1.5) << f;
    }
}
