// Dropped frames found from a file's timestamps, and the shifts that put every frame at its capture time.
#include "editing/UnitMissingSlots.h"

#include "editing/UnitMontage.h"
#include "video/VideoFixtures.h"

#include <gtest/gtest.h>

#include <QProcess>
#include <QStandardPaths>
#include <cmath>
#include <limits>

namespace {

// The presentation times of the video frames as ffprobe reads them, and the stream's nominal rate.
bool ProbeTimes(const QString& path, std::vector<double>& times, double& rate)
{
    const QString ffprobe = QStandardPaths::findExecutable(QStringLiteral("ffprobe"));
    if (ffprobe.isEmpty())
        return false;
    QProcess p;
    p.start(ffprobe, {"-v", "error", "-select_streams", "v:0", "-show_entries", "stream=r_frame_rate", "-of",
                      "csv=p=0", path});
    p.waitForFinished(30000);
    const QStringList fraction = QString::fromUtf8(p.readAllStandardOutput()).trimmed().split('/');
    rate = fraction.size() == 2 ? fraction[0].toDouble() / fraction[1].toDouble() : 0.0;
    p.start(ffprobe, {"-v", "error", "-select_streams", "v:0", "-show_entries", "frame=pts_time", "-of",
                      "csv=p=0", path});
    p.waitForFinished(30000);
    times.clear();
    for (const QString& line : QString::fromUtf8(p.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts))
        times.push_back(line.trimmed().toDouble());
    return rate > 0.0 && !times.empty();
}

} // namespace

TEST(MissingSlots, FromTimestamps)
{
    struct Case
    {
        const char* Name;
        std::vector<double> Times;
        double Rate;
        std::vector<int> Missing;
        std::vector<int> Shifts;
        bool Variable;
    };
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const Case cases[] = {
        {"regular", {0.0, 0.1, 0.2, 0.3}, 10.0, {}, {0, 0, 0, 0}, false},
        {"one dropped", {0.0, 0.1, 0.3, 0.4}, 10.0, {2}, {0, 0, 1, 1}, false},
        {"two dropped, a late start", {1.5, 1.6, 1.9, 2.0}, 10.0, {2, 3}, {0, 0, 2, 2}, false},
        {"jitter stays in its slot", {0.0, 0.104, 0.196, 0.31}, 10.0, {}, {0, 0, 0, 0}, false},
        {"a repeated time takes the next slot", {0.0, 0.1, 0.1, 0.3}, 10.0, {}, {0, 0, 0, 0}, true},
        {"half-way times: variable", {0.0, 0.15, 0.2}, 10.0, {1}, {0, 1, 1}, true},
        {"no rate", {0.0, 0.1}, 0.0, {}, {}, false},
        {"not finite", {0.0, nan}, 10.0, {}, {}, false},
        {"a broken time line", {0.0, 1e9}, 10.0, {}, {}, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        const TMissingSlots slots = FindMissingSlots(c.Times, c.Rate);
        EXPECT_EQ(slots.Missing, c.Missing);
        EXPECT_EQ(slots.Shifts, c.Shifts);
        EXPECT_EQ(slots.VariableRate, c.Variable);
    }
}

// A clip whose frames 5, 6 and 17 were dropped while their timestamps stayed: the slots are found, and
// after the shifts are applied every frame's time is its capture time.
TEST(MissingSlots, GeneratedClipWithDroppedFrames)
{
    const QString clip = FfmpegFixture(QStringLiteral("dropped.mkv"),
                                       {"-f", "lavfi", "-i", "testsrc=size=160x120:rate=25:duration=1.2",
                                        "-vf", "select='not(eq(n\\,5)+eq(n\\,6)+eq(n\\,17))'", "-fps_mode",
                                        "passthrough", "-c:v", "mjpeg"});
    if (clip.isEmpty())
        GTEST_SKIP() << "ffmpeg is needed";
    std::vector<double> times;
    double rate = 0.0;
    ASSERT_TRUE(ProbeTimes(clip, times, rate));
    ASSERT_EQ(times.size(), 27u);
    ASSERT_NEAR(rate, 25.0, 1e-9);

    const TMissingSlots slots = FindMissingSlots(times, rate);
    EXPECT_EQ(slots.Missing, (TIntegerDynArray{5, 6, 17}));
    EXPECT_FALSE(slots.VariableRate);

    TMontage montage;
    montage.Init(static_cast<int>(times.size()));
    ASSERT_TRUE(montage.ApplyShifts(slots.Shifts));
    EXPECT_EQ(montage.MissingSlotCount(), 3);
    std::vector<int> captured; // the frame numbers of the source clip that were kept
    for (int n = 0; n < 30; ++n)
        if (n != 5 && n != 6 && n != 17)
            captured.push_back(n);
    for (int f = 0; f < montage.FrameCount; ++f)
        EXPECT_NEAR(montage.TimeIndexOf(f) / rate, captured[static_cast<std::size_t>(f)] / 25.0, 1e-9)
            << "frame " << f;
}
