// Marks: pointing with automatic advance, erasing, moving, the object count, import and frame deletion.
#include "measurement/DataFixture.h"

#include "support/TestSupport.h"

TEST_F(DataTest, ThreeObjectsArePointedInTurnThenTheViewAdvances)
{
    Data.SetNbObjets(3);
    Data.SetFramesBetweenMarks(2);
    View.FrameShown = 10;
    Point(100, 100);
    Point(110, 100);
    EXPECT_EQ(View.FrameShown, 10);
    EXPECT_EQ(Data.CursorForTool(), 20); // object 2 is next
    Point(120, 100);
    EXPECT_EQ(View.FrameShown, 12);
    EXPECT_EQ(Data.CurrentObject(), 0);
    const TContainer* frame10 = Rep().ContainerOf(10);
    ASSERT_NE(frame10, nullptr);
    ASSERT_EQ(frame10->Marks.size(), 3u);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(frame10->Marks[std::size_t(i)]->MarkOrderNumber, i);
    Point(130, 100);
    ASSERT_NE(Rep().ContainerOf(12), nullptr);
    EXPECT_EQ(Rep().ContainerOf(12)->MarkOf(0)->Pixel, QPoint(130, 100));
    EXPECT_EQ(Data.MarksCount(), 4);
    EXPECT_EQ(MarquesChanges, 4);
    EXPECT_EQ(Data.UndoCaption(), QStringLiteral("Cancel Set Mark"));

    // No advance beyond the last position of the edited sequence.
    View.FrameShown = 99;
    Data.SetCurrentObject(-1); // the last object
    Point(10, 10);
    EXPECT_EQ(View.FrameShown, 99);
}

TEST_F(DataTest, AdvanceSkipsHiddenFrames)
{
    View.Hidden = {false, true, true, false};
    Point(50, 50);
    EXPECT_EQ(View.FrameShown, 3);
}

TEST_F(DataTest, ASecondMarkOfAnObjectOnAFrameIsRefused)
{
    TScriptedUserDlgScope dialogs;
    dialogs->Answer(0);
    Data.SetNbObjets(2);
    Point(100, 100);
    Data.SetCurrentObject(0);
    Point(200, 200);
    ASSERT_EQ(dialogs->Shown.size(), 1u);
    EXPECT_EQ(dialogs->Shown[0].Icon, icInformation);
    EXPECT_EQ(dialogs->Shown[0].Text(), QStringLiteral("A similar mark already exists on this image."));
    EXPECT_EQ(dialogs->Shown[0].ButtonCaptions(), QStringList{QStringLiteral("Ok")});
    EXPECT_EQ(Data.MarksCount(), 1);
}

TEST_F(DataTest, RightClickErasesTheLastMarkAndUndoPutsItBack)
{
    Data.SetNbObjets(2);
    View.FrameShown = 4;
    Point(100, 100);
    Point(200, 100); // advances to frame 5
    View.FrameShown = 20;
    Data.SetOutil(otMarque);
    Click(5, 5, mbRight);
    EXPECT_EQ(Data.MarksCount(), 1);
    EXPECT_EQ(View.FrameShown, 4);      // the erased mark's frame is shown
    EXPECT_EQ(Data.CurrentObject(), 1); // and its object is next
    EXPECT_EQ(Data.UndoCaption(), QStringLiteral("Cancel Delete Mark"));

    Data.Undo();
    EXPECT_EQ(Data.MarksCount(), 2);
    ASSERT_NE(Rep().ContainerOf(4)->MarkOf(1), nullptr);
    EXPECT_EQ(Rep().ContainerOf(4)->MarkOf(1)->Pixel, QPoint(200, 100));
    EXPECT_EQ(View.FrameShown, 5); // last object of the frame: advances again
    EXPECT_EQ(Data.CurrentObject(), 0);
    EXPECT_EQ(Rep().AllMarks.back(), Rep().ContainerOf(4)->MarkOf(1));

    // Undoing the pointing itself removes the mark, as a right click would.
    Data.Undo();
    EXPECT_EQ(Data.MarksCount(), 1);
    EXPECT_EQ(Data.CurrentObject(), 1);
}

