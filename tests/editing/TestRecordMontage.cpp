// Saving the edited sequence through each of the three writers, read back by the program's frame sources
// and by ffprobe; cropping and resizing; failures that must leave nothing under the destination's name.
#include "editing/UnitRecordMontage.h"

#include "common/UnitIni.h"
#include "common/UnitUserDlg.h"
#include "editing/UnitMontage.h"
#include "support/TestSupport.h"
#include "video/UnitVideoSources.h"
#include "video/VideoFixtures.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <csignal>
#include <cstdio>
#include <sys/resource.h>

namespace {

constexpr int W = 160, H = 120;
constexpr int BlankGrey = 192;

// Frame f of the source is flat grey at this level; blanks are BlankGrey.
int Grey(int f)
{
    return 10 + 14 * f;
}

QImage Flat(int grey, int width = W, int height = H)
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(qRgb(grey, grey, grey));
    return image;
}

// What a picture shows: the source frame whose grey it has, -2 for a blank, -1 for neither.
int Shown(const QImage& picture, int frames)
{
    const int g = qGreen(picture.pixel(picture.width() / 2, picture.height() / 2));
    if (std::abs(g - BlankGrey) <= 5)
        return -2;
    for (int f = 0; f < frames; ++f)
        if (std::abs(g - Grey(f)) <= 5)
            return f;
    return -1;
}

TFrameReader FlatReader(int frames)
{
    return [frames](int f, QImage& image) {
        if (f < 0 || f >= frames)
            return false;
        image = Flat(Grey(f));
        return true;
    };
}

// 12 frames; frames 3 and 4 hidden (the later frames come two intervals earlier), and a frame missing
// before frame 8.
TMontage EditedSequence()
{
    TMontage m;
    m.Init(12);
    m.Visible[3] = m.Visible[4] = false;
    for (int f = 5; f < 12; ++f)
        m.TimeShift[static_cast<std::size_t>(f)] = f < 8 ? -2 : -1;
    m.RebuildMaps();
    return m;
}

// The frames of the saved file in order, with -2 for the blank slot.
const std::vector<int> WithBlanks = {0, 1, 2, 5, 6, 7, -2, 8, 9, 10, 11};
const std::vector<int> WithoutBlanks = {0, 1, 2, 5, 6, 7, 8, 9, 10, 11};

struct TProbe
{
    int Frames = -1;
    QString Rate;
    int Width = 0, Height = 0;
};

TProbe Probe(const QString& path)
{
    TProbe probe;
    const QString ffprobe = QStandardPaths::findExecutable(QStringLiteral("ffprobe"));
    if (ffprobe.isEmpty())
        return probe;
    QProcess p;
    p.start(ffprobe, {"-v", "error", "-select_streams", "v:0", "-count_frames", "-show_entries",
                      "stream=nb_read_frames,r_frame_rate,width,height", "-of", "default=nw=1", path});
    if (!p.waitForFinished(30000))
        return probe;
    for (const QString& line : QString::fromUtf8(p.readAllStandardOutput()).split(QLatin1Char('\n'))) {
        const QString value = line.section(QLatin1Char('='), 1);
        if (line.startsWith(QLatin1String("nb_read_frames=")))
            probe.Frames = value.toInt();
        else if (line.startsWith(QLatin1String("r_frame_rate=")))
            probe.Rate = value;
        else if (line.startsWith(QLatin1String("width=")))
            probe.Width = value.toInt();
        else if (line.startsWith(QLatin1String("height=")))
            probe.Height = value.toInt();
    }
    return probe;
}

bool ToolsPresent()
{
    return !QStandardPaths::findExecutable(QStringLiteral("ffmpeg")).isEmpty() &&
           !QStandardPaths::findExecutable(QStringLiteral("ffprobe")).isEmpty();
}

