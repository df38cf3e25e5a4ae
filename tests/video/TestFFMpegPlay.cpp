// The FFmpeg frame source: frame counts and frames as the reference decoder gives them, in any order; the
// frame cache; damaged files; drawing.
#include "video/UnitFFMpegPlay.h"

#include "support/TestSupport.h"
#include "video/VideoFixtures.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <algorithm>
#include <set>

namespace {

constexpr int Tolerance = 2; // colour conversion: the same formulas, rounding may differ by a unit

const std::vector<TFixtureKind> AllKinds = {TFixtureKind::H264Mp4, TFixtureKind::MjpegAvi,
                                            TFixtureKind::RawAvi, TFixtureKind::Mpeg2Mpg,
                                            TFixtureKind::Mpeg4Mov};

QImage DrawWhole(TFFMpegPlay& source)
{
    QImage image(source.FrameWidth, source.FrameHeight, QImage::Format_RGB32);
    image.fill(Qt::magenta);
    if (!source.Draw(image, QRect(0, 0, source.FrameWidth, source.FrameHeight), SRCCOPY))
        return {};
    return image;
}

// The frames of the given indexes as ffmpeg decodes the file in sequence (edit lists honoured), each frame
// once: a gap in the timestamps of a damaged file adds no copies.
std::map<int, QImage> ReferenceFrames(const QString& path, std::set<int> indexes, QSize size)
{
    QStringList terms;
    for (int i : indexes)
        terms << QStringLiteral("eq(n\\,%1)").arg(i);
    QProcess p;
    p.start(QStandardPaths::findExecutable(QStringLiteral("ffmpeg")),
            {"-v", "error", "-i", path, "-vf", QStringLiteral("select=") + terms.join('+'), "-fps_mode",
             "passthrough", "-f", "rawvideo", "-pix_fmt", "rgb24", "-"});
    std::map<int, QImage> frames;
    if (!p.waitForFinished(120000) || p.exitCode() != 0)
        return frames;
    const QByteArray bytes = p.readAllStandardOutput();
    const qsizetype frameBytes = qsizetype(size.width()) * size.height() * 3;
    auto index = indexes.begin();
    for (qsizetype at = 0; at + frameBytes <= bytes.size() && index != indexes.end();
         at += frameBytes, ++index) {
        const QImage rgb(reinterpret_cast<const uchar*>(bytes.constData() + at), size.width(), size.height(),
                         size.width() * 3, QImage::Format_RGB888);
        frames[*index] = rgb.convertToFormat(QImage::Format_RGB32);
    }
    return frames;
}

QStringList RealVideos()
{
    QStringList files;
    const QString folder = SharedDataPath(QStringLiteral("videos"));
    if (folder.isEmpty())
        return files;
    QDirIterator it(folder, {"*.mp4", "*.mov", "*.avi", "*.mpg"}, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext())
        files << it.next();
    files.sort();
    return files;
}

// A copy of a file in dir, cut to the first bytes.
QString TruncatedCopy(const QString& path, qint64 bytes, const QTemporaryDir& dir)
{
    const QString copy = dir.filePath(QStringLiteral("cut-") + QFileInfo(path).fileName());
    QFile::remove(copy);
    QFile::copy(path, copy);
    QFile(copy).setPermissions(QFile::ReadOwner | QFile::WriteOwner);
    QFile(copy).resize(bytes);
    return copy;
}

class TOldLibraries : public TFFMpegPlay
{
protected:
    bool RuntimeTooOld() const override { return true; }
};

} // namespace