TEST_F(DataTest, AnEmptiedFrameLeavesTheNumberingButStaysLastMarked)
{
    View.FrameShown = 2;
    Point(10, 10);
    View.FrameShown = 8;
    Point(20, 20);
    View.FrameShown = 5;
    Point(30, 30);
    EXPECT_EQ(Rep().ContainerOf(5)->MarksContainerMarkNumber, 1);
    EXPECT_EQ(Rep().ContainerOf(8)->MarksContainerMarkNumber, 2);
    Data.SetOutil(otEffacer);
    Click(30, 30); // the only mark of frame 5
    EXPECT_EQ(Rep().ContainerOf(5)->Marks.size(), 0u);
    EXPECT_EQ(Rep().ContainerOf(8)->MarksContainerMarkNumber, 1);
    EXPECT_EQ(Rep().ContainerOf(5)->MarksContainerMarkNumber, 2); // after every marked frame
    EXPECT_EQ(Data.BuildMesures().Temps.size(), 2u);
    EXPECT_EQ(Data.LastMarkedFrame(), 5); // the container stays in the list when it empties
}

TEST_F(DataTest, ReducingTheObjectCountIsUndone)
{
    Data.SetNbObjets(3);
    Data.SetObjectName(2, QStringLiteral("of the cart"));
    for (int frame = 0; frame < 2; ++frame) {
        View.FrameShown = frame * 10;
        for (int object = 0; object < 3; ++object)
            Point(100 + 50 * object, 100 + 10 * frame);
    }
    const int changesBefore = NbObjetsChanges;
    Data.SetNbObjets(1);
    EXPECT_EQ(Data.MarksCount(), 2);
    for (const TMarque* m : Rep().AllMarks)
        EXPECT_EQ(m->MarkOrderNumber, 0);
    EXPECT_EQ(Rep().Names.size(), 1);
    EXPECT_EQ(Data.MarkColors.size(), 3u); // colours of removed objects stay
    EXPECT_EQ(NbObjetsChanges, changesBefore + 1);
    EXPECT_EQ(Data.UndoCaption(), QStringLiteral("Cancel Modify"));

    Data.Undo();
    EXPECT_EQ(Data.NbObjets(), 3);
    EXPECT_EQ(Data.MarksCount(), 6);
    EXPECT_EQ(Data.ObjectName(2), QStringLiteral("of the cart"));
    EXPECT_EQ(NbObjetsChanges, changesBefore + 2);
    const TMarque* restored = Rep().ContainerOf(10)->MarkOf(2);
    ASSERT_NE(restored, nullptr);
    EXPECT_EQ(restored->Pixel, QPoint(200, 110));
    EXPECT_EQ(Rep().AllMarks[5], restored);
    // The restored marks are the ones the older entries know: undoing further removes them one by one.
    Data.Undo();
    EXPECT_EQ(Data.MarksCount(), 5);
    EXPECT_EQ(Rep().ContainerOf(10)->MarkOf(2), nullptr);
}

TEST_F(DataTest, GrowingTheObjectCountResetsTheNewObjectsToDefaults)
{
    Data.SetNbObjets(3);
    Data.SetObjectColour(2, clBlue);
    Data.SetObjectVisible(2, false);
    Data.SetNbObjets(2);
    Data.SetNbObjets(4);
    EXPECT_EQ(Data.ObjectColour(2), TGraphUtils::Instance().ObjectColor(2));
    EXPECT_TRUE(Data.ObjectVisible(2));
    EXPECT_EQ(Data.ObjectName(3), QStringLiteral("of point n°4"));
    // Counts beyond the limit are clamped.
    Data.SetNbObjets(1000);
    EXPECT_EQ(Data.NbObjets(), MaxObjets);
    Data.SetNbObjets(-3);
    EXPECT_EQ(Data.NbObjets(), 1);
}

TEST_F(DataTest, TheLayerListKeepsOneObject)
{
    View.ModeValue = mvTransparent;
    Data.SetNbObjets(4);
    Data.MarquesTsp->SetNbObjets(4);
    EXPECT_EQ(Data.NbObjets(), 1);
    Data.SetCurrentObject(3);
    EXPECT_EQ(Data.CurrentObject(), 0);
    EXPECT_TRUE(Data.MarquesTsp->HasDefaultNames());
    // The layer list counts as named by default only while both of its names are.
    Data.SetObjectName(0, QStringLiteral("of the ball"));
    EXPECT_FALSE(Data.MarquesTsp->HasDefaultNames());
    View.ModeValue = mvRepereFixe;
    EXPECT_TRUE(Rep().HasDefaultNames());
}

