// The datasheet page of the results window: the grid of the current results, its header buttons
// (digit arrows, hide cross), its Display items and its copy and export commands.
#pragma once

#include "results/UnitCellGrid.h"
#include "results/UnitGridPaint.h"
#include "results/UnitResPrepare.h"

#include <QAction>
#include <QString>
#include <QWidget>
#include <functional>

class TServeur;

class TDatasheetPage : public QWidget
{
    Q_OBJECT

public:
    // All four collaborators outlive the page; flags are the results window's computed flags.
    TDatasheetPage(TResGrid& resGrid, TServeur& serveur, const TOptions& options, const TResultsFlags& flags,
                   QWidget* parent = nullptr);

    TCellGrid* Grid() const { return FGrid; }
    static QString Caption() { return QStringLiteral("Datasheet"); }

    // Display items (checkable; hidden while their family is not computed).
    QAction* MenuAffichageCoordonnees;
    QAction* MenuAffichageVitesse;
    QAction* MenuAffichageAcceleration;
    QAction* MenuAffichagePolaire;
    // Commands of the page.
    QAction* MenuEditionCopierTableauDansLePressePapier;
    QAction* MenuFichierExporter;
    QAction* MenuEditionRestaurerTableau;
    // The three items of "Copy and launch".
    QAction* MenuEditionCopierEtLancerExcel;
    QAction* MenuEditionCopierEtLancerOpenOffice;
    QAction* MenuEditionCopierEtLancerRegressi;

    // Checks the Display items as the options say and shows those whose family is computed.
    void ApplyOptions();
    // Shows or hides the Display items by the computed flags.
    void UpdateItems();

    // Recounts the active model and fills every cell of the grid with its formatted text.
    void RefreshGrid();
    // Shows the column groups of the checked Display items (bringing back single hidden columns),
    // refills the grid and shows it.
    void ShowDatasheet();

    // Owner drawing of one cell (viewport pixels).
    void GridDrawCell(QPainter& painter, int col, int row, const QRect& rect);
    // A press in the button row: the left arrow zone removes a digit, the right one adds one, elsewhere
    // the column is hidden (not the time column). Viewport pixels.
    void GridMouseDown(Qt::MouseButton button, int x, int y);
    // Hand cursor and the header hint over the button row of data columns.
    void GridMouseMove(int x, int y);
    // The hint shown for the last pointer position (empty: none).
    const QString& Hint() const { return FHint; }

    // Datasheet text to the clipboard, with the message.
    bool CopyDatasheet();
    // Datasheet text to a file chosen in the save dialog.
    bool ExportDatasheet();
    // The matrix of every shown cell at full precision, opened as a workbook (.xlsx) or an OpenDocument
    // spreadsheet (.ods) by the desktop.
    bool LaunchExcel();
    bool LaunchOpenOffice();
    // The datasheet text handed to Regressi with the number of data columns.
    bool LaunchRegressi();

    // The grid angle in radians for the text's rotation line; unassigned gives 0.
    std::function<double()> GridAngle;
    // The program path written on the first line of the text; the running executable by default.
    QString ProgramPath;

private:
    void BuildText();

    TResGrid& FResGrid;
    TServeur& FServeur;
    const TOptions& FOptions;
    const TResultsFlags& FFlags;
    TCellGrid* FGrid;
    TGridColors FColors;
    QString FHint;
};
