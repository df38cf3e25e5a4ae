// The built-in AVI reader: formats, indexes, frame-exact access, refusals and damaged files.
#include "video/TestVfwPlayAviBuilder.h"
#include "video/TestVfwPlayReference.h"
#include "video/UnitAviReader.h"
#include "video/UnitVfwPlay.h"
#include "video/VideoFixtures.h"

#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <QBuffer>
#include <QImageWriter>
#include <QTemporaryDir>

#include <algorithm>
#include <numeric>
#include <random>

namespace {

// A 64 x 48, 25 frames/s, 10-frame AVI that ffmpeg writes with the given codec arguments; cached.
QString FfmpegAvi(const QString& name, const QStringList& codec,
                  const QString& source = "testsrc2=size=64x48:rate=25:duration=0.4")
{
    return FfmpegFixture(name, QStringList{"-f", "lavfi", "-i", source} << codec);
}

QRgb ColourOf(int frame)
{
    return qRgb((40 * frame + 20) % 256, 255 - (30 * frame) % 256, (70 * frame + 5) % 256);
}

// A 24-bit test clip whose frame i is filled with ColourOf(i).
TTestAvi SolidClip(int frames)
{
    TTestAvi avi;
    for (int i = 0; i < frames; ++i)
        avi.Frames.push_back(avi.SolidFrame(ColourOf(i)));
    return avi;
}

bool IsSolid(const QImage& image, QRgb colour)
{
    if (image.isNull())
        return false;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if ((image.pixel(x, y) & 0xFFFFFF) != (colour & 0xFFFFFF))
                return false;
    return true;
}

QByteArray JpegOf(const QImage& image)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "jpg");
    writer.setQuality(95);
    return writer.write(image) ? bytes : QByteArray();
}

struct TAviKind
{
    const char* Name;
    QString Path;
    // Largest mean channel difference to ffmpeg's decoding; 0: every pixel equal. JPEG decoders place
    // the chroma of 4:2:0 pictures differently, which shows at sharp colour edges only.
    double Tolerance;
};

} // namespace

// Every kind of stream the reader decodes gives ffmpeg's frame count and frames, and the same frame in
// random order as in sequence.
TEST(VfwPlay, DecodesEveryStreamKindLikeTheReference)
{
    const std::vector<TAviKind> kinds = {
        {"mjpeg", FixtureVideo(TFixtureKind::MjpegAvi), 1.5},
        {"bgr24 bottom-up", FixtureVideo(TFixtureKind::RawAvi), 0},
        {"pal8", FfmpegAvi("avi_pal8.avi", {"-c:v", "rawvideo", "-pix_fmt", "pal8"}), 0},
        {"rgb555", FfmpegAvi("avi_rgb555.avi", {"-c:v", "rawvideo", "-pix_fmt", "rgb555le"}), 0},
        {"bgra top-down", FfmpegAvi("avi_bgra.avi", {"-c:v", "rawvideo", "-pix_fmt", "bgra"}), 0},
        {"bgr24 top-down", FfmpegAvi("avi_bgr24_topdown.avi", {"-c:v", "rawvideo", "-pix_fmt", "bgr24"}), 0},
        {"bgr24 flipped",
         FfmpegAvi("avi_bgr24_flip.avi", {"-c:v", "rawvideo", "-pix_fmt", "bgr24", "-flipped_raw_rgb", "1"}),
         0},
        {"grey", FfmpegAvi("avi_grey.avi", {"-c:v", "rawvideo", "-pix_fmt", "gray"}), 0},
        {"mjpeg 4:2:2", FfmpegAvi("avi_mjpeg422.avi", {"-c:v", "mjpeg", "-pix_fmt", "yuvj422p", "-q:v", "2"}),
         1.5},
    };
    for (const TAviKind& kind : kinds) {
        SCOPED_TRACE(kind.Name);
        ASSERT_FALSE(kind.Path.isEmpty());
        TVfwPlay play;
        ASSERT_TRUE(play.Open(kind.Path)) << play.ErrorText.toStdString();
        EXPECT_EQ(play.FrameCount, FfmpegFrameCount(kind.Path));
        const std::vector<QImage> reference =
            PreciseFfmpegFrames(kind.Path, QSize(play.FrameWidth, play.FrameHeight), play.FrameCount);
        EXPECT_EQ(play.FrameCount, int(reference.size()));
        EXPECT_DOUBLE_EQ(play.FramesPerSecond, 25.0);
        EXPECT_EQ(play.DelayMs, 40);

        std::vector<QImage> sequence;
        for (int i = 0; i < play.FrameCount; ++i)
            sequence.push_back(FrameAt(play, i));
        int distinct = 0;
        for (std::size_t i = 0; i < reference.size() && i < sequence.size(); ++i) {
            if (kind.Tolerance == 0) {
                EXPECT_EQ(MaxChannelDifference(sequence[i], reference[i]), 0) << "frame " << i;
            } else {
                EXPECT_LE(MeanChannelDifference(sequence[i], reference[i]), kind.Tolerance) << "frame " << i;
            }
            // Closer to its own frame than to the next one, where they differ.
            if (i + 1 < reference.size() && reference[i] != reference[i + 1]) {
                ++distinct;
                EXPECT_LT(MeanChannelDifference(sequence[i], reference[i]),
                          MeanChannelDifference(sequence[i], reference[i + 1]));
            }
        }
        EXPECT_GE(distinct, play.FrameCount / 3);
        std::vector<int> order(std::size_t(play.FrameCount));
        for (int i = 0; i < play.FrameCount; ++i)
            order[std::size_t(i)] = i;
        std::shuffle(order.begin(), order.end(), std::mt19937(7));
        for (int i : order)
            EXPECT_TRUE(FrameAt(play, i) == sequence[std::size_t(i)]) << "frame " << i;
    }
}

