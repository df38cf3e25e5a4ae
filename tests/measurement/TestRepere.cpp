// The grid: definition, dragging, rotation, axis ends, conversion to metres and the measurement table.
#include "measurement/DataFixture.h"

#include <cmath>
#include <numbers>

namespace {
constexpr double Pi = std::numbers::pi;
}

TEST(MeasureConversion, RotationAndReversedAxes)
{
    const TScaleFactors f{2.0, 3.0};
    struct Case
    {
        double X, Y, angle;
        bool directX, directY;
        double x, y;
    };
    const Case cases[] = {
        {0.0, 0.0, 0.7, false, false, 0.0, 0.0},    // a mark on the origin stays at 0
        {0.0, 0.25, Pi / 2, true, true, 0.75, 0.0}, // straight above: the x axis points up
        {0.1, 0.2, 0.0, true, true, 0.2, 0.6},      // no rotation: plain scaling
        {0.1, 0.2, 0.0, false, true, -0.2, 0.6},    // reversed x negates x only
        {0.1, 0.2, 0.0, true, false, 0.2, -0.6},    // reversed y negates y only
        {0.1, 0.0, Pi / 6, true, true, 0.2 * std::cos(Pi / 6), -0.2 * std::sin(Pi / 6)},
        {0.1, 0.2, Pi, true, true, -0.2, -0.6}, // half a turn
    };
    for (const Case& c : cases) {
        const QPointF m = ToMetres(c.X, c.Y, f, c.angle, c.directX, c.directY);
        EXPECT_NEAR(m.x(), c.x, 1e-12) << c.X << " " << c.Y << " " << c.angle;
        EXPECT_NEAR(m.y(), c.y, 1e-12) << c.X << " " << c.Y << " " << c.angle;
    }
}

TEST_F(DataTest, MetresFollowTheGridAndReversingTwiceRestores)
{
    // A normal scale of 100 source pixels measuring 1 m: 0.01 m per pixel.
    Data.SetOutil(otEchelle);
    Click(100, 100);
    Click(200, 100);
    Data.Echelle->SetScaleLength(1.0);
    DefineGrid(320, 240);
    const TPointRel mark{420.0 / 640, 190.0 / 480}; // 100 px right, 50 px up
    QPointF m = Data.Metres(mark);
    EXPECT_NEAR(m.x(), 1.0, 1e-9);
    EXPECT_NEAR(m.y(), 0.5, 1e-9);

    Data.InverserAxeX();
    m = Data.Metres(mark);
    EXPECT_NEAR(m.x(), -1.0, 1e-9);
    EXPECT_NEAR(m.y(), 0.5, 1e-9);
    Data.InverserAxeX();
    EXPECT_NEAR(Data.Metres(mark).x(), 1.0, 1e-9);

    Data.SetGridAngle(Pi / 2);
    m = Data.Metres(mark);
    EXPECT_NEAR(m.x(), 0.5, 1e-9);
    EXPECT_NEAR(m.y(), -1.0, 1e-9);
}

TEST_F(DataTest, PlusAndMinusPiGiveTheSameAxesAndStayAsTyped)
{
    DefineGrid(300, 200);
    TRepereFixe& grid = *Data.RepereFixe;
    Data.SetGridAngle(Pi);
    EXPECT_EQ(grid.XAxisAngle, Pi);
    const QPoint a = grid.PixA, b = grid.PixB, c = grid.PixC, d = grid.PixD;
    Data.SetGridAngle(-Pi);
    EXPECT_EQ(grid.XAxisAngle, -Pi);
    EXPECT_EQ(grid.PixA, a);
    EXPECT_EQ(grid.PixB, b);
    EXPECT_EQ(grid.PixC, c);
    EXPECT_EQ(grid.PixD, d);
    EXPECT_NEAR(grid.YAxisAngle, -Pi / 2, 1e-12);
    // Typed angles beyond a turn come back into [-pi, pi]; a non-number changes nothing.
    Data.SetGridAngle(5 * Pi / 2);
    EXPECT_NEAR(grid.XAxisAngle, Pi / 2, 1e-12);
    EXPECT_NEAR(grid.YAxisAngle, Pi, 1e-12);
    Data.SetGridAngle(NonDefini());
    EXPECT_NEAR(grid.XAxisAngle, Pi / 2, 1e-12);
}

