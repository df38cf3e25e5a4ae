// The datasheet page: painting of the header row, the header's mouse actions and hint, the Display
// items and "Restore table", the copy and export commands, and the grid control's scrolling and sizing.
#include "ResultsFixture.h"

#include "export/UnitServeur.h"
#include "results/UnitDatasheet.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <QClipboard>
#include <QFile>
#include <QFileInfo>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QImage>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

namespace {

struct TPageFixture : TResultsFixture
{
    TServeur Serveur{Options};
    TDatasheetPage Page{Grid, Serveur, Options, Flags};

    TPageFixture()
    {
        EXPECT_EQ(PrepareResults(Calc, Grid, Flags, true), calcOk);
        Page.resize(1200, 400);
        Page.show();
        Page.ShowDatasheet();
    }
    TCellGrid& View() { return *Page.Grid(); }
    // Presses the button row of a grid column at x pixels from its left edge (negative: from its right
    // edge, -1 being its last pixel).
    void Click(int col, int x)
    {
        const QRect rect = View().CellRect(col, 0);
        Page.GridMouseDown(Qt::LeftButton, x >= 0 ? rect.left() + x : rect.left() + rect.width() + x,
                           rect.center().y());
    }
    QImage Picture()
    {
        QImage image(View().viewport()->size(), QImage::Format_RGB32);
        QPainter painter(&image);
        View().Paint(painter, image.rect());
        return image;
    }
};

QColor Pixel(const QImage& image, int x, int y)
{
    return image.pixelColor(x, y);
}

void Send(QWidget* widget, QEvent::Type type, QPoint at, Qt::MouseButtons buttons)
{
    QMouseEvent event(type, QPointF(at), widget->mapToGlobal(QPointF(at)), Qt::LeftButton, buttons,
                      Qt::NoModifier);
    QCoreApplication::sendEvent(widget, &event);
}

} // namespace

TEST(DatasheetPage, HeaderRowPaintsArrowsAndCross)
{
    TPageFixture f;
    f.View().SetColWidth(3, 24);
    const QImage image = f.Picture();
    const QColor grey(235, 235, 235);

    // A coordinate column: frame, both arrows and the cross in the middle.
    const QRect x1 = f.View().CellRect(2, 0);
    const int middle = (x1.top() + x1.top() + x1.height()) / 2;
    EXPECT_EQ(Pixel(image, x1.left() - 1, middle), QColor(Qt::black));
    EXPECT_EQ(Pixel(image, x1.left() + 7, middle), ArrowColor);
    EXPECT_EQ(Pixel(image, x1.left() + x1.width() - 8, middle), ArrowColor);
    EXPECT_EQ(Pixel(image, x1.left() + 15, middle), grey);
    const QPoint centre(x1.left() + x1.width() / 2, middle);
    EXPECT_EQ(Pixel(image, centre.x(), centre.y()), CrossColor);

    // The time column: arrows but no cross.
    const QRect time = f.View().CellRect(1, 0);
    ASSERT_GT(time.width(), ArrowMinWidth);
    EXPECT_EQ(Pixel(image, time.left() + 7, middle), ArrowColor);
    EXPECT_EQ(Pixel(image, time.left() + time.width() / 2, middle), grey);

    // A column of 24 pixels: neither arrows nor cross.
    const QRect narrow = f.View().CellRect(3, 0);
    for (int x = narrow.left(); x < narrow.left() + narrow.width(); ++x)
        EXPECT_EQ(Pixel(image, x, middle), grey) << x;

    // Symbol row and data cells: their colours, and some text drawn in the symbol cell.
    ASSERT_FALSE(QFontDatabase::families().isEmpty());
    const QRect symbol = f.View().CellRect(2, 1);
    EXPECT_EQ(Pixel(image, symbol.left() + 1, symbol.top() + 1), QColor(226, 219, 226));
    int ink = 0;
    for (int y = symbol.top(); y < symbol.top() + symbol.height(); ++y)
        for (int x = symbol.left(); x < symbol.left() + symbol.width(); ++x)
            ink += qGray(image.pixel(x, y)) < 100;
    EXPECT_GT(ink, 10);
    const QRect unit = f.View().CellRect(2, 2);
    EXPECT_EQ(Pixel(image, unit.left() + 1, unit.top() + 1), QColor(219, 223, 226));
    const QRect cell = f.View().CellRect(2, 4);
    EXPECT_EQ(Pixel(image, cell.left() + cell.width() - 2, cell.top() + 1), QColor(248, 248, 255));
    const QRect velocity = f.View().CellRect(6, 4);
    EXPECT_EQ(Pixel(image, velocity.left() + velocity.width() - 2, velocity.top() + 1),
              QColor(255, 250, 250));
}