TEST(VfwPlay, ReadsTheRealMotionJpegVideo)
{
    const QString path = SharedDataPath("videos/osp_car_loop_240fps/car_loop_240fps_mjpeg.avi");
    if (path.isEmpty())
        GTEST_SKIP() << "shared videos are not there";
    TVfwPlay play;
    ASSERT_TRUE(play.Open(path));
    EXPECT_EQ(play.FrameCount, FfmpegFrameCount(path));
    EXPECT_EQ(play.FrameCount, 53);
    EXPECT_DOUBLE_EQ(play.FramesPerSecond, 240.0);
    EXPECT_EQ(play.DelayMs, 4);
    EXPECT_EQ(play.FrameWidth, 1280);
    EXPECT_EQ(play.FrameHeight, 720);
    const std::vector<QImage> reference = PreciseFfmpegFrames(path, QSize(1280, 720), 6);
    ASSERT_EQ(reference.size(), 6u);
    for (int i : {5, 0, 3, 1, 4, 2}) {
        const QImage frame = FrameAt(play, i);
        EXPECT_LE(MeanChannelDifference(frame, reference[std::size_t(i)]), 1.5) << i;
        EXPECT_LT(MeanChannelDifference(frame, reference[std::size_t(i)]),
                  MeanChannelDifference(frame, reference[std::size_t(i == 5 ? 4 : i + 1)]));
    }
}

// Every index the reader knows gives the same frames; frames of the second RIFF lie beyond 4 GiB.
TEST(VfwPlay, FindsFramesThroughEveryKindOfIndex)
{
    QTemporaryDir dir;
    struct TCase
    {
        const char* Name;
        TTestIndex Index;
        TAviIndexKind Expected;
        bool AudioFirst;
        bool RecLists;
        std::vector<std::int64_t> Gaps;
    };
    const std::vector<TCase> cases = {
        {"idx1", TTestIndex::Idx1, TAviIndexKind::Idx1, false, false, {}},
        {"idx1 absolute", TTestIndex::Idx1Absolute, TAviIndexKind::Idx1, true, false, {}},
        {"no index", TTestIndex::None, TAviIndexKind::Scan, true, true, {}},
        {"rec lists", TTestIndex::Idx1, TAviIndexKind::Idx1, false, true, {}},
        {"OpenDML", TTestIndex::OpenDml, TAviIndexKind::OpenDml, false, false, {(1LL << 30) + 7}},
        {"OpenDML beyond 4 GiB",
         TTestIndex::OpenDml,
         TAviIndexKind::OpenDml,
         true,
         false,
         {3LL << 30, 3LL << 30}},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        TTestAvi avi = SolidClip(9);
        avi.Index = c.Index;
        avi.AudioStreamFirst = c.AudioFirst;
        avi.RecLists = c.RecLists;
        avi.AvixGaps = c.Gaps;
        const QString path = dir.filePath("index.avi");
        ASSERT_TRUE(avi.Write(path));
        TAviReader reader;
        ASSERT_EQ(reader.Open(OpenAviFileInput(path)), asOk);
        EXPECT_EQ(reader.IndexKind(), c.Expected);
        EXPECT_EQ(reader.FrameCount(), 9);
        if (!c.Gaps.empty()) {
            EXPECT_GT(reader.Frame(8).Pos, std::accumulate(c.Gaps.begin(), c.Gaps.end(), std::int64_t(0)));
            EXPECT_EQ(FfmpegFrameCount(path), 9); // the reference reads the same file alike
        }
        TVfwPlay play;
        ASSERT_TRUE(play.Open(path));
        for (int i : {8, 0, 4, 5, 1})
            EXPECT_TRUE(IsSolid(FrameAt(play, i), ColourOf(i))) << i;
        play.Close();
        QFile::remove(path);
    }
}

