// The scale: defining its points, the factors, dragging, erasing and undo.
#include "measurement/DataFixture.h"

#include "common/UnitOptions.h"

#include <QTemporaryDir>

class ScaleTest : public DataTest
{
protected:
    void SetUp() override
    {
        DataTest::SetUp();
        Data.SetOutil(otEchelle);
    }
    TEchelle& Scale() { return *Data.Echelle; }
};

TEST_F(ScaleTest, HundredPixelsOfHalfAMetreOnA640x480Video)
{
    struct Case
    {
        QPoint p1, p2;
    };
    // Horizontal, vertical and oblique segments of 100 source pixels.
    const Case cases[] = {{{100, 100}, {200, 100}}, {{300, 50}, {300, 150}}, {{10, 10}, {70, 90}}};
    for (const Case& c : cases) {
        Data.Reset();
        Data.SetOutil(otEchelle);
        Click(c.p1.x(), c.p1.y());
        Click(c.p2.x(), c.p2.y());
        Scale().SetScaleLength(0.5);
        const TScaleFactors f = Data.FacteursEchelle();
        EXPECT_NEAR(f.X, 3.2, 1e-12);
        EXPECT_NEAR(f.Y, 2.4, 1e-12);
        EXPECT_TRUE(Data.ScaleDefined());
        // 0.005 m per source pixel both ways.
        EXPECT_NEAR(f.X / 640, 0.005, 1e-15);
        EXPECT_NEAR(f.Y / 480, 0.005, 1e-15);
    }
    // A display twice the frame size gives the same factors: they are in source pixels.
    Data.Reset();
    Data.SetOutil(otEchelle);
    View.Display = QSize(1280, 960);
    Click(200, 200);
    Click(400, 200);
    Scale().SetScaleLength(0.5);
    EXPECT_NEAR(Data.FacteursEchelle().X, 3.2, 1e-12);
}

TEST_F(ScaleTest, AnUndefinedScaleGivesMinusOne)
{
    TScaleFactors f = Data.FacteursEchelle();
    EXPECT_EQ(f.X, -1.0);
    EXPECT_EQ(f.Y, -1.0);
    Click(100, 100);
    Click(200, 100);
    EXPECT_FALSE(Data.ScaleDefined()); // two points, no length yet
    View.Frame = QSize();              // no video
    f = Data.FacteursEchelle();
    EXPECT_EQ(f.X, -1.0);
}

TEST_F(ScaleTest, SeparateScalesWithAFlatVerticalScale)
{
    QTemporaryDir dir;
    TOptions options(dir.filePath(QStringLiteral("Kinotra.ini")));
    options.CheckBox41HorizAndVertScale = true;
    Data.SetOptions(&options);
    int kindChanges = 0;
    Data.OnTypeEchelleChange = [&](TData&) { ++kindChanges; };
    Data.ApplyOptions();
    EXPECT_EQ(Data.ScaleKind(), teVert);
    EXPECT_EQ(kindChanges, 1);

    Data.SetScaleKind(teHoriz);
    Click(100, 100);
    Click(100, 300); // straight below: same view x, ignored
    EXPECT_EQ(Scale().ScaleHorizPointsNumber, 1);
    Click(260, 300);
    EXPECT_EQ(Scale().ScaleHorizPointsNumber, 2);
    EXPECT_EQ(Scale().Points[teHoriz][1].Y, Scale().Points[teHoriz][0].Y); // takes point 1's height
    Scale().SetScaleHorizLength(1.0);
    Scale().SetScaleVertLength(1.0);
    // The vertical scale has no height: sy stays -1 while sx is valid.
    const TScaleFactors f = Data.FacteursEchelle();
    EXPECT_NEAR(f.X, 1.0 / 0.25, 1e-12);
    EXPECT_EQ(f.Y, -1.0);
    EXPECT_FALSE(Data.ScaleDefined());

    options.CheckBox41HorizAndVertScale = false;
    Data.ApplyOptions();
    EXPECT_EQ(Data.ScaleKind(), teNormale);
    EXPECT_EQ(kindChanges, 3);
    Data.SetOptions(nullptr);
}

