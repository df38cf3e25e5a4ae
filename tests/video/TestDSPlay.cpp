// The GStreamer frame source: frame count, frame-exact access by time, refusals.
#include "video/TestVfwPlayReference.h"
#include "video/UnitDSPlay.h"
#include "video/UnitVfwPlay.h"
#include "video/VideoFixtures.h"

#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <random>

namespace {

// Largest mean difference of grey levels between GStreamer's and ffmpeg's decoding of a frame: the two
// convert to RGB with other precision and chroma filters (colours differ more, at edges).
constexpr double CrossTolerance = 4.0;

// Steps through the first `count` frames, then fetches `picks` of them in random order (backwards
// jumps included): each must equal the frame met in sequence, and match ffmpeg's decoding.
void CheckFrames(TDSPlay& play, const QString& path, int count, int picks)
{
    const std::vector<QImage> reference =
        PreciseFfmpegFrames(path, QSize(play.FrameWidth, play.FrameHeight), count);
    ASSERT_EQ(int(reference.size()), count);
    std::vector<QImage> sequence;
    for (int i = 0; i < count; ++i) {
        sequence.push_back(FrameAt(play, i));
        ASSERT_FALSE(sequence.back().isNull()) << "frame " << i;
        EXPECT_LE(MeanGreyDifference(sequence.back(), reference[std::size_t(i)]), CrossTolerance)
            << "frame " << i;
        // The right frame, not a neighbour, where the neighbours differ by more than coding noise. Squared
        // differences add up: the change between two frames shows above the conversion's own differences.
        for (int j : {i - 1, i + 1})
            if (j >= 0 && j < count &&
                MeanGreyDifference(reference[std::size_t(i)], reference[std::size_t(j)], true) > 1.0) {
                EXPECT_LT(MeanGreyDifference(sequence.back(), reference[std::size_t(i)], true),
                          MeanGreyDifference(sequence.back(), reference[std::size_t(j)], true))
                    << "frame " << i << " looks like " << j;
            }
    }
    std::mt19937 random(3);
    std::vector<int> order = {count - 1, 0, count / 2};
    while (int(order.size()) < picks)
        order.push_back(int(random() % std::uint32_t(count)));
    for (int i : order)
        EXPECT_TRUE(FrameAt(play, i) == sequence[std::size_t(i)]) << "frame " << i;
}

} // namespace

TEST(DSPlay, ReadsEveryGeneratedKindFrameExactly)
{
    for (TFixtureKind kind : {TFixtureKind::H264Mp4, TFixtureKind::MjpegAvi, TFixtureKind::RawAvi,
                              TFixtureKind::Mpeg2Mpg, TFixtureKind::Mpeg4Mov}) {
        SCOPED_TRACE(FixtureName(kind).toStdString());
        const QString path = FixtureVideo(kind);
        ASSERT_FALSE(path.isEmpty());
        TDSPlay play;
        ASSERT_TRUE(play.Open(path)) << play.ErrorText.toStdString();
        EXPECT_EQ(play.FrameCount, FfmpegFrameCount(path));
        EXPECT_DOUBLE_EQ(play.FramesPerSecond, 25.0);
        EXPECT_DOUBLE_EQ(play.SecondsPerFrame, 0.04);
        EXPECT_EQ(play.DelayMs, 40);
        EXPECT_NEAR(play.Duration, 2.0, 0.02);
        EXPECT_EQ(play.FrameWidth, 320);
        EXPECT_EQ(play.FrameHeight, 240);
        EXPECT_EQ(play.CurrentFrame, 0);
        CheckFrames(play, path, play.FrameCount, 12);
    }
}

