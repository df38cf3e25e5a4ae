// The results window with its datasheet and graph pages, page buttons and menus.
#include "results/UnitResForm.h"

#include "calc/UnitResultats.h"
#include "export/UnitServeur.h"
#include "formula/UnitFormules.h"
#include "results/UnitDatasheet.h"
#include "results/UnitGraphPages.h"
#include "results/UnitResGrid.h"

#include <QGuiApplication>
#include <QLabel>
#include <QMenuBar>
#include <QPainter>
#include <QScreen>
#include <QStackedWidget>
#include <QStatusBar>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>

namespace {

struct TPageDef
{
    const char* Button;
    const char* Caption;
    int Page;
};

// Page buttons in the order of the page bar.
constexpr TPageDef Pages[] = {
    {"ButtonMenuTableau", "Datasheet", rpTableau},
    {"ButtonMenuTemps", "Evolution as a function of time", rpTemps},
    {"ButtonMenuReferentiel", "Trajectory in reference frame", rpReferentiel},
    {"ButtonMenuVecteur", "Vectors representation", rpVecteur},
    {"ButtonMenuFormule", "Custom formulas", rpFormules},
};

// The picture of "Type formula": a small keyboard.
QIcon KeyboardPicture()
{
    QPixmap pixmap(32, 32);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setPen(QPen(Qt::black, 1));
    p.setBrush(QColor(235, 235, 235));
    p.drawRoundedRect(QRectF(2.5, 8.5, 27, 16), 2, 2);
    p.setBrush(Qt::white);
    for (int row = 0; row < 2; ++row)
        for (int key = 0; key < 5; ++key)
            p.drawRect(QRectF(5.5 + 4.5 * key, 11.5 + 4.5 * row, 3, 3));
    p.drawRect(QRectF(9.5, 20.5, 13, 2));
    return QIcon(pixmap);
}

// The undo item: the step's caption ("Cancel" when there is none), five spaces and the shortcut.
QString UndoText(const QString& caption)
{
    return (caption.isEmpty() ? QStringLiteral("Cancel") : caption) + QStringLiteral("     (Ctrl A)");
}

bool FirstShow(QWidget& window)
{
    const char* const property = "FittedToScreen";
    if (window.property(property).toBool())
        return false;
    window.setProperty(property, true);
    return true;
}

QString PageCaption(int page)
{
    for (const TPageDef& p : Pages)
        if (p.Page == page)
            return QString::fromUtf8(p.Caption);
    return QString();
}

} // namespace