TEST_F(DataTest, AxisEndsRunAcrossTheViewWithTheArrowEndInTheAngleDirection)
{
    DefineGrid(320, 240);
    TRepereFixe& grid = *Data.RepereFixe;
    EXPECT_EQ(grid.PixA, QPoint(0, 240));
    EXPECT_EQ(grid.PixB, QPoint(639, 240));
    EXPECT_EQ(grid.PixD, QPoint(320, 0)); // y points up on the screen
    EXPECT_EQ(grid.PixC, QPoint(320, 479));

    Data.SetGridAngle(Pi / 6);
    // B is up and to the right, on the border of the view; A opposite.
    EXPECT_EQ(grid.PixB.x(), 639);
    EXPECT_LT(grid.PixB.y(), 240);
    EXPECT_EQ(grid.PixA.x(), 0);
    EXPECT_GT(grid.PixA.y(), 240);
    EXPECT_NEAR(std::atan2(240.0 - grid.PixB.y(), grid.PixB.x() - 320.0), Pi / 6, 0.01);

    // A reversed axis carries its arrow at the other end.
    Data.InverserAxeX();
    EXPECT_EQ(grid.XArrowEnd(), grid.PixA);
}

TEST_F(DataTest, DefiningTheGridIsUndoneAsAChoice)
{
    Data.SetOutil(otOrigine);
    EXPECT_EQ(Data.CursorForTool(), 29);
    Click(160, 120);
    EXPECT_TRUE(Data.RepereFixe->Defined());
    EXPECT_EQ(Data.RepereFixe->OrigineCurrent, (TPointRel{0.25, 0.25}));
    EXPECT_GE(RepereChanges, 1);
    EXPECT_EQ(Data.UndoCaption(), QStringLiteral("Cancel Choose Grid"));
    // Right click erases; undo brings it back.
    Click(10, 10, mbRight);
    EXPECT_FALSE(Data.RepereFixe->Defined());
    EXPECT_EQ(Data.UndoCaption(), QStringLiteral("Cancel Erase Grid"));
    Data.Undo();
    EXPECT_TRUE(Data.RepereFixe->Defined());
    Data.Undo();
    EXPECT_FALSE(Data.RepereFixe->Defined());
    EXPECT_EQ(Data.UndoCaption(), QString());
}

TEST_F(DataTest, DraggingTheOriginPinsItToTheBorderAndUndoes)
{
    DefineGrid(320, 240);
    Data.RepereFixe->MouseMove(Qt::NoModifier, 322, 241); // hover over the origin
    EXPECT_EQ(View.Cursor, 45);
    Down(321, 239);
    Move(700, 100);
    Move(900, -80);
    Up(900, -80);
    EXPECT_EQ(Data.RepereFixe->OrigineCurrent, (TPointRel{1.0, 0.0}));
    EXPECT_EQ(Data.RepereFixe->PixO, QPoint(640, 0));
    EXPECT_EQ(Data.RepereFixe->DragMode, 0);
    EXPECT_EQ(Data.UndoCaption(), QStringLiteral("Cancel Move Grid"));
    Data.Undo();
    EXPECT_EQ(Data.RepereFixe->OrigineCurrent, (TPointRel{0.5, 0.5}));
    EXPECT_EQ(Data.RepereFixe->PixO, QPoint(320, 240));
}

TEST_F(DataTest, RotatingByAnAxisMakesItsArrowFollowTheMouse)
{
    DefineGrid(320, 240);
    TRepereFixe& grid = *Data.RepereFixe;
    Drag({400, 240}, {320, 140}); // grab the x axis, pull its arrow straight up
    EXPECT_NEAR(grid.XAxisAngle, Pi / 2, 1e-12);
    EXPECT_NEAR(grid.YAxisAngle, Pi, 1e-12);
    EXPECT_EQ(Data.UndoCaption(), QStringLiteral("Cancel Rotate Grid"));
    Data.Undo();
    EXPECT_EQ(grid.XAxisAngle, 0.0);

    // Reversed: the arrow sits at A, to the left; pulling it up still points it up.
    Data.InverserAxeX();
    Drag({240, 240}, {320, 140});
    EXPECT_NEAR(grid.XAxisAngle, -Pi / 2, 1e-12);
    EXPECT_EQ(grid.XArrowEnd().x(), 320);
    EXPECT_EQ(grid.XArrowEnd().y(), 0);

    // By the y axis: its arrow pulled to the right turns x to point down.
    Data.InverserAxeX();
    Data.SetGridAngle(0.0);
    Drag({320, 150}, {420, 240});
    EXPECT_NEAR(grid.YAxisAngle, 0.0, 1e-12);
    EXPECT_NEAR(grid.XAxisAngle, -Pi / 2, 1e-12);
}

