// The tracking mode of the video view on synthetic clips served from memory: outlines drawn with the
// mouse, runs that end, stop or lose their target, doubtful frames, and the positions kept as marks.
#include "video/UnitVideo.h"

#include "measurement/UnitData.h"
#include "measurement/UnitMarques.h"
#include "support/TestSupport.h"
#include "tracking/SyntheticClip.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QTimer>
#include <cmath>

namespace {

// Frames held in memory, reached like a file's.
class TMemorySource : public TFrameSource
{
public:
    std::vector<QImage> Frames;

    bool Open(const QString& path) override
    {
        Close();
        FileName = path;
        if (Frames.empty() || !SetFrameTimes(*this, 25.0))
            return false;
        FrameCount = static_cast<int>(Frames.size());
        FrameWidth = Frames[0].width();
        FrameHeight = Frames[0].height();
        Duration = FrameCount * SecondsPerFrame;
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
        if (Opened)
            CurrentFrame = std::clamp(frame, 0, FrameCount - 1);
    }
    bool Draw(QImage& target, const QRect& source, int rasterOp) override
    {
        return Opened &&
               StretchFrame(Frames[static_cast<std::size_t>(CurrentFrame)], target, source, rasterOp);
    }
    QString DisplayName() const override { return QStringLiteral("memory"); }
};

constexpr int Width = 320;
constexpr int Height = 240;
constexpr int Frames = 30;
constexpr double DiscRadius = 12.0;

// The disc's centre on frame k (frame pixels, origin at the frame's top-left corner).
QPointF Truth(int k)
{
    return {60.5 + 6.0 * k, 120.0 + 40.0 * std::sin(k / 6.0)};
}

struct TrackingView : ::testing::Test
{
    QWidget Window;
    TVideo* View = nullptr;
    std::unique_ptr<TData> Data;
    TScriptedUserDlgScope Dlg;

    // Opens a clip of the red disc along Truth; `edit` may change the frames first.
    void Open(const std::function<void(int, std::vector<TSynthDisc>&, QRect&)>& edit = {})
    {
        Window.resize(700, 560);
        View = new TVideo(&Window);
        View->setGeometry(0, 0, 2 * Width, 2 * Height); // two view pixels per frame pixel
        Data = std::make_unique<TData>(nullptr, View);
        View->SetData(Data.get());
        View->OnOpen = [this] {
            Data->Reset();
            View->setVisible(true);
        };
        auto source = std::make_unique<TMemorySource>();
        const QImage background = SynthBackground(Width, Height, 7);
        for (int k = 0; k < Frames; ++k) {
            std::vector<TSynthDisc> discs{{Truth(k), DiscRadius, qRgb(220, 30, 30)}};
            QRect cover;
            if (edit)
                edit(k, discs, cover);
            source->Frames.push_back(SynthFrame(background, discs, cover));
        }
        View->Sources().ReplaceSource(0, std::move(source));
        Window.show();
        ASSERT_TRUE(View->OpenVideo(QStringLiteral("memory.avi")));
        QApplication::processEvents();
        View->Recompute();
        View->SetMode(mvTracking);
        ASSERT_EQ(View->Mode(), mvTracking);
    }

    void TearDown() override
    {
        if (View)
            View->SetData(nullptr);
    }

    TVideoTracking& Tracking() { return View->Tracking(); }

    // View pixel of a frame pixel coordinate.
    static QPoint ViewOf(double x, double y) { return {int(std::lround(2 * x)), int(std::lround(2 * y))}; }

    // A click as the window system delivers it; a double click is press, release, double, release.
    void Click(const QPoint& p, bool twice = false)
    {
        View->ViewMouseMove(Qt::NoModifier, p.x(), p.y());
        View->ViewMouseDown(mbLeft, Qt::NoModifier, p.x(), p.y());
        View->ViewMouseUp(mbLeft, Qt::NoModifier, p.x(), p.y());
        if (twice) {
            View->ViewMouseDoubleClick(mbLeft, Qt::NoModifier, p.x(), p.y());
            View->ViewMouseUp(mbLeft, Qt::NoModifier, p.x(), p.y());
        }
    }

