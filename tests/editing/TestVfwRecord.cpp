// The built-in AVI writer: clips in each codec read back by the program's own reader and by ffmpeg, files
// continued in OpenDML chunks, the codec setting, and failures that must leave nothing on disk.
#include "editing/UnitVfwRecord.h"

#include "common/UnitIni.h"
#include "common/UnitWriterComment.h"
#include "video/UnitAviReader.h"
#include "video/UnitFFMpegPlay.h"
#include "video/UnitVfwPlay.h"
#include "video/VideoFixtures.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <csignal>
#include <sys/resource.h>

namespace {

// Grey level of the block that names frame f.
int FrameGrey(int f)
{
    return 10 + 8 * (f % 30);
}

// Frame f of a test clip: smooth gradients (so that JPEG keeps them closely) that tell a flipped or
// shifted row apart, and a flat 16 x 16 block at the top left whose grey level names the frame.
QImage TestFrame(int f, int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.setPixel(x, y, qRgb(20 + 200 * x / width, 30 + 180 * y / height, (40 + 23 * f) % 220));
    const int grey = FrameGrey(f);
    for (int y = 0; y < std::min(16, height); ++y)
        for (int x = 0; x < std::min(16, width); ++x)
            image.setPixel(x, y, qRgb(grey, grey, grey));
    return image;
}

// The frame whose grey block the picture shows (from the middle of the block), -1 when none fits.
int FrameShown(const QImage& picture, int frames)
{
    const QRgb c = picture.pixel(std::min(8, picture.width() / 2), std::min(8, picture.height() / 2));
    for (int f = 0; f < frames; ++f)
        if (std::abs(qGreen(c) - FrameGrey(f)) <= 3)
            return f;
    return -1;
}

// Mean difference of the colour channels of two pictures of the same size (255 when sizes differ).
double MeanDifference(const QImage& a, const QImage& b)
{
    if (a.size() != b.size())
        return 255.0;
    double sum = 0.0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
            sum +=
                std::abs(qRed(p) - qRed(q)) + std::abs(qGreen(p) - qGreen(q)) + std::abs(qBlue(p) - qBlue(q));
        }
    return sum / (3.0 * a.width() * a.height());
}

// The picture read back matches frame f: exactly when uncompressed, closely after JPEG.
void ExpectFrame(const QImage& picture, int f, bool jpeg, const char* reader)
{
    const QImage expected = TestFrame(f, picture.width(), picture.height());
    ASSERT_FALSE(picture.isNull()) << reader << " frame " << f;
    if (jpeg) {
        EXPECT_EQ(FrameShown(picture, 30), f) << reader;
        EXPECT_LT(MeanDifference(picture, expected), 3.0) << reader << " frame " << f;
    } else {
        EXPECT_EQ(MaxChannelDifference(picture, expected), 0) << reader << " frame " << f;
    }
}

// r_frame_rate of the first video stream as ffprobe reads it ("25/1"); empty on failure.
QString ProbeRate(const QString& path)
{
    const QString ffprobe = QStandardPaths::findExecutable(QStringLiteral("ffprobe"));
    if (ffprobe.isEmpty())
        return {};
    QProcess p;
    p.start(ffprobe, {"-v", "error", "-select_streams", "v:0", "-show_entries", "stream=r_frame_rate", "-of",
                      "default=nokey=1:noprint_wrappers=1", path});
    if (!p.waitForFinished(60000) || p.exitCode() != 0)
        return {};
    return QString::fromLatin1(p.readAllStandardOutput()).trimmed();
}

bool HaveFfmpeg()
{
    return !QStandardPaths::findExecutable(QStringLiteral("ffmpeg")).isEmpty() &&
           !QStandardPaths::findExecutable(QStringLiteral("ffprobe")).isEmpty();
}