TResForm::TResForm(TResCalc& calc, TResGrid& grid, TServeur& serveur, const TOptions& options,
                   QWidget* parent)
    : QDialog(parent), FCalc(calc), FGrid(grid), FServeur(serveur), FOptions(options),
      FFlags(TResultsFlags::FromOptions(options))
{
    setObjectName(QStringLiteral("ResForm"));
    setWindowFlag(Qt::WindowMaximizeButtonHint);
    setWindowFlag(Qt::WindowMinimizeButtonHint);
    setMinimumSize(612, 452);
    // The work area; the frame's margins are taken off when the window shows (see showEvent).
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        setGeometry(screen->availableGeometry());
    setWindowState(windowState() | Qt::WindowMaximized);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    FMenuBar = new QMenuBar(this);
    layout->setMenuBar(FMenuBar);

    FPageBar = new QToolBar(this);
    FPageBar->setObjectName(QStringLiteral("ToolBarPages"));
    FPageBar->setIconSize(QSize(32, 32));
    FPageBar->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    for (const TPageDef& p : Pages)
        AddPageButton(p.Button, p.Caption, p.Page);
    QToolButton* keyboard = AddPageButton("ButtonMenuClavier", "Type formula", -1);
    keyboard->setIcon(KeyboardPicture());
    connect(keyboard, &QToolButton::clicked, this, [this] { EditFormulas(); });
    FPageBar->addSeparator();
    QToolButton* back = AddPageButton("ButtonMenuFermer", "Back to video", -1);
    connect(back, &QToolButton::clicked, this, &QDialog::accept);
    layout->addWidget(FPageBar);

    FStack = new QStackedWidget(this);
    FDatasheet = new TDatasheetPage(FGrid, FServeur, FOptions, FFlags, FStack);
    FDatasheet->GridAngle = [this] { return GridAngle ? GridAngle() : 0.0; };
    FStack->addWidget(FDatasheet);
    FPending = new QLabel(FStack);
    FPending->setAlignment(Qt::AlignCenter);
    FStack->addWidget(FPending);
    FStatus = new QStatusBar(this);
    // Two panels of 150 pixels for the coordinates readout, after the hints.
    auto* readoutX = new QLabel(FStatus);
    auto* readoutY = new QLabel(FStatus);
    for (QLabel* panel : {readoutX, readoutY}) {
        panel->setObjectName(panel == readoutX ? QStringLiteral("ReadoutX") : QStringLiteral("ReadoutY"));
        panel->setFixedWidth(150);
        panel->setVisible(false);
        FStatus->addPermanentWidget(panel);
    }
    FTimePage = new TGraphPage(rpTemps, FStack);
    FTrajectoryPage = new TGraphPage(rpReferentiel, FStack);
    FVectorPage = new TGraphPage(rpVecteur, FStack);
    FFormulaPage = new TGraphPage(rpFormules, FStack);
    for (TGraphPage* page : {FTimePage, FTrajectoryPage, FVectorPage, FFormulaPage}) {
        page->ReadoutX = readoutX;
        page->ReadoutY = readoutY;
        FStack->addWidget(page);
        FRebuild[page->PageCode()] = true;
        // A measure stays in the status bar until the next one (the hint beside the pointer is brief).
        page->Graph().OnMeasure = [this](const QString& text) {
            FStatus->showMessage(QString(text).replace(QLatin1Char('\n'), QStringLiteral("   ")));
        };
        // A change of choice rebuilds the page with a fresh window.
        page->OnChoiceChange = [this, page] { RebuildGraph(*page, true); };
    }
    FVectorPage->OnVideoToggle = [this](bool down) {
        FDisplay.VideoImage = down;
        ApplyDisplayChange();
    };
    layout->addWidget(FStack, 1);
    layout->addWidget(FStatus);

    QMenu* file = FMenuBar->addMenu(QStringLiteral("File"));
    file->addAction(FDatasheet->MenuFichierExporter);
    connect(AddItem(file, QStringLiteral("MenuFichierExporterGraphe"), QStringLiteral("Export")),
            &QAction::triggered, this, [this] {
                if (TGraphPage* page = GraphPage(FPage))
                    page->ExportGraph();
            });
    connect(AddItem(file, QStringLiteral("MenuFichierImprimer"), QStringLiteral("Print")),
            &QAction::triggered, this, [this] { PrintPage(); });
    file->addSeparator();
    connect(AddItem(file, QStringLiteral("MenuFichierFermer"), QStringLiteral("Close")), &QAction::triggered,
            this, &QDialog::accept);
    QMenu* edit = FMenuBar->addMenu(QStringLiteral("Edit"));
    // Undo of the user's elements on the trajectory and vector pages, named after the step it undoes. The
    // graph takes Ctrl+A itself, as every key of the window.
    QAction* undo = AddItem(edit, QStringLiteral("MenuEditionAnnuler"), UndoText(QString()));
    connect(undo, &QAction::triggered, this, [this] {
        if (TGraphPage* page = GraphPage(FPage))
            page->Graph().Undo();
    });
    connect(edit, &QMenu::aboutToShow, this, [this, undo] {
        TGraphPage* page = GraphPage(FPage);
        const QString caption = page ? page->Graph().UndoCaption() : QString();
        undo->setText(UndoText(caption));
        undo->setEnabled(!caption.isEmpty());
    });
    edit->addAction(FDatasheet->MenuEditionRestaurerTableau);
    edit->addAction(FDatasheet->MenuEditionCopierTableauDansLePressePapier);
    QMenu* launch = edit->addMenu(QStringLiteral("Copy and launch"));
    launch->menuAction()->setObjectName(QStringLiteral("MenuEditionCopierEtLancer"));
    launch->addAction(FDatasheet->MenuEditionCopierEtLancerExcel);
    launch->addAction(FDatasheet->MenuEditionCopierEtLancerOpenOffice);
    launch->addAction(FDatasheet->MenuEditionCopierEtLancerRegressi);
    FCopyAndLaunch = launch->menuAction();
    FItems[QStringLiteral("MenuEditionCopierEtLancer")] = FCopyAndLaunch;
    connect(AddItem(edit, QStringLiteral("MenuEditionRestaurerGraphe"), QStringLiteral("Restore graph")),
            &QAction::triggered, this, [this] { RebuildPage(); });
    connect(
        AddItem(edit, QStringLiteral("MenuEditionCopierGraphe"), QStringLiteral("Copy frame to clipboard")),
        &QAction::triggered, this, [this] {
            if (TGraphPage* page = GraphPage(FPage))
                page->CopyGraph();
        });
    QMenu* display = FMenuBar->addMenu(QStringLiteral("Display"));
    for (QAction* a : {FDatasheet->MenuAffichageCoordonnees, FDatasheet->MenuAffichageVitesse,
                       FDatasheet->MenuAffichageAcceleration, FDatasheet->MenuAffichagePolaire})
        display->addAction(a);
    QMenu* zoom = display->addMenu(QStringLiteral("Zoom"));
    AddDisplayItem(zoom, QStringLiteral("MenuAffichageZoomX"), QStringLiteral("of x-axis"),
                   &TGraphPageContext::TimeZoomX, {rpTemps});
    AddDisplayItem(zoom, QStringLiteral("MenuAffichageZoomY"), QStringLiteral("of y-axis"),
                   &TGraphPageContext::TimeZoomY, {rpTemps});
    AddDisplayItem(zoom, QStringLiteral("MenuAffichageZoomFormuleX"), QStringLiteral("of x-axis"),
                   &TGraphPageContext::FormulaZoomX, {rpFormules});
    AddDisplayItem(zoom, QStringLiteral("MenuAffichageZoomFormuleY"), QStringLiteral("of y-axis"),
                   &TGraphPageContext::FormulaZoomY, {rpFormules});
    FDisplayItems.emplace_back(zoom->menuAction(), std::vector<int>{rpTemps, rpFormules});
    QMenu* origin = display->addMenu(QStringLiteral("Origin"));
    FDisplayItems.emplace_back(origin->menuAction(), std::vector<int>{rpFormules});
    AddDisplayItem(origin, QStringLiteral("MenuAffichageOrigineFormuleX"), QStringLiteral("of x-axis"),
                   &TGraphPageContext::FormulaOriginX, {rpFormules}, true);
    AddDisplayItem(origin, QStringLiteral("MenuAffichageOrigineFormuleY"), QStringLiteral("of y-axis"),
                   &TGraphPageContext::FormulaOriginY, {rpFormules}, true);
    AddSizeItems(display->addMenu(QStringLiteral("Size")));
    QMenu* draw = display->addMenu(QStringLiteral("Draw"));
    FDisplayItems.emplace_back(draw->menuAction(),
                               std::vector<int>{rpTemps, rpReferentiel, rpVecteur, rpFormules});
    AddDisplayItem(draw, QStringLiteral("MenuAffichageLigneTemps"), QStringLiteral("broken line"),
                   &TGraphPageContext::TimePolyline, {rpTemps});
    AddDisplayItem(draw, QStringLiteral("MenuAffichageLigneFormule"), QStringLiteral("broken line"),
                   &TGraphPageContext::FormulaPolyline, {rpFormules});
    AddDisplayItem(draw, QStringLiteral("MenuAffichageLigneTrajectoire"), QStringLiteral("broken line"),
                   &TGraphPageContext::TrajectoryPolyline, {rpReferentiel});
    AddDisplayItem(draw, QStringLiteral("MenuAffichageOrigine"), QStringLiteral("graph origin"),
                   &TGraphPageContext::GraphOrigin, {rpVecteur});
    AddDisplayItem(draw, QStringLiteral("MenuAffichageValeurVecteurs"),
                   QStringLiteral("the value of the vectors"), &TGraphPageContext::VectorValues, {rpVecteur});
    AddNumberingItems(display->addMenu(QStringLiteral("Numbering")));
    AddTrajectoryItems(display->addMenu(QStringLiteral("Trajectory")));
    AddModelItems(display->addMenu(QStringLiteral("Model modifier")));
    AddBubbleItems(display->addMenu(QStringLiteral("Bubble of values")));
    QMenu* calculations = FMenuBar->addMenu(QStringLiteral("Calculations"));
    QAction* smoothV = AddItem(calculations, QStringLiteral("MenuCalculsLissageVitesse"),
                               QStringLiteral("Smooth values of the velocity"));
    QAction* smoothA = AddItem(calculations, QStringLiteral("MenuCalculsLissageAcceleration"),
                               QStringLiteral("Smooth values of the acceleration"));
    smoothV->setCheckable(true);
    smoothA->setCheckable(true);
    connect(smoothV, &QAction::triggered, this, [this](bool on) { ToggleSmoothing(smoothVelocity, on); });
    connect(smoothA, &QAction::triggered, this, [this](bool on) { ToggleSmoothing(smoothAcceleration, on); });
    // The formula dialog and the calculator are the main window's; these items ask for them.
    calculations->addSeparator();
    connect(AddItem(calculations, QStringLiteral("MenuCalculsFormule"), QStringLiteral("Type formula")),
            &QAction::triggered, this, [this] { EditFormulas(); });
    connect(AddItem(calculations, QStringLiteral("MenuCalculsDureeImage"),
                    QStringLiteral("Time between two frames")),
            &QAction::triggered, this, [this] {
                if (OnTimeBetweenFrames && OnTimeBetweenFrames() && PrepareResults())
                    RebuildPage();
            });
    connect(AddItem(calculations, QStringLiteral("MenuCalculsCalculatrice"), QStringLiteral("Calculator")),
            &QAction::triggered, this, [this] {
                if (ShowCalculator)
                    ShowCalculator();
            });
    connect(calculations, &QMenu::aboutToShow, this, [this] { UpdateMenus(); });
    QMenu* help = FMenuBar->addMenu(QStringLiteral("Help"));
    QAction* helpItem = AddItem(help, QStringLiteral("MenuAideAide"), QStringLiteral("Kinotra help"));
    QAction* about = AddItem(help, QStringLiteral("MenuAideAPropos"), QStringLiteral("About"));
    connect(helpItem, &QAction::triggered, this, [this] {
        if (ShowHelp)
            ShowHelp();
    });
    connect(about, &QAction::triggered, this, [this] {
        if (ShowAbout)
            ShowAbout();
    });
    connect(help, &QMenu::aboutToShow, this, [this, helpItem, about] {
        helpItem->setEnabled(bool(ShowHelp));
        about->setEnabled(bool(ShowAbout));
    });

    // Keys typed in the window's controls go to the current page.
    for (QWidget* w : {static_cast<QWidget*>(FDatasheet)})
        w->setFocusPolicy(Qt::StrongFocus);
    for (TGraphPage* page : {FTimePage, FTrajectoryPage, FVectorPage, FFormulaPage})
        page->Graph().setFocusPolicy(Qt::StrongFocus);
    ApplyOptions();
}