TEST(FFMpegPlay, EveryKindGivesTheReferenceFramesInAnyOrder)
{
    QStringList files;
    for (TFixtureKind kind : AllKinds)
        files << FixtureVideo(kind);
    // MPEG-4 with B-frames in AVI: the container gives no presentation time to the reference frames.
    files << FixtureVideo(TFixtureKind::PackedMpeg4Avi);
    // Backward steps, jumps across key frames, the last frame and repeated requests.
    const int order[] = {49, 0, 25, 24, 23, 12, 13, 48, 1, 37, 36, 11, 49, 0};
    for (const QString& path : files) {
        SCOPED_TRACE(path.toStdString());
        ASSERT_FALSE(path.isEmpty());
        const std::set<int> wanted(std::begin(order), std::end(order));
        const auto reference = ReferenceFrames(path, wanted, {320, 240});
        ASSERT_EQ(reference.size(), wanted.size());
        TFFMpegPlay source;
        int opened = 0;
        source.OnOpen = [&opened] { ++opened; };
        QString error;
        source.OnError = [&error](const QString& text) { error = text; };
        ASSERT_TRUE(source.Open(path)) << source.ErrorText.toStdString();
        EXPECT_EQ(opened, 1);
        EXPECT_TRUE(source.Opened);
        EXPECT_EQ(source.FrameCount, FfmpegFrameCount(path));
        EXPECT_EQ(QSize(source.FrameWidth, source.FrameHeight), QSize(320, 240));
        EXPECT_DOUBLE_EQ(source.FramesPerSecond, 25.0);
        EXPECT_EQ(source.DelayMs, 40);
        EXPECT_NEAR(source.Duration, 2.0, 1e-9);
        EXPECT_EQ(source.CurrentFrame, 0);
        EXPECT_LE(MaxChannelDifference(DrawWhole(source), reference.at(0)), Tolerance);
        for (int frame : order) {
            source.Seek(frame);
            ASSERT_EQ(source.CurrentFrame, frame);
            EXPECT_LE(MaxChannelDifference(DrawWhole(source), reference.at(frame)), Tolerance)
                << "frame " << frame;
        }
        EXPECT_TRUE(error.isEmpty()) << error.toStdString();
    }
}

// Just after a seek, the demuxer of an MPEG program stream may hand out a fragment bearing the position and
// decode time of the next frame, then that frame without them. A direct jump to a key frame (the last frame
// of these clips is one, shown only when the decoder is drained) must still decode from the whole picture.
// Whether a seek lands on such a fragment depends on the layout of the packs: 320x240 does not show it.
TEST(FFMpegPlay, MpegProgramStreamsGiveEveryFrameOnADirectJump)
{
    for (const char* size : {"160x120", "640x480"}) {
        SCOPED_TRACE(size);
        const QString path =
            FfmpegFixture(QStringLiteral("mpeg2_%1.mpg").arg(QLatin1String(size)),
                          {"-f", "lavfi", "-i",
                           QStringLiteral("testsrc2=size=%1:rate=30:duration=2").arg(QLatin1String(size)),
                           "-c:v", "mpeg2video", "-g", "15", "-bf", "2", "-q:v", "3"});
        ASSERT_FALSE(path.isEmpty());
        const int count = FfmpegFrameCount(path);
        ASSERT_EQ(count, 60);
        // The key frames (0, 15, 30, 45 and 59), frames next to them, and the last frame again.
        const int order[] = {59, 15, 0, 58, 30, 45, 14, 46, 59};
        const std::set<int> wanted(std::begin(order), std::end(order));
        const auto reference = FfmpegFramesAt(path, wanted);
        ASSERT_EQ(reference.size(), wanted.size());
        QString error;
        auto keepError = [&error](const QString& text) { error = text; };
        TFFMpegPlay source; // all the jumps in turn
        source.OnError = keepError;
        ASSERT_TRUE(source.Open(path)) << source.ErrorText.toStdString();
        EXPECT_EQ(source.FrameCount, count);
        for (int frame : order) {
            TFFMpegPlay fresh; // the jump alone: nothing decoded before it helps
            fresh.OnError = keepError;
            ASSERT_TRUE(fresh.Open(path));
            for (TFFMpegPlay* s : {&fresh, &source}) {
                error.clear();
                s->Seek(frame);
                EXPECT_TRUE(error.isEmpty()) << "frame " << frame << ": " << error.toStdString();
                EXPECT_LE(MaxChannelDifference(DrawWhole(*s), reference.at(frame)), Tolerance)
                    << "frame " << frame;
            }
        }
    }
}