TEST_F(DataTest, RectangleEraseIsOneUndoStep)
{
    Data.SetNbObjets(2);
    for (int frame = 0; frame < 3; ++frame) {
        View.FrameShown = frame;
        Point(100 + 10 * frame, 100);
        Point(300, 300);
    }
    Data.SetOutil(otEffacer);
    Down(90, 90); // nothing there: starts a rectangle
    EXPECT_EQ(Rep().DragState, 2);
    Move(50, 50);
    Move(125, 105);
    Up(125, 105);
    EXPECT_EQ(Rep().DragState, 0);
    EXPECT_EQ(Data.MarksCount(), 3); // the three marks of object 0 are gone
    for (const TMarque* m : Rep().AllMarks)
        EXPECT_EQ(m->MarkOrderNumber, 1);
    EXPECT_EQ(Data.UndoCaption(), QStringLiteral("Cancel Delete Mark"));
    Data.Undo();
    EXPECT_EQ(Data.MarksCount(), 6);
    for (int frame = 0; frame < 3; ++frame) {
        const TMarque* m = Rep().ContainerOf(frame)->MarkOf(0);
        ASSERT_NE(m, nullptr);
        EXPECT_EQ(m->Pixel, QPoint(100 + 10 * frame, 100));
    }
    // Back at their former places in the list of all marks.
    EXPECT_EQ(Rep().AllMarks[0], Rep().ContainerOf(0)->MarkOf(0));
    EXPECT_EQ(Rep().AllMarks[4], Rep().ContainerOf(2)->MarkOf(0));
}

TEST_F(DataTest, EraseToolRightButtonErasesTheFrame)
{
    Data.SetNbObjets(2);
    View.FrameShown = 7;
    Point(10, 10);
    Point(20, 20);
    View.FrameShown = 7;
    Data.SetOutil(otEffacer);
    Click(400, 400, mbRight);
    EXPECT_EQ(Data.MarksCount(), 0);
    Data.Undo();
    EXPECT_EQ(Data.MarksCount(), 2);
    // Hover cursors of the erase tool.
    Move(10, 12);
    EXPECT_EQ(View.Cursor, 47);
    Move(300, 12);
    EXPECT_EQ(View.Cursor, 14);
}

TEST_F(DataTest, MovingAMarkAndDroppingItInPlaceLeavesNothingToUndo)
{
    Point(100, 100);
    Point(200, 200);
    Data.SetOutil(otDeplacer);
    Move(101, 99);
    EXPECT_EQ(View.Cursor, 45);
    Drag({201, 201}, {250, 220});
    EXPECT_EQ(Rep().AllMarks[1]->Pixel, QPoint(250, 220));
    EXPECT_EQ(Data.UndoCaption(), QStringLiteral("Cancel Move Mark"));
    Data.Undo();
    EXPECT_EQ(Rep().AllMarks[1]->Pixel, QPoint(200, 200));
    // A drag back to the same place is packed away: the caption names the change before.
    Drag({100, 100}, {100, 100});
    EXPECT_EQ(Data.UndoCaption(), QStringLiteral("Cancel Set Mark"));
    // No new mark may start while a drag is in progress.
    Down(200, 200);
    Data.MouseDown(mbLeft, Qt::NoModifier, 100, 100);
    EXPECT_EQ(Rep().DragIndex, 1);
    Up(200, 200);
}

TEST_F(DataTest, ImportedMarksAreOneUndoGroup)
{
    Data.SetNbObjets(2);
    View.FrameShown = 3;
    Point(10, 10); // object 0 on frame 3 already exists
    const std::vector<std::vector<TPointRel>> points = {
        {{0.5, 0.5}, {0.25, 0.25}, {0.1, 0.1}}, {{0.75, 0.75}}, {{0.2, 0.2}}};
    const TMatriceI frames = {{3, 6, -1}, {6}, {6}}; // object 2 does not exist and is ignored
    Data.ImportMarks(points, frames);
    EXPECT_EQ(Data.MarksCount(), 3);
    EXPECT_EQ(Rep().ContainerOf(3)->MarkOf(0)->GetPosition(), (TPointRel{0.5, 0.5}));
    EXPECT_EQ(Rep().ContainerOf(6)->MarkOf(1)->GetPosition(), (TPointRel{0.75, 0.75}));
    EXPECT_EQ(Rep().ContainerOf(6)->MarksContainerMarkNumber, 1);
    EXPECT_EQ(Data.UndoCaption(), QStringLiteral("Cancel"));
    Data.Undo();
    EXPECT_EQ(Data.MarksCount(), 1);
    EXPECT_EQ(Rep().ContainerOf(3)->MarkOf(0)->Pixel, QPoint(10, 10));
}