TResForm::~TResForm() = default;

QToolButton* TResForm::AddPageButton(const char* name, const char* caption, int page)
{
    auto* button = new QToolButton(FPageBar);
    button->setObjectName(QString::fromLatin1(name));
    button->setText(QString::fromUtf8(caption));
    button->setToolTip(QString::fromUtf8(caption));
    button->setIcon(QIcon(QStringLiteral(":/icons/%1.svg").arg(QString::fromLatin1(name))));
    button->setCheckable(page >= 0);
    button->setAutoRaise(true);
    FPageBar->addWidget(button);
    FPageButtons[button->objectName()] = button;
    if (page >= 0)
        connect(button, &QToolButton::clicked, this, [this, page] { ShowPage(page); });
    return button;
}

QRect TResForm::FitToScreen(const QRect& available, const QMargins& frame)
{
    return available.marginsRemoved(frame);
}

void TResForm::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (!FirstShow(*this))
        return;
    const QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
    if (!screen)
        return;
    // A window manager that does not maximise leaves the client as large as the work area, its title
    // bar beyond the screen: the frame is brought inside, the window stays maximised where it can be.
    const QRect available = screen->availableGeometry();
    const QRect outer = frameGeometry(), inner = geometry();
    const QMargins margins(inner.left() - outer.left(), inner.top() - outer.top(),
                           outer.right() - inner.right(), outer.bottom() - inner.bottom());
    if (!available.contains(outer))
        setGeometry(FitToScreen(available, margins));
    setWindowState(windowState() | Qt::WindowMaximized);
}

