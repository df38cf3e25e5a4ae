// Headless tracking command: CSV output, early ends and refused inputs.
#include "tracking/UnitTrackCommand.h"

#include "SyntheticClip.h"

#include <QStringList>
#include <gtest/gtest.h>

#include <cmath>

namespace {

constexpr int W = 320;
constexpr int H = 240;
constexpr int Frames = 30;

QPointF Path(int f)
{
    return {40.5 + 6.0 * f, 60.5 + 4.0 * f};
}

std::function<QImage(int)> Clip(std::function<QRect(int)> cover = {})
{
    const QImage background = SynthBackground(W, H, 21);
    return [background, cover](int f) {
        if (f < 0 || f >= Frames)
            return QImage();
        return SynthFrame(background, {{Path(f), 8.0}}, cover ? cover(f) : QRect());
    };
}

} // namespace

TEST(TrackCommand, WritesOneRowPerTrackedFrame)
{
    // The rectangle 32..48 x 52..68 holds the disc of frame 0 (centre 40.5, 60.5).
    TTrackRequest request;
    request.Frame = 0;
    request.Rect = QRect(32, 52, 17, 17);
    request.Last = 20;
    QString csv, message;
    EXPECT_EQ(RunTrackCommand(request, Frames, Clip(), 40, csv, message), 0);
    EXPECT_TRUE(message.isEmpty()) << message.toStdString();
    const QStringList lines = csv.trimmed().split('\n');
    ASSERT_EQ(lines.size(), 22);
    EXPECT_EQ(lines[0], "frame,x,y,confidence");
    for (int k = 1; k < lines.size(); ++k) {
        const QStringList cells = lines[k].split(',');
        ASSERT_EQ(cells.size(), 4);
        const int f = cells[0].toInt();
        EXPECT_EQ(f, k - 1);
        EXPECT_NEAR(cells[1].toDouble(), Path(f).x(), 1.0) << f;
        EXPECT_NEAR(cells[2].toDouble(), Path(f).y(), 1.0) << f;
        const double confidence = cells[3].toDouble();
        EXPECT_TRUE(confidence >= 0.5 && confidence <= 1.0) << f;
    }
    // The rectangle's own frame: the centre of the rectangle.
    EXPECT_EQ(lines[1], "0,40.500,60.500,1.0000");
}

TEST(TrackCommand, TargetLostEndsWithAReasonAndExitZero)
{
    TTrackRequest request;
    request.Frame = 2;
    request.Rect = QRect(44, 60, 17, 17);
    QString csv, message;
    const auto clip = Clip([](int f) { return f >= 10 ? QRect(0, 0, W, H) : QRect(); });
    EXPECT_EQ(RunTrackCommand(request, Frames, clip, 40, csv, message), 0);
    EXPECT_TRUE(message.contains("frame 10")) << message.toStdString();
    const QStringList lines = csv.trimmed().split('\n');
    EXPECT_EQ(lines.size(), 1 + 8); // frames 2..9
    EXPECT_TRUE(lines.last().startsWith("9,"));
}

TEST(TrackCommand, RefusesBadInput)
{
    const struct
    {
        const char* Name;
        int Frame;
        QRect Rect;
        int Last;
        int Radius;
        std::vector<QRect> Ignore;
    } cases[] = {
        {"frame below range", -1, {32, 52, 17, 17}, -1, -1, {}},
        {"frame past the end", 30, {32, 52, 17, 17}, -1, -1, {}},
        {"outline on the last frame", 29, {32, 52, 17, 17}, -1, -1, {}},
        {"last before the first", 5, {32, 52, 17, 17}, 5, -1, {}},
        {"last past the end", 0, {32, 52, 17, 17}, 30, -1, {}},
        {"empty rectangle", 0, {32, 52, 0, 17}, -1, -1, {}},
        {"rectangle across the edge", 0, {310, 52, 17, 17}, -1, -1, {}},
        {"rectangle outside", 0, {400, 300, 17, 17}, -1, -1, {}},
        {"radius too small", 0, {32, 52, 17, 17}, -1, 9, {}},
        {"radius too large", 0, {32, 52, 17, 17}, -1, 101, {}},
        {"empty zone", 0, {32, 52, 17, 17}, -1, -1, {QRect(5, 5, 0, 0)}},
    };
    for (const auto& c : cases) {
        TTrackRequest request{c.Frame, c.Rect, c.Last, c.Radius, c.Ignore};
        QString csv, message;
        EXPECT_EQ(RunTrackCommand(request, Frames, Clip(), 40, csv, message), 1) << c.Name;
        EXPECT_FALSE(message.isEmpty()) << c.Name;
        EXPECT_TRUE(csv.isEmpty()) << c.Name;
    }
    // The option's radius is checked too when none is given.
    TTrackRequest request{0, {32, 52, 17, 17}, -1, -1, {}};
    QString csv, message;
    EXPECT_EQ(RunTrackCommand(request, Frames, Clip(), 5, csv, message), 1);
}