TEST(DSPlay, ReadsTheRealVideosFrameExactly)
{
    if (SharedDataPath("videos").isEmpty())
        GTEST_SKIP() << "the shared folder data/videos is not there";
    const char* videos[] = {
        "videos/osp_balltoss/BallTossOut.mp4",
        "videos/osp_balltoss/videos/BallToss_new_BallToss.mp4",
        "videos/osp_two_carts/videos/two-carts_two-carts.mp4",
        "videos/osp_car_loop_240fps/car_loop_240fps_mjpeg.avi",
        "videos/osp_uniform_motion_ball/videos/uniform-motion-ball-slow_uniform-motion-ball-slow.mp4",
        "videos/osp_bouncing_cart/videos/bouncing_cart.mov",
        "videos/osp_diabolo_240fps/diabolo_cm_trajectory_2_240fps.mp4",
        "videos/caida_libre_1000fps/CaidaLibreTrim.mp4",
        "videos/pendulum_red_ball/pendulum.mp4",
    };
    for (const char* video : videos) {
        SCOPED_TRACE(video);
        const QString path = SharedDataPath(video);
        ASSERT_FALSE(path.isEmpty());
        TDSPlay play;
        ASSERT_TRUE(play.Open(path)) << play.ErrorText.toStdString();
        EXPECT_EQ(play.FrameCount, FfmpegFrameCount(path));
        CheckFrames(play, path, std::min(play.FrameCount, 6), 5);
    }
    // Refused, so that the next framework takes them: BallTossOut.mov states no frame rate (its first frame
    // lasts longer than the others); in film2_vga.mp4 the demuxer stops 97 frames before the end of the
    // edit list.
    for (const char* video :
         {"videos/osp_balltoss/BallTossOut.mov", "videos/pendulum_blue_bob_60fps/film2_vga.mp4"}) {
        SCOPED_TRACE(video);
        const QString path = SharedDataPath(video);
        ASSERT_FALSE(path.isEmpty());
        TDSPlay play;
        EXPECT_FALSE(play.Open(path));
        EXPECT_FALSE(play.ErrorText.isEmpty());
    }
}

// Files of the kinds that come here by their extension, where the timestamps decide which frames are
// shown: the count and the frames are ffmpeg's.
TEST(DSPlay, ReadsMpeg1AndAnEditListFrameExactly)
{
    struct TCase
    {
        TFixtureKind Kind;
        double Fps;
        int Frames;
    };
    const TCase cases[] = {
        {TFixtureKind::Mpeg1Ntsc, 30000.0 / 1001.0, 60},
        {TFixtureKind::EditListMp4AsMpg, 25.0, 37}, // the frame that straddles the edit's start is hidden
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(FixtureName(c.Kind).toStdString());
        const QString path = FixtureVideo(c.Kind);
        ASSERT_FALSE(path.isEmpty());
        TDSPlay play;
        ASSERT_TRUE(play.Open(path)) << play.ErrorText.toStdString();
        EXPECT_EQ(FfmpegFrameCount(path), c.Frames);
        EXPECT_EQ(play.FrameCount, c.Frames);
        EXPECT_DOUBLE_EQ(play.FramesPerSecond, c.Fps);
        EXPECT_NEAR(play.Duration, c.Frames / c.Fps, 1e-9);
        CheckFrames(play, path, play.FrameCount, 8);
    }
}

// The file that the built-in AVI reader refuses opens here: the next framework of the chain.
TEST(DSPlay, OpensTheAviThatTheBuiltInReaderRefuses)
{
    const QString path =
        FfmpegFixture("avi_h264_320.avi", {"-f", "lavfi", "-i", "testsrc2=size=320x240:rate=25:duration=0.4",
                                           "-c:v", "libx264", "-bf", "2", "-pix_fmt", "yuv420p"});
    ASSERT_FALSE(path.isEmpty());
    TVfwPlay builtIn;
    EXPECT_FALSE(builtIn.Open(path));
    TDSPlay play;
    ASSERT_TRUE(play.Open(path)) << play.ErrorText.toStdString();
    EXPECT_EQ(play.FrameCount, 10);
    CheckFrames(play, path, 10, 6);
}

// Seek times: frame x 1.0001 x period within [0, Duration]; held at half a frame from frame 5000 on.
TEST(DSPlay, SeekTimesFollowTheFrameRate)
{
    struct TCase
    {
        int Frame;
        double Period;
        double Duration;
        double Expected;
    };
    const TCase cases[] = {
        {0, 1 / 29.97, 10.01, 0.0},
        {299, 1 / 29.97, 10.01, 299 * 1.0001 / 29.97},
        {300, 1 / 29.97, 10.01, 10.01}, // 300 x 1.0001 / 29.97 = 10.011 lies beyond the end
        {400, 0.04, 10.0, 10.0},        // beyond the end: the duration
        {4999, 0.04, 1000.0, 4999 * 1.0001 * 0.04},
        {10000, 0.04, 1000.0, 400.02}, // 10000 x 1.0001 x 0.04 = 400.04 would be the start of frame 10001
        {-5, 0.04, 10.0, 0.0},
    };
    for (const TCase& c : cases)
        EXPECT_NEAR(TDSPlay::SeekTimeOf(c.Frame, c.Period, c.Duration), c.Expected, 1e-9) << c.Frame;

    TDSPlay play;
    ASSERT_TRUE(play.Open(FixtureVideo(TFixtureKind::Mpeg4Mov)));
    play.Seek(49);
    EXPECT_EQ(play.CurrentFrame, 49);
    EXPECT_NEAR(play.SeekTime(), 49 * 1.0001 * 0.04, 1e-9);
    play.Seek(1000);
    EXPECT_EQ(play.CurrentFrame, 49);
    play.Seek(-1);
    EXPECT_EQ(play.CurrentFrame, 0);
    EXPECT_EQ(play.SeekTime(), 0.0);
}