QAction* TResForm::AddItem(QMenu* menu, const QString& name, const QString& caption)
{
    QAction* a = menu->addAction(caption);
    a->setObjectName(name);
    FItems[name] = a;
    return a;
}

QToolButton* TResForm::PageButton(const QString& name) const
{
    const auto it = FPageButtons.find(name);
    return it == FPageButtons.end() ? nullptr : it->second;
}

QAction* TResForm::MenuItem(const QString& name) const
{
    const auto it = FItems.find(name);
    return it == FItems.end() ? nullptr : it->second;
}

int TResForm::PageOfButton(const QString& buttonName)
{
    for (const TPageDef& p : Pages)
        if (buttonName == QLatin1String(p.Button))
            return p.Page;
    return -1;
}

void TResForm::ApplyOptions()
{
    FFlags = TResultsFlags::FromOptions(FOptions);
    FFamiliesBeforeFailure.reset();
    const std::pair<const char*, bool> shown[] = {
        {"ButtonMenuTableau", FOptions.CheckBox37GridShowItem},
        {"ButtonMenuTemps", FOptions.CheckBox15TimeShowItem},
        {"ButtonMenuReferentiel", FOptions.CheckBox18TrajectoryShowItem},
        {"ButtonMenuVecteur", FOptions.CheckBox22VectorShowItem},
        {"ButtonMenuFormule", FOptions.CheckBox28FormulaShowItem},
    };
    for (const auto& [name, visible] : shown) {
        QToolButton* b = PageButton(QString::fromLatin1(name));
        for (QAction* a : FPageBar->actions())
            if (FPageBar->widgetForAction(a) == b)
                a->setVisible(visible);
        // The formula page needs the formulas.
        b->setEnabled(QLatin1String(name) != QLatin1String("ButtonMenuFormule") || FFormules);
    }
    FDatasheet->ApplyOptions();
    FDisplay = TGraphPageContext::FromOptions(FOptions);
    for (TGraphPage* page : {FTimePage, FTrajectoryPage, FVectorPage, FFormulaPage})
        page->ApplyToolOptions(FOptions);
    UpdatePageItems();
    MarkGraphsForRebuild();
}

