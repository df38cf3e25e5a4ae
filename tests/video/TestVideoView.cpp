// The video view on a real decoded video: pointing through its mouse entry points at several zooms, the
// keys that act at the pointer, mode changes, the reading-error path and its project keys.
#include "video/UnitVideo.h"

#include "common/UnitIni.h"
#include "measurement/UnitData.h"
#include "measurement/UnitMarques.h"
#include "support/TestSupport.h"
#include "video/VideoFixtures.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QMouseEvent>

namespace {

struct ViewFixture : ::testing::Test
{
    QWidget Window;
    TVideo* View = nullptr;
    std::unique_ptr<TData> Data;

    void SetUp() override
    {
        Window.resize(700, 560);
        View = new TVideo(&Window);
        View->setGeometry(0, 0, 640, 480);
        Data = std::make_unique<TData>(nullptr, View);
        View->SetData(Data.get());
        View->OnOpen = [this] {
            Data->Reset();
            View->setVisible(true);
        };
        Window.show();
        const QString video = FixtureVideo(TFixtureKind::H264Mp4);
        ASSERT_FALSE(video.isEmpty());
        ASSERT_TRUE(View->OpenVideo(video));
        QApplication::processEvents();
        View->Recompute();
        Data->SetOutil(otMarque);
    }

    void TearDown() override { View->SetData(nullptr); }

    // The frame pixel that the back-buffer pixel (x, y) shows, from the visible source rectangle.
    static QPointF FramePixelUnder(const TVideo& view, int x, int y)
    {
        const QRect s = view.Geometry().SourceRect();
        const QSize b = view.Geometry().BackBufferSize();
        return {s.left() + double(x) * s.width() / b.width(), s.top() + double(y) * s.height() / b.height()};
    }

    void Click(int button, int x, int y)
    {
        View->ViewMouseMove(Qt::NoModifier, x, y);
        View->ViewMouseDown(button, Qt::NoModifier, x, y);
        View->ViewMouseUp(button, Qt::NoModifier, x, y);
    }
};

} // namespace

TEST_F(ViewFixture, MarksPointedAtSeveralZoomsLandOnTheFramePixelUnderThePointer)
{
    const QSize frame = View->FrameSize();
    ASSERT_EQ(frame, QSize(320, 240));
    std::vector<QPointF> expected;
    auto pointAt = [&](int x, int y) {
        expected.push_back(FramePixelUnder(*View, x, y));
        const int before = View->CurrentFrame();
        Click(mbLeft, x, y);
        EXPECT_EQ(View->CurrentFrame(), before + 1); // one object per frame: the view advances
    };

    pointAt(100, 100); // 100 %
    View->SetOutilVue(ovZoom);
    View->ViewMouseDown(mbLeft, Qt::NoModifier, 320, 240);
    View->ViewMouseUp(mbLeft, Qt::NoModifier, 320, 240); // a click of the zoom tool: one step in
    ASSERT_EQ(View->Zoom(), 200);
    View->SetOutilVue(ovNone);
    Data->SetOutil(otMarque);
    pointAt(400, 300);
    View->SetOutilVue(ovPan);
    View->ViewMouseDown(mbLeft, Qt::NoModifier, 300, 200);
    View->ViewMouseMove(Qt::NoModifier, 380, 260);
    View->ViewMouseUp(mbLeft, Qt::NoModifier, 380, 260);
    EXPECT_LT(View->Geometry().SourceRect().left(), 80); // the pan moved the visible region
    View->SetOutilVue(ovNone);
    Data->SetOutil(otMarque);
    pointAt(50, 420);

    ASSERT_EQ(Data->MarksCount(), 3);
    for (int i = 0; i < 3; ++i) {
        const TPointRel p = Data->MarquesRep->AllMarks[size_t(i)]->GetPosition();
        EXPECT_NEAR(p.X * frame.width(), expected[size_t(i)].x(), 1.0) << "mark " << i;
        EXPECT_NEAR(p.Y * frame.height(), expected[size_t(i)].y(), 1.0) << "mark " << i;
    }

    // Escape acts as a right click at the pointer: with the mark tool it erases the last mark.
    EXPECT_TRUE(View->ViewKeyDown(Qt::Key_Escape, Qt::NoModifier));
    EXPECT_EQ(Data->MarksCount(), 2);
}

