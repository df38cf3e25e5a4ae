// The demonstration clip and the FFmpeg writer: the written clip, read back, shows the ball where the ground
// truth says and gives g from its own ruler; the writer's failures.
#include "editing/UnitDemoClip.h"
#include "editing/UnitFFMpegRecord.h"

#include "video/UnitFFMpegPlay.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>
#include <cmath>

namespace {

// Centre of the ball near where it should be: each pixel weighs by how far it has turned from the sky's
// colour to the ball's red (pixel centres at +0.5). (-1, -1) when there is no red there.
QPointF BallSeen(const QImage& image, QPointF near)
{
    double sx = 0.0, sy = 0.0, n = 0.0;
    const int radius = 20;
    for (int y = std::max(0, int(near.y()) - radius); y < std::min(image.height(), int(near.y()) + radius);
         ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = std::max(0, int(near.x()) - radius); x < std::min(image.width(), int(near.x()) + radius);
             ++x) {
            const QRgb c = row[x];
            // red - green is -25 on the sky and 190 on the ball
            const double w = std::clamp((qRed(c) - qGreen(c) + 25.0) / 215.0, 0.0, 1.0);
            sx += w * (x + 0.5);
            sy += w * (y + 0.5);
            n += w;
        }
    }
    return n > 0.0 ? QPointF(sx / n, sy / n) : QPointF(-1, -1);
}

// Least-squares parabola y = a t^2 + b t + c; returns a.
double QuadraticCoefficient(const std::vector<double>& t, const std::vector<double>& y)
{
    double s[5] = {}, r[3] = {};
    for (std::size_t i = 0; i < t.size(); ++i) {
        double p = 1.0;
        for (int k = 0; k < 5; ++k, p *= t[i])
            s[k] += p;
        r[0] += y[i];
        r[1] += y[i] * t[i];
        r[2] += y[i] * t[i] * t[i];
    }
    // Normal equations [s0 s1 s2; s1 s2 s3; s2 s3 s4] (c b a) = r, solved by Cramer's rule for a.
    auto det = [](double a, double b, double c, double d, double e, double f, double g, double h, double i) {
        return a * (e * i - f * h) - b * (d * i - f * g) + c * (d * h - e * g);
    };
    const double d = det(s[0], s[1], s[2], s[1], s[2], s[3], s[2], s[3], s[4]);
    return det(s[0], s[1], r[0], s[1], s[2], r[1], s[2], s[3], r[2]) / d;
}

class TOldWriter : public TFFMpegRecord
{
protected:
    bool RuntimeTooOld() const override { return true; }
};

} // namespace

TEST(DemoClip, TheWrittenClipMatchesItsGroundTruth)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("throw.avi"));
    QString error;
    ASSERT_TRUE(TDemoClip::Write(path, error)) << error.toStdString();
    EXPECT_EQ(TFFMpegPlay::Comment(path), QStringLiteral("Kinotra video FFMpeg MPEG4 codec"));

    TFFMpegPlay source;
    ASSERT_TRUE(source.Open(path)) << source.ErrorText.toStdString();
    EXPECT_EQ(source.FrameCount, TDemoClip::FrameCount);
    EXPECT_EQ(source.FrameWidth, TDemoClip::Width);
    EXPECT_EQ(source.FrameHeight, TDemoClip::Height);
    EXPECT_DOUBLE_EQ(source.FramesPerSecond, TDemoClip::FramesPerSecond);

    const double metre = QLineF(TDemoClip::RulerLeft(), TDemoClip::RulerRight()).length();
    EXPECT_DOUBLE_EQ(metre, TDemoClip::PixelsPerMetre);
    std::vector<double> times, heights;
    QImage image(source.FrameWidth, source.FrameHeight, QImage::Format_RGB32);
    for (int frame = TDemoClip::FrameCount - 1; frame >= 0; --frame) {
        source.Seek(frame);
        ASSERT_TRUE(source.Draw(image, image.rect(), SRCCOPY));
        const QPointF truth = TDemoClip::BallCentre(frame);
        const QPointF seen = BallSeen(image, truth);
        EXPECT_NEAR(seen.x(), truth.x(), 0.5) << "frame " << frame;
        EXPECT_NEAR(seen.y(), truth.y(), 0.5) << "frame " << frame;
        times.push_back(static_cast<double>(frame) / source.FramesPerSecond);
        heights.push_back((TDemoClip::RulerLeft().y() - seen.y()) / metre); // metres, upwards
    }
    // What a student measures: g from the parabola of the heights, in metres by the ruler.
    EXPECT_NEAR(-2.0 * QuadraticCoefficient(times, heights), TDemoClip::Gravity, 0.02);
}

