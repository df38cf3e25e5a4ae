// The datasheet page of the results window.
#include "results/UnitDatasheet.h"

#include "export/UnitServeur.h"
#include "results/UnitDatasheetMatrix.h"

#include <QCoreApplication>
#include <QFontMetrics>
#include <QVBoxLayout>

namespace {

const QColor GridBackground(255, 252, 255);
const QColor ButtonRowColor(235, 235, 235);
const QColor SymbolRowColor(226, 219, 226);
const QColor UnitRowColor(219, 223, 226);
const QString HeaderHint = QStringLiteral("Hide column or change the number of significant digits");
constexpr int RowNumberWidth = 30;
// The time column is as wide as its caption plus this, pixels.
constexpr int TimeColumnMargin = 18;
// Room around a cell's text, pixels: the text's margins and the grid line.
constexpr int CellPadding = 12;

QAction* Item(QObject* parent, const QString& caption, bool checkable)
{
    auto* action = new QAction(caption, parent);
    action->setCheckable(checkable);
    return action;
}

} // namespace

TDatasheetPage::TDatasheetPage(TResGrid& resGrid, TServeur& serveur, const TOptions& options,
                               const TResultsFlags& flags, QWidget* parent)
    : QWidget(parent), FResGrid(resGrid), FServeur(serveur), FOptions(options), FFlags(flags),
      FColors(TGridColors::System())
{
    setWindowTitle(Caption());
    setFont(QFont(QStringLiteral("Arial"), 10));
    ProgramPath = QCoreApplication::applicationFilePath();

    FGrid = new TCellGrid(this);
    FGrid->SetFixedCols(1);
    FGrid->SetFixedRows(4);
    FGrid->SetColCount(2);
    FGrid->SetRowCount(4);
    FGrid->SetColor(GridBackground);
    FGrid->SetColWidth(0, RowNumberWidth);
    FGrid->SetColWidth(1, QFontMetrics(font()).horizontalAdvance(QStringLiteral("time")) + TimeColumnMargin);
    FGrid->OnDrawCell = [this](QPainter& painter, int col, int row, const QRect& rect) {
        GridDrawCell(painter, col, row, rect);
    };
    FGrid->OnMouseDown = [this](Qt::MouseButton button, int x, int y) { GridMouseDown(button, x, y); };
    FGrid->OnMouseMove = [this](int x, int y) { GridMouseMove(x, y); };
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(FGrid);

    MenuAffichageCoordonnees = Item(this, QStringLiteral("Coordinates"), true);
    MenuAffichageVitesse = Item(this, QStringLiteral("Velocity"), true);
    MenuAffichageAcceleration = Item(this, QStringLiteral("Acceleration"), true);
    MenuAffichagePolaire = Item(this, QStringLiteral("Polar quantities"), true);
    MenuEditionCopierTableauDansLePressePapier =
        Item(this, QStringLiteral("Copy datasheet to clipboard"), false);
    MenuFichierExporter = Item(this, QStringLiteral("Export"), false);
    MenuEditionRestaurerTableau = Item(this, QStringLiteral("Restore table"), false);
    MenuEditionCopierEtLancerExcel = Item(this, QStringLiteral("Excel"), false);
    MenuEditionCopierEtLancerOpenOffice = Item(this, QStringLiteral("OpenOffice"), false);
    MenuEditionCopierEtLancerRegressi = Item(this, QStringLiteral("Regressi"), false);

    // Each Display item sets its own group only: columns hidden one by one in the others stay hidden.
    connect(MenuAffichageCoordonnees, &QAction::triggered, this, [this](bool checked) {
        FResGrid.SetKindsVisible(checked, KindsCoordinates());
        RefreshGrid();
    });
    connect(MenuAffichageVitesse, &QAction::triggered, this, [this](bool checked) {
        FResGrid.SetKindsVisible(checked && FFlags.VelocityComputed, KindsVelocity());
        RefreshGrid();
    });
    connect(MenuAffichageAcceleration, &QAction::triggered, this, [this](bool checked) {
        FResGrid.SetKindsVisible(checked && FFlags.AccelerationComputed, KindsAcceleration());
        RefreshGrid();
    });
    connect(MenuAffichagePolaire, &QAction::triggered, this, [this](bool checked) {
        FResGrid.SetKindsVisible(checked && FFlags.PolarComputed, KindsPolar());
        RefreshGrid();
    });
    connect(MenuEditionCopierTableauDansLePressePapier, &QAction::triggered, this,
            [this] { CopyDatasheet(); });
    connect(MenuFichierExporter, &QAction::triggered, this, [this] { ExportDatasheet(); });
    connect(MenuEditionRestaurerTableau, &QAction::triggered, this, [this] { ShowDatasheet(); });
    connect(MenuEditionCopierEtLancerExcel, &QAction::triggered, this, [this] { LaunchExcel(); });
    connect(MenuEditionCopierEtLancerOpenOffice, &QAction::triggered, this, [this] { LaunchOpenOffice(); });
    connect(MenuEditionCopierEtLancerRegressi, &QAction::triggered, this, [this] { LaunchRegressi(); });

    ApplyOptions();
}

void TDatasheetPage::ApplyOptions()
{
    MenuAffichageCoordonnees->setChecked(FOptions.CheckBox29GridShowCoordinates);
    MenuAffichageVitesse->setChecked(FOptions.CheckBox10GridShowSpeed);
    MenuAffichageAcceleration->setChecked(FOptions.CheckBox11GridShowAcceleration);
    MenuAffichagePolaire->setChecked(FOptions.CheckBox57GridShowPolarQuantities);
    UpdateItems();
}