bool TResForm::PrepareResults()
{
    // A failed derivation turns the families off for the visit it happened in: the next visit (the
    // window is hidden between two) asks for them again, from tables computed afresh.
    if (FFamiliesBeforeFailure && !isVisible()) {
        FFlags.VelocityComputed = FFamiliesBeforeFailure->VelocityComputed;
        FFlags.AccelerationComputed = FFamiliesBeforeFailure->AccelerationComputed;
        FFlags.PolarComputed = FFamiliesBeforeFailure->PolarComputed;
        FFamiliesBeforeFailure.reset();
        FCalc.Invalidate(kindBoth);
        MarkGraphsForRebuild();
    }
    const TResultsFlags before = FFlags;
    const bool open = VideoOpen && VideoOpen();
    bool recomputed = false;
    const bool prepared = ::PrepareResults(FCalc, FGrid, FFlags, open, &recomputed) == 0;
    if (recomputed)
        MarkGraphsForRebuild();
    const bool turnedOff = before.VelocityComputed != FFlags.VelocityComputed ||
                           before.AccelerationComputed != FFlags.AccelerationComputed ||
                           before.PolarComputed != FFlags.PolarComputed;
    if (turnedOff && !FFamiliesBeforeFailure)
        FFamiliesBeforeFailure = before;
    return prepared;
}

void TResForm::MarkGraphsForRebuild()
{
    for (auto& [page, rebuild] : FRebuild)
        rebuild = true;
}

TGraphPage* TResForm::GraphPage(int page) const
{
    switch (page) {
    case rpTemps:
        return FTimePage;
    case rpReferentiel:
        return FTrajectoryPage;
    case rpVecteur:
        return FVectorPage;
    case rpFormules:
        return FFormulaPage;
    default:
        return nullptr;
    }
}

void TResForm::AddDisplayItem(QMenu* menu, const QString& name, const QString& caption,
                              bool TGraphPageContext::*flag, std::vector<int> pages, bool refit)
{
    QAction* a = AddItem(menu, name, caption);
    a->setCheckable(true);
    connect(a, &QAction::triggered, this, [this, flag, refit](bool on) {
        FDisplay.*flag = on;
        ApplyDisplayChange(refit);
    });
    connect(menu, &QMenu::aboutToShow, this, [this, a, flag] { a->setChecked(FDisplay.*flag); });
    FDisplayItems.emplace_back(a, std::move(pages));
}

void TResForm::AddSizeItems(QMenu* menu)
{
    FDisplayItems.emplace_back(menu->menuAction(),
                               std::vector<int>{rpTemps, rpReferentiel, rpVecteur, rpFormules});
    const char* const captions[] = {"small", "average", "large"};
    for (int size = 0; size < 3; ++size) {
        QAction* a = AddItem(menu, QStringLiteral("MenuAffichageTaille%1").arg(size),
                             QString::fromLatin1(captions[size]));
        a->setCheckable(true);
        connect(a, &QAction::triggered, this, [this, size] {
            FDisplay.ElementSize = size;
            ApplyDisplayChange();
        });
        connect(menu, &QMenu::aboutToShow, this,
                [this, a, size] { a->setChecked(FDisplay.ElementSize == size); });
    }
}