TEST(DatasheetPage, HeaderClicksChangeDigitsAndHideColumns)
{
    TLocaleScope locale{QLocale(QLocale::English, QLocale::UnitedStates)};
    TPageFixture f;
    ASSERT_EQ(f.View().ColCount(), 24);
    EXPECT_EQ(f.View().Cell(2, 5), QStringLiteral("0.500"));

    f.Click(2, -5); // right arrow of x1
    EXPECT_EQ(f.View().Cell(2, 5), QStringLiteral("0.5000"));
    f.Click(2, 5); // left arrow
    f.Click(2, 5); // no fewer than 0 extra digits
    EXPECT_EQ(f.View().Cell(2, 5), QStringLiteral("0.500"));

    // The time column: its middle does nothing, its arrows still work.
    f.Click(1, f.View().ColWidth(1) / 2);
    EXPECT_EQ(f.View().ColCount(), 24);
    f.Click(1, -3);
    EXPECT_EQ(f.View().Cell(1, 5), QStringLiteral("0.1250"));

    // The middle of a data column hides it; the next one moves in.
    f.Click(2, 30);
    EXPECT_EQ(f.View().ColCount(), 23);
    EXPECT_EQ(f.View().Cell(2, 1), QStringLiteral("y1"));

    // 24 pixels or narrower: no arrow zones, an edge click hides the column.
    f.View().SetColWidth(2, 24);
    f.Click(2, 2);
    EXPECT_EQ(f.View().ColCount(), 22);
    EXPECT_EQ(f.View().Cell(2, 1), QStringLiteral("x2"));

    // Below the button row nothing happens.
    const QRect symbol = f.View().CellRect(3, 1);
    f.Page.GridMouseDown(Qt::LeftButton, symbol.center().x(), symbol.center().y());
    EXPECT_EQ(f.View().ColCount(), 22);
}

TEST(DatasheetPage, HeaderHintAndCursor)
{
    TPageFixture f;
    const QRect button = f.View().CellRect(1, 0);
    f.Page.GridMouseMove(button.center().x(), button.center().y());
    EXPECT_EQ(f.Page.Hint(), QStringLiteral("Hide column or change the number of significant digits"));
    EXPECT_EQ(f.View().viewport()->cursor().shape(), Qt::PointingHandCursor);
    for (const QRect& other : {f.View().CellRect(0, 0), f.View().CellRect(2, 4)}) {
        f.Page.GridMouseMove(other.center().x(), other.center().y());
        EXPECT_EQ(f.Page.Hint(), QString());
        EXPECT_EQ(f.View().viewport()->cursor().shape(), Qt::ArrowCursor);
    }
}