// Writes frames test frames; false (with the writer's code in the failure text) when a call fails.
::testing::AssertionResult WriteClip(TVfwRecord& writer, int frames)
{
    if (!writer.Open())
        return ::testing::AssertionFailure()
               << "Open: " << writer.ErrorCode << " " << writer.Detail.toStdString();
    for (int f = 0; f < frames; ++f)
        if (!writer.AddFrame(TestFrame(f, writer.Width, writer.Height)))
            return ::testing::AssertionFailure() << "AddFrame " << f << ": " << writer.ErrorCode;
    if (!writer.Close())
        return ::testing::AssertionFailure()
               << "Close: " << writer.ErrorCode << " " << writer.Detail.toStdString();
    return ::testing::AssertionSuccess();
}

QStringList FilesIn(const QString& folder)
{
    return QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot);
}

void Configure(TVfwRecord& writer, bool jpeg, int width, int height)
{
    writer.Width = width;
    writer.Height = height;
    writer.Quality = 9000;
    writer.CodecList();
    writer.SetCodecIndex(jpeg ? 0 : -1);
}

struct TClipCase
{
    const char* Name;
    bool Jpeg;
    int Width, Height, Frames;
    int MsPerFrame;
    double FramesPerSecond; // 0: from MsPerFrame
    std::uint32_t Rate, Scale;
    const char* ProbedRate;
    bool Replaces; // an older file of the name exists
};

void PrintTo(const TClipCase& c, std::ostream* os)
{
    *os << c.Name;
}

class VfwRecordClip : public ::testing::TestWithParam<TClipCase>
{
};

// A clip in each codec, of odd sizes, read back by the program's reader, its frame source and ffmpeg.
TEST_P(VfwRecordClip, ReadsBackEveryFrameAtItsRate)
{
    const TClipCase& c = GetParam();
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("clip.avi"));
    if (c.Replaces) {
        QFile old(path);
        ASSERT_TRUE(old.open(QIODevice::WriteOnly));
        old.write("an older file");
    }
    TVfwRecord writer;
    Configure(writer, c.Jpeg, c.Width, c.Height);
    writer.MsPerFrame = c.MsPerFrame;
    writer.FramesPerSecond = c.FramesPerSecond;
    writer.FileName = path;
    ASSERT_TRUE(WriteClip(writer, c.Frames));
    EXPECT_EQ(FilesIn(dir.path()), QStringList{"clip.avi"}); // no temporary file left

    TAviReader reader;
    ASSERT_EQ(reader.Open(OpenAviFileInput(path)), asOk);
    EXPECT_EQ(reader.Format().Codec, c.Jpeg ? TAviCodec::Mjpeg : TAviCodec::Dib);
    EXPECT_EQ(reader.Format().Width, c.Width);
    EXPECT_EQ(reader.Format().Height, c.Height);
    EXPECT_EQ(reader.Format().Rate, c.Rate);
    EXPECT_EQ(reader.Format().Scale, c.Scale);
    EXPECT_EQ(reader.Format().Length, std::uint32_t(c.Frames));
    EXPECT_EQ(reader.IndexKind(), TAviIndexKind::Idx1);
    ASSERT_EQ(reader.FrameCount(), c.Frames);
    for (int f = 0; f < c.Frames; ++f) {
        ASSERT_TRUE(reader.ReadFrame(f));
        ExpectFrame(reader.Picture(), f, c.Jpeg, "reader");
    }

    // The frame source of framework 0 opens it, and nothing makes the program send it to another one.
    TVfwPlay play;
    ASSERT_TRUE(play.Open(path)) << play.ErrorText.toStdString();
    EXPECT_EQ(play.FrameCount, c.Frames);
    EXPECT_DOUBLE_EQ(play.FramesPerSecond, double(c.Rate) / c.Scale);
    play.Seek(c.Frames - 1);
    QImage drawn(c.Width, c.Height, QImage::Format_RGB32);
    ASSERT_TRUE(play.Draw(drawn, QRect(0, 0, c.Width, c.Height), SRCCOPY));
    ExpectFrame(drawn, c.Frames - 1, c.Jpeg, "frame source");
    EXPECT_NE(TFFMpegPlay::Comment(path).compare(QLatin1String(OwnWriterComment), Qt::CaseInsensitive), 0);

    if (!HaveFfmpeg())
        GTEST_SKIP() << "ffmpeg or ffprobe is not installed";
    EXPECT_EQ(FfmpegFrameCount(path), c.Frames);
    EXPECT_EQ(ProbeRate(path), QString::fromLatin1(c.ProbedRate));
    const std::vector<QImage> decoded = FfmpegDecodeAll(path);
    ASSERT_EQ(int(decoded.size()), c.Frames);
    for (int f = 0; f < c.Frames; ++f)
        ExpectFrame(decoded[std::size_t(f)], f, c.Jpeg, "ffmpeg");
}

