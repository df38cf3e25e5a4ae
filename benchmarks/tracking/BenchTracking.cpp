// Speed of automatic tracking: a red disc circling over a textured background in an H.264 clip of
// 640x480 and of 1920x1080 (made once with the ffmpeg tool and cached), read through the FFmpeg frame
// source. Two ways of running it:
// - bare: the tracking driver reading the frame source directly (what the command line does);
// - view: the tracking mode of the video view as the main window runs it, offscreen (outline drawn with
//   the mouse, start, the run showing every frame and processing events until it ends).
// Each prints frames decoded per second (reading alone, measured in the same process), frames tracked
// per second, their ratio, the accuracy against the known path and the peak resident memory of the case
// (the frame source's cache included). The bare case adds the tracking's own cost per frame (the run's
// time less its reading); the view case splits a frame's time into showing it (moving the view to it,
// which decodes it, then painting and events), reading it again for the search (from the source's
// cache), and the search, and counts the view's paints.
//
// Targets: tracking at least half the decoding rate (ratio >= 0.5) on both sizes; the peak memory of each
// case at most the frame cache's limit + 250 MiB. Printed, not asserted.
#include "SyntheticClip.h"
#include "common/UnitUserDlg.h"
#include "measurement/UnitData.h"
#include "tracking/UnitTracking.h"
#include "video/UnitFFMpegPlay.h"
#include "video/UnitVideo.h"

#include <QApplication>
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
        // Until the encoder has taken the whole frame: one wait returns after a part of it, and the frames
        // not taken would pile up in the pipe's buffer (all 150 frames of 1080p, 1.2 GB).
        while (encoder.bytesToWrite() > 0 && encoder.waitForBytesWritten(-1)) {
        }
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

// Reading alone, in order, the way a tracking run reads, on a source of its own so that the measured
// run finds no frame cached by it. Seconds for the first `frames` frames.
double DecodeSeconds(const QString& path, int frames)
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
    return timer.nsecsElapsed() / 1e9;
}

// RMS distance in frame pixels between the tracked positions of object 0 and the path, and their count.
double RmsError(const TTracking& tracking, int frames, int width, int height, int& tracked)
{
    double sum2 = 0.0;
    tracked = 0;
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
    return tracked > 0 ? std::sqrt(sum2 / tracked) : 0.0;
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
    const double decodeSeconds = DecodeSeconds(path, frames);
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

    int tracked = 0;
    const double rms = RmsError(tracking, frames, width, height, tracked);
    const double decodeRate = frames / decodeSeconds;
    const double trackRate = frames / trackSeconds;
    const double ownMs = (trackSeconds - readingNs / 1e9) * 1000.0 / frames;
    std::printf("bare %4dx%-4d radius %3d  decoded %7.1f frames/s  tracked %7.1f frames/s  ratio %5.2f  "
                "tracking alone %6.2f ms/frame  %d/%d frames, RMS %.2f px  peak memory %ld MiB\n",
                width, height, radius, decodeRate, trackRate, trackRate / decodeRate, ownMs, tracked, frames,
                rms, PeakMemoryKiB() / 1024);
    std::fflush(stdout);
}

