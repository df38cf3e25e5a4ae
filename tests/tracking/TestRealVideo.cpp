// Tracking on real videos of the shared data against their hand-marked reference positions. The frames
// are decoded at test time by the ffmpeg tool into a pipe; the tests skip when the data or the tool is
// absent.
#include "tracking/UnitTrackCommand.h"
#include "tracking/UnitTracking.h"

#include "SyntheticClip.h"
#include "support/TestSupport.h"

#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
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
        probe.start(QStringLiteral("ffprobe"),
                    {"-v", "error", "-select_streams", "v:0", "-show_entries",
                     "stream=width,height,nb_frames,r_frame_rate", "-of", "csv=p=0", path});
        if (!probe.waitForFinished(120000) || probe.exitCode() != 0)
            return false;
        const QStringList fields = QString::fromLatin1(probe.readAllStandardOutput()).trimmed().split(',');
        if (fields.size() < 4)
            return false;
        FWidth = fields[0].toInt();
        FHeight = fields[1].toInt();
        const QStringList rate = fields[2].split('/');
        FRate = rate.size() == 2 && rate[1].toDouble() > 0 ? rate[0].toDouble() / rate[1].toDouble() : 0.0;
        FCount = fields[3].toInt();
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
    double Rate() const { return FRate; }

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
    double FRate = 0.0;
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
    request.FramesPerSecond = frames.Rate();
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

// The free fall's outline: on a frame where the ball has begun to move, around it.
constexpr int FreeFallFirst = 20;
const QPointF FreeFallCentre(160.0, 47.0);

// A run as a new user makes it: a small circle drawn around the object on one frame, no zone to ignore,
// the default search radius. Positions in frame pixels from the top-left corner of the frame, by frame.
struct TNewUserRun
{
    bool Skipped = false;
    std::map<int, QPointF> Positions;
    std::map<int, double> Confidences;
    TTrackingEnd End = teNone;
    QString Message;
};

TNewUserRun TrackAsNewUser(const char* videoName, int first, int last, const QPointF& centre, double radius)
{
    TNewUserRun run;
    const QString video = SharedDataPath(videoName);
    if (video.isEmpty() || QStandardPaths::findExecutable("ffmpeg").isEmpty() ||
        QStandardPaths::findExecutable("ffprobe").isEmpty()) {
        run.Skipped = true;
        return run;
    }
    TPipedVideo frames;
    EXPECT_TRUE(frames.Open(video)) << videoName;
    const QImage outlineFrame = frames.At(first);
    EXPECT_FALSE(outlineFrame.isNull());
    const int w = outlineFrame.width(), h = outlineFrame.height();
    TTracking tracking;
    tracking.Reset(1, frames.Count());
    tracking.FramesPerSecond = frames.Rate();
    tracking.FrameAt = [&](int f) { return f == first ? outlineFrame : frames.At(f); };
    EXPECT_TRUE(tracking.SetOutline(SynthCircleOutline(centre, radius, w, h), first, outlineFrame));
    tracking.SetLastFrame(last);
    tracking.StartStop();
    run.End = tracking.EndReason;
    run.Message = tracking.EndMessage(0);
    for (int f = first; f <= last; ++f)
        if (tracking.TrackedFrame[0][f] >= 0) {
            run.Positions[f] =
                QPointF(tracking.TrackedPositionRel[0][f].x() * w, tracking.TrackedPositionRel[0][f].y() * h);
            run.Confidences[f] = tracking.TrackedConfidence[0][f];
        }
    if (qEnvironmentVariableIsSet("KINOTRA_TRACK_DUMP"))
        for (const auto& [f, p] : run.Positions)
            std::printf("%d,%.3f,%.3f,%.4f\n", f, p.x(), p.y(), run.Confidences[f]);
    return run;
}

