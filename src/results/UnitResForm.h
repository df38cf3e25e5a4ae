// The results window: a modal window whose pages show the datasheet and, later, the graphs; its page
// buttons, menus and the preparation of the results before it shows.
#pragma once

#include "results/UnitResPrepare.h"

#include <QDialog>
#include <functional>
#include <map>

class QAction;
class QLabel;
class QMenuBar;
class QStackedWidget;
class QToolBar;
class QToolButton;
class TDatasheetPage;
class TResCalc;
class TResGrid;
class TServeur;

// Page codes of the results window.
enum TResPage : int
{
    rpFormules = 0,
    rpReferentiel = 1,
    rpTableau = 2,
    rpTemps = 3,
    rpVecteur = 4,
};

class TResForm : public QDialog
{
public:
    // The collaborators belong to the main window and outlive the window.
    TResForm(TResCalc& calc, TResGrid& grid, TServeur& serveur, const TOptions& options,
             QWidget* parent = nullptr);
    ~TResForm() override;

    // Whether a video is open, and the grid's angle for the datasheet text; wired by the main window.
    std::function<bool()> VideoOpen;
    std::function<double()> GridAngle;

    TResultsFlags& Flags() { return FFlags; }
    int Page() const { return FPage; }
    TDatasheetPage& Datasheet() { return *FDatasheet; }
    QToolButton* PageButton(const QString& name) const;
    QAction* MenuItem(const QString& name) const;

    // Copies the options into the window: page buttons, computed flags, smoothing, datasheet groups.
    void ApplyOptions();
    // Recomputes what is out of date; false when there is no video or the calculation failed.
    bool PrepareResults();
    // Makes the page current (caption, content); pages without their subsystem yet are refused.
    bool ShowPage(int page);
    // The page code of a results button of the main window ("ButtonMenuTableau"...), -1 for none.
    static int PageOfButton(const QString& buttonName);
    void RebuildPage();

private:
    QToolButton* AddPageButton(const char* name, const char* caption, int page);
    QAction* AddItem(QMenu* menu, const QString& name, const QString& caption);
    void ToggleSmoothing(std::uint8_t bit, bool on);
    void UpdateMenus();

    TResCalc& FCalc;
    TResGrid& FGrid;
    TServeur& FServeur;
    const TOptions& FOptions;
    TResultsFlags FFlags;
    int FPage = rpTableau;
    QMenuBar* FMenuBar = nullptr;
    QToolBar* FPageBar = nullptr;
    QStackedWidget* FStack = nullptr;
    TDatasheetPage* FDatasheet = nullptr;
    QLabel* FPending = nullptr;
    std::map<QString, QToolButton*> FPageButtons;
    std::map<QString, QAction*> FItems;
};