// The codec that each framework's round trip uses: a compressed one where the writer has one.
QString CodecFor(TVideoWriter& writer, int framework)
{
    const QStringList codecs = writer.Codecs();
    if (framework == 1) {
        for (const QString& name : codecs)
            if (name.contains(QLatin1String("JPEG"), Qt::CaseInsensitive))
                return name;
        return codecs.value(0);
    }
    return codecs.value(0); // Motion JPEG, the MPEG-4 codec
}

// Files in a folder other than the ones named.
QStringList Leftovers(const QString& folder, const QStringList& expected)
{
    QStringList found = QDir(folder).entryList(QDir::Files | QDir::Hidden);
    for (const QString& name : expected)
        found.removeAll(name);
    return found;
}

// Lowers the file size limit of this process for its lifetime; writes beyond it fail (EFBIG) instead of
// raising SIGXFSZ.
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

} // namespace

TEST(RecordMontage, EachWriterSavesTheEditedSequenceInOrderAtTheChosenRate)
{
    if (!ToolsPresent())
        GTEST_SKIP() << "ffmpeg and ffprobe are needed";
    QTemporaryDir dir;
    const TMontage montage = EditedSequence();
    ASSERT_EQ(montage.MissingSlotCount(), 1);
    for (int framework = 0; framework < 3; ++framework) {
        for (const bool blanks : {true, false}) {
            TRecordMontage record;
            record.SetFramework(framework);
            const QString codec = CodecFor(*record.Writer(), framework);
            SCOPED_TRACE(QStringLiteral("framework %1, codec %2, blanks %3")
                             .arg(framework)
                             .arg(codec)
                             .arg(blanks)
                             .toStdString());
            ASSERT_TRUE(record.Writer()->SetCodecName(codec));
            TEditedSaveSetup setup;
            setup.FileName = dir.filePath(QStringLiteral("edited%1%2.avi").arg(framework).arg(blanks));
            setup.FramesPerSecond = 15.0;
            setup.SourceWidth = W;
            setup.SourceHeight = H;
            setup.Blanks = blanks;
            setup.QualityPercent = 90;
            std::vector<int> progress;
            record.OnProgress = [&progress](int p) { progress.push_back(p); };
            ASSERT_TRUE(record.WriteEdited(montage, FlatReader(12), setup))
                << record.ErrorText.toStdString() << ": " << record.Detail.toStdString();
            const std::vector<int>& expected = blanks ? WithBlanks : WithoutBlanks;
            ASSERT_FALSE(progress.empty());
            EXPECT_EQ(progress.back(), 101);
            // The total counts the missing slot: without blanks the last report stays below 100.
            EXPECT_EQ(progress[progress.size() - 2], blanks ? 100 : 91);

            const TProbe probe = Probe(setup.FileName);
            EXPECT_EQ(probe.Frames, static_cast<int>(expected.size()));
            EXPECT_EQ(probe.Rate, QStringLiteral("15/1"));
            EXPECT_EQ(probe.Width, W);
            EXPECT_EQ(probe.Height, H);
            std::vector<int> decoded;
            for (const QImage& image : FfmpegDecodeAll(setup.FileName))
                decoded.push_back(Shown(image, 12));
            EXPECT_EQ(decoded, expected) << "ffmpeg";

            TVideoSources sources;
            ASSERT_TRUE(sources.OpenVideo(setup.FileName)) << sources.ErrorText.toStdString();
            EXPECT_NEAR(sources.FramesPerSecond(), 15.0, 1e-6);
            std::vector<int> read;
            for (int f = 0; f < sources.FrameCount(); ++f) {
                sources.ShowFrame(f);
                QImage picture(W, H, QImage::Format_RGB32);
                ASSERT_TRUE(sources.Draw(picture, QRect(0, 0, W, H), SRCCOPY));
                read.push_back(Shown(picture, 12));
            }
            EXPECT_EQ(read, expected) << "the program's frame source";
        }
    }
    // Nothing but the finished files is left in the folder.
    for (const QString& name : QDir(dir.path()).entryList(QDir::Files | QDir::Hidden))
        EXPECT_TRUE(name.startsWith(QLatin1String("edited")) && name.endsWith(QLatin1String(".avi")))
            << name.toStdString();
}