void TResForm::AddModelItems(QMenu* menu)
{
    FDisplayItems.emplace_back(menu->menuAction(), std::vector<int>{rpTemps, rpFormules});
    struct TItem
    {
        const char* Name;
        const char* Caption;
        bool TGraphPageContext::*Time;
        bool TGraphPageContext::*Formulas;
    };
    const TItem items[] = {
        {"MenuAffichageModeleurEquation", "Equation display", &TGraphPageContext::ModelEquation,
         &TGraphPageContext::FormulaModelEquation},
        {"MenuAffichageModeleurStatistiques", "statistics", &TGraphPageContext::ModelStatistics,
         &TGraphPageContext::FormulaModelStatistics},
    };
    for (const TItem& item : items) {
        QAction* a = AddItem(menu, QString::fromLatin1(item.Name), QString::fromLatin1(item.Caption));
        a->setCheckable(true);
        const auto flag = [this, item] { return FPage == rpFormules ? item.Formulas : item.Time; };
        connect(menu, &QMenu::aboutToShow, this, [this, a, flag] { a->setChecked(FDisplay.*flag()); });
        // The panel changes in place: a rebuild would fit the model again and lose the user's changes.
        connect(a, &QAction::triggered, this, [this, flag](bool on) {
            FDisplay.*flag() = on;
            const bool formulas = FPage == rpFormules;
            TGraph& graph = (formulas ? FFormulaPage : FTimePage)->Graph();
            graph.IsShowModeleurEqua = formulas ? FDisplay.FormulaModelEquation : FDisplay.ModelEquation;
            graph.IsShowModeleurStat = formulas ? FDisplay.FormulaModelStatistics : FDisplay.ModelStatistics;
            graph.UpdateModelPanels();
        });
    }
}

void TResForm::AddBubbleItems(QMenu* menu)
{
    FDisplayItems.emplace_back(menu->menuAction(), std::vector<int>{rpReferentiel, rpVecteur});
    const std::pair<const char*, TBullePlace> places[] = {
        {"up left", bpUpLeft},
        {"up right", bpUpRight},
        {"bottom left", bpDownLeft},
        {"bottom right", bpDownRight},
    };
    for (const auto& [caption, place] : places) {
        QAction* a = AddItem(menu, QStringLiteral("MenuAffichageBulle%1").arg(int(place)),
                             QString::fromLatin1(caption));
        a->setCheckable(true);
        connect(menu, &QMenu::aboutToShow, this,
                [this, a, p = place] { a->setChecked(FDisplay.BubblePlace == p); });
        connect(a, &QAction::triggered, this, [this, p = place] {
            FDisplay.BubblePlace = p;
            for (TGraphPage* page : {FTrajectoryPage, FVectorPage})
                page->Graph().BullePlace = p;
        });
    }
}

void TResForm::AddNumberingItems(QMenu* menu)
{
    FDisplayItems.emplace_back(menu->menuAction(), std::vector<int>{rpReferentiel, rpVecteur});
    const std::pair<const char*, int> places[] = {
        {"bellow the point", npBelow},
        {"on the right of the point", npRight},
        {"none", npNone},
    };
    const auto mode = [this]() -> int& {
        return FPage == rpVecteur ? FDisplay.VectorNumbering : FDisplay.TrajectoryNumbering;
    };
    for (const auto& [caption, place] : places) {
        QAction* a = AddItem(menu, QStringLiteral("MenuAffichageNumerotation%1").arg(place),
                             QString::fromLatin1(caption));
        a->setCheckable(true);
        connect(menu, &QMenu::aboutToShow, this, [a, mode, p = place] { a->setChecked(mode() == p); });
        connect(a, &QAction::triggered, this, [this, mode, p = place] {
            mode() = p;
            ApplyDisplayChange();
        });
    }
}

void TResForm::AddTrajectoryItems(QMenu* menu)
{
    FTrajectoryMenu = menu->menuAction();
    const std::pair<const char*, bool> bases[] = {
        {"same as the video", true},
        {"in the graph basis (O, x, y)", false},
    };
    for (const auto& [caption, tilted] : bases) {
        QAction* a = AddItem(menu,
                             tilted ? QStringLiteral("MenuAffichageTrajectoireVideo")
                                    : QStringLiteral("MenuAffichageTrajectoireRepere"),
                             QString::fromLatin1(caption));
        a->setCheckable(true);
        connect(menu, &QMenu::aboutToShow, this,
                [this, a, t = tilted] { a->setChecked(FDisplay.VectorTilted == t); });
        // Other positions: the page is drawn with a fresh window.
        connect(a, &QAction::triggered, this, [this, t = tilted] {
            FDisplay.VectorTilted = t;
            ApplyDisplayChange(true);
        });
    }
}