// A drop frame (an empty chunk) shows the frame before it; before any picture it is black.
TEST(VfwPlay, DropFramesRepeatThePreviousFrame)
{
    QTemporaryDir dir;
    TTestAvi avi;
    avi.Frames = {QByteArray(), avi.SolidFrame(ColourOf(1)),
                  QByteArray(), avi.SolidFrame(ColourOf(3)),
                  QByteArray(), QByteArray()};
    for (TTestIndex index : {TTestIndex::Idx1, TTestIndex::OpenDml, TTestIndex::None}) {
        avi.Index = index;
        ASSERT_TRUE(avi.Write(dir.filePath("drop.avi")));
        TVfwPlay play;
        ASSERT_TRUE(play.Open(dir.filePath("drop.avi")));
        ASSERT_EQ(play.FrameCount, 6);
        const QRgb expected[] = {qRgb(0, 0, 0), ColourOf(1), ColourOf(1),
                                 ColourOf(3),   ColourOf(3), ColourOf(3)};
        for (int i : {5, 0, 2, 1, 4, 3})
            EXPECT_TRUE(IsSolid(FrameAt(play, i), expected[i])) << "index " << int(index) << " frame " << i;
    }
}

TEST(VfwPlay, OpenSetsRateStartAndNotifies)
{
    QTemporaryDir dir;
    TTestAvi avi = SolidClip(5);
    avi.Rate = 30000;
    avi.Scale = 1001;
    avi.Start = 2;
    ASSERT_TRUE(avi.Write(dir.filePath("ntsc.avi")));
    TVfwPlay play;
    int opened = 0, closed = 0;
    play.OnOpen = [&] { ++opened; };
    play.OnClose = [&] { ++closed; };
    ASSERT_TRUE(play.Open(dir.filePath("ntsc.avi")));
    EXPECT_EQ(opened, 1);
    EXPECT_TRUE(play.Opened);
    EXPECT_EQ(play.FileName, dir.filePath("ntsc.avi"));
    EXPECT_NEAR(play.FramesPerSecond, 29.97003, 1e-5);
    EXPECT_NEAR(play.SecondsPerFrame, 0.0333667, 1e-7);
    EXPECT_EQ(play.DelayMs, 33);
    EXPECT_EQ(play.CurrentFrame, 2);
    EXPECT_EQ(play.DisplayName(), "AVI (built-in)");
    play.Seek(99);
    EXPECT_EQ(play.CurrentFrame, 4);
    play.Seek(-3);
    EXPECT_EQ(play.CurrentFrame, 0);
    play.Close();
    EXPECT_FALSE(play.Opened);
    EXPECT_EQ(play.FrameCount, 0);
    EXPECT_GE(closed, 1);
    QImage target(4, 4, QImage::Format_RGB32);
    EXPECT_FALSE(play.Draw(target, QRect(0, 0, 8, 4), SRCCOPY));
    play.Seek(3); // ignored when closed
    EXPECT_EQ(play.CurrentFrame, 0);
}