TEST(FFMpegPlay, RealVideosCountAndGiveTheReferenceFramesInAnyOrder)
{
    const QStringList files = RealVideos();
    if (files.isEmpty())
        GTEST_SKIP() << "the shared videos are not there";
    for (const QString& path : files) {
        SCOPED_TRACE(path.toStdString());
        TFFMpegPlay source;
        ASSERT_TRUE(source.Open(path)) << source.ErrorText.toStdString();
        const int n = source.FrameCount;
        EXPECT_EQ(n, FfmpegFrameCount(path));
        // Opening indexes the file without decoding it.
        EXPECT_LE(source.DecodedFrames(), 2);
        const std::vector<int> order = {n - 1, n / 2, 0, n - 2, n / 2 - 1, 1, n / 3};
        const auto reference = ReferenceFrames(path, std::set<int>(order.begin(), order.end()),
                                               {source.FrameWidth, source.FrameHeight});
        ASSERT_EQ(reference.size(), std::set<int>(order.begin(), order.end()).size());
        for (int frame : order) {
            source.Seek(frame);
            EXPECT_LE(MaxChannelDifference(DrawWhole(source), reference.at(frame)), Tolerance)
                << "frame " << frame;
        }
    }
}

TEST(FFMpegPlay, TurnedPhoneVideosAreShownUpright)
{
    for (int rotation : {90, 180, 270}) {
        SCOPED_TRACE(rotation);
        const QString path = FfmpegFixture(QStringLiteral("h264_rotate%1.mp4").arg(rotation),
                                           {"-i", FixtureVideo(TFixtureKind::H264Mp4), "-c", "copy",
                                            "-metadata:s:v:0", QStringLiteral("rotate=%1").arg(rotation)});
        ASSERT_FALSE(path.isEmpty());
        TFFMpegPlay source;
        ASSERT_TRUE(source.Open(path)) << source.ErrorText.toStdString();
        const QSize size = rotation == 180 ? QSize(320, 240) : QSize(240, 320);
        EXPECT_EQ(QSize(source.FrameWidth, source.FrameHeight), size);
        const auto reference = ReferenceFrames(path, {3, 30}, size);
        ASSERT_EQ(reference.size(), 2u);
        for (int frame : {30, 3}) {
            source.Seek(frame);
            EXPECT_LE(MaxChannelDifference(DrawWhole(source), reference.at(frame)), Tolerance);
        }
        QImage corner(40, 40, QImage::Format_RGB32);
        ASSERT_TRUE(source.Draw(corner, QRect(size.width() - 20, 0, 20, 20), SRCCOPY));
        EXPECT_LE(
            MaxChannelDifference(corner, reference.at(3).copy(size.width() - 20, 0, 20, 20).scaled(40, 40)),
            Tolerance);
    }
}

