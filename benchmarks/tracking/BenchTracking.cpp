// Speed of automatic tracking: a red disc circling over a textured background in an H.264 clip of
// 640x480 and of 1920x1080 (made once with the ffmpeg tool and cached), read through the FFmpeg frame
// source. Prints frames decoded per second (reading alone), frames tracked per second (reading plus
// tracking, as a run does it), their ratio, the tracking's own cost per frame (the run's time less its
// reading), the accuracy against the known path and the peak resident memory of the case (the frame
// source's cache included).
//
// Target: tracking at least half the decoding rate (ratio >= 0.5) on both sizes. Printed, not asserted.
#include "SyntheticClip.h"
#include "tracking/UnitTracking.h"
#include "video/UnitFFMpegPlay.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <sys/resource.h>

namespace {

constexpr int Frames = 150;

// The disc's centre on frame f, frame pixels: a circle over most of the frame, one turn in 150 frames.
QPointF PathAt(int f, int width, int height)
{
    const double angle = 2.0 * M_PI * f / Frames;
    const double radius = 0.35 * std::min(width, height);
    return {width / 2.0 + radius * std::cos(angle), height / 2.0 + radius * std::sin(angle)};
}

double DiscRadius(int height)
{
    return height / 40.0;
}

QString MakeClip(int width, int height)
{
    const QString dir = QStringLiteral(KINOTRA_BENCH_DIR);
    QDir().mkpath(dir);
    const QString path = dir + QStringLiteral("/tracking_%1x%2.mp4").arg(width).arg(height);
    if (QFileInfo(path).size() > 0)
        return path;
    const QString ffmpeg = QStandardPaths::findExecutable(QStringLiteral("ffmpeg"));
    if (ffmpeg.isEmpty())
        return {};
    std::printf("making %s with ffmpeg ...\n", qPrintable(path));
    std::fflush(stdout);
    const QString partial = dir + QStringLiteral("/tracking_partial.mp4");
    QProcess encoder;
    encoder.start(ffmpeg, {"-v",       "error",    "-y",
                           "-f",       "rawvideo", "-pix_fmt",
                           "bgra",     "-s",       QStringLiteral("%1x%2").arg(width).arg(height),
                           "-r",       "30",       "-i",
                           "-",        "-c:v",     "libx264",
                           "-preset",  "veryfast", "-crf",
                           "18",       "-g",       "30",
                           "-pix_fmt", "yuv420p",  partial});
    if (!encoder.waitForStarted())
        return {};
    const QImage background = SynthBackground(width, height, 5);
    for (int f = 0; f < Frames; ++f) {
        const QImage frame =
            SynthFrame(background, {{PathAt(f, width, height), DiscRadius(height), qRgb(220, 30, 30)}});
        encoder.write(reinterpret_cast<const char*>(frame.constBits()), frame.sizeInBytes());
        encoder.waitForBytesWritten(-1);
    }
    encoder.closeWriteChannel();
    encoder.waitForFinished(-1);
    if (encoder.exitCode() != 0 || !QFile::rename(partial, path))
        return {};
    return path;
}

long PeakMemoryKiB()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

void Measure(int width, int height, int radius)
{
    const QString path = MakeClip(width, height);
    TFFMpegPlay source;
    if (path.isEmpty() || !source.Open(path)) {
        std::printf("%dx%d: no clip (is the ffmpeg tool installed?)\n", width, height);
        return;
    }
    const int frames = std::min(source.FrameCount, Frames);
    // Time spent reading frames during the tracking run, to tell the tracking's own cost from it.
    qint64 readingNs = 0;
    auto frameAt = [&](int f) {
        QElapsedTimer reading;
        reading.start();
        QImage image(source.FrameWidth, source.FrameHeight, QImage::Format_RGB32);
        source.Seek(f);
        const bool drawn = source.Draw(image, QRect(0, 0, source.FrameWidth, source.FrameHeight), SRCCOPY);
        readingNs += reading.nsecsElapsed();
        return drawn ? image : QImage();
    };

    // Reading alone, in order, the way a tracking run reads, on a source of its own so that neither pass
    // finds frames cached by the other.
    double decodeSeconds = 0.0;
    {
        TFFMpegPlay reader;
        reader.Open(path);
        QElapsedTimer timer;
        timer.start();
        for (int f = 0; f < frames; ++f) {
            QImage image(reader.FrameWidth, reader.FrameHeight, QImage::Format_RGB32);
            reader.Seek(f);
            reader.Draw(image, QRect(0, 0, reader.FrameWidth, reader.FrameHeight), SRCCOPY);
        }
        decodeSeconds = timer.nsecsElapsed() / 1e9;
    }

    TTracking tracking;
    tracking.Reset(1, frames);
    tracking.SetSearchRadius(radius);
    tracking.FrameAt = frameAt;
    const QPointF start = PathAt(0, width, height);
    tracking.SetOutline(SynthCircleOutline(start, DiscRadius(height) * 1.2, width, height), 0, frameAt(0));
    readingNs = 0;
    QElapsedTimer timer;
    timer.start();
    tracking.StartStop();
    const double trackSeconds = timer.nsecsElapsed() / 1e9;

    double sum2 = 0.0;
    int tracked = 0;
    for (int f = 0; f < frames; ++f) {
        if (tracking.TrackedFrame[0][f] < 0)
            continue;
        const QPointF p(tracking.TrackedPositionRel[0][f].x() * width,
                        tracking.TrackedPositionRel[0][f].y() * height);
        const QPointF e = p - PathAt(f, width, height);
        sum2 += e.x() * e.x() + e.y() * e.y();
        ++tracked;
        if (qEnvironmentVariableIsSet("KINOTRA_BENCH_VERBOSE"))
            std::printf("  frame %3d error (%6.2f, %6.2f) px, confidence %.3f\n", f, e.x(), e.y(),
                        tracking.TrackedConfidence[0][f]);
    }
    const double decodeRate = frames / decodeSeconds;
    const double trackRate = frames / trackSeconds;
    const double ownMs = (trackSeconds - readingNs / 1e9) * 1000.0 / frames;
    std::printf("%4dx%-4d radius %3d  decoded %7.1f frames/s  tracked %7.1f frames/s  ratio %5.2f  "
                "tracking alone %6.2f ms/frame  %d/%d frames, RMS %.2f px  peak memory %ld MiB\n",
                width, height, radius, decodeRate, trackRate, trackRate / decodeRate, ownMs, tracked, frames,
                tracked > 0 ? std::sqrt(sum2 / tracked) : 0.0, PeakMemoryKiB() / 1024);
    std::fflush(stdout);
}

} // namespace

// bench_tracking: makes the clips, then measures each case in a child process of its own
// (bench_tracking --measure W H RADIUS), so that its peak memory is the case's alone.
int main(int argc, char* argv[])
{
    if (argc == 5 && QByteArray(argv[1]) == "--measure") {
        Measure(std::atoi(argv[2]), std::atoi(argv[3]), std::atoi(argv[4]));
        return 0;
    }
    std::printf("Automatic tracking of a disc over %d frames; ratio = tracked / decoded frames per second "
                "(target >= 0.5)\n",
                Frames);
    std::fflush(stdout);
    const struct
    {
        int Width, Height, Radius;
    } cases[] = {{640, 480, 40}, {640, 480, 100}, {1920, 1080, 40}, {1920, 1080, 100}};
    for (const auto& c : cases)
        MakeClip(c.Width, c.Height);
    for (const auto& c : cases)
        QProcess::execute(
            QString::fromLocal8Bit(argv[0]),
            {"--measure", QString::number(c.Width), QString::number(c.Height), QString::number(c.Radius)});
    return 0;
}
