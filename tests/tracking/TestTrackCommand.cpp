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