void TDatasheetPage::UpdateItems()
{
    MenuAffichageVitesse->setVisible(FFlags.VelocityComputed);
    MenuAffichageAcceleration->setVisible(FFlags.AccelerationComputed);
    MenuAffichagePolaire->setVisible(FFlags.PolarComputed);
}

void TDatasheetPage::RefreshGrid()
{
    FResGrid.Recount();
    const int cols = FResGrid.ColCount();
    const int rows = FResGrid.RowCount();
    FGrid->SetColCount(cols);
    FGrid->SetRowCount(rows);
    for (int row = 0; row < rows; ++row)
        for (int col = 0; col < cols; ++col)
            FGrid->SetCell(col, row, FResGrid.CellText(col, row, true));
    // Every column as wide as its captions and values need (the symbols are bold), so that nothing is
    // cut; a text that still does not fit shows whole in the cell's tooltip.
    FGrid->SetColWidth(0, FGrid->ContentWidth(0, RowNumberWidth, CellPadding));
    for (int col = 1; col < cols; ++col)
        FGrid->SetColWidth(col, FGrid->ContentWidth(col, FGrid->DefaultColWidth(), CellPadding, 1));
}

void TDatasheetPage::ShowDatasheet()
{
    setWindowTitle(Caption());
    TDatasheetGroups groups;
    groups.Coordinates = MenuAffichageCoordonnees->isChecked();
    groups.Velocity = MenuAffichageVitesse->isChecked();
    groups.Acceleration = MenuAffichageAcceleration->isChecked();
    groups.Polar = MenuAffichagePolaire->isChecked();
    ShowDatasheetColumns(FResGrid, groups, FFlags);
    RefreshGrid();
    updateGeometry();
    FGrid->show();
}

void TDatasheetPage::GridDrawCell(QPainter& painter, int col, int row, const QRect& rect)
{
    const QString text = FGrid->Cell(col, row);
    const QColor ink = FColors.ButtonText;
    const QColor face = FGrid->FixedColor();
    if (row == 0) {
        if (col == 0) {
            DrawGridCell(painter, rect, face, QString(), dgFrame, false, ink, FColors);
            return;
        }
        // Every data column but time can be hidden from its button.
        const int flags = dgFrame | dgArrows | (FResGrid.FullIndex(col) == 0 ? 0 : dgCross);
        DrawGridCell(painter, rect, ButtonRowColor, text, flags, false, ink, FColors);
        return;
    }
    if (col == 0) {
        DrawGridCell(painter, rect, face, row >= FResGrid.FixedRows() ? text : QString(), dgFrame | dgCentre,
                     false, ink, FColors);
        return;
    }
    switch (row) {
    case 1:
        DrawGridCell(painter, rect, SymbolRowColor, text, dgFrame | dgCentre, true, ink, FColors);
        return;
    case 2:
    case 3:
        DrawGridCell(painter, rect, UnitRowColor, text, dgFrame | dgCentre, false, ink, FColors);
        return;
    default:
        DrawGridCell(painter, rect, ToQColor(FResGrid.CellColor(col)), text, 0, false, ink, FColors);
    }
}

void TDatasheetPage::GridMouseDown(Qt::MouseButton, int x, int y)
{
    int col = -1;
    int row = -1;
    if (!FGrid->MouseToCell(QPoint(x, y), col, row) || row != 0 || col < FResGrid.FixedCols())
        return;
    const QRect rect = FGrid->CellRect(col, 0);
    const int width = rect.width();
    const int right = rect.left() + width; // first pixel after the cell
    if (x - rect.left() < ArrowZone && width > ArrowMinWidth)
        FResGrid.FewerDigits(col);
    else if (right - ArrowZone < x && width > ArrowMinWidth)
        FResGrid.MoreDigits(col);
    else if (FResGrid.FullIndex(col) != 0)
        FResGrid.SetColumnVisible(false, col);
    RefreshGrid();
}

void TDatasheetPage::GridMouseMove(int x, int y)
{
    int col = -1;
    int row = -1;
    const bool header = FGrid->MouseToCell(QPoint(x, y), col, row) && row == 0 && col > 0;
    FHint = header ? HeaderHint : QString();
    if (header)
        FGrid->viewport()->setCursor(Qt::PointingHandCursor);
    else
        FGrid->viewport()->unsetCursor();
    FGrid->viewport()->setToolTip(FHint);
}

void TDatasheetPage::BuildText()
{
    BuildDatasheetText(FResGrid, FServeur, ProgramPath, GridAngle ? GridAngle() : 0.0,
                       QDateTime::currentDateTime());
}

bool TDatasheetPage::CopyDatasheet()
{
    BuildText();
    return FServeur.CopyToClipboard(true);
}

bool TDatasheetPage::ExportDatasheet()
{
    BuildText();
    return FServeur.SaveToTextFile();
}

bool TDatasheetPage::LaunchExcel()
{
    return FServeur.ExportToExcel(BuildDatasheetMatrix(FResGrid, GridAngle ? GridAngle() : 0.0));
}

bool TDatasheetPage::LaunchOpenOffice()
{
    return FServeur.ExportToOpenOffice(BuildDatasheetMatrix(FResGrid, GridAngle ? GridAngle() : 0.0));
}

bool TDatasheetPage::LaunchRegressi()
{
    const int columns = BuildDatasheetText(FResGrid, FServeur, ProgramPath, GridAngle ? GridAngle() : 0.0,
                                           QDateTime::currentDateTime());
    return FServeur.ExportToRegressi(columns);
}