INSTANTIATE_TEST_SUITE_P(
    Codecs, VfwRecordClip,
    ::testing::Values(TClipCase{"UncompressedOddWidth", false, 33, 21, 6, 40, 0.0, 1000, 40, "25/1", false},
                      TClipCase{"MotionJpegOddSize", true, 35, 19, 6, 33, 0.0, 1000, 33, "1000/33", true},
                      TClipCase{"MotionJpegExactNtsc", true, 48, 32, 5, 33, 30000.0 / 1001, 30000, 1001,
                                "30000/1001", false}),
    [](const auto& p) { return std::string(p.param.Name); });

// Top-level chunks of a file: (form type, size) of every RIFF.
std::vector<std::pair<QByteArray, qint64>> RiffChunks(const QByteArray& file)
{
    std::vector<std::pair<QByteArray, qint64>> chunks;
    qint64 at = 0;
    while (at + 12 <= file.size() && file.mid(at, 4) == "RIFF") {
        const auto* p = reinterpret_cast<const uchar*>(file.constData() + at + 4);
        const qint64 size = qint64(p[0]) | qint64(p[1]) << 8 | qint64(p[2]) << 16 | qint64(p[3]) << 24;
        chunks.emplace_back(file.mid(at + 8, 4), size + 8);
        at += 8 + size + (size & 1);
    }
    EXPECT_EQ(at, file.size()) << "bytes after the last RIFF";
    return chunks;
}

class VfwRecordOpenDml : public ::testing::TestWithParam<bool>
{
};

// Beyond the RIFF size limit (small here, 1 GiB in use) the file goes on in "AVIX" chunks: both readers
// see every frame in order, and the first RIFF alone is still a plain AVI with its idx1.
TEST_P(VfwRecordOpenDml, ContinuesInAvixChunks)
{
    const bool jpeg = GetParam();
    const std::int64_t limit = 16 * 1024;
    const int frames = 30;
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("long.avi"));
    TVfwRecord writer(limit);
    Configure(writer, jpeg, 64, 48);
    writer.MsPerFrame = 40;
    writer.FileName = path;
    ASSERT_TRUE(WriteClip(writer, frames));

    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    const auto chunks = RiffChunks(bytes);
    ASSERT_GE(chunks.size(), 3u);
    for (std::size_t i = 0; i < chunks.size(); ++i) {
        EXPECT_LE(chunks[i].second, limit) << "RIFF " << i;
        EXPECT_EQ(chunks[i].first, i == 0 ? "AVI " : "AVIX") << "RIFF " << i;
    }

    TAviReader reader;
    ASSERT_EQ(reader.Open(OpenAviFileInput(path)), asOk);
    EXPECT_EQ(reader.IndexKind(), TAviIndexKind::OpenDml);
    ASSERT_EQ(reader.FrameCount(), frames);
    for (int f = 0; f < frames; ++f) {
        ASSERT_TRUE(reader.ReadFrame(f));
        ExpectFrame(reader.Picture(), f, jpeg, "reader");
    }

    // A reader that knows nothing of OpenDML finds the first RIFF's frames through idx1.
    const QByteArray first = bytes.left(chunks[0].second);
    TAviReader legacy;
    ASSERT_EQ(legacy.Open(MakeAviMemoryInput(reinterpret_cast<const std::uint8_t*>(first.constData()),
                                             std::size_t(first.size()))),
              asOk);
    EXPECT_EQ(legacy.IndexKind(), TAviIndexKind::Idx1);
    ASSERT_GE(legacy.FrameCount(), 1);
    ASSERT_LT(legacy.FrameCount(), frames);
    ASSERT_TRUE(legacy.ReadFrame(legacy.FrameCount() - 1));
    ExpectFrame(legacy.Picture(), legacy.FrameCount() - 1, jpeg, "first RIFF");

    if (!HaveFfmpeg())
        GTEST_SKIP() << "ffmpeg or ffprobe is not installed";
    EXPECT_EQ(FfmpegFrameCount(path), frames);
    const std::vector<QImage> decoded = FfmpegDecodeAll(path);
    ASSERT_EQ(int(decoded.size()), frames);
    for (int f = 0; f < frames; ++f)
        ExpectFrame(decoded[std::size_t(f)], f, jpeg, "ffmpeg");
}