TEST(DatasheetPage, DisplayItemsAndRestoreTable)
{
    TPageFixture f;
    // Unchecking "Velocity" hides the six velocity columns of the two objects.
    f.Page.MenuAffichageVitesse->trigger();
    EXPECT_FALSE(f.Page.MenuAffichageVitesse->isChecked());
    EXPECT_EQ(f.View().ColCount(), 18);
    // A column hidden by hand and a column with more digits.
    f.Click(2, 30); // x1
    f.Click(2, -3); // y1 now
    EXPECT_EQ(f.View().ColCount(), 17);
    // "Restore table" brings the single column back, keeps the unchecked group hidden and the digits.
    f.Page.MenuEditionRestaurerTableau->trigger();
    EXPECT_EQ(f.View().ColCount(), 18);
    EXPECT_EQ(f.View().Cell(2, 1), QStringLiteral("x1"));
    EXPECT_EQ(f.Grid.Active().Columns[2].Digits, 1);
    EXPECT_EQ(f.Page.windowTitle(), QStringLiteral("Datasheet"));

    // A family that is not computed is neither offered nor shown, whatever its item says.
    f.Flags.AccelerationComputed = false;
    f.Page.UpdateItems();
    EXPECT_FALSE(f.Page.MenuAffichageAcceleration->isVisible());
    f.Page.ShowDatasheet();
    EXPECT_EQ(f.View().ColCount(), 12);

    // The items take their checks from the options.
    f.Options.CheckBox29GridShowCoordinates = false;
    f.Options.CheckBox10GridShowSpeed = true;
    f.Page.ApplyOptions();
    EXPECT_FALSE(f.Page.MenuAffichageCoordonnees->isChecked());
    EXPECT_TRUE(f.Page.MenuAffichageVitesse->isChecked());
    f.Page.ShowDatasheet();
    EXPECT_EQ(f.View().Cell(2, 1), QStringLiteral("vx1"));
}

TEST(DatasheetPage, CopyAndExportCarryTheSameText)
{
    TScriptedUserDlgScope dlg;
    TScriptedDialogsScope dialogs;
    TPageFixture f;
    f.Page.ProgramPath = QStringLiteral("/usr/bin/kinotra");
    f.Page.GridAngle = [] { return 0.25; };
    f.Serveur.VideoFileName = [] { return QStringLiteral("/videos/ball.mp4"); };

    dlg->Answer(0);
    f.Page.MenuEditionCopierTableauDansLePressePapier->trigger();
    const QStringList copied = QGuiApplication::clipboard()->text().split(QStringLiteral("\r\n"));
    ASSERT_EQ(copied.size(), 3 + 3 + 5 + 1);
    EXPECT_EQ(copied[0], QStringLiteral("/usr/bin/kinotra"));
    EXPECT_EQ(copied[2], QStringLiteral("Grid rotation in the trigonometric direction : 0.25 rad"));
    EXPECT_EQ(copied[3].count(QLatin1Char('\t')), 22);

    const QString name = f.Dir.filePath(QStringLiteral("Datasheet_ball.txt"));
    dialogs->FileAnswers.push_back(TFileDialogResult{true, name, 1});
    dlg->Answer(0);
    f.Page.MenuFichierExporter->trigger();
    ASSERT_EQ(dialogs->FileRequests.size(), 1u);
    EXPECT_EQ(dialogs->FileRequests[0].FileName, QStringLiteral("Datasheet_ball.txt"));
    QFile file(name);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    QStringList written = QString::fromUtf8(file.readAll()).split(QStringLiteral("\r\n"));
    ASSERT_EQ(written.size(), copied.size());
    written[1] = copied[1]; // the time of day may have moved on
    EXPECT_EQ(written, copied);
    EXPECT_EQ(dlg->Shown.size(), 2u);
}