TEST(TrackCommand, ParsesRectangles)
{
    const struct
    {
        const char* Text;
        bool Ok;
        QRect Rect;
    } cases[] = {
        {"10,20,30,40", true, {10, 20, 30, 40}},
        {" 1, 2 ,3,4", true, {1, 2, 3, 4}},
        {"1,2,3", false, {}},
        {"1,2,3,4,5", false, {}},
        {"a,2,3,4", false, {}},
        {"1.5,2,3,4", false, {}},
        {"", false, {}},
    };
    for (const auto& c : cases) {
        QRect rect;
        EXPECT_EQ(ParseTrackRect(c.Text, rect), c.Ok) << c.Text;
        if (c.Ok) {
            EXPECT_EQ(rect, c.Rect) << c.Text;
        }
    }
}

TEST(TrackCommand, AShortCoverGivesDoubtfulRowsAndTheRunGoesOn)
{
    TTrackRequest request;
    request.Frame = 0;
    request.Rect = QRect(32, 52, 17, 17);
    request.Last = 20;
    QString csv, message;
    const auto clip = Clip([](int f) { return f >= 8 && f <= 10 ? QRect(0, 0, W, H) : QRect(); });
    EXPECT_EQ(RunTrackCommand(request, Frames, clip, 40, csv, message), 0);
    EXPECT_TRUE(message.isEmpty()) << message.toStdString();
    const QStringList lines = csv.trimmed().split('\n');
    ASSERT_EQ(lines.size(), 22);
    for (int k = 1; k < lines.size(); ++k) {
        const QStringList cells = lines[k].split(',');
        const int f = cells[0].toInt();
        const double confidence = cells[3].toDouble();
        const double error = std::hypot(cells[1].toDouble() - Path(f).x(), cells[2].toDouble() - Path(f).y());
        EXPECT_EQ(confidence < 0.5, f >= 8 && f <= 10) << f;
        EXPECT_LT(error, confidence >= 0.5 ? 1.0 : 6.0) << f;
    }
}

TEST(TrackCommand, HardInputEndsWithAReasonAndNoPositionOutsideTheFrame)
{
    const QImage background = SynthBackground(W, H, 21);
    const QImage uniform = [] {
        QImage image(W, H, QImage::Format_RGB32);
        image.fill(qRgb(120, 120, 120));
        return image;
    }();
    const struct
    {
        const char* Name;
        std::function<QImage(int)> Frames;
        QRect Rect;
        int Code;
        const char* Says; // part of the message; empty: none
        int Rows;         // -1: not checked
    } cases[] = {
        {"uniform outline", [&](int) { return uniform; }, QRect(100, 100, 20, 20), 1, "uniform", 0},
        {"still target",
         [&](int) {
             return SynthFrame(background, {{{60.5, 70.5}, 8.0}});
         },
         QRect(52, 62, 17, 17), 0, "", Frames},
        {"unreadable frame in the middle",
         [&](int f) {
             return f == 12 ? QImage() : SynthFrame(background, {{Path(f), 8.0}});
         },
         QRect(32, 52, 17, 17), 0, "Frame 12 could not be read", 12},
        {"leaving the picture",
         [&](int f) {
             return SynthFrame(background, {{QPointF(200.5 + 12.0 * f, 100.5), 8.0}});
         },
         QRect(192, 92, 17, 17), 0, "left the picture", -1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        TTrackRequest request;
        request.Frame = 0;
        request.Rect = c.Rect;
        request.Radius = 100; // more than this small frame's height
        QString csv, message;
        EXPECT_EQ(RunTrackCommand(request, Frames, c.Frames, 40, csv, message), c.Code);
        EXPECT_EQ(message.isEmpty(), !*c.Says) << message.toStdString();
        EXPECT_TRUE(message.contains(c.Says)) << message.toStdString();
        const QStringList lines = csv.trimmed().split('\n', Qt::SkipEmptyParts);
        if (c.Rows >= 0) {
            EXPECT_EQ(std::max<int>(lines.size() - 1, 0), c.Rows);
        }
        for (int k = 1; k < lines.size(); ++k) {
            const QStringList cells = lines[k].split(',');
            EXPECT_TRUE(cells[1].toDouble() >= 0 && cells[1].toDouble() <= W) << lines[k].toStdString();
            EXPECT_TRUE(cells[2].toDouble() >= 0 && cells[2].toDouble() <= H) << lines[k].toStdString();
        }
    }
}