INSTANTIATE_TEST_SUITE_P(Codecs, VfwRecordOpenDml, ::testing::Values(false, true),
                         [](const auto& p) { return std::string(p.param ? "MotionJpeg" : "Uncompressed"); });

// Images of another size are drawn at the top left: what lies beyond is cut, what is missing is black.
TEST(VfwRecord, DrawsImagesOfAnotherSizeAtTheTopLeft)
{
    QTemporaryDir dir;
    TVfwRecord writer;
    Configure(writer, false, 32, 24);
    writer.FileName = dir.filePath(QStringLiteral("sizes.avi"));
    const QImage large = TestFrame(0, 40, 30);
    const QImage small = TestFrame(1, 20, 10).convertToFormat(QImage::Format_RGB888);
    ASSERT_TRUE(writer.Open());
    ASSERT_TRUE(writer.AddFrame(large));
    ASSERT_TRUE(writer.AddFrame(small));
    ASSERT_TRUE(writer.Close());

    TAviReader reader;
    ASSERT_EQ(reader.Open(OpenAviFileInput(writer.FileName)), asOk);
    ASSERT_EQ(reader.FrameCount(), 2);
    ASSERT_TRUE(reader.ReadFrame(0));
    EXPECT_EQ(MaxChannelDifference(reader.Picture(), large.copy(0, 0, 32, 24)), 0);
    QImage padded(32, 24, QImage::Format_RGB32);
    padded.fill(Qt::black);
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 20; ++x)
            padded.setPixel(x, y, small.pixel(x, y));
    ASSERT_TRUE(reader.ReadFrame(1));
    EXPECT_EQ(MaxChannelDifference(reader.Picture(), padded), 0);
}

// The codec list, the choice by index or by name, and the key "Codec" of the settings file.
TEST(VfwRecord, ListsAndRemembersItsCodec)
{
    QTemporaryDir dir;
    TVfwRecord writer;
    EXPECT_EQ(writer.CodecList(), QStringList{"Motion JPEG"});
    EXPECT_EQ(writer.FourCCList, QStringList{"MJPG"});
    EXPECT_EQ(writer.CodecName(), QString()); // no compression at first
    writer.SetCodecIndex(0);
    EXPECT_EQ(writer.CodecFourCC, QStringLiteral("MJPG"));
    EXPECT_EQ(writer.CodecName(), QStringLiteral("Motion JPEG"));
    EXPECT_FALSE(writer.Failed);

    TIniFile ini(dir.filePath(QStringLiteral("Kinotra.ini")));
    writer.WriteSettings(ini);
    ASSERT_TRUE(ini.UpdateFile());
    EXPECT_EQ(TIniFile(ini.FileName()).ReadString(SectionMontage, QStringLiteral("Codec"), "?"),
              QStringLiteral("Motion JPEG"));

    TVfwRecord again;
    again.ReadSettings(TIniFile(ini.FileName()));
    EXPECT_EQ(again.CodecIndex, 0);
    EXPECT_EQ(again.CodecFourCC, QStringLiteral("MJPG"));

    // An unknown name, an empty one or an index out of the list: no compression, stored as empty.
    ini.WriteString(SectionMontage, QStringLiteral("Codec"), QStringLiteral("Some other codec"));
    again.ReadSettings(ini);
    EXPECT_EQ(again.CodecIndex, -1);
    EXPECT_TRUE(again.CodecFourCC.isEmpty());
    EXPECT_TRUE(again.SetCodecName(QString()));
    EXPECT_TRUE(again.CodecFourCC.isEmpty());
    again.SetCodecIndex(5);
    EXPECT_TRUE(again.CodecFourCC.isEmpty());
    again.WriteSettings(ini);
    EXPECT_EQ(ini.ReadString(SectionMontage, QStringLiteral("Codec"), "?"), QString());
}

