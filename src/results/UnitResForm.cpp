// The results window with its datasheet page, page buttons and menus.
#include "results/UnitResForm.h"

#include "calc/UnitResultats.h"
#include "export/UnitServeur.h"
#include "results/UnitDatasheet.h"
#include "results/UnitResGrid.h"

#include <QGuiApplication>
#include <QLabel>
#include <QMenuBar>
#include <QScreen>
#include <QStackedWidget>
#include <QStatusBar>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

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
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        setGeometry(screen->availableGeometry());

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
    layout->addWidget(FStack, 1);
    auto* status = new QStatusBar(this);
    layout->addWidget(status);

    QMenu* file = FMenuBar->addMenu(QStringLiteral("File"));
    file->addAction(FDatasheet->MenuFichierExporter);
    file->addSeparator();
    connect(AddItem(file, QStringLiteral("MenuFichierFermer"), QStringLiteral("Close")), &QAction::triggered,
            this, &QDialog::accept);
    QMenu* edit = FMenuBar->addMenu(QStringLiteral("Edit"));
    edit->addAction(FDatasheet->MenuEditionRestaurerTableau);
    edit->addAction(FDatasheet->MenuEditionCopierTableauDansLePressePapier);
    QMenu* display = FMenuBar->addMenu(QStringLiteral("Display"));
    for (QAction* a : {FDatasheet->MenuAffichageCoordonnees, FDatasheet->MenuAffichageVitesse,
                       FDatasheet->MenuAffichageAcceleration, FDatasheet->MenuAffichagePolaire})
        display->addAction(a);
    QMenu* calculations = FMenuBar->addMenu(QStringLiteral("Calculations"));
    QAction* smoothV = AddItem(calculations, QStringLiteral("MenuCalculsLissageVitesse"),
                               QStringLiteral("Smooth values of the velocity"));
    QAction* smoothA = AddItem(calculations, QStringLiteral("MenuCalculsLissageAcceleration"),
                               QStringLiteral("Smooth values of the acceleration"));
    smoothV->setCheckable(true);
    smoothA->setCheckable(true);
    connect(smoothV, &QAction::triggered, this, [this](bool on) { ToggleSmoothing(smoothVelocity, on); });
    connect(smoothA, &QAction::triggered, this, [this](bool on) { ToggleSmoothing(smoothAcceleration, on); });
    connect(calculations, &QMenu::aboutToShow, this, [this] { UpdateMenus(); });

    // Keys typed in the window's controls go to the current page.
    for (QWidget* w : {static_cast<QWidget*>(FDatasheet)})
        w->setFocusPolicy(Qt::StrongFocus);
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
        // The graph pages come with the graph engine: until then their buttons stay disabled.
        b->setEnabled(QLatin1String(name) == QLatin1String("ButtonMenuTableau"));
    }
    FDatasheet->ApplyOptions();
}

bool TResForm::PrepareResults()
{
    const bool open = VideoOpen && VideoOpen();
    return ::PrepareResults(FCalc, FGrid, FFlags, open) == 0;
}

bool TResForm::ShowPage(int page)
{
    if (page != rpTableau)
        return false; // the graph pages are not part of this program yet
    FPage = page;
    for (const TPageDef& p : Pages)
        if (QToolButton* b = PageButton(QString::fromLatin1(p.Button)))
            b->setChecked(p.Page == page);
    setWindowTitle(TDatasheetPage::Caption());
    FStack->setCurrentWidget(FDatasheet);
    FDatasheet->UpdateItems();
    RebuildPage();
    return true;
}

void TResForm::RebuildPage()
{
    if (FPage == rpTableau)
        FDatasheet->ShowDatasheet();
}

void TResForm::UpdateMenus()
{
    QAction* v = MenuItem(QStringLiteral("MenuCalculsLissageVitesse"));
    QAction* a = MenuItem(QStringLiteral("MenuCalculsLissageAcceleration"));
    v->setVisible(FFlags.VelocityComputed);
    a->setVisible(FFlags.AccelerationComputed);
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