TEST_F(DataTest, EnterActsAsAClickOrAsTheEndOfADrag)
{
    DefineGrid(320, 240);
    View.Mouse = QPoint(321, 241);
    Data.KeyDown(Qt::Key_Return, Qt::NoModifier); // grabs the origin
    EXPECT_EQ(Data.RepereFixe->DragMode, 1);
    Move(330, 250);
    Data.KeyDown(Qt::Key_Enter, Qt::NoModifier); // drops it
    EXPECT_EQ(Data.RepereFixe->DragMode, 0);
    EXPECT_EQ(Data.RepereFixe->PixO, QPoint(329, 249));

    // With the mark tool Enter points at the mouse; not while the view's zoom tool is active.
    Data.SetOutil(otMarque);
    View.Mouse = QPoint(64, 48);
    View.ToolActive = true;
    Data.KeyDown(Qt::Key_Return, Qt::NoModifier);
    EXPECT_EQ(Data.MarksCount(), 0);
    View.ToolActive = false;
    Data.KeyDown(Qt::Key_Return, Qt::NoModifier);
    ASSERT_EQ(Data.MarksCount(), 1);
    EXPECT_EQ(Rep().AllMarks[0]->GetPosition(), (TPointRel{0.1, 0.1}));
}

TEST_F(DataTest, MeasurementTableOrdersFramesByTimeKey)
{
    Data.SetNbObjets(2);
    Data.SetFramesBetweenMarks(1);
    DefineGrid(320, 240);
    // Frames pointed out of order; frame 7 carries a time shift of -2 and so comes at the time of frame 5.
    View.Shifts[7] = -2;
    const int frames[] = {9, 5, 7};
    for (int f : frames) {
        View.FrameShown = f;
        Point(330, 230); // object 0
        if (f != 7)
            Point(340, 240); // object 1
    }
    const TMesures m = Data.BuildMesures();
    ASSERT_EQ(m.Temps.size(), 3u);
    // Keys: 9 -> 4, 5 -> 0, 7 -> 0; rows in key order, equal keys in list order (frame 5 before 7).
    EXPECT_EQ(m.Images[0], (std::vector<int>{0, 0, 4}));
    EXPECT_EQ(m.Images[1], (std::vector<int>{0, -1, 4}));
    EXPECT_EQ(m.Temps, (std::vector<double>{0.0, 0.0, 4 * 0.04}));
    // Positions relative to the origin, y upwards; no mark gives 0.
    EXPECT_NEAR(m.X[0][0], 10.0 / 640, 1e-12);
    EXPECT_NEAR(m.Y[0][0], 10.0 / 480, 1e-12);
    EXPECT_NEAR(m.X[1][2], 20.0 / 640, 1e-12);
    EXPECT_NEAR(m.Y[1][2], 0.0, 1e-12);
    EXPECT_EQ(m.X[1][1], 0.0);
    EXPECT_EQ(m.Y[1][1], 0.0);
    // The layer's table is asked for explicitly; it has no marks here.
    EXPECT_TRUE(Data.BuildMesures(true).Temps.empty());
    EXPECT_EQ(Data.GridAngle(true), 0.0);
}

TEST_F(DataTest, RelativeDataSurviveAChangeOfFrameSize)
{
    DefineGrid(320, 240);
    Point(100, 100);
    const TPointRel stored = Rep().AllMarks[0]->GetPosition();
    View.Display = QSize(1280, 960);
    Data.Refresh();
    EXPECT_EQ(Rep().AllMarks[0]->GetPosition(), stored);
    EXPECT_EQ(Rep().AllMarks[0]->Pixel, QPoint(200, 200));
    EXPECT_EQ(Data.RepereFixe->PixO, QPoint(640, 480));
}