TEST(DatasheetPage, CopyAndLaunchHandsTheMatrixAndTheText)
{
    TScriptedUserDlgScope dlg;
    TPageFixture f;
    f.Page.GridAngle = [] { return 0.25; };
    f.Serveur.VideoFileName = [] { return QStringLiteral("/videos/ball.mp4"); };
    f.Serveur.ExportFolder = f.Dir.path();
    QStringList opened;
    f.Serveur.OpenDocument = [&opened](const QString& name) {
        opened << name;
        return true;
    };
    dlg->Answer(0);
    dlg->Answer(0);
    f.Page.MenuEditionCopierEtLancerExcel->trigger();
    f.Page.MenuEditionCopierEtLancerOpenOffice->trigger();
    ASSERT_EQ(opened.size(), 2);
    EXPECT_EQ(opened[0], f.Dir.filePath(QStringLiteral("Datasheet_ball.xlsx")));
    EXPECT_EQ(opened[1], f.Dir.filePath(QStringLiteral("Datasheet_ball.ods")));
    for (const QString& name : opened)
        EXPECT_GT(QFileInfo(name).size(), 0) << name.toStdString();
    ASSERT_EQ(dlg->Shown.size(), 2u);
    for (int i = 0; i < 2; ++i)
        EXPECT_TRUE(dlg->Shown[std::size_t(i)].Text().contains(opened[i])) << i;
    dlg->Shown.clear();

    // Regressi gets the datasheet text with its column count: 22 data columns are more than it takes.
    const QString regressi = f.Dir.filePath(QStringLiteral("Regressi.exe"));
    QFile(regressi).open(QIODevice::WriteOnly);
    ASSERT_TRUE(f.Serveur.SetRegressiPath(regressi));
    dlg->Answer(0); // "Cancel" to the question about more than 16 variables
    f.Page.MenuEditionCopierEtLancerRegressi->trigger();
    ASSERT_EQ(dlg->Shown.size(), 1u);
    EXPECT_EQ(dlg->Shown[0].Lines.at(0).Text,
              QStringLiteral("Regressi does not accept more than 16 variables."));
    EXPECT_EQ(f.Serveur.Lines.value(2),
              QStringLiteral("Grid rotation in the trigonometric direction : 0.25 rad"));
}

TEST(DatasheetPage, ColumnsAreAsWideAsTheirCaptionsAndValues)
{
    TLocaleScope locale{QLocale(QLocale::English, QLocale::UnitedStates)};
    TPageFixture f;
    QFont bold = f.View().font();
    bold.setBold(true);
    const QFontMetrics plain(f.View().font()), symbols(bold);
    const auto expectAllFit = [&](const char* when) {
        for (int col = 1; col < f.View().ColCount(); ++col)
            for (int row = 1; row < f.View().RowCount(); ++row) {
                const QString text = f.View().Cell(col, row);
                const int needed = (row == 1 ? symbols : plain).horizontalAdvance(text) + 4;
                EXPECT_LE(needed, f.View().ColWidth(col))
                    << when << ": column " << col << " row " << row << " \"" << text.toStdString() << '"';
            }
    };
    ASSERT_TRUE(f.View().Cell(2, 3).startsWith(QStringLiteral("Abscissa")));
    expectAllFit("opened");
    // Digits added to a column widen it.
    for (int i = 0; i < 8; ++i)
        f.Click(2, -5);
    EXPECT_GE(f.View().Cell(2, 5).size(), 10);
    expectAllFit("eight digits more");

    // A column the user narrows shows its cut texts whole in a tooltip; a text that fits shows none.
    f.View().SetColWidth(2, 30);
    const auto tip = [&](int row) { return f.View().ToolTipAt(f.View().CellRect(2, row).center()); };
    EXPECT_EQ(tip(3), f.View().Cell(2, 3));
    EXPECT_EQ(tip(2), QString()); // "m"
}

