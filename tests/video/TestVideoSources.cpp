// The choice of framework with its fallbacks, navigation by positions, playback, and the frame counts and
// frames of generated and real files through whichever framework takes them.
#include "video/UnitVideoSources.h"

#include "editing/UnitDemoClip.h"
#include "support/TestSupport.h"
#include "video/TestVfwPlayReference.h"
#include "video/VideoFixtures.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <cmath>
#include <map>
#include <random>
#include <set>

namespace {

// A source that opens what it is told to and records every call in a shared log.
class TFakeSource : public TFrameSource
{
public:
    TFakeSource(int framework, std::vector<QString>& log) : FFramework(framework), FLog(log) {}
    bool Opens = false;
    int Frames = 10;
    int FailAt = -1; // Seek to this frame reports a reading error

    bool Open(const QString& path) override
    {
        Close();
        FileName = path;
        FLog.push_back(QStringLiteral("open %1").arg(FFramework));
        if (!Opens) {
            ErrorText = QStringLiteral("fake %1 failed").arg(FFramework);
            return false;
        }
        FrameCount = Frames;
        FrameWidth = 64;
        FrameHeight = 48;
        SetFrameTimes(*this, 1000.0); // a 1 ms period keeps playback tests short
        CurrentFrame = 0;
        Opened = true;
        if (OnOpen)
            OnOpen();
        return true;
    }
    void Close() override
    {
        Opened = false;
        FrameCount = 0;
        if (OnClose)
            OnClose();
    }
    void Seek(int frame) override
    {
        if (!Opened)
            return;
        CurrentFrame = std::clamp(frame, 0, FrameCount - 1);
        Seeks.push_back(CurrentFrame);
        if (CurrentFrame == FailAt && OnError)
            OnError(QStringLiteral("damaged"));
    }
    bool Draw(QImage&, const QRect&, int) override { return Opened; }
    QString DisplayName() const override { return QStringLiteral("fake %1").arg(FFramework); }

    std::vector<int> Seeks;

private:
    int FFramework;
    std::vector<QString>& FLog;
};

struct TFakes
{
    std::vector<QString> Log;
    QString Comment;
    TFakeSource* Source[3] = {};
    std::unique_ptr<TVideoSources> Sources;

    TFakes()
    {
        auto a = std::make_unique<TFakeSource>(0, Log);
        auto b = std::make_unique<TFakeSource>(1, Log);
        auto c = std::make_unique<TFakeSource>(2, Log);
        Source[0] = a.get();
        Source[1] = b.get();
        Source[2] = c.get();
        Sources = std::make_unique<TVideoSources>(std::move(a), std::move(b), std::move(c),
                                                  [this](const QString&) { return Comment; });
    }
    void Opening(bool builtIn, bool gstreamer, bool ffmpeg)
    {
        Source[0]->Opens = builtIn;
        Source[1]->Opens = gstreamer;
        Source[2]->Opens = ffmpeg;
        Log.clear();
    }
};

// Runs the event loop until playback stops (at most a few seconds).
void WaitForStop(TVideoSources& sources)
{
    QElapsedTimer clock;
    clock.start();
    while (sources.Playing() && clock.elapsed() < 5000)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 20);
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

} // namespace

TEST(VideoSources, ExtensionsAndTheOpenDialogFilter)
{
    EXPECT_EQ(VideoExtensions(), QStringList({".avi", ".mpg", ".mpeg", ".wmv", ".mov", ".mp4"}));
    const std::pair<const char*, int> cases[] = {{"a.avi", 0},  {"/x/b.AVI", 0},  {"c.mpg", 1}, {"c.mpeg", 1},
                                                 {"c.wmv", 1},  {"d.mov", 2},     {"d.Mp4", 2}, {"e.mkv", -1},
                                                 {"noext", -1}, {"dir.avi/f", -1}};
    for (const auto& [path, framework] : cases)
        EXPECT_EQ(FrameworkOfExtension(QString::fromLatin1(path)), framework) << path;
    EXPECT_EQ(VideoOpenFilter(),
              QStringLiteral("Video file (*.avi;*.mpg;*.mpeg;*.wmv;*.mov;*.mp4)|"
                             "*.avi;*.mpg;*.mpeg;*.wmv;*.mov;*.mp4|Kinotra file (*.ktr)|*.ktr"));
}