struct TRefusal
{
    const char* Name;
    int Code;
    const char* Text;
    std::function<void(TVfwRecord&, const QString& dir)> Set;
};

// Settings or destinations that cannot give a file: the code and text, OnError once, nothing written.
TEST(VfwRecord, RefusesToOpenWhatCannotBeWritten)
{
    const char* writeText = "Unable to write video file on disk";
    const char* formatText = "Unable to define video stream format";
    const std::vector<TRefusal> cases = {
        {"folder is a file", 8, writeText,
         [](TVfwRecord& w, const QString& dir) { w.FileName = dir + "/plain.txt/out.avi"; }},
        {"folder missing", 8, writeText,
         [](TVfwRecord& w, const QString& dir) { w.FileName = dir + "/missing/out.avi"; }},
        {"no file name", 8, writeText, [](TVfwRecord& w, const QString&) { w.FileName.clear(); }},
        {"destination is a folder", 7,
         "Unable to replace a file with the same name (it may be in use in another program)",
         [](TVfwRecord& w, const QString& dir) { w.FileName = dir + "/folder.avi"; }},
        {"no width", 6, formatText, [](TVfwRecord& w, const QString&) { w.Width = 0; }},
        {"too large", 6, formatText, [](TVfwRecord& w, const QString&) { w.Height = 20000; }},
        {"no rate", 6, formatText, [](TVfwRecord& w, const QString&) { w.MsPerFrame = 0; }},
    };
    for (const TRefusal& c : cases) {
        QTemporaryDir dir;
        QFile plain(dir.filePath(QStringLiteral("plain.txt")));
        ASSERT_TRUE(plain.open(QIODevice::WriteOnly));
        plain.close();
        ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("folder.avi")));
        TVfwRecord writer;
        Configure(writer, true, 32, 24);
        writer.FileName = dir.filePath(QStringLiteral("out.avi"));
        c.Set(writer, dir.path());
        int errors = 0;
        writer.OnError = [&errors] { ++errors; };
        EXPECT_FALSE(writer.Open()) << c.Name;
        EXPECT_TRUE(writer.Failed) << c.Name;
        EXPECT_EQ(writer.ErrorCode, c.Code) << c.Name;
        EXPECT_EQ(writer.ErrorText(), QString::fromLatin1(c.Text)) << c.Name;
        EXPECT_EQ(errors, 1) << c.Name;
        EXPECT_EQ(FilesIn(dir.path()), QStringList{"plain.txt"}) << c.Name;
        EXPECT_FALSE(writer.AddFrame(TestFrame(0, 32, 24))) << c.Name;
        EXPECT_EQ(writer.ErrorCode, c.Code) << c.Name << ": the first reason stays";
    }
}

// Calls out of order and damaged images fail with their own codes and leave no file.
TEST(VfwRecord, RefusesFramesWithoutAFileAndNullImages)
{
    QTemporaryDir dir;
    TVfwRecord writer;
    Configure(writer, false, 32, 24);
    writer.FileName = dir.filePath(QStringLiteral("out.avi"));
    EXPECT_FALSE(writer.AddFrame(TestFrame(0, 32, 24)));
    EXPECT_EQ(writer.ErrorCode, 2);
    EXPECT_EQ(writer.ErrorText(), QStringLiteral("Video not initialized"));

    ASSERT_TRUE(writer.Open()); // a new file starts afresh
    ASSERT_TRUE(writer.AddFrame(TestFrame(0, 32, 24)));
    EXPECT_FALSE(writer.AddFrame(QImage()));
    EXPECT_EQ(writer.ErrorCode, 3);
    EXPECT_FALSE(writer.Close());
    EXPECT_EQ(writer.ErrorCode, 3);
    EXPECT_TRUE(FilesIn(dir.path()).isEmpty());

    TVfwRecord unopened;
    EXPECT_FALSE(unopened.Close());
    EXPECT_EQ(unopened.ErrorCode, 2);
}