    // A square broken line around the disc of the current frame, closed with a double click.
    void DrawSquareOutline()
    {
        Tracking().SetShape(1);
        const QPointF c = Truth(View->CurrentPosition());
        const double h = DiscRadius + 3;
        Click(ViewOf(c.x() - h, c.y() - h));
        Click(ViewOf(c.x() + h, c.y() - h));
        Click(ViewOf(c.x() + h, c.y() + h));
        Click(ViewOf(c.x() - h, c.y() + h), true);
        ASSERT_EQ(Tracking().DrawState(), 0);
        ASSERT_TRUE(Tracking().Driver.OutlineDefined());
    }

    // Largest distance in frame pixels between a tracked position and the truth. The first frame's
    // position is the centre of the drawn outline, not the disc's: errors count from the next frame.
    double WorstError(int first, int last) const
    {
        const TTracking& d = View->Tracking().Driver;
        double worst = 0.0;
        for (int k = first; k <= last; ++k) {
            EXPECT_GE(d.TrackedFrame[0][k], 0) << "frame " << k;
            const QPointF p(d.TrackedPositionRel[0][k].x() * Width, d.TrackedPositionRel[0][k].y() * Height);
            worst = std::max(worst, std::hypot(p.x() - Truth(k).x(), p.y() - Truth(k).y()));
        }
        return worst;
    }
};

} // namespace

TEST_F(TrackingView, RunEndsInMarksThatReplaceOnlyTheTrackedFrames)
{
    Open();
    // Marks already there: one on a frame the run visits, one beyond its last frame.
    Data->ImportMarks({{{0.9, 0.9}}}, {{5}});
    Data->ImportMarks({{{0.1, 0.1}}}, {{25}});

    DrawSquareOutline();
    Tracking().SetLastFrame(20);
    int progressEnd = 0;
    Tracking().OnProgress = [&](int percent) { progressEnd = percent; };
    Tracking().StartStop();
    EXPECT_FALSE(Tracking().Running());
    EXPECT_EQ(progressEnd, 101);
    EXPECT_EQ(Tracking().Driver.EndReason, teLastFrame);
    EXPECT_EQ(Tracking().Driver.TrackedCount(), 21);
    EXPECT_EQ(View->CurrentPosition(), 20); // the view followed the run
    EXPECT_LT(WorstError(1, 20), 1.0);
    EXPECT_TRUE(Tracking().Report().isEmpty());

    Dlg->Answer(1); // "Save"
    View->SetMode(mvRepereFixe);
    ASSERT_EQ(Dlg->Shown.size(), 1u);
    EXPECT_EQ(Dlg->Shown[0].ButtonCaptions(), QStringList({"Ignore", "Save"}));
    EXPECT_EQ(Dlg->Shown[0].Default, 1);        // Enter keeps the data
    EXPECT_EQ(Dlg->Shown[0].EscapeButton(), 0); // Escape ignores it
    EXPECT_TRUE(Dlg->Shown[0].Text().startsWith("An automatic tracking has been done."));
    for (int k = 0; k <= 20; ++k) {
        const TContainer* container = Data->MarquesRep->ContainerOf(k);
        ASSERT_NE(container, nullptr) << k;
        ASSERT_NE(container->MarkOf(0), nullptr) << k;
        const TPointRel p = container->MarkOf(0)->GetPosition();
        EXPECT_NEAR(p.X * Width, Truth(k).x(), 1.5) << k;
        EXPECT_NEAR(p.Y * Height, Truth(k).y(), 1.5) << k;
    }
    const TPointRel kept = Data->MarquesRep->ContainerOf(25)->MarkOf(0)->GetPosition();
    EXPECT_DOUBLE_EQ(kept.X, 0.1);
    EXPECT_EQ(Data->MarquesRep->MarksCount(), 22);
    Data->Undo(); // one undo group
    EXPECT_EQ(Data->MarquesRep->MarksCount(), 2);
}

TEST_F(TrackingView, LeavingAsksNothingWithoutPositionsAndIgnoreKeepsTheMarks)
{
    Open();
    DrawSquareOutline();
    View->SetMode(mvRepereFixe); // nothing tracked: no question (an unexpected one fails the test)
    EXPECT_EQ(View->Mode(), mvRepereFixe);

    View->SetMode(mvTracking); // entering again starts empty
    EXPECT_FALSE(Tracking().Driver.OutlineDefined());
    DrawSquareOutline();
    Tracking().SetLastFrame(4);
    Tracking().StartStop();
    Dlg->Escape(); // the box closed without a button imports nothing
    View->SetMode(mvRepereFixe);
    EXPECT_EQ(Dlg->Shown.size(), 1u);
    EXPECT_EQ(Data->MarquesRep->MarksCount(), 0);
}