TEST(RecordMontage, CropsFromTheOffsetsOrStretches)
{
    QTemporaryDir dir;
    TMontage montage;
    montage.Init(1);
    // Column x of the source has red = x, row y has green = y.
    const TFrameReader reader = [](int, QImage& image) {
        image = QImage(320, 120, QImage::Format_RGB32);
        for (int y = 0; y < 120; ++y)
            for (int x = 0; x < 320; ++x)
                image.setPixel(x, y, qRgb(x % 256, y, 0));
        return true;
    };
    TRecordMontage record;
    record.SetFramework(0);
    record.SetCodecIndex(-1); // uncompressed: exact pixels
    TEditedSaveSetup setup;
    setup.SourceWidth = 320;
    setup.SourceHeight = 120;
    setup.FramesPerSecond = 25.0;

    setup.FileName = dir.filePath(QStringLiteral("crop.avi"));
    setup.Resize = false;
    setup.CropLeft = 10;
    setup.CropTop = 4;
    setup.Width = 320 - 10 - 6;
    setup.Height = 120 - 4 - 2;
    ASSERT_TRUE(record.WriteEdited(montage, reader, setup)) << record.Detail.toStdString();
    std::vector<QImage> frames = FfmpegDecodeAll(setup.FileName);
    ASSERT_EQ(frames.size(), 1u);
    ASSERT_EQ(frames[0].size(), QSize(304, 114));
    EXPECT_EQ(qRed(frames[0].pixel(0, 0)), 10);
    EXPECT_EQ(qGreen(frames[0].pixel(0, 0)), 4);
    EXPECT_EQ(qRed(frames[0].pixel(303, 113)), (313) % 256);

    setup.FileName = dir.filePath(QStringLiteral("resize.avi"));
    setup.Resize = true;
    setup.Width = 160;
    setup.Height = 60;
    ASSERT_TRUE(record.WriteEdited(montage, reader, setup)) << record.Detail.toStdString();
    frames = FfmpegDecodeAll(setup.FileName);
    ASSERT_EQ(frames.size(), 1u);
    ASSERT_EQ(frames[0].size(), QSize(160, 60));
    EXPECT_NEAR(qGreen(frames[0].pixel(80, 30)), 60, 2);
    EXPECT_NEAR(qRed(frames[0].pixel(40, 30)), 80, 3);
}

