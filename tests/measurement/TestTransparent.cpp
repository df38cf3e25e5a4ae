// The layer tool: grabbing, dragging and dropping the sheet, pointing on it, the right button, the size
// keys, undo and the drawing of the sheet.
#include "measurement/DataFixture.h"

#include <QImage>
#include <QPainter>

namespace {

class LayerTest : public DataTest
{
protected:
    void SetUp() override
    {
        DataTest::SetUp();
        View.ModeValue = mvTransparent;
        Data.SetOutil(otTsp);
    }
    TTransparent& Layer() { return *Data.Transparent; }
    QPoint Centre() { return View.ToView(Layer().OrigineCurrent); }
    // Grabs the sheet by its centre and drops it with its centre at a pixel.
    void DragSheetTo(QPoint to)
    {
        const QPoint from = Centre();
        Down(from.x(), from.y());
        Move((from.x() + to.x()) / 2, (from.y() + to.y()) / 2);
        Move(to.x(), to.y());
        Up(to.x(), to.y());
    }
};

TEST_F(LayerTest, CartOnAMovingSheetGivesThePositionsRelativeToTheSheet)
{
    // The sheet follows a cart moving 40 px a frame; the object on the sheet moves 10 px a frame more
    // and sits 40 px above the sheet's axis, so its relative velocity is 10 px a frame to the right.
    for (int k = 0; k < 5; ++k) {
        ASSERT_EQ(View.FrameShown, k);
        ASSERT_EQ(Layer().LayerStage, 0);
        DragSheetTo({100 + 40 * k, 240});
        ASSERT_EQ(Layer().LayerStage, 2);
        Click(100 + 40 * k + 20 + 10 * k, 200);
    }
    ASSERT_EQ(Layer().Origines.size(), 5u);
    const TMesures m = Data.BuildMesures(true);
    ASSERT_EQ(m.Temps.size(), 5u);
    for (int k = 0; k < 5; ++k) {
        EXPECT_NEAR(m.X[0][k], (20 + 10 * k) / 640.0, 1e-12) << k;
        EXPECT_NEAR(m.Y[0][k], 40 / 480.0, 1e-12) << k;
        EXPECT_NEAR(m.Temps[k], 0.04 * k, 1e-12);
    }
    // Moving the sheet moves the marks on the screen and changes no stored value.
    const TMarque* mark = Data.MarquesTsp->AllMarks.back();
    const TPointRel stored = mark->GetOffset();
    const QPoint before = View.ToView(mark->GetPosition());
    View.FrameShown = 5;
    DragSheetTo({500, 300});
    EXPECT_EQ(View.ToView(mark->GetPosition()) - before, QPoint(500 - 260, 300 - 240));
    EXPECT_EQ(mark->GetOffset().X, stored.X);
    EXPECT_EQ(mark->GetOffset().Y, stored.Y);
}

TEST_F(LayerTest, DropsRightButtonAndUndo)
{
    DragSheetTo({200, 200});
    Click(230, 180);
    ASSERT_EQ(View.FrameShown, 1);

    // A drop on a frame that has its position already corrects it and asks for no mark.
    View.FrameShown = 0;
    DragSheetTo({210, 200});
    EXPECT_EQ(Layer().LayerStage, 0);
    ASSERT_EQ(Layer().Origines.size(), 1u);
    EXPECT_EQ(View.ToView(Layer().Origines[0]->Position), QPoint(210, 200));

    // The right button while pointing takes the drop back; with none left the sheet goes to its parking.
    View.FrameShown = 1;
    DragSheetTo({300, 200});
    ASSERT_EQ(Layer().Origines.size(), 2u);
    Click(300, 200, mbRight);
    EXPECT_EQ(Layer().LayerStage, 0);
    EXPECT_EQ(Layer().Origines.size(), 1u);
    EXPECT_EQ(Centre(), QPoint(210, 200));

    // The right button while waiting takes the last mark back, to be pointed again.
    Click(0, 0, mbRight);
    EXPECT_EQ(Data.MarquesTsp->MarksCount(), 0);
    EXPECT_EQ(View.FrameShown, 0);
    EXPECT_EQ(Layer().LayerStage, 2);
    Click(0, 0, mbRight);
    EXPECT_TRUE(Layer().Origines.empty());
    EXPECT_EQ(Layer().OrigineCurrent.X, Layer().Parking->Position.X);
    EXPECT_EQ(Layer().OrigineCurrent.Y, Layer().Parking->Position.Y);

    // Undo puts back what the right button took, then takes back the drop.
    Data.Undo();
    ASSERT_EQ(Layer().Origines.size(), 1u);
    EXPECT_EQ(Layer().LayerStage, 2);
    EXPECT_EQ(Centre(), QPoint(210, 200));
}

TEST_F(LayerTest, SizeKeysStopAtTheirBoundsAndUndo)
{
    for (int i = 0; i < 40; ++i)
        Data.KeyDown(Qt::Key_Minus, Qt::NoModifier);
    EXPECT_LE(Layer().LayerWidth, 0.1);
    EXPECT_GT(Layer().LayerWidth, 0.09);
    EXPECT_DOUBLE_EQ(Layer().LayerHeight, Layer().LayerWidth);
    for (int i = 0; i < 40; ++i)
        Data.KeyDown(Qt::Key_Plus, Qt::NoModifier);
    EXPECT_GE(Layer().LayerWidth, 1.0);
    EXPECT_LT(Layer().LayerWidth, 1.1);
    const double grown = Layer().LayerWidth;
    Data.KeyDown(Qt::Key_Minus, Qt::NoModifier);
    Data.Undo();
    EXPECT_DOUBLE_EQ(Layer().LayerWidth, grown);
}

TEST_F(LayerTest, SheetAndArrowsFollowTheAxisDirections)
{
    Layer().LayerWidth = Layer().LayerHeight = 0.25;
    DragSheetTo({320, 240});
    struct Case
    {
        bool DirectX;
        int ArrowX; // where the x arrowhead is, view pixels
        int PlainX; // the other end of the x axis, a bare line
    };
    for (const Case& c : {Case{true, 475, 165}, Case{false, 165, 475}}) {
        Layer().SetDirectX(c.DirectX);
        Layer().ComputeParking(); // the sizes were set by hand above
        QImage image(640, 480, QImage::Format_RGB32);
        image.fill(Qt::black);
        QPainter painter(&image);
        Data.Paint(painter);
        painter.end();
        const QColor yellow = ToQColor(clYellow);
        EXPECT_EQ(image.pixelColor(160, 200), yellow) << "left edge";
        EXPECT_EQ(image.pixelColor(300, 120), yellow) << "top edge";
        EXPECT_EQ(image.pixelColor(c.ArrowX, 239), yellow) << c.DirectX;
        EXPECT_EQ(image.pixelColor(c.PlainX, 239), QColor(Qt::black)) << c.DirectX;
        // The parking place is on the side the x axis points away from.
        EXPECT_DOUBLE_EQ(Layer().Parking->Position.X, c.DirectX ? 1 - 1.1 * 0.25 : 1.1 * 0.25);
    }
}

} // namespace