void TResForm::SetCursors(const std::function<QCursor(int)>& cursorOf)
{
    for (TGraphPage* page : {FTimePage, FTrajectoryPage, FVectorPage, FFormulaPage}) {
        page->Graph().CursorOf = cursorOf;
        page->Graph().UpdateCursor();
    }
}

void TResForm::ApplyDisplayChange(bool refit)
{
    // Redrawn with the same choices; the other pages take the setting when they are rebuilt.
    if (TGraphPage* page = GraphPage(FPage))
        RebuildGraph(*page, refit);
    for (auto& [code, rebuild] : FRebuild)
        if (code != FPage)
            rebuild = true;
}

void TResForm::UpdateDisplayItems()
{
    for (const auto& [action, pages] : FDisplayItems)
        action->setVisible(std::find(pages.begin(), pages.end(), FPage) != pages.end());
    // The layer has no camera view to compare with.
    FTrajectoryMenu->setVisible(FPage == rpVecteur && !FCalc.Current().IsLayer());
}

TGraphPageContext TResForm::GraphContext() const
{
    TGraphPageContext c = FDisplay;
    c.VelocityComputed = FFlags.VelocityComputed;
    c.AccelerationComputed = FFlags.AccelerationComputed;
    c.PolarComputed = FFlags.PolarComputed;
    c.ObjectColor = ObjectColor;
    c.VideoSource = VideoSource;
    c.LayerMode = FCalc.Current().IsLayer();
    return c;
}

void TResForm::FillGraphChoices(TGraphPage& page)
{
    QStringList names;
    for (int i = 0; i < FCalc.Current().ObjectCount; ++i)
        names << (ObjectName ? ObjectName(i) : QString::number(i + 1));
    const QString camera =
        FCalc.Current().IsLayer() ? QStringLiteral("of the layer") : QStringLiteral("of the camera");
    page.FillChoices(FCalc, names, camera, GraphContext());
}

bool TResForm::ShowPage(int page)
{
    TGraphPage* graphPage = GraphPage(page);
    if ((page != rpTableau && !graphPage) || (page == rpFormules && !FFormules))
        return false;
    FPage = page;
    FStatus->clearMessage(); // a measure belongs to the page it was taken on
    for (const TPageDef& p : Pages)
        if (QToolButton* b = PageButton(QString::fromLatin1(p.Button)))
            b->setChecked(p.Page == page);
    // The items of the datasheet and of the graphs show on their own pages.
    for (QAction* a : {FDatasheet->MenuFichierExporter, FDatasheet->MenuEditionRestaurerTableau,
                       FDatasheet->MenuEditionCopierTableauDansLePressePapier, FCopyAndLaunch,
                       FDatasheet->MenuAffichageCoordonnees, FDatasheet->MenuAffichageVitesse,
                       FDatasheet->MenuAffichageAcceleration, FDatasheet->MenuAffichagePolaire})
        a->setVisible(!graphPage);
    MenuItem(QStringLiteral("MenuFichierExporterGraphe"))->setVisible(graphPage != nullptr);
    MenuItem(QStringLiteral("MenuEditionCopierGraphe"))->setVisible(graphPage != nullptr);
    MenuItem(QStringLiteral("MenuFichierImprimer"))->setVisible(graphPage != nullptr);
    MenuItem(QStringLiteral("MenuEditionAnnuler"))->setVisible(page == rpReferentiel || page == rpVecteur);
    // The formula page is built from the formulas' own range: there is nothing to restore.
    MenuItem(QStringLiteral("MenuEditionRestaurerGraphe"))->setVisible(graphPage && page != rpFormules);
    UpdateDisplayItems();
    UpdatePageItems();
    if (page == rpFormules) {
        setWindowTitle(PageCaption(page));
        FStack->setCurrentWidget(graphPage);
        RefreshFormulaPage();
        return true;
    }
    if (graphPage) {
        setWindowTitle(PageCaption(page));
        FStack->setCurrentWidget(graphPage);
        // The graph is rebuilt only when the results or the reference frame changed; otherwise the
        // user's zoom stays.
        const auto built = FBuiltInLayer.find(page);
        const bool otherFrame = built != FBuiltInLayer.end() && built->second != FCalc.Current().IsLayer();
        if (FRebuild[page] || otherFrame) {
            FillGraphChoices(*graphPage);
            RebuildPage();
        }
        return true;
    }
    setWindowTitle(TDatasheetPage::Caption());
    FStack->setCurrentWidget(FDatasheet);
    FDatasheet->UpdateItems();
    RebuildPage();
    return true;
}