TEST(DatasheetPage, AClickedCellIsSelectedAndTheKeysMoveTheSelection)
{
    TPageFixture f;
    f.Page.resize(500, 250); // fewer rows and columns than the table has
    TCellGrid& grid = f.View();
    const QImage before = f.Picture();
    const QRect cell = grid.CellRect(3, 6);
    Send(grid.viewport(), QEvent::MouseButtonPress, cell.center(), Qt::LeftButton);
    Send(grid.viewport(), QEvent::MouseButtonRelease, cell.center(), Qt::NoButton);
    EXPECT_EQ(grid.SelectedCol(), 3);
    EXPECT_EQ(grid.SelectedRow(), 6);
    // The selection shows: the cell's pixels change, its neighbours' do not.
    const QImage after = f.Picture();
    EXPECT_NE(after.pixel(cell.left() + 3, cell.top() + 3), before.pixel(cell.left() + 3, cell.top() + 3));
    const QRect next = grid.CellRect(3, 7);
    EXPECT_EQ(after.pixel(next.left() + 3, next.top() + 3), before.pixel(next.left() + 3, next.top() + 3));

    struct Step
    {
        int Key;
        Qt::KeyboardModifiers Modifiers;
        int Col, Row; // -1: the last column or row
    };
    const Step steps[] = {
        {Qt::Key_End, Qt::ControlModifier, -1, -1}, {Qt::Key_Home, Qt::ControlModifier, 1, 4},
        {Qt::Key_Right, Qt::NoModifier, 2, 4},      {Qt::Key_Down, Qt::NoModifier, 2, 5},
        {Qt::Key_End, Qt::NoModifier, -1, 5},       {Qt::Key_Up, Qt::NoModifier, -1, 4},
        {Qt::Key_Up, Qt::NoModifier, -1, 4}, // the fixed rows are not selected
    };
    for (const Step& step : steps) {
        QKeyEvent press(QEvent::KeyPress, step.Key, step.Modifiers);
        QCoreApplication::sendEvent(&grid, &press);
        const int col = step.Col < 0 ? grid.ColCount() - 1 : step.Col;
        const int row = step.Row < 0 ? grid.RowCount() - 1 : step.Row;
        EXPECT_EQ(grid.SelectedCol(), col) << step.Key;
        EXPECT_EQ(grid.SelectedRow(), row) << step.Key;
        EXPECT_FALSE(grid.CellRect(col, row).isEmpty()) << "scrolled into view " << step.Key;
    }
}

TEST(CellGrid, FixedRowsStayAndColumnsResizeByTheirEdge)
{
    TCellGrid grid;
    grid.SetFixedCols(1);
    grid.SetFixedRows(2);
    grid.SetColCount(30);
    grid.SetRowCount(100);
    grid.resize(400, 300);
    grid.show();
    const int row = grid.DefaultRowHeight() + 1;

    grid.SetTopRow(10);
    EXPECT_EQ(grid.TopRow(), 10);
    EXPECT_EQ(grid.CellRect(3, 1).top(), row);
    EXPECT_TRUE(grid.CellRect(3, 5).isNull());
    EXPECT_EQ(grid.CellRect(3, 10).top(), 2 * row);
    int col = -1;
    int r = -1;
    ASSERT_TRUE(grid.MouseToCell(QPoint(grid.CellRect(4, 12).center()), col, r));
    EXPECT_EQ(col, 4);
    EXPECT_EQ(r, 12);

    grid.SetLeftCol(5);
    EXPECT_EQ(grid.CellRect(0, 0).left(), 0);
    EXPECT_EQ(grid.CellRect(5, 0).left(), grid.ColWidth(0) + 1);
    EXPECT_TRUE(grid.CellRect(4, 0).isNull());

    // Dragging a column's right edge in the fixed rows resizes it and is not a click on the cell.
    int presses = 0;
    grid.OnMouseDown = [&](Qt::MouseButton, int, int) { ++presses; };
    const QRect cell = grid.CellRect(5, 0);
    const QPoint edge(cell.left() + cell.width(), cell.center().y());
    Send(grid.viewport(), QEvent::MouseButtonPress, edge, Qt::LeftButton);
    Send(grid.viewport(), QEvent::MouseMove, edge + QPoint(30, 0), Qt::LeftButton);
    Send(grid.viewport(), QEvent::MouseButtonRelease, edge + QPoint(30, 0), Qt::NoButton);
    EXPECT_EQ(grid.ColWidth(5), cell.width() + 30);
    EXPECT_EQ(presses, 0);
    Send(grid.viewport(), QEvent::MouseButtonPress, cell.center(), Qt::LeftButton);
    EXPECT_EQ(presses, 1);
}