TEST_F(TrackingView, StopDuringTheRunKeepsThePositionsFoundSoFar)
{
    Open();
    DrawSquareOutline();
    bool posted = false;
    // The stop button is pressed while the run lets the window process its events.
    Tracking().OnProgress = [&](int percent) {
        if (percent >= 40 && !posted) {
            posted = true;
            QTimer::singleShot(0, View, [this] { Tracking().StartStop(); });
        }
    };
    Tracking().StartStop();
    EXPECT_FALSE(Tracking().Running());
    EXPECT_EQ(Tracking().Driver.EndReason, teStopped);
    const int tracked = Tracking().Driver.TrackedCount();
    EXPECT_GT(tracked, 5);
    EXPECT_LT(tracked, Frames - 5);
    EXPECT_LT(WorstError(1, tracked - 1), 1.0);
    EXPECT_TRUE(Tracking().Report().isEmpty()); // the user stopped it: nothing to say
    EXPECT_TRUE(View->updatesEnabled());
}

TEST_F(TrackingView, RunPaintsTheViewAtMostAtScreenRateAndAgainAtItsEnd)
{
    Open();
    DrawSquareOutline();
    struct TPaintCounter : QObject
    {
        int Paints = 0;
        bool eventFilter(QObject*, QEvent* event) override
        {
            Paints += event->type() == QEvent::Paint;
            return false;
        }
    } counter;
    View->installEventFilter(&counter);
    Tracking().StartStop();
    const int duringRun = counter.Paints;
    EXPECT_EQ(Tracking().Driver.TrackedCount(), Frames);
    EXPECT_GE(duringRun, 1); // the first frame at least
    EXPECT_LE(duringRun, Frames);
    // Frames skipped during the run must not leave the view frozen on an old picture.
    EXPECT_TRUE(View->updatesEnabled());
    QApplication::processEvents();
    EXPECT_GT(counter.Paints, duringRun);
    View->removeEventFilter(&counter);
}

TEST_F(TrackingView, CoveredTargetStopsTheRunAndSaysSo)
{
    Open([](int k, std::vector<TSynthDisc>& discs, QRect& cover) {
        if (k >= 15) // a dark green card in front of the disc
            cover = QRect(int(Truth(k).x()) - 25, int(Truth(k).y()) - 25, 50, 50);
        (void)discs;
    });
    DrawSquareOutline();
    Dlg->Answer(0);
    Tracking().StartStop();
    EXPECT_EQ(Tracking().Driver.EndReason, teLost);
    ASSERT_EQ(Dlg->Shown.size(), 1u);
    EXPECT_EQ(Dlg->Shown[0].Icon, icWarning);
    EXPECT_TRUE(Dlg->Shown[0].Text().contains("lost at frame 16")) << Dlg->Shown[0].Text().toStdString();
    EXPECT_EQ(Tracking().Report(), Tracking().Driver.EndMessage(1));
    EXPECT_LT(WorstError(1, 14), 1.0);
    for (int k = 15; k < Frames; ++k)
        EXPECT_EQ(Tracking().Driver.TrackedFrame[0][k], -1) << k;
}

