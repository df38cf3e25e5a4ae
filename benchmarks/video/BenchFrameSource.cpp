// Speed and memory of the FFmpeg frame source: stepping forward, stepping backward and random access, each as
// a ratio to raw libavcodec decoding of the same file measured in the same run; the frames the cache holds;
// the peak memory of exporting one frame, against the ffmpeg tool doing the same.
//
// Usage: bench_video [VIDEO]. Without VIDEO a 12 s 1920x1080 H.264 clip (25 frames/s, GOP of 250 frames,
// 3 B-frames, light noise so that decoding has real work) is made once with the ffmpeg tool and cached.
// bench_video --export-frame VIDEO N OUT does what the program's headless --export-frame does (open through
// the framework choice, show frame N, draw it, save it); the benchmark runs itself that way as a child
// process and reads the child's peak resident memory. bench_video --raw VIDEO and bench_video --forward VIDEO
// run one pass of raw decoding or of stepping forward alone, for a profiler.
//
// Targets: forward >= 0.8 x raw; backward (cache warm) >= 0.5 x forward; one random access no slower than
// decoding one GOP; exporting one frame at most 1.5 x the ffmpeg tool's peak memory. Printed, not asserted.
#include "common/UnitFFMpegPtr.h"
#include "video/UnitFFMpegPlay.h"
#include "video/UnitVideoSources.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QProcess>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <memory>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <vector>

extern char** environ;