TEST(VideoSources, FrameTimesFollowTheRate)
{
    std::vector<QString> log;
    TFakeSource source(0, log);
    struct Case
    {
        double Fps;
        bool Ok;
        int DelayMs;
    };
    const Case cases[] = {
        {25.0, true, 40},       {29.97, true, 33}, {1000.0, true, 1}, {1.0 / 65.535, true, 65535},
        {1.0 / 65.6, false, 0}, {0.0, false, 0},   {-25.0, false, 0}, {std::nan(""), false, 0},
        {1e-300, false, 0}};
    for (const Case& c : cases) {
        source.DelayMs = 0;
        EXPECT_EQ(SetFrameTimes(source, c.Fps), c.Ok) << c.Fps;
        if (c.Ok) {
            EXPECT_EQ(source.DelayMs, c.DelayMs) << c.Fps;
            EXPECT_DOUBLE_EQ(source.SecondsPerFrame, 1.0 / c.Fps);
            EXPECT_DOUBLE_EQ(source.FramesPerSecond, c.Fps);
        }
    }
}

TEST(VideoSources, FrameworkChoiceAndFallbacks)
{
    TFakes f;
    struct Case
    {
        const char* Path;
        bool Opens[3];
        const char* Comment;
        std::vector<QString> Tried;
        int Framework;
        bool Open;
    };
    const Case cases[] = {
        // An AVI the built-in reader cannot decode goes to GStreamer, then to FFmpeg.
        {"a.avi", {true, true, true}, "", {"open 0"}, 0, true},
        {"a.avi", {false, true, true}, "", {"open 0", "open 1"}, 1, true},
        {"a.avi", {false, false, true}, "", {"open 0", "open 1", "open 2"}, 2, true},
        {"a.mpg", {true, true, true}, "", {"open 1"}, 1, true},
        {"a.WMV", {true, false, true}, "", {"open 1", "open 2"}, 2, true},
        {"a.mov", {true, true, true}, "", {"open 2"}, 2, true},
        // The program's own files open with FFmpeg whatever their extension.
        {"own.avi", {true, true, true}, "KINOTRA VIDEO FFMPEG MPEG4 CODEC", {"open 2"}, 2, true},
        {"other.avi", {true, true, true}, "Kinotra video", {"open 0"}, 0, true},
        // An unknown extension starts with the framework of the previous file.
        {"b.mkv", {true, true, true}, "", {"open 0"}, 0, true},
        {"c.mp4", {true, true, true}, "", {"open 2"}, 2, true},
        {"b.mkv", {true, true, true}, "", {"open 2"}, 2, true},
        {"c.mpeg", {true, true, true}, "", {"open 1"}, 1, true},
        {"b.mkv", {false, true, true}, "", {"open 1"}, 1, true},
        // Nothing opens: FFmpeg's reason is kept and the framework stays at FFmpeg.
        {"d.avi", {false, false, false}, "", {"open 0", "open 1", "open 2"}, 2, false},
        {"b.mkv", {true, true, false}, "", {"open 2"}, 2, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Path);
        f.Opening(c.Opens[0], c.Opens[1], c.Opens[2]);
        f.Comment = QString::fromLatin1(c.Comment);
        EXPECT_EQ(f.Sources->OpenVideo(QString::fromLatin1(c.Path)), c.Open);
        EXPECT_EQ(f.Log, c.Tried);
        EXPECT_EQ(f.Sources->Framework, c.Framework);
        EXPECT_EQ(f.Sources->IsOpen(), c.Open);
        EXPECT_EQ(f.Sources->ErrorText,
                  c.Framework == 2 && !c.Open ? QStringLiteral("fake 2 failed") : QString());
        // Only the source of the current framework holds a file.
        for (int i = 0; i < 3; ++i)
            EXPECT_EQ(f.Source[i]->Opened, c.Open && i == c.Framework) << i;
    }
}

TEST(VideoSources, OpenAndCloseNotifyOnce)
{
    TFakes f;
    int opens = 0, closes = 0;
    f.Sources->OnOpen = [&opens] { ++opens; };
    f.Sources->OnClose = [&closes] { ++closes; };
    f.Opening(false, false, true);
    ASSERT_TRUE(f.Sources->OpenVideo(QStringLiteral("a.avi"))); // two failed attempts before
    EXPECT_EQ(opens, 1);
    EXPECT_EQ(closes, 0);
    f.Opening(true, true, true);
    ASSERT_TRUE(f.Sources->OpenVideo(QStringLiteral("b.avi"))); // the FFmpeg file is released
    EXPECT_FALSE(f.Source[2]->Opened);
    EXPECT_EQ(opens, 2);
    EXPECT_EQ(closes, 1);
    EXPECT_FALSE(f.Sources->OpenVideo(QString())); // an empty name closes
    EXPECT_FALSE(f.Sources->IsOpen());
    EXPECT_EQ(closes, 2);
    EXPECT_EQ(f.Sources->FrameCountVisible(), 0);
}