TEST_F(TrackingView, DoubtfulFramesAreListedDrawnInWarningColourAndSteppedTo)
{
    // On frames 10 to 12 the disc looks much smaller (farther away): still found, but unlike the target.
    Open([](int k, std::vector<TSynthDisc>& discs, QRect&) {
        if (k >= 10 && k <= 12)
            discs[0].Radius = 5;
    });
    DrawSquareOutline();
    Dlg->Answer(0);
    Tracking().StartStop();
    EXPECT_EQ(Tracking().Driver.EndReason, teLastFrame);
    EXPECT_LT(WorstError(1, Frames - 1), 1.0);
    const std::vector<int> doubtful = Tracking().Driver.DoubtfulFrames(0);
    ASSERT_EQ(doubtful, (std::vector<int>{10, 11, 12}));
    ASSERT_EQ(Dlg->Shown.size(), 1u);
    EXPECT_EQ(Dlg->Shown[0].Text(), "Doubtful frames: 11, 12, 13");
    EXPECT_EQ(Tracking().Report(), "Doubtful frames: 11, 12, 13");

    View->GoToPosition(20);
    EXPECT_EQ(Tracking().NextDoubtfulFrame(), 10); // wraps round
    EXPECT_EQ(Tracking().NextDoubtfulFrame(), 11);
    EXPECT_EQ(View->CurrentPosition(), 11);

    // The square of a doubtful frame is drawn in the warning colour, a sure one is not.
    View->Compose();
    const QImage& buffer = View->BackBuffer();
    auto warningAround = [&](int k) {
        const QPoint c = ViewOf(Truth(k).x(), Truth(k).y());
        for (int dy = -7; dy <= 7; ++dy)
            for (int dx = -7; dx <= 7; ++dx)
                if (buffer.pixel(c.x() + dx, c.y() + dy) == ToQColor(DoubtfulColour).rgb())
                    return true;
        return false;
    };
    EXPECT_TRUE(warningAround(11));
    EXPECT_TRUE(warningAround(12));
    EXPECT_FALSE(warningAround(20));
}

TEST_F(TrackingView, NewOutlineAfterALossContinuesTheRunAndKeepsTheFramesBefore)
{
    // The disc looks smaller on frames 5 to 7 (doubtful), then a card hides it on frames 15 to 24, longer
    // than the run waits for it: the run stops as lost.
    Open([](int k, std::vector<TSynthDisc>& discs, QRect& cover) {
        if (k >= 5 && k <= 7)
            discs[0].Radius = 5;
        if (k >= 15 && k <= 24)
            cover = QRect(int(Truth(k).x()) - 25, int(Truth(k).y()) - 25, 50, 50);
    });
    DrawSquareOutline();
    Dlg->Answer(0);
    Tracking().StartStop();
    const TTracking& d = Tracking().Driver;
    ASSERT_EQ(d.EndReason, teLost);
    ASSERT_EQ(d.DoubtfulFrames(0), (std::vector<int>{5, 6, 7}));
    const std::vector<QPointF> before(d.TrackedPositionRel[0].begin(), d.TrackedPositionRel[0].begin() + 15);

    // The user goes to a frame where the disc is seen again, outlines it there and runs again.
    View->GoToPosition(25);
    DrawSquareOutline();
    Dlg->Answer(0);
    Tracking().StartStop();
    EXPECT_EQ(d.EndReason, teLastFrame);
    ASSERT_EQ(Dlg->Shown.size(), 2u); // the loss, then the doubtful frames still listed
    EXPECT_EQ(Dlg->Shown[1].Text(), "Doubtful frames: 6, 7, 8");
    for (int k = 0; k < 15; ++k) {
        EXPECT_GE(d.TrackedFrame[0][k], 0) << k;
        EXPECT_EQ(d.TrackedPositionRel[0][k], before[static_cast<std::size_t>(k)]) << k;
    }
    for (int k = 15; k < 25; ++k)
        EXPECT_EQ(d.TrackedFrame[0][k], -1) << k;
    EXPECT_LT(WorstError(26, Frames - 1), 1.0);
    EXPECT_EQ(d.TrackedCount(), 15 + 5);
    // The doubtful frames of the first run are still reached from the last frame.
    EXPECT_EQ(View->CurrentPosition(), Frames - 1);
    EXPECT_EQ(Tracking().NextDoubtfulFrame(), 5);
    EXPECT_EQ(Tracking().NextDoubtfulFrame(), 6);

    // A run from a frame the earlier one reached replaces only the frames it runs over.
    View->GoToPosition(10);
    DrawSquareOutline();
    Dlg->Answer(0);
    Tracking().SetLastFrame(12);
    Tracking().StartStop();
    EXPECT_EQ(d.EndReason, teLastFrame);
    EXPECT_EQ(d.DoubtfulFrames(0), (std::vector<int>{5, 6, 7}));
    for (int k = 0; k < 10; ++k)
        EXPECT_EQ(d.TrackedPositionRel[0][k], before[static_cast<std::size_t>(k)]) << k;
    EXPECT_LT(WorstError(11, 12), 1.0);
    for (int k = 13; k < 15; ++k)
        EXPECT_EQ(d.TrackedPositionRel[0][k], before[static_cast<std::size_t>(k)]) << k;
    EXPECT_EQ(d.TrackedCount(), 15 + 5);

    Dlg->Answer(1); // "Save": every position of the three runs becomes a mark
    View->SetMode(mvRepereFixe);
    EXPECT_EQ(Data->MarquesRep->MarksCount(), 15 + 5);
}