TEST(DemoClip, WriterFailuresLeaveNoFile)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    struct Case
    {
        const char* Name;
        QString File;
        int Width;
        int Height;
        double Fps;
    };
    const Case cases[] = {
        {"odd size", dir.filePath(QStringLiteral("odd.avi")), 63, 48, 25.0},
        {"no rate", dir.filePath(QStringLiteral("rate.avi")), 64, 48, 0.0},
        {"no name", QString(), 64, 48, 25.0},
        {"missing folder", dir.filePath(QStringLiteral("none/x.avi")), 64, 48, 25.0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        TFFMpegRecord writer;
        writer.FileName = c.File;
        writer.Width = c.Width;
        writer.Height = c.Height;
        writer.FramesPerSecond = c.Fps;
        EXPECT_FALSE(writer.Open());
        EXPECT_TRUE(writer.Failed);
        EXPECT_EQ(writer.ErrorText(), QStringLiteral("Unknown error"));
        EXPECT_FALSE(writer.Detail.isEmpty());
        EXPECT_FALSE(writer.AddFrame(QImage(64, 48, QImage::Format_RGB32)));
        EXPECT_FALSE(writer.Close());
        if (!c.File.isEmpty()) {
            EXPECT_FALSE(QFile::exists(c.File));
        }
    }
    TOldWriter old;
    old.FileName = dir.filePath(QStringLiteral("old.avi"));
    old.Width = 64;
    old.Height = 48;
    old.FramesPerSecond = 25.0;
    EXPECT_FALSE(old.Open());
    EXPECT_EQ(old.State, 2);
    EXPECT_TRUE(old.ErrorText().startsWith(
        QStringLiteral("The « FFmpeg » libraries installed on the hard disk are too old.")));

    // The frames go to a temporary file beside the destination; a writer dropped before Close removes it,
    // and nothing ever appears under the destination's name.
    const QString unfinished = dir.filePath(QStringLiteral("unfinished.avi"));
    QString temporary;
    {
        TFFMpegRecord writer;
        writer.FileName = unfinished;
        writer.Width = 64;
        writer.Height = 48;
        writer.FramesPerSecond = 25.0;
        ASSERT_TRUE(writer.Open());
        ASSERT_TRUE(writer.AddFrame(QImage(64, 48, QImage::Format_RGB32)));
        temporary = writer.TempFileName;
        EXPECT_TRUE(QFile::exists(temporary));
        EXPECT_FALSE(QFile::exists(unfinished));
    }
    EXPECT_FALSE(QFile::exists(temporary));
    EXPECT_FALSE(QFile::exists(unfinished));
}

TEST(DemoClip, UncompressedFramesAreKeptExactly)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    TFFMpegRecord writer;
    writer.FileName = dir.filePath(QStringLiteral("raw.avi"));
    writer.Width = 64;
    writer.Height = 48;
    writer.FramesPerSecond = 30.0;
    writer.CodecIndex = -1;
    EXPECT_TRUE(writer.CodecName().isEmpty());
    const QString path = writer.FileName;
    ASSERT_TRUE(writer.Open()) << writer.Detail.toStdString();
    std::vector<QImage> frames;
    for (int i = 0; i < 3; ++i) {
        QImage image(64, 48, QImage::Format_RGB32);
        image.fill(QColor(40 * i, 255 - 60 * i, 7 * i));
        image.setPixel(5, 5 + i, qRgb(255, 255, 255));
        frames.push_back(image);
        ASSERT_TRUE(writer.AddFrame(image));
    }
    ASSERT_TRUE(writer.Close());
    EXPECT_TRUE(writer.FileName.isEmpty());
    TFFMpegPlay source;
    ASSERT_TRUE(source.Open(path)) << source.ErrorText.toStdString();
    EXPECT_EQ(source.FrameCount, 3);
    EXPECT_NEAR(source.FramesPerSecond, 30.0, 1e-9);
    QImage image(64, 48, QImage::Format_RGB32);
    for (int i : {2, 0, 1}) {
        source.Seek(i);
        ASSERT_TRUE(source.Draw(image, image.rect(), SRCCOPY));
        EXPECT_EQ(image, frames[static_cast<std::size_t>(i)]) << i;
    }
}