// Draw stretches the region without smoothing, inverts for NOTSRCCOPY, and refuses a nested call.
TEST(VfwPlay, DrawStretchesTheRegionAndInverts)
{
    QTemporaryDir dir;
    TTestAvi avi;
    // Left half red, right half blue; the bottom row (first in the file) green.
    QByteArray frame = avi.SolidFrame(qRgb(255, 0, 0));
    for (int y = 0; y < avi.Height; ++y)
        for (int x = 0; x < avi.Width; ++x) {
            const QRgb c = y == 0 ? qRgb(0, 255, 0) : x >= avi.Width / 2 ? qRgb(0, 0, 255) : qRgb(255, 0, 0);
            char* p = frame.data() + y * 24 + 3 * x;
            p[0] = char(qBlue(c));
            p[1] = char(qGreen(c));
            p[2] = char(qRed(c));
        }
    avi.Frames = {frame};
    ASSERT_TRUE(avi.Write(dir.filePath("halves.avi")));
    TVfwPlay play;
    ASSERT_TRUE(play.Open(dir.filePath("halves.avi")));
    QImage target(40, 30, QImage::Format_RGB32);
    ASSERT_TRUE(play.Draw(target, QRect(2, 0, 4, 4), SRCCOPY)); // columns 2..5: two red, two blue
    EXPECT_EQ(target.pixel(0, 0), qRgb(255, 0, 0));
    EXPECT_EQ(target.pixel(19, 0), qRgb(255, 0, 0));
    EXPECT_EQ(target.pixel(20, 0), qRgb(0, 0, 255));
    EXPECT_EQ(target.pixel(39, 22), qRgb(0, 0, 255));
    EXPECT_EQ(target.pixel(0, 29), qRgb(0, 255, 0)); // bottom-up rows: the first stored row is the bottom
    ASSERT_TRUE(play.Draw(target, QRect(0, 0, 8, 4), NOTSRCCOPY));
    EXPECT_EQ(target.pixel(0, 0), qRgb(0, 255, 255));
    EXPECT_EQ(target.pixel(39, 0), qRgb(255, 255, 0));
    play.Drawing = true;
    EXPECT_FALSE(play.Draw(target, QRect(0, 0, 8, 4), SRCCOPY));
    play.Drawing = false;
    QImage none;
    EXPECT_FALSE(play.Draw(none, QRect(0, 0, 8, 4), SRCCOPY));
}

// Bitmaps with colour masks, palettes, and Motion-JPEG variants of old capture cards.
TEST(VfwPlay, DecodesMasksPalettesAndJpegFields)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("variant.avi");
    TVfwPlay play;

    // 16 bits with 5-6-5 masks: pure red, green and blue pixels.
    TTestAvi masks;
    masks.Width = 3;
    masks.Height = 1;
    masks.BitCount = 16;
    masks.Compression = 3;
    masks.Palette = {0xF800, 0x07E0, 0x001F}; // the masks follow the header like a colour table
    masks.Frames = {QByteArray("\x00\xF8\xE0\x07\x1F\x00\x00\x00", 8)};
    ASSERT_TRUE(masks.Write(path));
    ASSERT_TRUE(play.Open(path)) << play.ErrorText.toStdString();
    QImage image = FrameAt(play, 0);
    EXPECT_EQ(image.pixel(0, 0), qRgb(255, 0, 0));
    EXPECT_EQ(image.pixel(1, 0), qRgb(0, 255, 0));
    EXPECT_EQ(image.pixel(2, 0), qRgb(0, 0, 255));

    // 8 bits: index 1 of a two-entry palette; an index beyond the palette is black.
    TTestAvi palette;
    palette.BitCount = 8;
    palette.Palette = {0x000000, 0x123456};
    palette.Frames = {palette.SolidFrame(1), palette.SolidFrame(7)};
    ASSERT_TRUE(palette.Write(path));
    ASSERT_TRUE(play.Open(path));
    EXPECT_TRUE(IsSolid(FrameAt(play, 0), qRgb(0x12, 0x34, 0x56)));
    EXPECT_TRUE(IsSolid(FrameAt(play, 1), qRgb(0, 0, 0)));

    // Motion-JPEG: a whole picture; two fields of half height interleaved; a lone field doubled.
    TTestAvi mjpeg;
    mjpeg.Width = 32;
    mjpeg.Height = 32;
    mjpeg.Compression = TestFourCC("MJPG");
    QImage full(32, 32, QImage::Format_RGB32), top(32, 16, QImage::Format_RGB32),
        bottom(32, 16, QImage::Format_RGB32);
    full.fill(qRgb(200, 40, 40));
    top.fill(qRgb(250, 250, 250));
    bottom.fill(qRgb(10, 10, 10));
    mjpeg.Frames = {JpegOf(full), JpegOf(top) + JpegOf(bottom), JpegOf(top)};
    ASSERT_TRUE(mjpeg.Write(path));
    ASSERT_TRUE(play.Open(path));
    image = FrameAt(play, 0);
    EXPECT_LE(MaxChannelDifference(image, full), 4);
    image = FrameAt(play, 1);
    for (int y : {0, 1, 2, 17, 30, 31})
        EXPECT_NEAR(qGray(image.pixel(5, y)), y % 2 == 0 ? 250 : 10, 4) << y;
    image = FrameAt(play, 2);
    for (int y : {0, 1, 30, 31})
        EXPECT_NEAR(qGray(image.pixel(5, y)), 250, 4) << y;
}