TEST(FFMpegPlay, SteppingBackIsServedByTheCache)
{
    const QString path = FixtureVideo(TFixtureKind::H264Mp4); // one key frame: every frame needs frame 0
    const std::vector<QImage> reference = FfmpegDecodeAll(path);
    ASSERT_EQ(reference.size(), 50u);
    TFFMpegPlay source;
    ASSERT_TRUE(source.Open(path));
    for (int frame = 0; frame < 50; ++frame)
        source.Seek(frame);
    const auto decoded = source.DecodedFrames();
    const auto moves = source.Repositionings();
    EXPECT_LE(decoded, 50);
    EXPECT_EQ(moves, 1); // the forward run continued one decode
    for (int frame = 49; frame >= 0; --frame) {
        source.Seek(frame);
        if (frame % 10 == 0) {
            EXPECT_LE(MaxChannelDifference(DrawWhole(source), reference[static_cast<std::size_t>(frame)]),
                      Tolerance);
        }
    }
    EXPECT_EQ(source.DecodedFrames(), decoded);
    EXPECT_EQ(source.Repositionings(), moves);
    EXPECT_LE(source.CacheBytes(), source.CacheLimit());

    // A cache of three frames: eviction keeps to the limit and evicted frames are decoded again, exactly.
    const std::int64_t oneFrame = source.CacheBytes() / source.CachedFrameCount();
    source.SetCacheLimit(3 * oneFrame + oneFrame / 2);
    EXPECT_EQ(source.CachedFrameCount(), 3);
    for (int frame : {30, 10, 29, 9, 45}) {
        source.Seek(frame);
        EXPECT_LE(source.CacheBytes(), source.CacheLimit());
        EXPECT_LE(MaxChannelDifference(DrawWhole(source), reference[static_cast<std::size_t>(frame)]),
                  Tolerance)
            << "frame " << frame;
    }
    source.SetCacheLimit(0);
    source.Seek(20);
    EXPECT_EQ(source.CachedFrameCount(), 0);
    EXPECT_LE(MaxChannelDifference(DrawWhole(source), reference[20]), Tolerance);
}

TEST(FFMpegPlay, AForwardJumpKeepsAQuarterOfTheCacheBeforeItsTarget)
{
    const QString path = FixtureVideo(TFixtureKind::H264Mp4); // one key frame: every frame needs frame 0
    const std::vector<QImage> reference = FfmpegDecodeAll(path);
    ASSERT_EQ(reference.size(), 50u);
    TFFMpegPlay source;
    ASSERT_TRUE(source.Open(path));
    ASSERT_EQ(source.CachedFrameCount(), 1);
    const std::int64_t oneFrame = source.CacheBytes();
    source.SetCacheLimit(20 * oneFrame);

    // Frames 1 to 39 are decoded on the way; the five just before the target stay, beside frames 0 and 40.
    source.Seek(40);
    EXPECT_EQ(source.CachedFrameCount(), 7);
    const auto decoded = source.DecodedFrames();
    for (int frame = 39; frame >= 35; --frame) {
        source.Seek(frame);
        EXPECT_LE(MaxChannelDifference(DrawWhole(source), reference[static_cast<std::size_t>(frame)]),
                  Tolerance)
            << "frame " << frame;
    }
    EXPECT_EQ(source.DecodedFrames(), decoded);

    // Moving backwards past them decodes again and keeps every frame on the way, up to the limit.
    source.Seek(34);
    EXPECT_GT(source.DecodedFrames(), decoded);
    EXPECT_EQ(source.CachedFrameCount(), 20);
    const auto again = source.DecodedFrames();
    for (int frame = 33; frame >= 20; --frame)
        source.Seek(frame);
    EXPECT_EQ(source.DecodedFrames(), again);
    EXPECT_LE(MaxChannelDifference(DrawWhole(source), reference[20]), Tolerance);
    EXPECT_LE(source.CacheBytes(), source.CacheLimit());
}