TEST_F(ScaleTest, RightClicksRemovePointsAndOnlyTheSecondIsRecorded)
{
    Click(100, 100);
    Click(200, 150);
    EXPECT_EQ(EchelleChanges, 2);
    EXPECT_EQ(Data.CurrentScalePointsNumber(), 2);
    Click(5, 5, mbRight);
    EXPECT_EQ(Data.CurrentScalePointsNumber(), 1);
    EXPECT_EQ(Data.UndoCaption(), QStringLiteral("Cancel Erase Scale"));
    // One point: the rubber band follows the mouse.
    const int repaints = View.Repaints;
    Move(300, 300);
    EXPECT_EQ(View.Cursor, 13);
    EXPECT_GT(View.Repaints, repaints);
    const int entries = Data.HistEchelle.Count();
    Click(5, 5, mbRight);
    EXPECT_EQ(Data.CurrentScalePointsNumber(), 0);
    EXPECT_EQ(Data.HistEchelle.Count(), entries);
    Click(5, 5, mbRight); // nothing left to remove
    EXPECT_EQ(Data.CurrentScalePointsNumber(), 0);
    // Undo: the erase brings back two points; then the definition returns to none.
    Data.Undo();
    EXPECT_EQ(Data.CurrentScalePointsNumber(), 2);
    EXPECT_EQ(Scale().Pixels[teNormale][1], QPoint(200, 150));
    EXPECT_EQ(Data.UndoCaption(), QStringLiteral("Cancel Define Scale"));
    Data.Undo();
    EXPECT_EQ(Data.CurrentScalePointsNumber(), 0);
}

TEST_F(ScaleTest, TheSecondPointMustDifferFromTheFirst)
{
    Click(100, 100);
    Click(100, 100);
    EXPECT_EQ(Data.CurrentScalePointsNumber(), 1);
    Data.SetScaleKind(teVert);
    Click(50, 50);
    Click(90, 50); // same view y on the vertical scale
    EXPECT_EQ(Scale().ScaleVertPointsNumber, 1);
    Click(90, 250);
    EXPECT_EQ(Scale().Points[teVert][1].X, Scale().Points[teVert][0].X);
}

TEST_F(ScaleTest, DraggingAnEndOrTheWholeSegment)
{
    Click(100, 100);
    Click(300, 100);
    // Hover: an end, the segment, nothing.
    Move(101, 101);
    EXPECT_EQ(View.Cursor, 28);
    Move(200, 101);
    EXPECT_EQ(View.Cursor, 45);
    Move(200, 200);
    EXPECT_EQ(View.Cursor, 0);

    Drag({300, 100}, {300, 180});
    EXPECT_EQ(Scale().Pixels[teNormale][1], QPoint(300, 180));
    EXPECT_EQ(Scale().Pixels[teNormale][0], QPoint(100, 100));
    EXPECT_EQ(Data.UndoCaption(), QStringLiteral("Cancel Modify Scale"));
    // The segment runs from top left to bottom right now.
    Move(300, 181);
    EXPECT_EQ(View.Cursor, 27);

    Drag({200, 140}, {220, 150}); // the middle of the segment: both ends move
    EXPECT_EQ(Scale().Pixels[teNormale][0], QPoint(120, 110));
    EXPECT_EQ(Scale().Pixels[teNormale][1], QPoint(320, 190));
    EXPECT_EQ(Data.UndoCaption(), QStringLiteral("Cancel Move Scale"));
    // Pulled past the border, the ends stay in the frame.
    Drag({220, 150}, {-500, 150});
    EXPECT_EQ(Scale().Points[teNormale][0].X, 0.0);

    Data.Undo();
    Data.Undo();
    Data.Undo();
    EXPECT_EQ(Scale().Pixels[teNormale][1], QPoint(300, 100));
}

TEST_F(ScaleTest, ChangingOnlyALengthRecordsNothing)
{
    Click(100, 100);
    Click(200, 100);
    const int entries = Data.HistEchelle.Count();
    Invalidations.clear();
    Scale().SetScaleLength(2.0);
    Scale().SetScaleLength(2.0);
    EXPECT_EQ(Data.HistEchelle.Count(), entries);
    EXPECT_EQ(Invalidations, std::vector<int>{irBoth});
}