TEST_F(DataTest, DeletingTheMarksOfAFrameClearsTheMarkHistories)
{
    Point(10, 10);
    View.FrameShown = 4;
    Point(20, 20);
    Data.DeleteFrameMarks(4);
    EXPECT_EQ(Data.MarksCount(), 1);
    EXPECT_EQ(Data.HistMarques.Count(), 0);
    EXPECT_EQ(Data.UndoCaption(), QString());
    // Only the editing mode answers the number of marks of a frame.
    EXPECT_EQ(Data.MarksOnFrame(0), -1);
    View.ModeValue = mvMontage;
    EXPECT_EQ(Data.MarksOnFrame(0), 1);
    EXPECT_EQ(Data.MarksOnFrame(4), 0);
    EXPECT_EQ(Data.MarksOnFrame(50), -1);
}

TEST_F(DataTest, SmallestMarkCountOverObjects)
{
    Data.SetNbObjets(2);
    EXPECT_EQ(Data.SmallestMarksNumber(), 0);
    for (int frame = 0; frame < 3; ++frame) {
        View.FrameShown = frame * 2;
        Point(10, 10);
        if (frame < 2)
            Point(20, 20);
    }
    EXPECT_EQ(Data.SmallestMarksNumber(), 2);
}

TEST_F(DataTest, UndoDuringAMarkDragEndsTheDrag)
{
    Point(100, 100);
    Point(200, 200);
    Data.SetOutil(otEffacer);
    Click(100, 100); // the first mark goes; the second is now first in the list
    Data.SetOutil(otDeplacer);
    Down(200, 200);
    Data.KeyDown(Qt::Key_A, Qt::ControlModifier); // puts the first mark back in front of it
    Move(300, 300);
    Up(300, 300);
    EXPECT_EQ(Rep().AllMarks[0]->Pixel, QPoint(100, 100));
    EXPECT_EQ(Rep().AllMarks[1]->Pixel, QPoint(200, 200));
}

TEST_F(DataTest, LayerPositionsComeBackWithTheirUndo)
{
    View.ModeValue = mvTransparent;
    Data.SetOutil(otTsp);
    TTransparent& layer = *Data.Transparent;
    auto origine = std::make_unique<TOrigine>(Data);
    origine->OrigineImageNumber = 6;
    origine->Position = {0.3, 0.4};
    layer.AddOrigine(std::move(origine), haAddOrigine);
    // A change of the whole layer copies its positions; the copies still answer to the older entries.
    Data.InverserAxeX();
    EXPECT_FALSE(layer.DirectXAxisDirection);
    EXPECT_EQ(layer.Parking->Position.X, 1.1 * layer.LayerHeight); // parked on the left now
    Data.Undo();
    EXPECT_TRUE(layer.DirectXAxisDirection);
    ASSERT_EQ(layer.Origines.size(), 1u);
    Data.Undo();
    EXPECT_TRUE(layer.Origines.empty());

    // Undoing a drop removes the position, shows its frame and parks the sheet when none is left.
    auto dropped = std::make_unique<TOrigine>(Data);
    dropped->OrigineImageNumber = 9;
    dropped->Position = {0.6, 0.7};
    TOrigine* raw = dropped.get();
    layer.Origines.push_back(std::move(dropped));
    Data.Record(*raw, haDropOrigine);
    layer.OrigineCurrent = raw->Position;
    layer.LayerStage = 2;
    View.FrameShown = 20;
    Data.Undo();
    EXPECT_TRUE(layer.Origines.empty());
    EXPECT_EQ(View.FrameShown, 9);
    EXPECT_EQ(layer.OrigineCurrent, layer.Parking->Position);
    EXPECT_EQ(layer.LayerStage, 0);

    // The last position removed with the right button comes back as the sheet's centre, two stages on.
    auto last = std::make_unique<TOrigine>(Data);
    last->OrigineImageNumber = 9;
    last->Position = {0.6, 0.7};
    raw = last.get();
    layer.AddOrigine(std::move(last), haAddOrigine);
    layer.RemoveOrigine(raw, haRemoveLastOrigine);
    EXPECT_EQ(Data.UndoCaption(), QStringLiteral("Cancel Move Layer"));
    Data.Undo();
    ASSERT_EQ(layer.Origines.size(), 1u);
    EXPECT_EQ(layer.OrigineCurrent, (TPointRel{0.6, 0.7}));
    EXPECT_EQ(layer.LayerStage, 2);
}