TEST_F(TrackingView, DrawingOutlinesAndZonesWithMouseAndKeys)
{
    Open();
    const QPointF c = Truth(0);
    // A broken line ended after two vertices stays pending; the next click continues it.
    Tracking().SetShape(1);
    Click(ViewOf(c.x() - 15, c.y() - 15));
    Click(ViewOf(c.x() + 15, c.y() - 15), true);
    EXPECT_EQ(Tracking().DrawState(), 0);
    EXPECT_EQ(Tracking().PendingCount(), 2);
    EXPECT_FALSE(Tracking().Driver.OutlineDefined());
    Click(ViewOf(c.x() + 15, c.y() + 15));
    EXPECT_EQ(Tracking().PendingCount(), 3);
    // Escape at the pointer ends the polygon with a double click there.
    const QPoint last = ViewOf(c.x() - 15, c.y() + 15);
    View->ViewMouseMove(Qt::NoModifier, last.x(), last.y());
    EXPECT_TRUE(View->ViewKeyDown(Qt::Key_Escape, Qt::NoModifier));
    EXPECT_TRUE(Tracking().Driver.OutlineDefined());
    EXPECT_EQ(Tracking().Driver.OutlineCount[0], 4);

    // Changing the shape erases the outline; a circle is two clicks, centre then edge.
    Tracking().SetShape(2);
    EXPECT_FALSE(Tracking().Driver.OutlineDefined());
    Click(ViewOf(c.x(), c.y()));
    View->ViewMouseMove(Qt::NoModifier, ViewOf(c.x() + 14, c.y()).x(), ViewOf(c.x() + 14, c.y()).y());
    Click(ViewOf(c.x() + 14, c.y()));
    ASSERT_TRUE(Tracking().Driver.OutlineDefined());
    const QPointF centre = Tracking().Driver.OutlineCentre[0];
    EXPECT_NEAR(centre.x() * Width, c.x(), 1.0);
    EXPECT_NEAR(centre.y() * Height, c.y(), 1.0);
    // Right click with the outline tool erases it.
    View->ViewMouseDown(mbRight, Qt::NoModifier, 10, 10);
    EXPECT_FALSE(Tracking().Driver.OutlineDefined());

    // Zones to ignore: vertices, double click ends; right click removes the last one.
    Tracking().SetTool(2);
    EXPECT_EQ(View->Tracking().CursorFor(), 31);
    Click({400, 20});
    Click({500, 20});
    Click({500, 100}, true);
    EXPECT_EQ(Tracking().Driver.ZoneCountOf(), 1);
    EXPECT_EQ(Tracking().Driver.ZonesRel[0][0].size(), 4u); // closed
    View->ViewMouseDown(mbRight, Qt::NoModifier, 10, 10);
    EXPECT_EQ(Tracking().Driver.ZoneCountOf(), 0);

    // Starting while an outline is being drawn is refused with the message.
    Tracking().SetTool(1);
    Tracking().SetShape(1);
    Click(ViewOf(c.x() - 15, c.y() - 15));
    Dlg->Answer(0);
    Tracking().StartStop();
    ASSERT_EQ(Dlg->Shown.size(), 1u);
    EXPECT_EQ(Dlg->Shown[0].Text(), "First draw the outline of the target object");
    EXPECT_FALSE(Tracking().Running());
}

TEST(MidpointCircle, PointsGoRoundTheCircleOnceWithoutRepeats)
{
    for (int r : {1, 2, 5, 17}) {
        const std::vector<QPoint> points = MidpointCircle(r);
        ASSERT_GE(points.size(), 4u) << r;
        double previous = -10.0;
        for (const QPoint& p : points) {
            const double angle = std::atan2(p.y(), p.x());
            EXPECT_GT(angle, previous) << r; // strictly round, so the outline is a simple polygon
            previous = angle;
            EXPECT_NEAR(std::hypot(p.x(), p.y()), r, 0.75) << r;
        }
    }
}