TEST(VideoSources, NavigationByPositionsOfTheEditedSequence)
{
    TFakes f;
    f.Opening(true, true, true);
    ASSERT_TRUE(f.Sources->OpenVideo(QStringLiteral("a.avi")));
    // Frames 2 and 5 hidden: positions 0..7 are frames 0 1 3 4 6 7 8 9.
    const std::vector<int> frames = {0, 1, 3, 4, 6, 7, 8, 9};
    f.Sources->FrameAtPosition = [&frames](int p) {
        return p >= 0 && p < static_cast<int>(frames.size()) ? frames[static_cast<std::size_t>(p)] : -1;
    };
    f.Sources->PositionOfFrame = [&frames](int frame) {
        const auto it = std::find(frames.begin(), frames.end(), frame);
        return it == frames.end() ? -1 : static_cast<int>(it - frames.begin());
    };
    f.Sources->VisibleCount = [&frames] { return static_cast<int>(frames.size()); };
    EXPECT_EQ(f.Sources->FrameCountVisible(), 8);
    f.Sources->GoToPosition(2);
    EXPECT_EQ(f.Sources->CurrentFrame(), 3);
    EXPECT_EQ(f.Sources->CurrentPosition(), 2);
    f.Sources->GoToPosition(99); // no such position: stays
    EXPECT_EQ(f.Sources->CurrentFrame(), 3);
    f.Sources->EditingMode = true; // frames directly
    EXPECT_EQ(f.Sources->FrameCountVisible(), 10);
    EXPECT_EQ(f.Sources->CurrentPosition(), 3);
    f.Sources->GoToPosition(5);
    EXPECT_EQ(f.Sources->CurrentFrame(), 5);
}

TEST(VideoSources, PlaybackStepsThroughVisibleFramesAndStops)
{
    TFakes f;
    f.Opening(true, true, true);
    ASSERT_TRUE(f.Sources->OpenVideo(QStringLiteral("a.avi")));
    int repaints = 0;
    f.Sources->OnFrame = [&repaints] { ++repaints; };
    const std::vector<int> frames = {0, 1, 3, 4, 6, 7, 8, 9};
    f.Sources->FrameAtPosition = [&frames](int p) {
        return p >= 0 && p < static_cast<int>(frames.size()) ? frames[static_cast<std::size_t>(p)] : -1;
    };
    f.Sources->PositionOfFrame = [&frames](int frame) {
        const auto it = std::find(frames.begin(), frames.end(), frame);
        return it == frames.end() ? -1 : static_cast<int>(it - frames.begin());
    };
    f.Sources->VisibleCount = [&frames] { return static_cast<int>(frames.size()); };
    TFakeSource& source = *f.Source[0];

    f.Sources->Play(1, 4); // frames 1 .. 6, skipping the hidden 2 and 5
    EXPECT_TRUE(f.Sources->Playing());
    WaitForStop(*f.Sources);
    EXPECT_EQ(source.Seeks, std::vector<int>({1, 3, 4, 6}));
    EXPECT_EQ(repaints, 4);
    EXPECT_EQ(f.Sources->CurrentPosition(), 4);

    // From the last position: shows it, and the first tick stops the timer.
    source.Seeks.clear();
    repaints = 0;
    f.Sources->Play(7, 7);
    WaitForStop(*f.Sources);
    EXPECT_EQ(source.Seeks, std::vector<int>({9}));
    EXPECT_EQ(repaints, 1);

    // In the editing mode every frame plays; Stop ends at once.
    f.Sources->EditingMode = true;
    source.Seeks.clear();
    f.Sources->Play(0, 9);
    f.Sources->Stop();
    EXPECT_FALSE(f.Sources->Playing());
    EXPECT_EQ(source.Seeks, std::vector<int>({0}));
    f.Sources->Play(4, 6);
    WaitForStop(*f.Sources);
    EXPECT_EQ(source.Seeks, std::vector<int>({0, 4, 5, 6}));
}

TEST(VideoSources, AReadingErrorStopsPlaybackAndIsPassedOn)
{
    TFakes f;
    f.Opening(false, false, true);
    ASSERT_TRUE(f.Sources->OpenVideo(QStringLiteral("a.mp4")));
    f.Source[2]->FailAt = 3;
    QStringList errors;
    f.Sources->OnError = [&errors](const QString& text) { errors << text; };
    f.Sources->EditingMode = true;
    f.Sources->Play(0, 9);
    WaitForStop(*f.Sources);
    EXPECT_EQ(errors, QStringList({"damaged"}));
    EXPECT_EQ(f.Source[2]->Seeks, std::vector<int>({0, 1, 2, 3}));
}