TEST_F(ViewFixture, BackBufferShowsTheVisibleRegionOfTheDecodedFrame)
{
    const std::vector<QImage> reference = FfmpegDecodeAll(FixtureVideo(TFixtureKind::H264Mp4), 3);
    ASSERT_EQ(reference.size(), 3u);
    View->GoToPosition(2);
    View->Compose();
    const QImage shown = View->BackBuffer();
    ASSERT_EQ(shown.size(), QSize(640, 480));
    // At 100 % each frame pixel covers 2 x 2 view pixels.
    const QImage expected = reference[2].scaled(640, 480, Qt::IgnoreAspectRatio, Qt::FastTransformation);
    EXPECT_LE(MaxChannelDifference(shown.convertToFormat(QImage::Format_RGB32), expected), 24);

    View->Geometry().ZoomAt(0, 0, 400);
    View->Recompute();
    View->Compose();
    const QRect s = View->Geometry().SourceRect();
    EXPECT_EQ(s.topLeft(), QPoint(0, 0));
    const QColor corner = View->BackBuffer().pixelColor(1, 1);
    const QColor source = reference[2].pixelColor(0, 0);
    EXPECT_NEAR(corner.red(), source.red(), 24);
    EXPECT_NEAR(corner.green(), source.green(), 24);
}

TEST_F(ViewFixture, ModesWithoutOwnerAreRefusedAndMarkingModesSetTheTool)
{
    int changes = 0;
    View->OnModeChange = [&] { ++changes; };
    View->SetMode(mvMontage);
    View->SetMode(mvStudio);
    EXPECT_EQ(View->Mode(), mvRepereFixe);
    EXPECT_EQ(changes, 0);
    View->SetMode(mvTracking); // the view's own mode, with the outline tool and no tool of the data
    EXPECT_EQ(View->Mode(), mvTracking);
    EXPECT_EQ(Data->Outil, otNone);
    EXPECT_EQ(View->Tracking().Tool(), 1);
    View->SetMode(mvTransparent);
    EXPECT_EQ(View->Mode(), mvTransparent);
    EXPECT_EQ(Data->Outil, otTsp);
    EXPECT_EQ(View->Tracking().Tool(), 0);
    View->SetMode(mvRepereFixe);
    EXPECT_EQ(Data->Outil, otMarque);
    EXPECT_EQ(changes, 3);
}

TEST_F(ViewFixture, ReadingErrorAndProjectKeys)
{
    QString message;
    View->OnMessage = [&](const QString& text) { message = text; };
    View->Sources().OnError(QStringLiteral("Invalid data found"));
    EXPECT_EQ(message, QStringLiteral("Reading stopped. Invalid data found"));

    View->ShowFrame(7);
    View->SetMode(mvTransparent);
    TIniFile ini{QString()};
    View->SaveState(ini);
    EXPECT_EQ(ini.ReadInteger(QStringLiteral("Video"), QStringLiteral("ImageNumber"), -1), 7);
    EXPECT_EQ(ini.ReadInteger(QStringLiteral("Video"), QStringLiteral("MarkingMode"), -1), 1);
    View->ShowFrame(0);
    View->SetMode(mvRepereFixe);
    View->LoadState(ini);
    EXPECT_EQ(View->CurrentFrame(), 7);
    EXPECT_EQ(View->Mode(), mvTransparent);
}

TEST_F(ViewFixture, ArrowKeysMoveThePointerByOneOrTenPixels)
{
    View->ViewMouseMove(Qt::NoModifier, 200, 200);
    View->ViewKeyDown(Qt::Key_Right, Qt::NoModifier);
    View->ViewKeyDown(Qt::Key_Down, Qt::ControlModifier);
    EXPECT_EQ(View->MousePosition(), QPoint(201, 210));
    // Enter with the mark tool belongs to the measurement data: a mark at the pointer.
    Data->KeyDown(Qt::Key_Return, Qt::NoModifier);
    ASSERT_EQ(Data->MarksCount(), 1);
    const TPointRel p = Data->MarquesRep->AllMarks[0]->GetPosition();
    EXPECT_NEAR(p.X * 640, 201, 1.0);
    EXPECT_NEAR(p.Y * 480, 210, 1.0);
}

TEST_F(ViewFixture, TheMagnifierCursorGoesWhenThePointerLeavesIt)
{
    // Cursors as the program registers them: the magnifier's is told apart from the mark tool's.
    View->CursorOf = [](int number) {
        return QCursor(number == ViewCursorZoom ? Qt::CrossCursor : Qt::PointingHandCursor);
    };
    View->CursorRefresh();
    View->Loupe().Visible = true;
    View->Recompute();
    const QRect loupe = View->Loupe().Bounds;
    ASSERT_FALSE(loupe.isEmpty());
    auto move = [this](const QPoint& p) {
        QMouseEvent event(QEvent::MouseMove, QPointF(p), View->mapToGlobal(QPointF(p)), Qt::NoButton,
                          Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(View, &event);
        return View->cursor().shape();
    };
    EXPECT_EQ(move(loupe.center() + QPoint(0, TLoupe::DragBand)), Qt::CrossCursor);
    EXPECT_EQ(move(QPoint(20, 400)), Qt::PointingHandCursor);
}