// The frame table from the packets' timestamps (milliseconds below), and the refusals where it would
// not be exact.
TEST(DSPlay, FrameTableOfDemuxedPackets)
{
    constexpr std::int64_t ms = 1000000;
    // Packets at 25 frames/s, in decoding order: times in ms, -1 for none.
    auto packets = [](std::vector<std::pair<int, int>> times) {
        std::vector<TDemuxedVideo::TPacket> list;
        for (auto [pts, dts] : times)
            list.push_back({pts < 0 ? -1 : pts * ms, dts < 0 ? -1 : dts * ms});
        return list;
    };
    auto grid = [&](int first, int count, int step) {
        std::vector<std::pair<int, int>> times;
        for (int i = 0; i < count; ++i)
            times.push_back({first + i * step, first + i * step});
        return packets(times);
    };
    struct TCase
    {
        const char* Name;
        TDemuxedVideo Stream;
        int Count; // 0: refused
        std::int64_t Origin;
    };
    auto stream = [](std::vector<TDemuxedVideo::TPacket> list, std::int64_t start = 0, std::int64_t stop = -1,
                     std::int64_t time = 0) {
        TDemuxedVideo s;
        s.RateNum = 25;
        s.RateDen = 1;
        s.Segments = 1;
        s.SegmentStart = start;
        s.SegmentStop = stop;
        s.SegmentTime = time;
        s.Packets = std::move(list);
        return s;
    };
    auto with = [](TDemuxedVideo s, auto change) {
        change(s);
        return s;
    };
    const TCase cases[] = {
        {"plain", stream(grid(0, 10, 40)), 10, 0},
        {"reordered (B-frames)", stream(packets({{80, 0}, {40, 40}, {160, 80}, {120, 120}, {0, -40}})), 5, 0},
        {"segment from the first frame", stream(grid(500, 10, 40), 500 * ms, 900 * ms, 0), 10, 0},
        // An edit from 580 ms: frames before it are decoded but not shown; the one at 560 ms straddles it.
        {"edit inside a frame", stream(grid(80, 50, 40), 580 * ms, 2080 * ms), 37, 20 * ms},
        {"program stream time", stream(grid(540, 10, 40), 540 * ms, -1, 540 * ms), 10, 540 * ms},
        // Missing presentation times: they fill the free slots.
        {"a gap filled",
         stream(packets({{540, 500}, {660, 540}, {580, 580}, {620, 620}, {-1, 660}, {700, 700}, {780, 780}}),
                500 * ms, -1, 500 * ms),
         7, 540 * ms},
        {"the last frame untimed", stream(packets({{540, 500}, {580, 540}, {-1, 580}}), 540 * ms), 3, 0},
        {"only key frames timed", stream(packets({{0, 0}, {-1, 40}, {-1, 80}, {120, 120}, {-1, 160}})), 5, 0},
        {"untimed could come first", stream(packets({{40, 40}, {-1, 80}, {-1, 120}}), 0, -1), 0, 0},
        {"untimed decoded before the segment", stream(packets({{540, 540}, {-1, 500}}), 540 * ms), 0, 0},
        {"no rate", with(stream(grid(0, 10, 40)), [](TDemuxedVideo& s) { s.RateNum = 0; }), 0, 0},
        {"rate changes", with(stream(grid(0, 10, 40)), [](TDemuxedVideo& s) { s.RateChanged = true; }), 0, 0},
        {"several edits", with(stream(grid(0, 10, 40)), [](TDemuxedVideo& s) { s.Segments = 2; }), 0, 0},
        {"times of another rate (30/s)", stream(grid(0, 10, 33)), 0, 0},
        {"first frame longer", stream(packets({{0, 0}, {100, 100}, {140, 140}, {180, 180}})), 0, 0},
        {"two frames in one slot", stream(packets({{0, 0}, {40, 40}, {45, 45}, {80, 80}})), 0, 0},
        {"stream ends before its segment", stream(grid(0, 10, 40), 0, 600 * ms), 0, 0},
        {"no frame timed", stream(packets({{-1, 0}, {-1, 40}})), 0, 0},
        {"no packet", stream({}), 0, 0},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        TVideoFrameTable table;
        const QString reason = TDSPlay::FrameTableOf(c.Stream, table);
        EXPECT_EQ(reason.isEmpty(), c.Count > 0) << reason.toStdString();
        EXPECT_EQ(table.Count, c.Count);
        if (c.Count > 0) {
            EXPECT_EQ(table.Origin, c.Origin);
            EXPECT_DOUBLE_EQ(table.Period, 40.0 * ms);
        }
    }
}

