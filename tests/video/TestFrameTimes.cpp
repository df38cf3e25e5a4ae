// Frame times of the sources: the file's own times where it has them, so that dropped frames show.
#include "video/UnitVideoSources.h"

#include "video/VideoFixtures.h"

#include <gtest/gtest.h>

TEST(FrameTimes, DroppedFramesLeaveGapsInTheTimesOfTheFile)
{
    // 25 frames/s, 50 frames of which 10, 11 and 30 are dropped; the others keep their times.
    const QString video = FfmpegFixture(QStringLiteral("dropped.mp4"),
                                        {"-f", "lavfi", "-i", "testsrc=size=160x120:rate=25:duration=2",
                                         "-vf", "select='not(between(n,10,11))*not(eq(n,30))'", "-fps_mode",
                                         "passthrough", "-c:v", "mpeg4", "-q:v", "5"});
    ASSERT_FALSE(video.isEmpty());
    TVideoSources sources;
    ASSERT_TRUE(sources.OpenVideo(video));
    const std::vector<double> times = sources.FrameTimes();
    std::vector<int> kept;
    for (int n = 0; n < 50; ++n)
        if (n != 10 && n != 11 && n != 30)
            kept.push_back(n);
    ASSERT_EQ(times.size(), kept.size());
    EXPECT_EQ(sources.FrameCount(), static_cast<int>(kept.size()));
    for (std::size_t k = 0; k < kept.size(); ++k)
        EXPECT_NEAR(times[k], kept[k] * 0.04, 1e-6) << k;

    sources.OpenVideo(QString());
    EXPECT_TRUE(sources.FrameTimes().empty());
}

TEST(FrameTimes, WithoutTimesOfTheirOwnFramesFollowTheRate)
{
    TVideoSources sources;
    const QString video = FixtureVideo(TFixtureKind::RawAvi);
    ASSERT_FALSE(video.isEmpty());
    ASSERT_TRUE(sources.OpenVideo(video));
    ASSERT_EQ(sources.Framework, 0);
    const std::vector<double> times = sources.FrameTimes();
    ASSERT_EQ(times.size(), 50u);
    for (std::size_t k = 0; k < times.size(); ++k)
        EXPECT_DOUBLE_EQ(times[k], k / 25.0);
}