TEST(FFMpegPlay, DamagedFilesOpenAsFarAsTheyCanOrGiveTheReason)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString h264 = FixtureVideo(TFixtureKind::H264Mp4);
    // The same video with its index first, so that a cut keeps the index and loses frames.
    const QString indexFirst = dir.filePath(QStringLiteral("faststart.mp4"));
    ASSERT_EQ(QProcess::execute(
                  QStandardPaths::findExecutable(QStringLiteral("ffmpeg")),
                  {"-v", "error", "-y", "-i", h264, "-c", "copy", "-movflags", "+faststart", indexFirst}),
              0);
    // An MPEG-2 stream cut inside an open GOP: its first B-frames refer to a picture that is not there.
    const QString cutGop = dir.filePath(QStringLiteral("cut-gop.mpg"));
    ASSERT_EQ(QProcess::execute(QStandardPaths::findExecutable(QStringLiteral("ffmpeg")),
                                {"-v", "quiet", "-y", "-ss", "0.6", "-i",
                                 FixtureVideo(TFixtureKind::Mpeg2Mpg), "-c", "copy", cutGop}),
              0);
    QFile garbage(dir.filePath(QStringLiteral("garbage.mp4")));
    ASSERT_TRUE(garbage.open(QIODevice::WriteOnly));
    garbage.write(QByteArray(4096, 'x'));
    garbage.close();

    struct Case
    {
        QString Path;
        bool Opens;
    };
    const Case cases[] = {
        {TruncatedCopy(indexFirst, QFileInfo(indexFirst).size() * 6 / 10, dir), true},
        {TruncatedCopy(FixtureVideo(TFixtureKind::RawAvi), 5000000, dir), true},
        {TruncatedCopy(FixtureVideo(TFixtureKind::Mpeg2Mpg), 200000, dir), true},
        {cutGop, true},
        {TruncatedCopy(h264, QFileInfo(h264).size() / 2, dir), false}, // the index at the end is lost
        {garbage.fileName(), false},
        {dir.filePath(QStringLiteral("missing.mp4")), false},
        {dir.path(), false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Path.toStdString());
        TFFMpegPlay source;
        QString error;
        source.OnError = [&error](const QString& text) { error = text; };
        ASSERT_EQ(source.Open(c.Path), c.Opens) << source.ErrorText.toStdString();
        if (!c.Opens) {
            EXPECT_FALSE(source.Opened);
            EXPECT_EQ(source.FrameCount, 0);
            EXPECT_FALSE(source.ErrorText.isEmpty());
            QImage image(8, 8, QImage::Format_RGB32);
            EXPECT_FALSE(source.Draw(image, QRect(0, 0, 8, 8), SRCCOPY));
            continue;
        }
        EXPECT_EQ(source.FrameCount, FfmpegFrameCount(c.Path));
        EXPECT_LT(source.FrameCount, 50);
        const std::set<int> frames = {source.FrameCount - 1, 0, source.FrameCount / 2};
        const auto reference = ReferenceFrames(c.Path, frames, {source.FrameWidth, source.FrameHeight});
        ASSERT_EQ(reference.size(), frames.size());
        for (int frame : {source.FrameCount - 1, 0, source.FrameCount / 2}) {
            source.Seek(frame);
            EXPECT_LE(MaxChannelDifference(DrawWhole(source), reference.at(frame)), Tolerance);
        }
        EXPECT_TRUE(error.isEmpty()) << error.toStdString();
    }
}

TEST(FFMpegPlay, AReadingErrorWhileSeekingIsReportedNotFatal)
{
    QTemporaryDir dir;
    const QString path = FixtureVideo(TFixtureKind::RawAvi);
    const QString copy = TruncatedCopy(path, QFileInfo(path).size(), dir);
    TFFMpegPlay source;
    ASSERT_TRUE(source.Open(copy));
    QStringList errors;
    source.OnError = [&errors](const QString& text) { errors << text; };
    // The file shrinks under the open source (a removed medium, a file rewritten by another program).
    ASSERT_TRUE(QFile(copy).resize(QFileInfo(copy).size() / 3));
    source.Seek(40);
    ASSERT_EQ(errors.size(), 1);
    EXPECT_FALSE(errors[0].isEmpty());
    EXPECT_EQ(source.CurrentFrame, 40);
    QImage image(source.FrameWidth, source.FrameHeight, QImage::Format_RGB32);
    source.Draw(image, QRect(0, 0, source.FrameWidth, source.FrameHeight), SRCCOPY); // must not crash
    source.Seek(0);
    EXPECT_EQ(source.CurrentFrame, 0);
    source.Close();
    EXPECT_FALSE(source.Opened);
}