TEST(DSPlay, OpenCloseNotifyAndDraw)
{
    TDSPlay play;
    int opened = 0, closed = 0;
    play.OnOpen = [&] { ++opened; };
    play.OnClose = [&] { ++closed; };
    const QString path = FixtureVideo(TFixtureKind::RawAvi);
    ASSERT_TRUE(play.Open(path));
    EXPECT_EQ(opened, 1);
    EXPECT_TRUE(play.Opened);
    EXPECT_EQ(play.FileName, path);
    EXPECT_EQ(play.DisplayName(), "GStreamer");

    const QImage whole = FrameAt(play, 7);
    QImage target(64, 48, QImage::Format_RGB32);
    ASSERT_TRUE(play.Draw(target, QRect(160, 120, 32, 24), SRCCOPY)); // a 2x enlargement
    EXPECT_EQ(target.pixel(0, 0), whole.pixel(160, 120));
    EXPECT_EQ(target.pixel(63, 47), whole.pixel(191, 143));
    QImage inverted(320, 240, QImage::Format_RGB32);
    ASSERT_TRUE(play.Draw(inverted, QRect(0, 0, 320, 240), NOTSRCCOPY));
    for (QPoint at : {QPoint(0, 0), QPoint(50, 50), QPoint(319, 239)})
        EXPECT_EQ(inverted.pixel(at) & 0xFFFFFF, ~whole.pixel(at) & 0xFFFFFF);
    play.Drawing = true;
    EXPECT_FALSE(play.Draw(target, QRect(0, 0, 320, 240), SRCCOPY));
    play.Drawing = false;

    // Opening another file closes the first.
    const int closedBefore = closed;
    ASSERT_TRUE(play.Open(FixtureVideo(TFixtureKind::Mpeg4Mov)));
    EXPECT_EQ(closed, closedBefore + 1);
    play.Close();
    EXPECT_FALSE(play.Opened);
    EXPECT_EQ(play.FrameCount, 0);
    EXPECT_FALSE(play.Draw(target, QRect(0, 0, 320, 240), SRCCOPY));
}

TEST(DSPlay, RefusesFilesWithoutAUsableOrExactVideoStream)
{
    QTemporaryDir dir;
    auto textFile = [&](const char* name) {
        QFile f(dir.filePath(name));
        f.open(QIODevice::WriteOnly);
        f.write("this is no video at all\n");
        return dir.filePath(name);
    };
    struct TCase
    {
        const char* Name;
        QString Path;
    };
    const std::vector<TCase> cases = {
        {"missing file", dir.filePath("none.mpg")},
        {"text named .mpg", textFile("text.mpg")},
        {"audio only", FfmpegFixture("audio_only.wav", {"-f", "lavfi", "-i", "sine=duration=0.5"})},
        // No stated rate: the decoder would claim 25 frames/s for this 30 frames/s file.
        {"WMV", FixtureVideo(TFixtureKind::Wmv30)},
        // Packets without presentation time whose place among the frames is not known.
        {"MPEG-4 with B-frames in AVI", FixtureVideo(TFixtureKind::PackedMpeg4Avi)},
        {"frame period of 70 s",
         FfmpegFixture("slow_70s.avi",
                       {"-f", "lavfi", "-i", "testsrc2=size=64x48:rate=1/70:duration=140", "-c:v", "mjpeg"})},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        ASSERT_FALSE(c.Path.isEmpty());
        TDSPlay play;
        bool opened = false;
        play.OnOpen = [&] { opened = true; };
        EXPECT_FALSE(play.Open(c.Path));
        EXPECT_FALSE(play.Opened);
        EXPECT_FALSE(opened);
        EXPECT_EQ(play.FrameCount, 0);
        EXPECT_FALSE(play.ErrorText.isEmpty());
    }
}