namespace {

QString MakeClip()
{
    const QString dir = QStringLiteral(KINOTRA_BENCH_DIR);
    QDir().mkpath(dir);
    const QString path = dir + QStringLiteral("/h264_1080p_gop250.mp4");
    if (QFileInfo(path).size() > 0)
        return path;
    const QString ffmpeg = QStandardPaths::findExecutable(QStringLiteral("ffmpeg"));
    if (ffmpeg.isEmpty())
        return {};
    std::printf("making %s with ffmpeg ...\n", qPrintable(path));
    std::fflush(stdout);
    const QString partial = dir + QStringLiteral("/partial.mp4");
    const int code = QProcess::execute(ffmpeg, {"-v",
                                                "error",
                                                "-y",
                                                "-f",
                                                "lavfi",
                                                "-i",
                                                "testsrc2=size=1920x1080:rate=25:duration=12",
                                                "-vf",
                                                "noise=alls=6:allf=t",
                                                "-c:v",
                                                "libx264",
                                                "-preset",
                                                "veryfast",
                                                "-crf",
                                                "23",
                                                "-g",
                                                "250",
                                                "-keyint_min",
                                                "250",
                                                "-sc_threshold",
                                                "0",
                                                "-bf",
                                                "3",
                                                "-pix_fmt",
                                                "yuv420p",
                                                partial});
    if (code != 0 || !QFile::rename(partial, path))
        return {};
    return path;
}

// Decodes every frame of the file with libavcodec (as many threads as cores, like the source). Frames/s;
// keyFrames gets the number of key frames.
double RawDecode(const QString& path, int& frames, int& keyFrames)
{
    frames = 0;
    keyFrames = 0;
    AVFormatContext* raw = nullptr;
    if (avformat_open_input(&raw, QFile::encodeName(path).constData(), nullptr, nullptr) < 0)
        return 0.0;
    TAVInputPtr format(raw);
    if (avformat_find_stream_info(raw, nullptr) < 0)
        return 0.0;
    const int stream = av_find_best_stream(raw, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
    if (stream < 0)
        return 0.0;
    const AVCodec* codec = avcodec_find_decoder(raw->streams[stream]->codecpar->codec_id);
    TAVCodecPtr context(avcodec_alloc_context3(codec));
    avcodec_parameters_to_context(context.get(), raw->streams[stream]->codecpar);
    context->thread_count = 0;
    context->thread_type = FF_THREAD_FRAME | FF_THREAD_SLICE;
    if (avcodec_open2(context.get(), codec, nullptr) < 0)
        return 0.0;
    TAVPacketPtr packet(av_packet_alloc());
    TAVFramePtr frame(av_frame_alloc());
    QElapsedTimer clock;
    clock.start();
    bool end = false;
    while (!end) {
        if (av_read_frame(raw, packet.get()) < 0) {
            avcodec_send_packet(context.get(), nullptr);
            end = true;
        } else if (packet->stream_index == stream) {
            if (packet->flags & AV_PKT_FLAG_KEY)
                ++keyFrames;
            avcodec_send_packet(context.get(), packet.get());
            av_packet_unref(packet.get());
        } else {
            av_packet_unref(packet.get());
            continue;
        }
        while (avcodec_receive_frame(context.get(), frame.get()) == 0) {
            ++frames;
            av_frame_unref(frame.get());
        }
    }
    return frames / (clock.nsecsElapsed() / 1e9);
}

// The longest run of packets from one key frame to the next (or to the end): the most a jump may have to
// decode. firstGop gets the length of the first run.
int LongestGop(const QString& path, int fallback, int& firstGop)
{
    firstGop = fallback;
    AVFormatContext* raw = nullptr;
    if (avformat_open_input(&raw, QFile::encodeName(path).constData(), nullptr, nullptr) < 0)
        return fallback;
    TAVInputPtr format(raw);
    if (avformat_find_stream_info(raw, nullptr) < 0)
        return fallback;
    const int stream = av_find_best_stream(raw, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
    TAVPacketPtr packet(av_packet_alloc());
    int index = 0, lastKey = 0, longest = 0;
    bool first = true;
    while (av_read_frame(raw, packet.get()) >= 0) {
        if (packet->stream_index == stream) {
            if ((packet->flags & AV_PKT_FLAG_KEY) && index > 0) {
                longest = std::max(longest, index - lastKey);
                if (first)
                    firstGop = index - lastKey;
                first = false;
                lastKey = index;
            }
            ++index;
        }
        av_packet_unref(packet.get());
    }
    if (first)
        firstGop = index;
    return std::max(longest, index - lastKey);
}

// Runs a program and waits for it; its peak resident memory in MiB, or -1 when it cannot run or fails.
double PeakMiB(const QString& program, const QStringList& args)
{
    std::vector<QByteArray> texts{QFile::encodeName(program)};
    for (const QString& arg : args)
        texts.push_back(arg.toLocal8Bit());
    std::vector<char*> argv;
    for (QByteArray& text : texts)
        argv.push_back(text.data());
    argv.push_back(nullptr);
    pid_t pid = 0;
    if (posix_spawn(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0)
        return -1.0;
    int status = 0;
    rusage usage{};
    if (wait4(pid, &status, 0, &usage) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return -1.0;
    return usage.ru_maxrss / 1024.0; // KiB on Linux
}

double PeakSelfMiB()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024.0;
}

// The headless export of one frame, as the program does it: open through the framework choice, show the
// frame, draw it whole into a 32-bit image, save it.
int ExportFrame(const QString& path, int frame, const QString& output)
{
    TVideoSources sources;
    if (!sources.OpenVideo(path)) {
        std::fprintf(stderr, "bench_video: cannot open %s\n", qPrintable(path));
        return 1;
    }
    QString error;
    sources.OnError = [&error](const QString& text) { error = text; };
    sources.ShowFrame(frame);
    QImage image(sources.FrameWidth(), sources.FrameHeight(), QImage::Format_RGB32);
    if (!error.isEmpty() || sources.CurrentFrame() != frame ||
        !sources.Draw(image, QRect(0, 0, sources.FrameWidth(), sources.FrameHeight()), SRCCOPY) ||
        !image.save(output, "PNG")) {
        std::fprintf(stderr, "bench_video: cannot export frame %d\n", frame);
        return 1;
    }
    return 0;
}

// Seek (+ Draw) of each frame in order; frames/s.
double Step(TFFMpegPlay& source, QImage& target, const std::vector<int>& order, bool draw = true)
{
    QElapsedTimer clock;
    clock.start();
    for (int frame : order) {
        source.Seek(frame);
        if (draw)
            source.Draw(target, QRect(0, 0, source.FrameWidth, source.FrameHeight), SRCCOPY);
    }
    return static_cast<double>(order.size()) / (clock.nsecsElapsed() / 1e9);
}

// Draws of the current frame alone (the conversion to RGB); draws/s.
double DrawOnly(TFFMpegPlay& source, QImage& target, int count)
{
    QElapsedTimer clock;
    clock.start();
    for (int i = 0; i < count; ++i)
        source.Draw(target, QRect(0, 0, source.FrameWidth, source.FrameHeight), SRCCOPY);
    return count / (clock.nsecsElapsed() / 1e9);
}

} // namespace

int main(int argc, char* argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc == 5 && QByteArray(argv[1]) == "--export-frame")
        return ExportFrame(QString::fromLocal8Bit(argv[2]), QByteArray(argv[3]).toInt(),
                           QString::fromLocal8Bit(argv[4]));
    // One pass alone, to profile: raw decoding, or stepping forward with a draw of each frame.
    if (argc == 3 && (QByteArray(argv[1]) == "--raw" || QByteArray(argv[1]) == "--forward")) {
        const QString video = QString::fromLocal8Bit(argv[2]);
        int frames = 0, keys = 0;
        double rate = 0.0;
        if (QByteArray(argv[1]) == "--raw") {
            rate = RawDecode(video, frames, keys);
        } else {
            TFFMpegPlay source;
            if (!source.Open(video))
                return 1;
            QImage image(source.FrameWidth, source.FrameHeight, QImage::Format_RGB32);
            std::vector<int> order(static_cast<std::size_t>(source.FrameCount));
            for (int i = 0; i < source.FrameCount; ++i)
                order[static_cast<std::size_t>(i)] = i;
            rate = Step(source, image, order);
        }
        std::printf("%s %.1f frames/s, peak %.0f MiB\n", argv[1], rate, PeakSelfMiB());
        return 0;
    }
    const QString path = argc > 1 ? QString::fromLocal8Bit(argv[1]) : MakeClip();
    if (path.isEmpty()) {
        std::fprintf(stderr, "bench_video: no video (give one, or install the ffmpeg tool)\n");
        return 1;
    }
    // Peak memory of exporting the frame that needs the most decoding in the first GOP, against the ffmpeg
    // tool. Measured first: a child's peak includes this process's memory at the moment the child starts.
    int firstGop = 0;
    const double gop = LongestGop(path, 1, firstGop);
    const int exported = firstGop - 1;
    QTemporaryDir scratch;
    const double exportMiB =
        PeakMiB(QCoreApplication::applicationFilePath(),
                {"--export-frame", path, QString::number(exported), scratch.filePath("kinotra.png")});
    const QString ffmpeg = QStandardPaths::findExecutable(QStringLiteral("ffmpeg"));
    const double ffmpegMiB = ffmpeg.isEmpty()
                                 ? -1.0
                                 : PeakMiB(ffmpeg, {"-v", "error", "-y", "-i", path, "-vf",
                                                    QStringLiteral("select=eq(n\\,%1)").arg(exported),
                                                    "-frames:v", "1", scratch.filePath("ffmpeg.png")});
    const double startMiB = PeakSelfMiB();

    // The machine may be shared: each speed is the best of three rounds, and the rounds interleave the
    // reference with the source so that both see the same conditions.
    int rawFrames = 0, keyFrames = 0;
    RawDecode(path, rawFrames, keyFrames); // warms the file cache
    TFFMpegPlay probe;
    QString error;
    probe.OnError = [&error](const QString& text) { error = text; };
    QElapsedTimer openClock;
    openClock.start();
    if (!probe.Open(path)) {
        std::fprintf(stderr, "bench_video: %s\n", qPrintable(probe.ErrorText));
        return 1;
    }
    const double openMs = openClock.nsecsElapsed() / 1e6;
    const int n = probe.FrameCount;
    QImage target(probe.FrameWidth, probe.FrameHeight, QImage::Format_RGB32);
    std::vector<int> forwardOrder(static_cast<std::size_t>(n)), backwardOrder(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i) {
        forwardOrder[static_cast<std::size_t>(i)] = i;
        backwardOrder[static_cast<std::size_t>(i)] = n - 1 - i;
    }

    double raw = 0.0, forward = 0.0, seekOnly = 0.0, backwardWarm = 0.0, backwardCold = 0.0;
    std::int64_t forwardDecoded = 0, backwardDecoded = 0;
    int cached = 0;
    double cacheMb = 0.0;
    for (int round = 0; round < 3; ++round) {
        raw = std::max(raw, RawDecode(path, rawFrames, keyFrames));
        TFFMpegPlay source;
        source.OnError = [&error](const QString& text) { error = text; };
        source.Open(path);
        const std::int64_t atOpen = source.DecodedFrames();
        forward = std::max(forward, Step(source, target, forwardOrder));
        forwardDecoded = source.DecodedFrames() - atOpen;
        cached = source.CachedFrameCount();
        cacheMb = source.CacheBytes() / 1048576.0;
        backwardWarm = std::max(backwardWarm, Step(source, target, backwardOrder));
        backwardDecoded = source.DecodedFrames() - atOpen - forwardDecoded;
        TFFMpegPlay plain;
        plain.Open(path);
        seekOnly = std::max(seekOnly, Step(plain, target, forwardOrder, false));
        TFFMpegPlay cold;
        cold.Open(path);
        backwardCold = std::max(backwardCold, Step(cold, target, backwardOrder));
    }
    const double drawOnly = DrawOnly(probe, target, 100);

    QRandomGenerator random(2024);
    std::vector<int> randomOrder(20);
    for (int& frame : randomOrder)
        frame = static_cast<int>(random.bounded(n));
    TFFMpegPlay fresh;
    fresh.Open(path);
    fresh.SetCacheLimit(0); // every access decodes: the cost of a jump, without help from earlier ones
    const double randomRate = Step(fresh, target, randomOrder);
    const double randomMs = 1000.0 / randomRate;
    const double gopMs = 1000.0 * gop / raw;
    TFFMpegPlay& source = probe;
    // The frames a full cache holds, against the same bytes spent on 32-bit RGB frames.
    const double rgbFrames = source.CacheLimit() / (4.0 * source.FrameWidth * source.FrameHeight);

    std::printf("file                %s\n", qPrintable(path));
    std::printf("frames              %d (%dx%d), %d key frames, longest GOP %.0f frames\n", n,
                source.FrameWidth, source.FrameHeight, keyFrames, gop);
    std::printf("open (index only)   %.1f ms\n", openMs);
    std::printf("raw decoding        %7.1f frames/s   (reference)\n", raw);
    std::printf("forward  seek+draw  %7.1f frames/s   %.2f x raw      (target >= 0.80)\n", forward,
                forward / raw);
    std::printf("  seek alone        %7.1f frames/s   %.2f x raw; one draw alone %.2f ms\n", seekOnly,
                seekOnly / raw, 1000.0 / drawOnly);
    std::printf("backward warm cache %7.1f frames/s   %.2f x forward  (target >= 0.50)\n", backwardWarm,
                backwardWarm / forward);
    std::printf("backward cold       %7.1f frames/s   %.2f x forward\n", backwardCold,
                backwardCold / forward);
    std::printf("frames decoded      forward %lld, backward after it %lld, for %d frames each way\n",
                static_cast<long long>(forwardDecoded), static_cast<long long>(backwardDecoded), n);
    std::printf("random access       %7.1f ms/frame   %.2f x decoding one GOP (%.1f ms)  (target <= 1.00)\n",
                randomMs, randomMs / gopMs, gopMs);
    std::printf(
        "cache               %d frames, %.0f MB (limit %.0f MB): %.2f x the %.0f frames of 32-bit RGB\n",
        cached, cacheMb, source.CacheLimit() / 1048576.0, cached / rgbFrames, rgbFrames);
    std::printf("export frame %-6d peak %.0f MiB; ffmpeg tool %.0f MiB   %.2f x ffmpeg  (target <= 1.50)\n",
                exported, exportMiB, ffmpegMiB, ffmpegMiB > 0 ? exportMiB / ffmpegMiB : 0.0);
    std::printf("benchmark process   peak %.0f MiB (%.0f MiB when the export ran)\n", PeakSelfMiB(),
                startMiB);
    if (!error.isEmpty())
        std::printf("reading error       %s\n", qPrintable(error));
    return 0;
}