TEST_F(DataTest, KeyboardColoursObjectsAndTools)
{
    const TGraphUtils& palette = TGraphUtils::Instance();
    Data.SetNbObjets(3);
    // 0 with a colour outside the palette goes to entry 1; Ctrl steps backwards.
    Data.ElementColor = 0x123456;
    Data.KeyDown(Qt::Key_0, Qt::NoModifier);
    EXPECT_EQ(Data.ElementColor, palette.ObjectColor(1));
    Data.KeyDown(Qt::Key_0, Qt::ControlModifier);
    Data.KeyDown(Qt::Key_0, Qt::ControlModifier);
    EXPECT_EQ(Data.ElementColor, palette.ObjectColor(64));
    // 2 (also on the keypad) steps object 1's colour; 9 names no object and changes nothing.
    Data.KeyDown(Qt::Key_2, Qt::KeypadModifier);
    EXPECT_EQ(Data.ObjectColour(1), palette.ObjectColor(2));
    EXPECT_EQ(CouleurChanges, 1);
    Data.KeyDown(Qt::Key_9, Qt::NoModifier);
    EXPECT_EQ(CouleurChanges, 1);
    // Alt moves to the next object with the mark tool, wrapping after the last.
    Data.SetOutil(otMarque);
    Data.KeyDown(Qt::Key_Alt, Qt::NoModifier);
    Data.KeyDown(Qt::Key_Alt, Qt::NoModifier);
    EXPECT_EQ(Data.CurrentObject(), 2);
    Data.KeyDown(Qt::Key_Alt, Qt::NoModifier);
    EXPECT_EQ(Data.CurrentObject(), 0);
    // Ctrl+A undoes (here the change of the object count).
    Data.KeyDown(Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(Data.NbObjets(), 1);
    // Digits work while editing the video, Alt does not; nothing works during a capture.
    View.ModeValue = mvMontage;
    Data.KeyDown(Qt::Key_1, Qt::NoModifier);
    EXPECT_EQ(Data.ObjectColour(0), palette.ObjectColor(1));
    View.ModeValue = mvCapture;
    Data.KeyDown(Qt::Key_1, Qt::NoModifier);
    EXPECT_EQ(Data.ObjectColour(0), palette.ObjectColor(1));
}

TEST_F(DataTest, CursorForTool)
{
    struct Case
    {
        TOutil tool;
        int objects, current, cursor;
    };
    const Case cases[] = {
        {otEchelle, 1, 0, 13}, {otMarque, 1, 0, 16},   {otMarque, 12, 0, 18}, {otMarque, 12, 8, 26},
        {otMarque, 12, 9, 17}, {otMarque, 12, 11, 19}, {otOrigine, 1, 0, 29}, {otTsp, 1, 0, 30},
        {otDeplacer, 1, 0, 0}, {otNone, 1, 0, 0},
    };
    for (const Case& c : cases) {
        Rep().SetNbObjets(c.objects);
        Data.SetCurrentObject(c.current);
        Data.SetOutil(c.tool);
        EXPECT_EQ(Data.CursorForTool(), c.cursor) << int(c.tool) << " " << c.current;
    }
}

TEST_F(DataTest, ObjectSettersIgnoreAndGettersDefaultOutsideTheArrays)
{
    Data.SetObjectColour(5, clBlue);
    Data.SetObjectVisible(-1, false);
    EXPECT_EQ(CouleurChanges, 0);
    EXPECT_EQ(Data.ObjectColour(5), 255);
    EXPECT_TRUE(Data.ObjectVisible(5));
    Data.SetObjectVisible(0, false);
    EXPECT_FALSE(Data.ObjectVisible(0));
    View.ModeValue = mvTransparent;
    EXPECT_TRUE(Data.ObjectVisible(0));
}

TEST_F(DataTest, DurationAndInvalidation)
{
    Invalidations.clear();
    Data.SetRequiredDuration(0.04); // unchanged
    EXPECT_TRUE(Invalidations.empty());
    Data.SetRequiredDuration(0.02);
    EXPECT_EQ(Invalidations, std::vector<int>{irBoth});
    Data.SetRequiredDuration(NonDefini());
    EXPECT_EQ(Data.RequiredDuration, 0.02);
}

TEST_F(DataTest, EraseAllIsOneUndoGroup)
{
    Data.SetOutil(otEchelle);
    Click(100, 100);
    Click(200, 100);
    DefineGrid(320, 240);
    Point(10, 10);
    View.FrameShown = 3;
    Point(20, 20);
    Data.SetOutil(otMarque);
    Data.EraseAll();
    EXPECT_EQ(Data.MarksCount(), 0);
    EXPECT_FALSE(Data.RepereFixe->Defined());
    EXPECT_EQ(Data.Echelle->ScalePointsNumber, 0);
    EXPECT_EQ(Data.UndoCaption(), QStringLiteral("Cancel"));
    Data.Undo();
    EXPECT_EQ(Data.MarksCount(), 2);
    EXPECT_TRUE(Data.RepereFixe->Defined());
    EXPECT_EQ(Data.Echelle->ScalePointsNumber, 2);
}