// The same run through the video view's tracking mode, as the main window drives it: a view of a
// typical size in a shown window (offscreen), the clip opened by the view, the outline drawn with the
// mouse as a circle of the driver case's size, the start button, and the run showing frames and
// processing events.
void MeasureView(int width, int height, int radius)
{
    const QString path = MakeClip(width, height);
    if (path.isEmpty()) {
        std::printf("%dx%d: no clip (is the ffmpeg tool installed?)\n", width, height);
        return;
    }
    TUserDlg::Instance().SetMute(true); // the end-of-run report would otherwise wait for an answer
    QWidget window;
    window.resize(1280, 760);
    auto* view = new TVideo(&window);
    view->setGeometry(0, 0, 1280, 720);
    TData data(nullptr, view);
    view->SetData(&data);
    struct TDetach // the view lets go of the data before the data goes, on every way out
    {
        TVideo* View;
        ~TDetach() { View->SetData(nullptr); }
    } detach{view};
    view->OnOpen = [&] {
        data.Reset();
        view->setVisible(true);
    };
    window.show();
    if (!view->OpenVideo(path)) {
        std::printf("%dx%d: the view could not open %s\n", width, height, qPrintable(path));
        return;
    }
    QApplication::processEvents();
    view->Recompute();
    view->SetMode(mvTracking);
    const int frames = std::min(view->FrameCountVisible(), Frames);
    const double decodeSeconds = DecodeSeconds(path, frames);

    TVideoTracking& tracking = view->Tracking();
    tracking.SetSearchRadius(radius);
    tracking.SetShape(2); // the circle, the default shape: its centre, then a point of its edge
    const QPointF centre = PathAt(0, width, height);
    auto click = [&](double x, double y) {
        const QPoint p = view->ToView({x / width, y / height});
        view->ViewMouseMove(Qt::NoModifier, p.x(), p.y());
        view->ViewMouseDown(mbLeft, Qt::NoModifier, p.x(), p.y());
        view->ViewMouseUp(mbLeft, Qt::NoModifier, p.x(), p.y());
    };
    click(centre.x(), centre.y());
    click(centre.x() + DiscRadius(height) * 1.2, centre.y());
    if (!tracking.Driver.OutlineDefined()) {
        std::printf("%dx%d: the outline drawn in the view was not accepted\n", width, height);
        return;
    }
    tracking.SetLastFrame(frames - 1);

    // The driver's two hooks, timed: showing a frame (the view moves to it, which decodes it, paints when
    // due, handles events) and reading a frame for the search.
    qint64 showNs = 0, readNs = 0;
    int paints = 0;
    const auto show = tracking.Driver.OnTrackingProgress;
    tracking.Driver.OnTrackingProgress = [&](int position, int percent) {
        QElapsedTimer timer;
        timer.start();
        show(position, percent);
        showNs += timer.nsecsElapsed();
    };
    const auto read = tracking.Driver.FrameAt;
    tracking.Driver.FrameAt = [&](int position) {
        QElapsedTimer timer;
        timer.start();
        QImage image = read(position);
        readNs += timer.nsecsElapsed();
        return image;
    };
    struct TPaintCounter : QObject
    {
        int* Count;
        explicit TPaintCounter(int* count) : Count(count) {}
        bool eventFilter(QObject*, QEvent* event) override
        {
            if (event->type() == QEvent::Paint)
                ++*Count;
            return false;
        }
    } counter(&paints);
    view->installEventFilter(&counter);

    QElapsedTimer timer;
    timer.start();
    tracking.StartStop();
    const double trackSeconds = timer.nsecsElapsed() / 1e9;
    view->removeEventFilter(&counter);

    int tracked = 0;
    const double rms = RmsError(tracking.Driver, frames, width, height, tracked);
    const double decodeRate = frames / decodeSeconds;
    const double trackRate = frames / trackSeconds;
    std::printf("view %4dx%-4d radius %3d  decoded %7.1f frames/s  tracked %7.1f frames/s  ratio %5.2f  "
                "per frame: showing %6.2f ms (%d paints), reading %6.2f ms, search %6.2f ms  %d/%d frames, "
                "RMS %.2f px  peak memory %ld MiB\n",
                width, height, radius, decodeRate, trackRate, trackRate / decodeRate, showNs / 1e6 / frames,
                paints, readNs / 1e6 / frames, (trackSeconds * 1e9 - showNs - readNs) / 1e6 / frames, tracked,
                frames, rms, PeakMemoryKiB() / 1024);
    std::fflush(stdout);
}

} // namespace

// bench_tracking: makes the clips, then measures each case in a child process of its own
// (bench_tracking --measure W H RADIUS for the driver alone, --measure-view W H RADIUS for the view),
// so that its peak memory is the case's alone.
int main(int argc, char* argv[])
{
    if (argc == 5 && QByteArray(argv[1]) == "--measure") {
        Measure(std::atoi(argv[2]), std::atoi(argv[3]), std::atoi(argv[4]));
        return 0;
    }
    if (argc == 5 && QByteArray(argv[1]) == "--measure-view") {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        QApplication app(argc, argv);
        MeasureView(std::atoi(argv[2]), std::atoi(argv[3]), std::atoi(argv[4]));
        return 0;
    }
    std::printf("Automatic tracking of a disc over %d frames; ratio = tracked / decoded frames per second "
                "(target >= 0.5)\n",
                Frames);
    std::printf("Peak memory of each case: target <= %.0f MiB (the frame cache's limit + 250 MiB)\n",
                TFFMpegPlay::DefaultCacheLimit / 1048576.0 + 250.0);
    std::fflush(stdout);
    const struct
    {
        int Width, Height, Radius;
    } cases[] = {{640, 480, 40}, {640, 480, 100}, {1920, 1080, 40}, {1920, 1080, 100}};
    for (const auto& c : cases)
        MakeClip(c.Width, c.Height);
    for (const char* mode : {"--measure", "--measure-view"})
        for (const auto& c : cases)
            QProcess::execute(
                QString::fromLocal8Bit(argv[0]),
                {mode, QString::number(c.Width), QString::number(c.Height), QString::number(c.Radius)});
    return 0;
}
