// Tracking on real videos of the shared data against their hand-marked reference positions. The frames
// are decoded at test time by the ffmpeg tool into a pipe; the tests skip when the data or the tool is
// absent.
#include "tracking/UnitTrackCommand.h"

#include "support/TestSupport.h"

#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <gtest/gtest.h>

#include <cmath>
#include <map>

namespace {

// Frames of a video read in order from "ffmpeg ... -f rawvideo -pix_fmt rgb24 -"; a frame before the
// last one read is no longer available (the tracking asks for frames in increasing order).
class TPipedVideo
{
public:
    bool Open(const QString& path)
    {
        QProcess probe;
        probe.start(QStringLiteral("ffprobe"), {"-v", "error", "-select_streams", "v:0", "-show_entries",
                                                "stream=width,height,nb_frames", "-of", "csv=p=0", path});
        if (!probe.waitForFinished(120000) || probe.exitCode() != 0)
            return false;
        const QStringList fields = QString::fromLatin1(probe.readAllStandardOutput()).trimmed().split(',');
        if (fields.size() < 3)
            return false;
        FWidth = fields[0].toInt();
        FHeight = fields[1].toInt();
        FCount = fields[2].toInt();
        FDecoder.start(QStringLiteral("ffmpeg"),
                       {"-v", "error", "-i", path, "-f", "rawvideo", "-pix_fmt", "rgb24", "-"});
        return FWidth > 0 && FHeight > 0 && FCount > 0 && FDecoder.waitForStarted();
    }

    ~TPipedVideo()
    {
        FDecoder.kill();
        FDecoder.waitForFinished();
    }

    int Count() const { return FCount; }

    QImage At(int frame)
    {
        while (FIndex < frame) {
            if (!ReadNext())
                return {};
        }
        return FIndex == frame ? FCurrent : QImage();
    }

private:
    bool ReadNext()
    {
        const qint64 size = qint64(FWidth) * FHeight * 3;
        QByteArray bytes;
        while (bytes.size() < size) {
            if (FDecoder.bytesAvailable() == 0 && !FDecoder.waitForReadyRead(60000))
                return false;
            bytes += FDecoder.read(size - bytes.size());
        }
        FCurrent = QImage(reinterpret_cast<const uchar*>(bytes.constData()), FWidth, FHeight, FWidth * 3,
                          QImage::Format_RGB888)
                       .convertToFormat(QImage::Format_RGB32);
        ++FIndex;
        return true;
    }

    QProcess FDecoder;
    int FWidth = 0, FHeight = 0, FCount = 0;
    int FIndex = -1;
    QImage FCurrent;
};

// Reference positions by frame of the video file: column frameColumn holds the frame.
std::map<int, QPointF> ReadReference(const QString& path, int frameColumn)
{
    std::map<int, QPointF> reference;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return reference;
    file.readLine(); // header
    while (!file.atEnd()) {
        const QStringList cells = QString::fromUtf8(file.readLine()).trimmed().split(',');
        if (cells.size() > std::max(frameColumn, 4))
            reference[cells[frameColumn].toInt()] = QPointF(cells[3].toDouble(), cells[4].toDouble());
    }
    return reference;
}

struct TRealCase
{
    const char* Video;
    const char* Reference;
    int FrameColumn;
    int First;
    int Last;
    QRect Rect;
    int Radius;
    std::vector<QRect> Ignore;
    double MaxRms; // pixels; the hand-marked point is not always the middle of the object's colours
};

void RunRealCase(const TRealCase& c)
{
    const QString video = SharedDataPath(c.Video);
    const QString referencePath = SharedDataPath(c.Reference);
    if (video.isEmpty() || referencePath.isEmpty())
        GTEST_SKIP() << "shared video data absent: " << c.Video;
    if (QStandardPaths::findExecutable("ffmpeg").isEmpty() ||
        QStandardPaths::findExecutable("ffprobe").isEmpty())
        GTEST_SKIP() << "the ffmpeg tool is not installed";
    TPipedVideo frames;
    ASSERT_TRUE(frames.Open(video)) << c.Video;
    const std::map<int, QPointF> reference = ReadReference(referencePath, c.FrameColumn);
    ASSERT_FALSE(reference.empty());

    TTrackRequest request;
    request.Frame = c.First;
    request.Rect = c.Rect;
    request.Last = c.Last;
    request.Radius = c.Radius;
    request.Ignore = c.Ignore;
    QString csv, message;
    ASSERT_EQ(RunTrackCommand(
                  request, frames.Count(), [&](int f) { return frames.At(f); }, 40, csv, message),
              0)
        << message.toStdString();
    EXPECT_TRUE(message.isEmpty()) << message.toStdString();

    double sum2 = 0.0, worst = 0.0;
    int compared = 0, tracked = 0;
    if (qEnvironmentVariableIsSet("KINOTRA_TRACK_DUMP"))
        std::printf("%s", csv.toUtf8().constData());
    for (const QString& line : csv.trimmed().split('\n').mid(1)) {
        const QStringList cells = line.split(',');
        ++tracked;
        const auto it = reference.find(cells[0].toInt());
        if (it == reference.end())
            continue;
        const double d =
            std::hypot(cells[1].toDouble() - it->second.x(), cells[2].toDouble() - it->second.y());
        sum2 += d * d;
        worst = std::max(worst, d);
        ++compared;
    }
    EXPECT_EQ(tracked, c.Last - c.First + 1);
    ASSERT_GT(compared, 0);
    const double rms = std::sqrt(sum2 / compared);
    std::printf("[ info ] %s: frames %d..%d, %d reference positions, RMS distance %.2f px, largest %.2f px\n",
                c.Video, c.First, c.Last, compared, rms, worst);
    EXPECT_LT(rms, c.MaxRms);
}

} // namespace

TEST(RealVideo, BallTossAgainstHandMarkedPositions)
{
    // A white ball about 10 pixels across on black, marked by hand on every second frame from 10 to 30.
    // It flies past a white measuring stick, which is a zone to ignore, as a user would draw it; the
    // ball moves about 22 pixels a frame and disappears behind the zone for a frame.
    RunRealCase({"videos/osp_balltoss/BallTossOut.mp4",
                 "videos/osp_balltoss/reference_positions.csv",
                 7,
                 10,
                 30,
                 QRect(125, 202, 13, 12),
                 60,
                 {QRect(274, 0, 18, 470)},
                 3.0});
}

TEST(RealVideo, DiaboloGliderAgainstHandMarkedPositions)
{
    // A paper-cup glider about 55 pixels across, white and pink on a green board, at 240 fps. Before frame
    // 150 it climbs in front of a light wall of its own colours, and after frame 330 it passes in front
    // of a white ledge: there no colour model can tell them apart. In between it flies over the board.
    RunRealCase({"videos/osp_diabolo_240fps/diabolo_cm_trajectory_2_240fps.mp4",
                 "videos/osp_diabolo_240fps/reference_positions.csv",
                 1,
                 150,
                 320,
                 QRect(752, 164, 52, 56),
                 40,
                 {},
                 8.0});
}
