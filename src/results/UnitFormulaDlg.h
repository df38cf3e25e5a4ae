// The formula dialog: a grid with one column per formula over the result rows, the table of constants,
// help panels, and the exports of the formulas' table.
#pragma once

#include "results/UnitFormulaMatrix.h"

#include <QDialog>
#include <functional>
#include <memory>

class QAction;
class QTabWidget;
class QTableWidget;
class QTextBrowser;
class TCalculatrice;
class TClavier;
class TFormules;
class TOptions;
struct TRec;
class TResCalc;
class TServeur;

class TBoiteFormules : public QDialog
{
    Q_OBJECT

public:
    static constexpr int FormulaColumnWidth = 104;
    static constexpr int HiddenColumnWidth = 15;
    // Width of the zones at both ends of a digit control.
    static constexpr int DigitZone = 12;

    // Nothing is owned but the keyboard and the calculator it creates when none is given (the
    // program's one calculator is given, so that it keeps one history and one angle mode). The result
    // table must be prepared, and the formulas computed, before the dialog is shown.
    TBoiteFormules(TFormules& formules, TResCalc& calc, TOptions& options, TServeur& serveur,
                   QWidget* parent = nullptr, TCalculatrice* calculator = nullptr);
    ~TBoiteFormules() override;

    // The grid's rotation in radians, for the exports' rotation line.
    double GridAngle = 0.0;
    // The program's help and About box.
    std::function<void()> ShowHelp, ShowAbout;

    TClavier& Keyboard() { return *FKeyboard; }
    TCalculatrice& Calculator() { return *FCalculatorInUse; }
    TFormulaTable& Table() { return FTable; }
    QTableWidget* FormulaGrid() const { return FGridF; }
    QTableWidget* ConstantsGrid() const { return FGridC; }
    QTextBrowser* LeftPanel() const { return FLeft; }

    // Before each showing: the left panel rebuilt, both grids refilled, the keyboard's handler set.
    void Prepare();
    // Prepare, then the dialog modally until one of its closing commands. The formulas stay as edited.
    int Execute();

    QString FormulaCellText(int column, int row, bool formatted) const;
    void RefreshFormulas();
    void RefreshConstants();

    // A click on a cell of the formula grid: xInCell from the cell's left edge, cellWidth the cell's
    // width. cellOnScreen places the keyboard (empty: where it is).
    void ClickFormulaCell(int column, int row, Qt::MouseButton button, int xInCell, int cellWidth,
                          const QRect& cellOnScreen = {});
    int EditedColumn = -1, EditedRow = -1;
    // The keyboard's validation.
    void ValidateFormula(TClavier& keyboard);

    // The constants grid: a cell left after typing text into it (row k below the header is constant k;
    // the last row receives a new one; columns: 0 name, 1 value or formula, 2 unit), and the value cell
    // entered.
    void LeaveConstantCell(int row, int column, const QString& text);
    void EnterConstantValueCell(int row);

    // Commands.
    void CopyToClipboard();
    void ExportToTextFile();
    void ExportToExcel();
    void ExportToOpenOffice();
    void ExportToRegressi();
    void RestoreTable();
    void SetAngleRadians(bool radians);
    void ShowCalculator();

    // The help panels' texts (HTML).
    QString LeftPanelHtml() const;
    static QString RightPanelHtml(QChar separator);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void BuildMenus(class QMenuBar* bar);
    void FillText();
    bool IsReactingCell(int column, int row) const;

    TFormules& FFormules;
    TResCalc& FCalc;
    TOptions& FOptions;
    TServeur& FServeur;
    TFormulaTable FTable;
    std::unique_ptr<TClavier> FKeyboard;
    std::unique_ptr<TCalculatrice> FCalculator; // its own, when none was given
    TCalculatrice* FCalculatorInUse = nullptr;
    QTabWidget* FTabs = nullptr;
    QTableWidget* FGridF = nullptr;
    QTableWidget* FGridC = nullptr;
    QTextBrowser* FLeft = nullptr;
    QTextBrowser* FRight = nullptr;
    QAction* FDegrees = nullptr;
    QAction* FRadians = nullptr;
    // The record standing in the edited column while the keyboard is open (null: none, or removed).
    TRec* FEditedRecord = nullptr;
    int FShowPhraseRow = -1; // the value cell that shows "=" and its phrase at the next refill
    bool FRefilling = false;
};

// Opens the formula dialog on the formulas of the prepared result table, modally, and answers when it
// closes; the caller then rebuilds what it draws of the formulas.
void EditFormulas(TBoiteFormules& dialog);
