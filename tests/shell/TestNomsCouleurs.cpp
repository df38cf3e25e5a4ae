// The names-and-colours dialog: its rows on the grid and on the layer, names written back on closing,
// colours and visibility at once, a cancelled colour picker, the hints.
#include "shell/UnitBoiteNomCouleur.h"

#include "common/UnitGraphUtils.h"
#include "measurement/FakeDataView.h"
#include "measurement/UnitData.h"
#include "measurement/UnitMarques.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCoreApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QStatusBar>
#include <QTableWidget>

namespace {

struct NomsFixture : ::testing::Test
{
    TScriptedDialogsScope Dialogs;
    TFakeView View;
    TData Data{nullptr, &View};
    int ColourChanges = 0;
    int VisibilityChanges = 0;

    void SetUp() override
    {
        Data.OnCouleurChange = [this](TData&) { ++ColourChanges; };
        Data.OnVisibiliteChange = [this](TData&) { ++VisibilityChanges; };
    }

    QString Text(TBoiteNomCouleur& box, int row, int column) { return box.Grid()->item(row, column)->text(); }
};

} // namespace

TEST_F(NomsFixture, GridRowsNamesWrittenBackTrimmedOnClosing)
{
    Data.SetNbObjets(3);
    Data.SetObjectName(0, QStringLiteral("the ball"));
    TBoiteNomCouleur box(Data);
    box.show();
    ASSERT_EQ(box.Grid()->rowCount(), 6);
    EXPECT_EQ(Text(box, 1, TBoiteNomCouleur::ColNumber), QStringLiteral("1"));
    EXPECT_EQ(Text(box, 3, TBoiteNomCouleur::ColNumber), QStringLiteral("3"));
    EXPECT_EQ(Text(box, 1, TBoiteNomCouleur::ColName), QStringLiteral("the ball"));
    EXPECT_EQ(Text(box, 5, TBoiteNomCouleur::ColName), QStringLiteral("Axes and scale colour"));
    // Only the names of the objects can be edited on the grid.
    for (int row = 0; row < 6; ++row)
        for (int col = 0; col < 5; ++col)
            EXPECT_EQ(box.CellEditable(row, col), col == TBoiteNomCouleur::ColName && row >= 1 && row <= 3)
                << row << "," << col;
    EXPECT_FALSE(box.Grid()->item(5, TBoiteNomCouleur::ColName)->flags() & Qt::ItemIsEditable);

    box.Grid()->item(1, TBoiteNomCouleur::ColName)->setText(QStringLiteral("  the cart "));
    box.Grid()->item(2, TBoiteNomCouleur::ColName)->setText(QStringLiteral("   "));
    box.Grid()->item(3, TBoiteNomCouleur::ColName)->setText(QStringLiteral("the javelin"));
    EXPECT_EQ(Data.ObjectName(0), QStringLiteral("the ball")); // names wait for the closing
    box.close(); // the close box keeps the names too: there is no cancel
    EXPECT_EQ(Data.ObjectName(0), QStringLiteral("the cart"));
    EXPECT_EQ(Data.ObjectName(1), QString());
    EXPECT_EQ(Data.ObjectName(2), QStringLiteral("the javelin"));
}