// Cancelling halfway: "Process cancelled", no file under the name and no temporary file.
TEST(VfwRecord, CancelHalfwayLeavesNoFile)
{
    QTemporaryDir dir;
    TVfwRecord writer;
    Configure(writer, true, 32, 24);
    writer.FileName = dir.filePath(QStringLiteral("out.avi"));
    ASSERT_TRUE(writer.Open());
    for (int f = 0; f < 3; ++f)
        ASSERT_TRUE(writer.AddFrame(TestFrame(f, 32, 24)));
    EXPECT_FALSE(FilesIn(dir.path()).isEmpty()); // the temporary file
    writer.Cancel();
    EXPECT_EQ(writer.ErrorCode, 1);
    EXPECT_EQ(writer.ErrorText(), QStringLiteral("Process cancelled"));
    EXPECT_TRUE(FilesIn(dir.path()).isEmpty());
    EXPECT_FALSE(writer.AddFrame(TestFrame(3, 32, 24)));
    EXPECT_FALSE(writer.Close());
    EXPECT_EQ(writer.ErrorCode, 1);
    EXPECT_TRUE(FilesIn(dir.path()).isEmpty());

    // A writer freed before its file is finished abandons it likewise.
    {
        TVfwRecord unfinished;
        Configure(unfinished, false, 32, 24);
        unfinished.FileName = dir.filePath(QStringLiteral("out.avi"));
        ASSERT_TRUE(unfinished.Open());
        ASSERT_TRUE(unfinished.AddFrame(TestFrame(0, 32, 24)));
    }
    EXPECT_TRUE(FilesIn(dir.path()).isEmpty());
}

// Files of this process may not grow beyond a size while the object lives: writes past it fail as on a
// full disk (the signal that would end the process is ignored meanwhile).
class TFileSizeLimit
{
public:
    explicit TFileSizeLimit(rlim_t bytes)
    {
        getrlimit(RLIMIT_FSIZE, &FOld);
        FOldHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = FOld;
        limit.rlim_cur = bytes;
        FSet = setrlimit(RLIMIT_FSIZE, &limit) == 0;
    }
    ~TFileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &FOld);
        std::signal(SIGXFSZ, FOldHandler);
    }
    bool Set() const { return FSet; }

private:
    rlimit FOld{};
    void (*FOldHandler)(int) = nullptr;
    bool FSet = false;
};

// A disk that fills up halfway: the clear text, no half-written file, and an older file of the same name
// kept as it was.
TEST(VfwRecord, FullDiskLeavesTheOlderFileAlone)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("out.avi"));
    {
        QFile old(path);
        ASSERT_TRUE(old.open(QIODevice::WriteOnly));
        old.write("an older file");
    }
    TVfwRecord writer;
    Configure(writer, false, 64, 48); // 9 KiB a frame
    writer.FileName = path;
    int errors = 0;
    writer.OnError = [&errors] { ++errors; };
    bool failed = false;
    {
        TFileSizeLimit limit(64 * 1024);
        ASSERT_TRUE(limit.Set());
        ASSERT_TRUE(writer.Open());
        for (int f = 0; f < 20 && !failed; ++f)
            failed = !writer.AddFrame(TestFrame(f, 64, 48));
    }
    ASSERT_TRUE(failed);
    EXPECT_EQ(writer.ErrorCode, 8);
    EXPECT_EQ(writer.ErrorText(), QStringLiteral("Unable to write video file on disk"));
    EXPECT_FALSE(writer.Detail.isEmpty());
    EXPECT_EQ(errors, 1);
    EXPECT_FALSE(writer.Close());
    EXPECT_EQ(writer.ErrorCode, 8);
    EXPECT_EQ(FilesIn(dir.path()), QStringList{"out.avi"});
    QFile old(path);
    ASSERT_TRUE(old.open(QIODevice::ReadOnly));
    EXPECT_EQ(old.readAll(), QByteArray("an older file"));
}

} // namespace