void TResForm::RebuildPage()
{
    if (FPage == rpTableau) {
        FDatasheet->ShowDatasheet();
    } else if (TGraphPage* page = GraphPage(FPage)) {
        RebuildGraph(*page, true);
    }
}

void TResForm::RebuildGraph(TGraphPage& page, bool fit)
{
    page.Rebuild(FCalc, GraphContext(), fit);
    FBuiltInLayer[page.PageCode()] = FCalc.Current().IsLayer();
    if (fit)
        FRebuild[page.PageCode()] = false;
}

void TResForm::SetFormules(TFormules* formules)
{
    FFormules = formules;
    FFormulaPage->Formules = formules;
    FRebuild[rpFormules] = true;
    ApplyOptions();
}

void TResForm::UpdatePageItems()
{
    // "Type formula" belongs to the formula page, in the menu as on the page bar (when its option
    // shows it).
    MenuItem(QStringLiteral("MenuCalculsFormule"))->setVisible(FPage == rpFormules);
    if (QToolButton* keyboard = PageButton(QStringLiteral("ButtonMenuClavier")))
        for (QAction* a : FPageBar->actions())
            if (FPageBar->widgetForAction(a) == keyboard)
                a->setVisible(FPage == rpFormules && FOptions.CheckBox27ProfShowItem);
}

void TResForm::EditFormulas()
{
    if (!TypeFormula)
        return;
    TypeFormula();
    if (FPage == rpFormules && FFormules) {
        // New or changed formulas are drawn with a fresh window.
        FRebuild[rpFormules] = true;
        RefreshFormulaPage();
    }
}

QByteArray TResForm::FormulaSignature() const
{
    QByteArray signature;
    if (!FFormules)
        return signature;
    for (const auto& rec : FFormules->Formulas) {
        signature +=
            (rec->Identifier + QLatin1Char('=') + rec->Phrase + QLatin1Char(' ') + rec->Unit).toUtf8();
        signature += rec->Curve.Empty ? "E;" : ";";
        signature.append(reinterpret_cast<const char*>(rec->Curve.Values.data()),
                         qsizetype(rec->Curve.Values.size() * sizeof(double)));
        signature.append(reinterpret_cast<const char*>(rec->Curve.Defined.data()),
                         qsizetype(rec->Curve.Defined.size() * sizeof(int)));
    }
    return signature;
}

void TResForm::RefreshFormulaPage()
{
    if (!FFormules)
        return;
    // The formulas are computed again on every visit: their values follow the results.
    FFormules->ComputeConstants();
    FFormules->ComputeFormulas();
    QByteArray signature = FormulaSignature();
    if (!FRebuild[rpFormules] && signature == FFormulaSignature)
        return; // the user's window and model stay
    FFormulaSignature = std::move(signature);
    FFormulaPage->FillFormulaChoices();
    RebuildPage();
}

void TResForm::PrintPage()
{
    if (TGraphPage* page = GraphPage(FPage))
        page->PrintGraph({PageCaption(FPage), DocumentName ? DocumentName() : QString()});
}

void TResForm::UpdateMenus()
{
    QAction* v = MenuItem(QStringLiteral("MenuCalculsLissageVitesse"));
    QAction* a = MenuItem(QStringLiteral("MenuCalculsLissageAcceleration"));
    QAction* interval = MenuItem(QStringLiteral("MenuCalculsDureeImage"));
    interval->setEnabled(bool(OnTimeBetweenFrames));
    // The trajectory does not depend on the time base or on the smoothing.
    const bool timed = FPage != rpReferentiel;
    interval->setVisible(timed);
    v->setVisible(timed && FFlags.VelocityComputed);
    a->setVisible(timed && FFlags.AccelerationComputed);
    v->setChecked(FFlags.Smoothing & smoothVelocity);
    a->setChecked(FFlags.Smoothing & smoothAcceleration);
}

void TResForm::ToggleSmoothing(std::uint8_t bit, bool on)
{
    FFlags.Smoothing = on ? std::uint8_t(FFlags.Smoothing | bit) : std::uint8_t(FFlags.Smoothing & ~bit);
    FCalc.Invalidate(kindBoth);
    if (PrepareResults())
        RebuildPage();
}
