// The headless commands: a project's edited sequence saved as a new video by each writer, the codec
// lists, and failures that exit with their reason.
#include "app/CommandLine.h"
#include "common/UnitOptions.h"
#include "project/KtrFixture.h"
#include "video/VideoFixtures.h"

#include <gtest/gtest.h>

#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

namespace {

struct TRun
{
    int Code = -1;
    QString Out, Err;
};

TRun Call(int (*command)(const QStringList&, const TOptions&, QTextStream&, QTextStream&),
          const QStringList& args, const TOptions& options)
{
    TRun run;
    QTextStream out(&run.Out), err(&run.Err);
    run.Code = command(args, options, out, err);
    out.flush();
    err.flush();
    return run;
}

int ProbeFrames(const QString& path)
{
    QProcess p;
    p.start(QStringLiteral("ffprobe"), {"-v", "error", "-select_streams", "v:0", "-count_frames",
                                        "-show_entries", "stream=nb_read_frames", "-of", "csv=p=0", path});
    p.waitForFinished(30000);
    bool ok = false;
    const int n = QString::fromUtf8(p.readAllStandardOutput()).trimmed().toInt(&ok);
    return ok ? n : -1;
}

} // namespace

TEST(HeadlessEditing, SavesTheProjectsEditedSequence)
{
    const QString video = FixtureVideo(TFixtureKind::MjpegAvi); // 50 frames at 25 frames/s
    if (video.isEmpty() || QStandardPaths::findExecutable(QStringLiteral("ffprobe")).isEmpty())
        GTEST_SKIP() << "ffmpeg and ffprobe are needed";
    QTemporaryDir dir;
    TOptions options(dir.filePath(QStringLiteral("Kinotra.ini")));
    const QString project = dir.filePath(QStringLiteral("work.ktr"));
    {
        TWork work;
        work.Video = video;
        work.View.Frames = 50;
        work.Montage.Init(50);
        work.Data.SetRequiredDuration(0.04);
        // Frames 10..14 hidden; one slot missing before frame 30.
        for (int f = 10; f < 15; ++f)
            work.Montage.Visible[static_cast<std::size_t>(f)] = false;
        for (int f = 15; f < 50; ++f)
            work.Montage.TimeShift[static_cast<std::size_t>(f)] = f < 30 ? -5 : -4;
        work.Montage.RebuildMaps();
        ASSERT_TRUE(work.SaveTo(project));
    }
    for (int framework = 0; framework < 3; ++framework) {
        SCOPED_TRACE(framework);
        const QString out = dir.filePath(QStringLiteral("out%1.avi").arg(framework));
        TRun run = Call(RunSaveEdited, {project, out, "--framework", QString::number(framework), "--blanks"},
                        options);
        ASSERT_EQ(run.Code, 0) << run.Err.toStdString();
        EXPECT_TRUE(run.Err.contains(QLatin1String("kinotra: 100%"))) << run.Err.toStdString();
        EXPECT_EQ(ProbeFrames(out), 45 + 1);
        const QString plain = dir.filePath(QStringLiteral("plain%1.avi").arg(framework));
        run = Call(RunSaveEdited, {project, plain, "--framework", QString::number(framework)}, options);
        ASSERT_EQ(run.Code, 0) << run.Err.toStdString();
        EXPECT_EQ(ProbeFrames(plain), 45);
    }

    // A codec by its listed name; an unknown one, a damaged project and an unwritable place fail.
    const TRun codecs = Call(RunCodecs, {"--framework", "2"}, options);
    ASSERT_EQ(codecs.Code, 0);
    EXPECT_TRUE(codecs.Out.startsWith(QLatin1String("FFMpeg internal MPEG4 codec\n")));
    EXPECT_TRUE(codecs.Out.contains(QLatin1String("\nMotion JPEG\n")));
    EXPECT_EQ(Call(RunCodecs, {}, options).Out, QStringLiteral("Motion JPEG\n"));
    EXPECT_EQ(Call(RunCodecs, {"--framework", "3"}, options).Code, 2);
    const QString mjpeg = dir.filePath(QStringLiteral("mjpeg.avi"));
    EXPECT_EQ(
        Call(RunSaveEdited, {project, mjpeg, "--framework", "2", "--codec", "Motion JPEG"}, options).Code, 0);
    EXPECT_EQ(ProbeFrames(mjpeg), 45);
    const TRun unknown = Call(RunSaveEdited, {project, mjpeg, "--codec", "Nothing"}, options);
    EXPECT_EQ(unknown.Code, 1);
    EXPECT_TRUE(unknown.Err.contains(QLatin1String("Nothing"))) << unknown.Err.toStdString();
    EXPECT_EQ(Call(RunSaveEdited, {dir.filePath("none.ktr"), mjpeg}, options).Code, 1);
    const TRun unwritable = Call(RunSaveEdited, {project, dir.filePath("no/such/out.avi")}, options);
    EXPECT_EQ(unwritable.Code, 1);
    EXPECT_TRUE(unwritable.Err.contains(QLatin1String("Error detected while creating video file")))
        << unwritable.Err.toStdString();
    const TRun overSource = Call(RunSaveEdited, {project, video}, options);
    EXPECT_EQ(overSource.Code, 1);
    EXPECT_EQ(Call(RunSaveEdited, {project}, options).Code, 2);
}