TEST(RecordMontage, FailuresLeaveTheDestinationAsItWas)
{
    QTemporaryDir dir;
    const TMontage montage = EditedSequence();
    const QString existing = dir.filePath(QStringLiteral("old.avi"));
    {
        QFile old(existing);
        ASSERT_TRUE(old.open(QIODevice::WriteOnly));
        old.write("older video");
    }
    auto base = [&] {
        TEditedSaveSetup s;
        s.FileName = existing;
        s.FramesPerSecond = 25.0;
        s.SourceWidth = W;
        s.SourceHeight = H;
        return s;
    };
    for (int framework = 0; framework < 3; ++framework) {
        SCOPED_TRACE(framework);
        TRecordMontage record;
        record.SetFramework(framework);
        record.Writer()->SetCodecIndex(framework == 0 ? -1 : 0);

        // Cancelled halfway.
        int added = 0;
        record.ProcessEvents = [&] {
            if (++added == 5)
                record.Cancel();
        };
        EXPECT_FALSE(record.WriteEdited(montage, FlatReader(12), base()));
        EXPECT_EQ(record.ErrorText, QStringLiteral("Process cancelled"));
        EXPECT_TRUE(record.Cancelled);
        EXPECT_FALSE(record.Recording);
        record.ProcessEvents = nullptr;
        {
            // A cancel is told as such, not as an error.
            TScriptedUserDlgScope dlg;
            dlg->Answer(0);
            record.ReportOutcome(false);
            ASSERT_EQ(dlg->Shown.size(), 1u);
            EXPECT_EQ(dlg->Shown[0].Icon, icInformation);
            EXPECT_EQ(dlg->Shown[0].Text(), QStringLiteral("Saving cancelled; no file written."));
        }

        // A reading error of the source.
        const TFrameReader failing = [](int f, QImage& image) {
            image = Flat(Grey(f));
            return f < 6;
        };
        EXPECT_FALSE(record.WriteEdited(montage, failing, base()));
        EXPECT_EQ(record.ErrorText, QStringLiteral("The video playback was interrupted."));
        EXPECT_FALSE(record.Cancelled);
        {
            TScriptedUserDlgScope dlg;
            dlg->Answer(0);
            record.ReportOutcome(false);
            ASSERT_EQ(dlg->Shown.size(), 1u);
            EXPECT_EQ(dlg->Shown[0].Icon, icWarning);
            EXPECT_EQ(dlg->Shown[0].Text(),
                      QStringLiteral("Error detected while creating video file: /  / The video playback was "
                                     "interrupted."));
        }

        // A folder that does not exist.
        TEditedSaveSetup missing = base();
        missing.FileName = dir.filePath(QStringLiteral("no/such/folder/out.avi"));
        EXPECT_FALSE(record.WriteEdited(montage, FlatReader(12), missing));
        EXPECT_FALSE(record.ErrorText.isEmpty());

        // Odd sizes: stored when the codec can take them, refused cleanly when it cannot.
        TEditedSaveSetup odd = base();
        odd.FileName = dir.filePath(QStringLiteral("odd%1.avi").arg(framework));
        odd.Width = W - 1;
        odd.Height = H - 1;
        odd.Resize = false;
        const bool stored = record.WriteEdited(montage, FlatReader(12), odd);
        EXPECT_EQ(stored, QFile::exists(odd.FileName));
        if (framework == 2) {
            EXPECT_FALSE(stored); // MPEG-4 needs even sizes
        }
        QFile::remove(odd.FileName);

        QFile old(existing);
        ASSERT_TRUE(old.open(QIODevice::ReadOnly));
        EXPECT_EQ(old.readAll(), QByteArray("older video"));
        EXPECT_EQ(Leftovers(dir.path(), {QStringLiteral("old.avi")}), QStringList());
    }
}

TEST(RecordMontage, FullDiskFailsCleanly)
{
    // A file size limit on this process stands for a full disk.
    QTemporaryDir dir;
    TMontage montage;
    montage.Init(40);
    for (int framework = 0; framework < 3; ++framework) {
        SCOPED_TRACE(framework);
        TRecordMontage record;
        record.SetFramework(framework);
        record.Writer()->SetCodecIndex(-1); // uncompressed: 40 frames of 57 KiB pass the limit
        TEditedSaveSetup setup;
        setup.FileName = dir.filePath(QStringLiteral("full.avi"));
        setup.FramesPerSecond = 25.0;
        setup.SourceWidth = W;
        setup.SourceHeight = H;
        bool written = true;
        {
            TFileSizeLimit limit(512 * 1024);
            ASSERT_TRUE(limit.Set());
            written = record.WriteEdited(montage, FlatReader(40), setup);
        }
        EXPECT_FALSE(written);
        EXPECT_FALSE(record.ErrorText.isEmpty());
        EXPECT_FALSE(QFile::exists(setup.FileName));
        EXPECT_EQ(Leftovers(dir.path(), {}), QStringList());
    }
}