// RMS distance of the run's positions to the reference ones on the frames both have. The reference's
// pixel convention (corner or centre at integer coordinates) is not known: the better of the two counts.
double RmsAgainst(const TNewUserRun& run, const std::map<int, QPointF>& reference, int first, int last,
                  int& compared, double& worst)
{
    double best = 1e300;
    for (const double shift : {0.0, -0.5}) {
        double sum2 = 0.0, largest = 0.0;
        int count = 0;
        for (const auto& [f, p] : reference) {
            if (f < first || f > last || !run.Positions.count(f))
                continue;
            const QPointF d = run.Positions.at(f) + QPointF(shift, shift) - p;
            sum2 += d.x() * d.x() + d.y() * d.y();
            largest = std::max(largest, std::hypot(d.x(), d.y()));
            ++count;
        }
        if (count > 0 && std::sqrt(sum2 / count) < best) {
            best = std::sqrt(sum2 / count);
            compared = count;
            worst = largest;
        }
    }
    return best;
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

TEST(RealVideo, NewUserOutlinesWithoutZones)
{
    // The ball toss: a white ball of about 10 pixels flies past a white measuring stick at 22 pixels a
    // frame; the glider: white and pink cups turning over a green board at 240 frames a second.
    const struct
    {
        const char* Video;
        const char* Reference;
        int FrameColumn;
        int First, Last;
        QPointF Centre;
        double Radius;
        double MaxRms;
    } cases[] = {
        {"videos/osp_balltoss/BallTossOut.mp4",
         "videos/osp_balltoss/reference_positions.csv",
         7,
         10,
         30,
         {131.5, 208.0},
         8.0,
         3.0},
        {"videos/osp_diabolo_240fps/diabolo_cm_trajectory_2_240fps.mp4",
         "videos/osp_diabolo_240fps/reference_positions.csv",
         1,
         135,
         300,
         {756.6, 151.1},
         32.0,
         8.0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Video);
        const TNewUserRun run = TrackAsNewUser(c.Video, c.First, c.Last, c.Centre, c.Radius);
        if (run.Skipped)
            GTEST_SKIP() << "shared video data or the ffmpeg tool absent: " << c.Video;
        EXPECT_EQ(run.End, teLastFrame) << run.Message.toStdString();
        EXPECT_EQ(static_cast<int>(run.Positions.size()), c.Last - c.First + 1);
        const std::map<int, QPointF> reference = ReadReference(SharedDataPath(c.Reference), c.FrameColumn);
        int compared = 0;
        double worst = 0.0;
        const double rms = RmsAgainst(run, reference, c.First, c.Last, compared, worst);
        int doubtful = 0;
        for (const auto& [f, confidence] : run.Confidences)
            doubtful += confidence < TTracking::DoubtLevel ? 1 : 0;
        std::printf("[ info ] %s: frames %d..%d, %d reference positions, RMS %.2f px, largest %.2f px, "
                    "%d doubtful frames\n",
                    c.Video, c.First, c.Last, compared, rms, worst, doubtful);
        EXPECT_GT(compared, 0);
        EXPECT_LT(rms, c.MaxRms);
        // No confident frame far from the hand mark.
        for (const auto& [f, p] : reference)
            if (run.Positions.count(f) && run.Confidences.at(f) >= TTracking::DoubtLevel) {
                const QPointF d = run.Positions.at(f) - p;
                EXPECT_LT(std::hypot(d.x(), d.y()), c.Radius) << "frame " << f;
            }
    }
}

TEST(RealVideo, FreeFallAtAThousandFramesASecondGivesG)
{
    // A dark steel ball with a bright highlight falls past a bright horizontal bar on a dark background,
    // filmed at 1000 frames a second (the file says 30). The outline is drawn on the first frames where
    // it moves; y(t) must be the parabola of a free fall.
    const int first = FreeFallFirst, last = 200;
    const TNewUserRun run =
        TrackAsNewUser("videos/caida_libre_1000fps/CaidaLibreTrim.mp4", first, last, FreeFallCentre, 40.0);
    if (run.Skipped)
        GTEST_SKIP() << "shared video data or the ffmpeg tool absent";
    EXPECT_EQ(run.End, teLastFrame) << run.Message.toStdString();
    ASSERT_EQ(static_cast<int>(run.Positions.size()), last - first + 1);
    // y = a + b t + c t^2 by least squares, t in frames.
    double m[3][3] = {}, v[3] = {};
    for (const auto& [f, p] : run.Positions) {
        const double powers[3] = {1.0, double(f - first), double(f - first) * (f - first)};
        for (int i = 0; i < 3; ++i) {
            for (int j = 0; j < 3; ++j)
                m[i][j] += powers[i] * powers[j];
            v[i] += powers[i] * p.y();
        }
    }
    for (int c = 0; c < 3; ++c)
        for (int r = c + 1; r < 3; ++r) {
            const double k = m[r][c] / m[c][c];
            for (int j = 0; j < 3; ++j)
                m[r][j] -= k * m[c][j];
            v[r] -= k * v[c];
        }
    double coef[3];
    for (int r = 2; r >= 0; --r) {
        double sum = v[r];
        for (int j = r + 1; j < 3; ++j)
            sum -= m[r][j] * coef[j];
        coef[r] = sum / m[r][r];
    }
    double sum2 = 0.0, worstX = 0.0;
    for (const auto& [f, p] : run.Positions) {
        const double t = f - first;
        const double r = p.y() - (coef[0] + coef[1] * t + coef[2] * t * t);
        sum2 += r * r;
        worstX = std::max(worstX, std::abs(p.x() - run.Positions.begin()->second.x()));
    }
    const double residual = std::sqrt(sum2 / run.Positions.size());
    // 1 ms a frame, 36.65 pixels a centimetre.
    const double g = 2.0 * coef[2] * 1e6 / 3665.0;
    std::printf("[ info ] free fall: frames %d..%d, y(t) parabola residual %.2f px, g = %.3f m/s^2, "
                "largest sideways drift %.2f px\n",
                first, last, residual, g, worstX);
    EXPECT_LT(residual, 1.5);
    EXPECT_NEAR(g, 9.6, 0.3);
    EXPECT_LT(worstX, 5.0);
}

TEST(RealVideo, RedPendulumFollowedOverEveryFrame)
{
    // A red bauble swinging in front of a light grey wall, 305 frames at 29.75 frames a second; its
    // period, measured otherwise, is 2.6285 s.
    const TNewUserRun run =
        TrackAsNewUser("videos/pendulum_red_ball/pendulum.mp4", 0, 304, {525.0, 247.0}, 32.0);
    if (run.Skipped)
        GTEST_SKIP() << "shared video data or the ffmpeg tool absent";
    EXPECT_EQ(run.End, teLastFrame) << run.Message.toStdString();
    ASSERT_EQ(run.Positions.size(), 305u);
    // Crossings of the mean x, interpolated, give the period.
    double mean = 0.0;
    for (const auto& [f, p] : run.Positions)
        mean += p.x() / run.Positions.size();
    std::vector<double> crossings;
    for (int f = 1; f <= 304; ++f) {
        const double a = run.Positions.at(f - 1).x() - mean, b = run.Positions.at(f).x() - mean;
        if ((a < 0) != (b < 0))
            crossings.push_back(f - 1 + a / (a - b));
    }
    ASSERT_GE(crossings.size(), 3u);
    const double period = 2.0 * (crossings.back() - crossings.front()) / (crossings.size() - 1) * 4.0 / 119.0;
    int doubtful = 0;
    for (const auto& [f, confidence] : run.Confidences)
        doubtful += confidence < TTracking::DoubtLevel ? 1 : 0;
    std::printf("[ info ] red pendulum: %zu frames, %d doubtful, period %.4f s\n", run.Positions.size(),
                doubtful, period);
    EXPECT_NEAR(period, 2.6285, 0.02);
    EXPECT_LE(doubtful, 10);
}
