// The headless video commands: --info, --export-frame and --demo-clip, their output and their failures.
#include "app/CommandLine.h"

#include "editing/UnitDemoClip.h"
#include "video/UnitFFMpegPlay.h"
#include "video/VideoFixtures.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <QTextStream>

namespace {

struct TRun
{
    int Code = -1;
    QString Out;
    QString Err;
};

TRun RunCommand(const QStringList& args)
{
    TRun run;
    QTextStream out(&run.Out), err(&run.Err);
    run.Code = RunHeadless(ParseCommandLine(args), out, err);
    out.flush();
    err.flush();
    return run;
}

} // namespace

TEST(HeadlessVideo, DemoClipInfoAndFrames)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString clip = dir.filePath(QStringLiteral("demo.avi"));
    const TRun made = RunCommand({"--demo-clip", clip});
    ASSERT_EQ(made.Code, 0) << made.Err.toStdString();
    EXPECT_TRUE(made.Err.isEmpty());

    const TRun info = RunCommand({"--info", clip});
    ASSERT_EQ(info.Code, 0) << info.Err.toStdString();
    EXPECT_EQ(
        info.Out,
        QStringLiteral("framework: FFMpeg\nframes: 50\nwidth: 640\nheight: 480\nfps: 25\nduration: 2\n"));
    EXPECT_TRUE(info.Err.isEmpty());

    // Frame 20, as PNG and as BMP: the image of that frame of the file.
    TFFMpegPlay source;
    ASSERT_TRUE(source.Open(clip));
    source.Seek(20);
    QImage expected(640, 480, QImage::Format_RGB32);
    ASSERT_TRUE(source.Draw(expected, QRect(0, 0, 640, 480), SRCCOPY));
    for (const char* name : {"frame.png", "frame.BMP"}) {
        const QString out = dir.filePath(QString::fromLatin1(name));
        const TRun exported = RunCommand({"--export-frame", clip, "20", out});
        ASSERT_EQ(exported.Code, 0) << exported.Err.toStdString();
        const QImage written(out);
        ASSERT_FALSE(written.isNull()) << name;
        EXPECT_EQ(MaxChannelDifference(written, expected), 0) << name;
    }
    QFile bmp(dir.filePath(QStringLiteral("frame.BMP")));
    ASSERT_TRUE(bmp.open(QIODevice::ReadOnly));
    EXPECT_EQ(bmp.read(2), QByteArray("BM"));
}

TEST(HeadlessVideo, InfoOfAFileTakenByAnotherFramework)
{
    const TRun info = RunCommand({"--info", FixtureVideo(TFixtureKind::RawAvi)});
    ASSERT_EQ(info.Code, 0) << info.Err.toStdString();
    const QStringList lines = info.Out.split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 6);
    EXPECT_TRUE(lines[0].startsWith(QStringLiteral("framework: ")));
    EXPECT_EQ(lines.mid(1),
              QStringList({"frames: 50", "width: 320", "height: 240", "fps: 25", "duration: 2"}));
}

TEST(HeadlessVideo, FailuresExitNonZeroWithTheReason)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString video = FixtureVideo(TFixtureKind::H264Mp4);
    const QString garbage = dir.filePath(QStringLiteral("garbage.mp4"));
    QFile file(garbage);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(QByteArray(2048, 'z'));
    file.close();
    const QString missing = dir.filePath(QStringLiteral("missing.mp4"));
    const QString png = dir.filePath(QStringLiteral("out.png"));
    struct Case
    {
        QStringList Args;
        const char* Reason; // a part of the message on standard error
    };
    const Case cases[] = {
        {{"--info", missing}, "no such file"},
        {{"--info", garbage}, "cannot open"},
        {{"--export-frame", missing, "0", png}, "no such file"},
        {{"--export-frame", garbage, "0", png}, "cannot open"},
        {{"--export-frame", video, "50", png}, "out of range"},
        {{"--export-frame", video, "-1", png}, "out of range"},
        {{"--export-frame", video, "two", png}, "not a frame number"},
        {{"--export-frame", video, "3", dir.filePath(QStringLiteral("out.jpg"))}, ".bmp or .png"},
        {{"--export-frame", video, "3", dir.filePath(QStringLiteral("no/such/folder/out.png"))},
         "cannot write"},
        {{"--demo-clip", dir.filePath(QStringLiteral("no/such/folder/demo.avi"))}, "cannot write"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Args.join(' ').toStdString());
        const TRun run = RunCommand(c.Args);
        EXPECT_NE(run.Code, 0);
        EXPECT_TRUE(run.Out.isEmpty());
        EXPECT_TRUE(run.Err.contains(QString::fromLatin1(c.Reason))) << run.Err.toStdString();
    }
    EXPECT_FALSE(QFile::exists(png));
}
