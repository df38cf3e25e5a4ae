// The fixture videos can be made and decoded by the reference tool.
#include "video/VideoFixtures.h"

#include <gtest/gtest.h>

TEST(VideoFixtures, EveryKindIsMadeAndDecodedByTheReference)
{
    for (TFixtureKind kind : {TFixtureKind::H264Mp4, TFixtureKind::MjpegAvi, TFixtureKind::RawAvi,
                              TFixtureKind::Mpeg2Mpg, TFixtureKind::Mpeg4Mov}) {
        const QString path = FixtureVideo(kind);
        ASSERT_FALSE(path.isEmpty()) << FixtureName(kind).toStdString();
        EXPECT_EQ(FfmpegFrameCount(path), 50) << FixtureName(kind).toStdString();
    }
    const auto frames = FfmpegDecodeAll(FixtureVideo(TFixtureKind::RawAvi), 3);
    ASSERT_EQ(frames.size(), 3u);
    EXPECT_GT(MaxChannelDifference(frames[0], frames[1]), 0);
}