namespace {

// Opens the file through the chain of frameworks; the frame count is ffmpeg's, and so are the last, first,
// middle and two random frames (fetched in that order): each is within the colour conversion's tolerance
// of ffmpeg's frame and closer to it than to its neighbours where these differ.
void ExpectFfmpegFrames(TVideoSources& sources, const QString& path)
{
    ASSERT_TRUE(sources.OpenVideo(path)) << sources.ErrorText.toStdString();
    const std::string framework = sources.Source().DisplayName().toStdString();
    const int count = sources.FrameCount();
    ASSERT_EQ(count, FfmpegFrameCount(path)) << framework;
    ASSERT_GT(count, 0);
    std::mt19937 random{std::uint32_t(count)};
    const int picks[] = {count - 1, 0, count / 2, int(random() % std::uint32_t(count)),
                         int(random() % std::uint32_t(count))};
    std::set<int> wanted;
    for (int frame : picks)
        for (int near : {frame - 1, frame, frame + 1})
            if (near >= 0 && near < count)
                wanted.insert(near);
    const std::map<int, QImage> reference = FfmpegFramesAt(path, wanted);
    ASSERT_EQ(reference.size(), wanted.size());
    for (int frame : picks) {
        sources.ShowFrame(frame);
        ASSERT_EQ(sources.CurrentFrame(), frame);
        QImage image(sources.FrameWidth(), sources.FrameHeight(), QImage::Format_RGB32);
        ASSERT_TRUE(sources.Draw(image, image.rect(), SRCCOPY)) << framework << " frame " << frame;
        const QImage& expected = reference.at(frame);
        EXPECT_LE(MeanGreyDifference(image, expected), 4.0) << framework << " frame " << frame;
        for (int near : {frame - 1, frame + 1})
            if (reference.count(near) != 0 && MeanGreyDifference(expected, reference.at(near), true) > 1.0) {
                EXPECT_LT(MeanGreyDifference(image, expected, true),
                          MeanGreyDifference(image, reference.at(near), true))
                    << framework << " frame " << frame << " looks like " << near;
            }
    }
}

} // namespace

// Every kind of generated file, whichever framework takes it, gives ffmpeg's count and frames; the kinds
// that reach GStreamer by their extension are taken by it only where its frame table is exact.
TEST(VideoSources, EveryKindGivesFfmpegsFramesThroughTheChosenFramework)
{
    struct TCase
    {
        TFixtureKind Kind;
        int Framework;
    };
    const TCase cases[] = {
        {TFixtureKind::H264Mp4, 2},        {TFixtureKind::MjpegAvi, 0},
        {TFixtureKind::RawAvi, 0},         {TFixtureKind::Mpeg2Mpg, 1},
        {TFixtureKind::Mpeg4Mov, 2},       {TFixtureKind::Wmv30, 2}, // GStreamer knows no rate for it
        {TFixtureKind::Mpeg1Ntsc, 1},      {TFixtureKind::EditListMp4AsMpg, 1},
        {TFixtureKind::PackedMpeg4Avi, 2}, // neither the built-in reader nor GStreamer
    };
    TVideoSources sources;
    for (const TCase& c : cases) {
        SCOPED_TRACE(FixtureName(c.Kind).toStdString());
        const QString path = FixtureVideo(c.Kind);
        ASSERT_FALSE(path.isEmpty());
        ExpectFfmpegFrames(sources, path);
        EXPECT_EQ(sources.Framework, c.Framework);
    }
    // An AVI that the built-in reader cannot decode (MPEG-4 inside) falls through to another framework.
    const QString mpeg4Avi =
        FfmpegFixture("mpeg4.avi", {"-f", "lavfi", "-i", "testsrc2=size=320x240:rate=25:duration=2", "-c:v",
                                    "mpeg4", "-q:v", "3"});
    ASSERT_FALSE(mpeg4Avi.isEmpty());
    ExpectFfmpegFrames(sources, mpeg4Avi);
    EXPECT_NE(sources.Framework, 0);

    // The demonstration clip is the program's own file: FFmpeg takes it although it is an AVI.
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString demo = dir.filePath(QStringLiteral("demo.avi"));
    QString error;
    ASSERT_TRUE(TDemoClip::Write(demo, error)) << error.toStdString();
    ASSERT_TRUE(sources.OpenVideo(demo));
    EXPECT_EQ(sources.Framework, 2);
    EXPECT_EQ(sources.FrameCount(), TDemoClip::FrameCount);
    EXPECT_DOUBLE_EQ(sources.FramesPerSecond(), TDemoClip::FramesPerSecond);
}

TEST(VideoSources, RealVideosGiveFfmpegsFramesThroughTheChosenFramework)
{
    const QStringList files = RealVideos();
    if (files.isEmpty())
        GTEST_SKIP() << "the shared folder data/videos is not there";
    TVideoSources sources;
    for (const QString& path : files) {
        SCOPED_TRACE(path.toStdString());
        ExpectFfmpegFrames(sources, path);
    }
}