// What makes the built-in reader refuse a file, so that another framework gets it.
TEST(VfwPlay, RefusesWhatItCannotRead)
{
    QTemporaryDir dir;
    auto written = [&](const TTestAvi& avi, const char* name) {
        const QString path = dir.filePath(name);
        return avi.Write(path) ? path : QString();
    };
    auto rawFile = [&](const QByteArray& bytes, const char* name) {
        const QString path = dir.filePath(name);
        QFile f(path);
        return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size() ? path : QString();
    };
    TTestAvi noRate = SolidClip(2);
    noRate.Rate = 0;
    TTestAvi slow = SolidClip(2); // 65.536 s per frame
    slow.Rate = 1000;
    slow.Scale = 65536;
    TTestAvi badJpeg;
    badJpeg.Compression = TestFourCC("MJPG");
    badJpeg.Frames = {QByteArray("\xFF\xD8\xFF\xDB garbage", 13)};
    TTestAvi huge = SolidClip(1);
    huge.Width = 100000;
    TTestAvi rle = SolidClip(1);
    rle.Compression = 1; // run-length coded 8-bit bitmaps
    rle.BitCount = 8;
    TTestAvi empty;

    struct TCase
    {
        const char* Name;
        QString Path;
    };
    const std::vector<TCase> cases = {
        {"H.264 in AVI", FfmpegAvi("avi_h264.avi", {"-c:v", "libx264", "-pix_fmt", "yuv420p"})},
        {"MPEG-4 in AVI", FfmpegAvi("avi_mpeg4.avi", {"-c:v", "mpeg4"})},
        {"audio only", FfmpegAvi("avi_audio.avi", {"-c:a", "pcm_s16le"}, "sine=duration=0.4")},
        {"an MP4 named .avi",
         [&] {
             const QString path = dir.filePath("mp4.avi");
             QFile::copy(FixtureVideo(TFixtureKind::H264Mp4), path);
             return path;
         }()},
        {"missing file", dir.filePath("nothing.avi")},
        {"empty file", rawFile(QByteArray(), "empty.avi")},
        {"RIFF WAVE", rawFile(QByteArray("RIFF\x04\x00\x00\x00WAVE", 12), "wave.avi")},
        {"rate 0", written(noRate, "rate0.avi")},
        {"period above 65.535 s", written(slow, "slow.avi")},
        {"first frame undecodable", written(badJpeg, "badjpeg.avi")},
        {"frame too large", written(huge, "huge.avi")},
        {"RLE bitmaps", written(rle, "rle.avi")},
        {"no frames", written(empty, "noframes.avi")},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        ASSERT_FALSE(c.Path.isEmpty());
        TVfwPlay play;
        bool opened = false;
        play.OnOpen = [&] { opened = true; };
        EXPECT_FALSE(play.Open(c.Path));
        EXPECT_FALSE(play.Opened);
        EXPECT_FALSE(opened);
        EXPECT_EQ(play.FrameCount, 0);
        EXPECT_FALSE(play.ErrorText.isEmpty());
    }
    // The longest period accepted: 65.535 s.
    slow.Scale = 65535;
    TVfwPlay play;
    EXPECT_TRUE(play.Open(written(slow, "slowest.avi")));
    EXPECT_EQ(play.DelayMs, 65535);
}

