// The fixture videos can be made and decoded by the reference tool, and their cache is keyed by the
// arguments that make them.
#include "video/VideoFixtures.h"

#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

TEST(VideoFixtures, EveryKindIsMadeAndDecodedByTheReference)
{
    const std::pair<TFixtureKind, int> kinds[] = {
        {TFixtureKind::H264Mp4, 50},        {TFixtureKind::MjpegAvi, 50},
        {TFixtureKind::RawAvi, 50},         {TFixtureKind::Mpeg2Mpg, 50},
        {TFixtureKind::Mpeg4Mov, 50},       {TFixtureKind::Wmv30, 90},
        {TFixtureKind::Mpeg1Ntsc, 60},      {TFixtureKind::EditListMp4AsMpg, 37},
        {TFixtureKind::PackedMpeg4Avi, 50},
    };
    for (const auto& [kind, frames] : kinds) {
        const QString path = FixtureVideo(kind);
        ASSERT_FALSE(path.isEmpty()) << FixtureName(kind).toStdString();
        EXPECT_EQ(FfmpegFrameCount(path), frames) << FixtureName(kind).toStdString();
    }
    const auto frames = FfmpegDecodeAll(FixtureVideo(TFixtureKind::RawAvi), 3);
    ASSERT_EQ(frames.size(), 3u);
    EXPECT_GT(MaxChannelDifference(frames[0], frames[1]), 0);
    const auto picked = FfmpegFramesAt(FixtureVideo(TFixtureKind::RawAvi), {1, 49, 50});
    ASSERT_EQ(picked.size(), 2u); // there is no frame 50
    EXPECT_EQ(MaxChannelDifference(picked.at(1), frames[1]), 0);
}

TEST(VideoFixtures, TheCacheIsKeyedByTheArguments)
{
    const QStringList args = {"-f",   "lavfi", "-i", "testsrc2=size=64x48:rate=25:duration=0.2",
                              "-c:v", "mjpeg"};
    const QString first = FfmpegFixture("keyed.avi", args);
    ASSERT_FALSE(first.isEmpty());
    EXPECT_TRUE(QFileInfo(first).fileName().startsWith("keyed-")) << first.toStdString();
    EXPECT_EQ(QFileInfo(first).suffix(), "avi");
    EXPECT_EQ(FfmpegFixture("keyed.avi", args), first); // found again, not made again
    const QString other = FfmpegFixture("keyed.avi", QStringList(args) << "-q:v"
                                                                       << "2");
    ASSERT_FALSE(other.isEmpty());
    EXPECT_NE(other, first); // the same name with other arguments is another file
    EXPECT_EQ(FfmpegFrameCount(other), 5);

    // A command that fails gives no file and leaves no partial one of this process behind.
    EXPECT_TRUE(FfmpegFixture("broken.avi", {"-f", "lavfi", "-i", "nosuchsource"}).isEmpty());
    const QString partial = QStringLiteral("partial-%1-*").arg(QCoreApplication::applicationPid());
    EXPECT_TRUE(QDir(FixtureCacheDir()).entryList({partial}).isEmpty());
}