TEST_F(NomsFixture, ColoursAndVisibilityActAtOnceAndACancelledPickerChangesNothing)
{
    Data.SetNbObjets(3);
    const TColor axes = Data.ElementColor;
    const TColor second = Data.ObjectColour(1);
    TBoiteNomCouleur box(Data);
    box.show();

    Dialogs->ColorAnswers.push_back(0x123456);
    box.CellPressed(2, TBoiteNomCouleur::ColColour);
    EXPECT_EQ(Data.ObjectColour(1), 0x123456);
    EXPECT_EQ(ColourChanges, 1);

    // The last row on the grid is the axes and scale colour; no object colour moves.
    Dialogs->ColorAnswers.push_back(0x00AA00);
    box.CellPressed(5, TBoiteNomCouleur::ColColour);
    EXPECT_EQ(Data.ElementColor, 0x00AA00);
    EXPECT_EQ(Data.ObjectColour(0), TGraphUtils::Instance().ObjectColor(0));
    EXPECT_EQ(Data.ObjectColour(1), 0x123456);
    EXPECT_EQ(ColourChanges, 2);

    // Cancelled picker: nothing changes.
    Dialogs->ColorAnswers.push_back(clNone);
    box.CellPressed(5, TBoiteNomCouleur::ColColour);
    Dialogs->ColorAnswers.push_back(clNone);
    box.CellPressed(2, TBoiteNomCouleur::ColColour);
    EXPECT_EQ(Data.ElementColor, 0x00AA00);
    EXPECT_EQ(Data.ObjectColour(1), 0x123456);
    EXPECT_EQ(ColourChanges, 2);

    // The heading and the row under the objects open nothing (an unexpected picker fails the test).
    box.CellPressed(0, TBoiteNomCouleur::ColColour);
    box.CellPressed(4, TBoiteNomCouleur::ColColour);
    EXPECT_EQ(Dialogs->ColorRequests, 4);

    // A real click on the visibility box of object 3 hides it; a second shows it.
    const QRect cell = box.Grid()->visualRect(box.Grid()->model()->index(3, TBoiteNomCouleur::ColVisible));
    for (const bool expected : {false, true}) {
        QMouseEvent press(QEvent::MouseButtonPress, QPointF(cell.center()), QPointF(cell.center()),
                          Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(box.Grid()->viewport(), &press);
        EXPECT_EQ(Data.ObjectVisible(2), expected);
    }
    EXPECT_EQ(VisibilityChanges, 2);
    EXPECT_TRUE(Data.ObjectVisible(0));
    box.close();
    EXPECT_NE(axes, Data.ElementColor);
    EXPECT_NE(second, Data.ObjectColour(1));
}

TEST_F(NomsFixture, LayerHasFourRowsAndItsFollowedObjectCanBeNamed)
{
    View.ModeValue = mvTransparent;
    TBoiteNomCouleur box(Data);
    box.show();
    ASSERT_EQ(box.Grid()->rowCount(), 4);
    EXPECT_TRUE(box.LayerMode());
    EXPECT_EQ(Text(box, 2, TBoiteNomCouleur::ColName),
              QStringLiteral("The middle of the layer follows the positions"));
    EXPECT_EQ(Text(box, 3, TBoiteNomCouleur::ColName), Data.ActiveList().Name(1));
    EXPECT_TRUE(box.CellEditable(3, TBoiteNomCouleur::ColName));
    EXPECT_FALSE(box.CellEditable(2, TBoiteNomCouleur::ColName));
    box.Grid()->item(1, TBoiteNomCouleur::ColName)->setText(QStringLiteral("the layer's point "));
    box.Grid()->item(3, TBoiteNomCouleur::ColName)->setText(QStringLiteral(" the cart"));
    box.accept();
    EXPECT_EQ(Data.ActiveList().Name(0), QStringLiteral("the layer's point"));
    EXPECT_EQ(Data.ActiveList().Name(1), QStringLiteral("the cart"));
    EXPECT_EQ(Data.MarquesRep->Name(0), TPolyContainer::DefaultName(0)); // the grid's list is untouched
}

TEST_F(NomsFixture, HintsOverTheTable)
{
    Data.SetNbObjets(2); // rows: 0 heading, 1-2 objects, 3 heading-like, 4 last
    TBoiteNomCouleur box(Data);
    box.show();
    const QString names = QStringLiteral("|The names will be used to clarify the results");
    const struct
    {
        int Row, Column;
        const char* Hint;
    } cases[] = {
        {1, 0, "|Mark number"},
        {0, 0, nullptr},
        {2, 1, "|Use the numeric keypad from the main window"},
        {4, 1, "|Use the numeric keypad from the main window"},
        {3, 1, nullptr},
        {0, 1, nullptr},
        {1, 2, "|Uncheck to hide all object marks"},
        {4, 2, nullptr},
        {2, 4, "|Do not forget an article before the noun"},
        {4, 4, nullptr},
        {1, 3, nullptr},
    };
    for (const auto& c : cases)
        EXPECT_EQ(box.HintAt(c.Row, c.Column), c.Hint ? QString::fromUtf8(c.Hint) : names)
            << c.Row << "," << c.Column;
    box.ShowHint(box.HintAt(2, 1));
    EXPECT_EQ(box.StatusBar()->currentMessage(),
              QStringLiteral("Use the numeric keypad from the main window"));

    // The mouse over the example picture shows its hint in the dialog's status bar, and leaving clears it.
    auto* picture = box.findChild<QLabel*>(QStringLiteral("Image"));
    ASSERT_NE(picture, nullptr);
    QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), picture->mapToGlobal(QPointF(5, 5)));
    QApplication::sendEvent(picture, &enter);
    EXPECT_EQ(box.StatusBar()->currentMessage(), names.mid(1));
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(picture, &leave);
    EXPECT_TRUE(box.StatusBar()->currentMessage().isEmpty());
    box.close();
}

TEST_F(NomsFixture, ExamplePictureShowsTheThreeColouredGlyphs)
{
    TBoiteNomCouleur box(Data);
    const QImage image = box.ExamplePicture();
    ASSERT_EQ(image.size(), QSize(412, 105));
    int red = 0, blue = 0, green = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QRgb p = image.pixel(x, y);
            red += p == qRgb(255, 0, 0);
            blue += p == qRgb(0, 0, 255);
            green += p == qRgb(0, 128, 0);
        }
    EXPECT_GT(red, 10);
    EXPECT_GT(blue, 10);
    EXPECT_GT(green, 10);
}