TEST(RecordMontage, SettingsAndFreeFileName)
{
    QTemporaryDir dir;
    TIniFile ini(QString{});
    TRecordMontage record;
    record.ReadSettings(ini); // nothing stored: the first framework, no compression
    EXPECT_EQ(record.Framework, 0);
    EXPECT_EQ(record.CodecIndex(), -1);
    record.SetFramework(2);
    record.SetCodecIndex(0);
    record.WriteSettings(ini);
    EXPECT_EQ(ini.ReadString(SectionMontage, QStringLiteral("Framework"), {}), QStringLiteral("FFMpeg"));
    EXPECT_EQ(ini.ReadString(SectionMontage, QStringLiteral("Codec"), {}),
              QStringLiteral("FFMpeg internal MPEG4 codec"));
    TRecordMontage again;
    again.ReadSettings(ini);
    EXPECT_EQ(again.Framework, 2);
    EXPECT_EQ(again.CodecIndex(), 0);
    // Never read: nothing written.
    TIniFile untouched(QString{});
    TRecordMontage fresh;
    fresh.WriteSettings(untouched);
    EXPECT_FALSE(untouched.ValueExists(SectionMontage, QStringLiteral("Framework")));

    const QDate day(2026, 12, 10);
    const QString first = TRecordMontage::FreeFileName(dir.path(), QStringLiteral("EditedVideo"), "AVI", day);
    EXPECT_EQ(first, dir.filePath(QStringLiteral("EditedVideo_1_10122026.avi")));
    QFile(first).open(QIODevice::WriteOnly);
    EXPECT_EQ(TRecordMontage::FreeFileName(dir.path(), QStringLiteral("EditedVideo_10122026__"), "avi", day),
              dir.filePath(QStringLiteral("EditedVideo_2_10122026.avi")));
}

// The quality of the save dialog reaches the FFmpeg and GStreamer encoders: a lower quality gives a smaller
// file of the same frames. Lossless codecs and "without" do not take it.
TEST(RecordMontage, LowerQualityGivesASmallerFile)
{
    QTemporaryDir dir;
    // Fine detail that an encoder can only keep at a cost.
    std::vector<QImage> frames;
    std::uint32_t seed = 12345;
    for (int f = 0; f < 8; ++f) {
        QImage image(160, 120, QImage::Format_RGB32);
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x) {
                seed = seed * 1664525u + 1013904223u;
                const int v = int(seed >> 24);
                image.setPixel(x, y, qRgb(v, (v + x * 3) & 255, (v + y * 5 + f * 9) & 255));
            }
        frames.push_back(image);
    }
    int tested = 0;
    for (int framework : {1, 2}) {
        const std::unique_ptr<TVideoWriter> writer = MakeVideoWriter(framework);
        ASSERT_TRUE(writer);
        const QStringList codecs = writer->Codecs();
        writer->SetCodecIndex(-1);
        EXPECT_FALSE(writer->UsesQuality());
        for (int c = 0; c < codecs.size(); ++c) {
            writer->SetCodecIndex(c);
            if (!writer->UsesQuality())
                continue;
            SCOPED_TRACE((writer->DisplayName() + QStringLiteral(" / ") + codecs[c]).toStdString());
            qint64 sizes[2] = {0, 0};
            bool written = true;
            for (int q = 0; q < 2 && written; ++q) {
                TWriterSetup setup;
                setup.Width = 160;
                setup.Height = 120;
                setup.FramesPerSecond = 25.0;
                setup.QualityPercent = q == 0 ? 10 : 100;
                setup.FileName = dir.filePath(QStringLiteral("q%1_%2_%3.avi").arg(framework).arg(c).arg(q));
                written = writer->Start(setup);
                for (const QImage& image : frames)
                    written = written && writer->Add(image);
                written = written && writer->Finish();
                sizes[q] = QFileInfo(setup.FileName).size();
            }
            if (!written) { // an encoder of fixed picture sizes (DV)
                std::printf("%s refuses 160 x 120: %s\n", qPrintable(codecs[c]),
                            qPrintable(writer->Detail()));
                continue;
            }
            std::printf("%s: %lld bytes at 10 %%, %lld at 100 %%\n", qPrintable(codecs[c]), sizes[0],
                        sizes[1]);
            EXPECT_LT(sizes[0] * 3 / 2, sizes[1]);
            ++tested;
        }
    }
    EXPECT_GE(tested, 2); // the FFmpeg writer's MPEG-4 and Motion JPEG at least
}