// A file cut anywhere opens with the frames that are complete, or fails; damaged bytes never crash.
TEST(VfwPlay, DamagedFilesOpenAsFarAsTheyCanOrFail)
{
    QTemporaryDir dir;
    for (TFixtureKind kind : {TFixtureKind::RawAvi, TFixtureKind::MjpegAvi}) {
        QFile file(FixtureVideo(kind));
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        const QByteArray whole = file.readAll();
        const int frameBytes = kind == TFixtureKind::RawAvi ? 320 * 240 * 3 : 0;
        int lastCount = 0;
        for (int cut = 0; cut <= 40; ++cut) {
            const qsizetype size = whole.size() * cut / 40;
            const QString path = dir.filePath("cut.avi");
            QFile out(path);
            ASSERT_TRUE(out.open(QIODevice::WriteOnly));
            out.write(whole.left(size));
            out.close();
            TVfwPlay play;
            if (!play.Open(path))
                continue;
            // Frames only grow with the length kept, and every one of them draws.
            EXPECT_GE(play.FrameCount, lastCount) << size;
            lastCount = play.FrameCount;
            if (frameBytes > 0) { // each frame chunk complete in the part kept
                EXPECT_LE(qsizetype(play.FrameCount) * (frameBytes + 8), size);
            }
            for (int i = 0; i < play.FrameCount; i += 7)
                EXPECT_FALSE(FrameAt(play, i).isNull()) << size << " frame " << i;
        }
        EXPECT_EQ(lastCount, 50);

        // Flipped bytes anywhere: opening and drawing every frame must not crash.
        std::mt19937 random(11);
        for (int trial = 0; trial < 60; ++trial) {
            QByteArray damaged = whole;
            for (int k = 0; k < 8; ++k) {
                const qsizetype at = trial % 2 == 0 ? qsizetype(random() % 0x1800)
                                                    : qsizetype(random() % std::uint32_t(damaged.size()));
                damaged[at] = char(random());
            }
            TAviReader reader;
            if (reader.Open(MakeAviMemoryInput(reinterpret_cast<const std::uint8_t*>(damaged.constData()),
                                               std::size_t(damaged.size()))) != asOk)
                continue;
            for (int i = 0; i < reader.FrameCount(); i += 5)
                reader.ReadFrame(i);
        }
    }
}

// Sizes and offsets written by a broken or hostile writer are bounded before anything is read.
TEST(VfwPlay, HostileHeadersAndIndexesAreBounded)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("hostile.avi");
    auto patched = [&](const TTestAvi& avi, const char* find, int offset, std::uint32_t value) {
        EXPECT_TRUE(avi.Write(path));
        QFile f(path);
        f.open(QIODevice::ReadWrite);
        QByteArray bytes = f.readAll();
        const qsizetype at = bytes.indexOf(find);
        EXPECT_GE(at, 0) << find;
        TTestAvi::Put32(bytes, int(at + offset), value);
        f.seek(0);
        f.write(bytes);
        return bytes;
    };
    TTestAvi avi = SolidClip(4);
    TTestAvi dml = SolidClip(4);
    dml.Index = TTestIndex::OpenDml;
    struct TCase
    {
        const char* Name;
        const TTestAvi& Avi;
        const char* Find;
        int Offset;
        std::uint32_t Value;
        int Frames; // expected frame count, -1 when the open fails
    };
    const std::vector<TCase> cases = {
        {"RIFF size huge", avi, "RIFF", 4, 0xFFFFFFF0u, 4},
        {"RIFF size zero", avi, "RIFF", 4, 0, 4},
        {"strf size huge", avi, "strf", 4, 0x7FFFFFFFu, 4},
        {"hdrl size huge", avi, "hdrl", -4, 0xFFFFFFF0u, 0},
        {"movi size zero", avi, "movi", -4, 0, 4},
        {"idx1 size huge", avi, "idx1", 4, 0xFFFFFFF0u, 4},
        {"idx1 offset beyond the file", avi, "idx1", 8 + 16 * 2 + 8, 0x7FFFFFF0u, 4},
        {"idx1 size beyond the file", avi, "idx1", 8 + 16 * 3 + 12, 0xFFFFFFF0u, 4},
        {"frame chunk size huge", avi, "00db", 4, 0xFFFFFFF0u, 0},
        {"super index entries huge", dml, "indx", 12, 0x7FFFFFFFu, 4},
        {"super index offset wrong", dml, "indx", 8 + 24, 0x10, 4},
        {"standard index entries huge", dml, "ix00", 12, 0x7FFFFFFFu, 4},
        {"standard index base beyond the file", dml, "ix00", 8 + 12, 0x7FFFFFF0u, 4},
        {"standard index base near 2^63", dml, "ix00", 8 + 16, 0x7FFFFFFFu, 4},
        {"super index offset near 2^63", dml, "indx", 8 + 24 + 4, 0x7FFFFFFFu, 4},
        {"height huge", avi, "strf", 8 + 8, 0x80000000u, -1},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        patched(c.Avi, c.Find, c.Offset, c.Value);
        TVfwPlay play;
        const bool opened = play.Open(path);
        if (c.Frames < 0) {
            EXPECT_FALSE(opened);
            continue;
        }
        if (c.Frames == 0) // the first frame is damaged: whether it opens does not matter, only safety
            continue;
        ASSERT_TRUE(opened) << play.ErrorText.toStdString();
        EXPECT_EQ(play.FrameCount, c.Frames);
        for (int i = 0; i < play.FrameCount; ++i)
            EXPECT_TRUE(IsSolid(FrameAt(play, i), ColourOf(i))) << i;
    }
}
