// Speed of saving an edited sequence: a 1080p clip with every tenth frame hidden, read through the
// program's frame source and written by the FFmpeg writer (MPEG-4), against the ffmpeg tool transcoding
// the same frames to the same codec with the same quantizer and key-frame interval. Prints both times and
// the ratio (the tool's time / ours: 1 means as fast as the tool). Target: >= 0.7. Also the save's peak
// memory, which must stay within the frame cache's limit + 250 MiB whatever the length of the video. Printed,
// not asserted.
//
// Usage: bench_editing [VIDEO]. Without VIDEO a 8 s 1920x1080 Motion-JPEG clip at 25 frames/s is made
// once with the ffmpeg tool and cached.
#include "editing/UnitMontage.h"
#include "editing/UnitRecordMontage.h"
#include "video/UnitFFMpegPlay.h"
#include "video/UnitVideoSources.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QGuiApplication>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <cstdio>
#include <sys/resource.h>

namespace {

QString MakeClip()
{
    const QString dir = QStringLiteral(KINOTRA_BENCH_DIR);
    QDir().mkpath(dir);
    const QString path = dir + QStringLiteral("/mjpeg_1080p_8s.avi");
    if (QFileInfo(path).size() > 0)
        return path;
    const QString ffmpeg = QStandardPaths::findExecutable(QStringLiteral("ffmpeg"));
    if (ffmpeg.isEmpty())
        return {};
    std::printf("making %s with ffmpeg ...\n", qPrintable(path));
    std::fflush(stdout);
    QProcess p;
    p.start(ffmpeg,
            {"-v", "error", "-y", "-f", "lavfi", "-i", "testsrc2=size=1920x1080:rate=25:duration=8", "-vf",
             "noise=alls=8:allf=t", "-c:v", "mjpeg", "-q:v", "3", "-pix_fmt", "yuvj420p", path});
    if (!p.waitForFinished(-1) || p.exitCode() != 0)
        return {};
    return path;
}

constexpr int HiddenEvery = 10; // frames 9, 19, 29 ... are hidden
constexpr int Quantizer = 2;    // what quality 100 % gives the writer
constexpr int KeyFrames = 25;

} // namespace

int main(int argc, char** argv)
{
    QGuiApplication app(argc, argv);
    const QString clip = argc > 1 ? QString::fromLocal8Bit(argv[1]) : MakeClip();
    if (clip.isEmpty()) {
        std::fprintf(stderr, "no clip (is ffmpeg installed?)\n");
        return 1;
    }
    QTemporaryDir dir;

    // Ours: open, hide every tenth frame, write the edited sequence.
    QElapsedTimer timer;
    timer.start();
    TVideoSources sources;
    if (!sources.OpenVideo(clip)) {
        std::fprintf(stderr, "cannot open %s\n", qPrintable(clip));
        return 1;
    }
    TMontage montage;
    montage.Init(sources.FrameCount());
    for (int f = HiddenEvery - 1; f < montage.FrameCount; f += HiddenEvery)
        montage.Visible[static_cast<std::size_t>(f)] = false;
    montage.RebuildMaps();
    const int width = sources.FrameWidth(), height = sources.FrameHeight();
    const TFrameReader reader = [&](int frame, QImage& image) {
        sources.ShowFrame(frame);
        if (image.size() != QSize(width, height))
            image = QImage(width, height, QImage::Format_RGB32);
        return sources.Draw(image, QRect(0, 0, width, height), SRCCOPY);
    };
    TRecordMontage record;
    record.SetFramework(2);
    record.SetCodecIndex(0);
    TEditedSaveSetup setup;
    setup.FileName = dir.filePath(QStringLiteral("ours.avi"));
    setup.FramesPerSecond = sources.FramesPerSecond();
    setup.SourceWidth = width;
    setup.SourceHeight = height;
    setup.QualityPercent = 100;
    setup.KeyFrameEvery = KeyFrames;
    if (!record.WriteEdited(montage, reader, setup)) {
        std::fprintf(stderr, "writing failed: %s (%s)\n", qPrintable(record.ErrorText),
                     qPrintable(record.Detail));
        return 1;
    }
    const double ours = double(timer.nsecsElapsed()) / 1e9;
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage); // before the tool runs: the save's own peak
    const double peakMiB = usage.ru_maxrss / 1024.0;

    // The tool: the same frames, codec, quantizer and key-frame interval.
    const QString ffmpeg = QStandardPaths::findExecutable(QStringLiteral("ffmpeg"));
    timer.restart();
    QProcess p;
    p.start(ffmpeg, {"-v", "error", "-y", "-i", clip, "-vf",
                     QStringLiteral("select='not(eq(mod(n\\,%1)\\,%2))',setpts=N/FRAME_RATE/TB")
                         .arg(HiddenEvery)
                         .arg(HiddenEvery - 1),
                     "-c:v", "mpeg4", "-q:v", QString::number(Quantizer), "-g", QString::number(KeyFrames),
                     "-bf", "0", dir.filePath(QStringLiteral("tool.avi"))});
    if (!p.waitForFinished(-1) || p.exitCode() != 0) {
        std::fprintf(stderr, "ffmpeg failed: %s\n", p.readAllStandardError().constData());
        return 1;
    }
    const double tool = double(timer.nsecsElapsed()) / 1e9;

    std::printf("clip: %s, %d x %d, %d frames, %d written\n", qPrintable(clip), width, height,
                montage.FrameCount, montage.VisibleCount);
    std::printf("save edited (frame source + FFmpeg writer, MPEG-4): %.2f s\n", ours);
    std::printf("ffmpeg tool, same frames and codec:                 %.2f s\n", tool);
    std::printf("speed ratio (tool time / ours): %.2f  (target >= 0.7)\n", tool / ours);
    std::printf(
        "peak memory of the save: %.0f MiB  (target <= %.0f MiB: the frame cache's limit + 250 MiB)\n",
        peakMiB, TFFMpegPlay::DefaultCacheLimit / 1048576.0 + 250.0);
    return 0;
}
