// The results window: a modal window whose pages show the datasheet and the time, trajectory, vector and
// formula graphs; its page buttons, menus and the preparation of the results.
#pragma once

#include "common/UnitTypes.h"
#include "results/UnitGraphPages.h"
#include "results/UnitResPrepare.h"

#include <QDialog>
#include <functional>
#include <map>
#include <optional>

class QAction;
class QLabel;
class QMenuBar;
class QStackedWidget;
class QStatusBar;
class QToolBar;
class QToolButton;
class TDatasheetPage;
class TFormules;
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

    // The window's frame (the client area plus the decorations' margins) fitted into the screen's work
    // area: the client rectangle that leaves the frame inside `available`.
    static QRect FitToScreen(const QRect& available, const QMargins& frame);

    // Whether a video is open, and the grid's angle for the datasheet text; wired by the main window.
    std::function<bool()> VideoOpen;
    std::function<double()> GridAngle;
    // Names and colours of the objects of the current list; unassigned: numbers and the palette.
    std::function<QString(int)> ObjectName;
    std::function<TColor(int)> ObjectColor;
    // The current video frame for the vector page; unassigned: no image.
    std::function<bool(TVideoImage&)> VideoSource;
    // Calculations > "Type formula" (the formula dialog, on the prepared results; the formula page shows
    // the formulas as the dialog leaves them) and "Calculator".
    std::function<void()> TypeFormula;
    std::function<void()> ShowCalculator;
    // Calculations > "Time between two frames": true when the interval changed, so the results are
    // prepared again; unassigned: the item is disabled.
    std::function<bool()> OnTimeBetweenFrames;
    // The project's or the video's name, printed under the page title; unassigned: none.
    std::function<QString()> DocumentName;
    // Help > "Kinotra help" and "About": the program's help and About box; unassigned: the item is
    // disabled.
    std::function<void()> ShowHelp, ShowAbout;
    // The pointer shapes of the program's cursor set, by number, for the graphs' tools.
    void SetCursors(const std::function<QCursor(int)>& cursorOf);

    // The formulas that the formula page draws (not owned; they outlive the window). Without them the
    // formula page is not offered.
    void SetFormules(TFormules* formules);

    TResultsFlags& Flags() { return FFlags; }
    int Page() const { return FPage; }
    TDatasheetPage& Datasheet() { return *FDatasheet; }
    // The time, trajectory, vector and formula pages; null for the datasheet and unknown codes.
    TGraphPage* GraphPage(int page) const;
    QToolButton* PageButton(const QString& name) const;
    QAction* MenuItem(const QString& name) const;

    // Copies the options into the window: page buttons, computed flags, smoothing, datasheet groups.
    void ApplyOptions();
    // Recomputes what is out of date; false when there is no video or the calculation failed. A failed
    // derivation turns velocity, acceleration and polar quantities off for the visit: the preparation of
    // the next visit asks for them again.
    bool PrepareResults();
    // Makes the page current (caption, content); the formula page is refused without formulas.
    bool ShowPage(int page);
    // The page code of a results button of the main window ("ButtonMenuTableau"...), -1 for none.
    static int PageOfButton(const QString& buttonName);
    void RebuildPage();

protected:
    // On the first showing: the window fills the work area, maximised, its frame inside the screen.
    void showEvent(QShowEvent* event) override;

private:
    QToolButton* AddPageButton(const char* name, const char* caption, int page);
    QAction* AddItem(QMenu* menu, const QString& name, const QString& caption);
    void ToggleSmoothing(std::uint8_t bit, bool on);
    void UpdateMenus();
    TGraphPageContext GraphContext() const;
    void FillGraphChoices(TGraphPage& page);
    void MarkGraphsForRebuild();
    // Rebuilds a graph page from the current result table and notes which reference frame it shows;
    // `fit`: with a fresh window, after which the page is no longer marked.
    void RebuildGraph(TGraphPage& page, bool fit);
    // Display menu of the graph pages: the item toggles its setting and the page is drawn again with the
    // same choices and window.
    // `refit`: the page is drawn with a fresh window (the item changes what the range includes).
    void AddDisplayItem(QMenu* menu, const QString& name, const QString& caption,
                        bool TGraphPageContext::*flag, std::vector<int> pages, bool refit = false);
    void AddSizeItems(QMenu* menu);
    // Display > Model modifier (equation, statistics of the panel of the time or formula page) and
    // Display > Bubble of values (its corner on the trajectory and vector pages); both apply without
    // rebuilding.
    void AddModelItems(QMenu* menu);
    void AddBubbleItems(QMenu* menu);
    // Display > Numbering (below, right of the point, none) of the trajectory and vector pages, and
    // Display > Trajectory (as the camera sees it or in the graph basis) of the vector page.
    void AddNumberingItems(QMenu* menu);
    void AddTrajectoryItems(QMenu* menu);
    void ApplyDisplayChange(bool refit = false);
    void UpdateDisplayItems();
    // The items and buttons that depend on the page: calculations, "Type formula".
    void UpdatePageItems();
    // The formula dialog, then the formula page shows the formulas as the dialog left them.
    void EditFormulas();
    // Computes the formulas and rebuilds the formula page when it is marked or the formulas changed.
    void RefreshFormulaPage();
    // What the formula page's graph depends on besides the choices: definitions and values.
    QByteArray FormulaSignature() const;
    void PrintPage();

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
    QStatusBar* FStatus = nullptr;
    TGraphPage* FTimePage = nullptr;
    TGraphPage* FTrajectoryPage = nullptr;
    TGraphPage* FVectorPage = nullptr;
    TGraphPage* FFormulaPage = nullptr;
    TFormules* FFormules = nullptr;
    QByteArray FFormulaSignature; // of the formulas the formula page was last built from
    // Graphs to rebuild with a fresh window the next time their page shows.
    std::map<int, bool> FRebuild;
    // The families wanted before a failed derivation turned them off (none: no failure in force).
    std::optional<TResultsFlags> FFamiliesBeforeFailure;
    // The reference frame each graph page was last built in (true: the layer's). A page shown in the
    // other frame is built again, even when no data changed.
    std::map<int, bool> FBuiltInLayer;
    // The display settings of the graph pages: from the options, then changed by the Display menu.
    TGraphPageContext FDisplay;
    std::vector<std::pair<QAction*, std::vector<int>>> FDisplayItems; // item and the pages that show it
    std::map<QString, QToolButton*> FPageButtons;
    std::map<QString, QAction*> FItems;
    QAction* FCopyAndLaunch = nullptr;  // the "Copy and launch" submenu, datasheet page only
    QAction* FTrajectoryMenu = nullptr; // Display > Trajectory: vector page, fixed frame only
};