TEST(FFMpegPlay, AFramePeriodAbove65SecondsRefusesToOpen)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    for (int seconds : {60, 70}) {
        SCOPED_TRACE(seconds);
        const QString path = dir.filePath(QStringLiteral("slow%1.mov").arg(seconds));
        ASSERT_EQ(QProcess::execute(QStandardPaths::findExecutable(QStringLiteral("ffmpeg")),
                                    {"-v", "error", "-y", "-f", "lavfi", "-i",
                                     QStringLiteral("color=c=red:size=64x48:rate=1/%1").arg(seconds),
                                     "-frames:v", "3", "-c:v", "mpeg4", path}),
                  0);
        TFFMpegPlay source;
        const bool opens = seconds * 1000 <= 65535;
        ASSERT_EQ(source.Open(path), opens) << source.ErrorText.toStdString();
        if (opens) {
            EXPECT_EQ(source.DelayMs, seconds * 1000);
            EXPECT_DOUBLE_EQ(source.SecondsPerFrame, seconds);
            EXPECT_EQ(source.FrameCount, 3);
        } else {
            EXPECT_TRUE(source.ErrorText.contains(QStringLiteral("65.535 s")))
                << source.ErrorText.toStdString();
        }
    }
}

TEST(FFMpegPlay, OutdatedLibrariesRefuseToOpen)
{
    TOldLibraries source;
    EXPECT_FALSE(source.Open(FixtureVideo(TFixtureKind::H264Mp4)));
    EXPECT_FALSE(source.Opened);
    EXPECT_EQ(source.ErrorText, FFMpegTooOldText);
}

TEST(FFMpegPlay, DrawStretchesARegionAndInverts)
{
    const QString path = FixtureVideo(TFixtureKind::Mpeg4Mov);
    const std::vector<QImage> reference = FfmpegDecodeAll(path, 8);
    ASSERT_EQ(reference.size(), 8u);
    TFFMpegPlay source;
    ASSERT_TRUE(source.Open(path));
    source.Seek(7);
    const QRect region(40, 30, 80, 60);
    const QImage expected =
        reference[7].copy(region).scaled(160, 120, Qt::IgnoreAspectRatio, Qt::FastTransformation);
    QImage zoomed(160, 120, QImage::Format_RGB32);
    ASSERT_TRUE(source.Draw(zoomed, region, SRCCOPY));
    EXPECT_LE(MaxChannelDifference(zoomed, expected), Tolerance);

    QImage negative(source.FrameWidth, source.FrameHeight, QImage::Format_RGB32);
    ASSERT_TRUE(source.Draw(negative, QRect(0, 0, source.FrameWidth, source.FrameHeight), NOTSRCCOPY));
    EXPECT_EQ(source.RasterOp, NOTSRCCOPY);
    negative.invertPixels();
    EXPECT_LE(MaxChannelDifference(negative, reference[7]), Tolerance);

    // A target of another format goes through the painter.
    QImage rgb888(source.FrameWidth, source.FrameHeight, QImage::Format_RGB888);
    ASSERT_TRUE(source.Draw(rgb888, QRect(0, 0, source.FrameWidth, source.FrameHeight), SRCCOPY));
    EXPECT_LE(MaxChannelDifference(rgb888, reference[7]), Tolerance);

    QImage small(10, 10, QImage::Format_RGB32);
    EXPECT_FALSE(source.Draw(small, QRect(500, 500, 10, 10), SRCCOPY)); // outside the frame
    source.Drawing = true;
    EXPECT_FALSE(source.Draw(small, QRect(0, 0, 10, 10), SRCCOPY)); // a draw is in progress
    source.Drawing = false;
    source.Close();
    EXPECT_FALSE(source.Draw(small, QRect(0, 0, 10, 10), SRCCOPY));
}
