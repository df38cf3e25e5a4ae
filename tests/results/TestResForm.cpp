// The results window: preparation, the datasheet page, the graph pages built from the results, and the
// formula page refused while the window has no formulas.
#include "results/UnitResForm.h"

#include "export/UnitServeur.h"
#include "graph/UnitGModele.h"
#include "graph/UnitGraphAxes.h"
#include "results/ResultsFixture.h"
#include "results/UnitCellGrid.h"
#include "results/UnitDatasheet.h"
#include "results/UnitGraphPages.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <map>

#include <QClipboard>
#include <QComboBox>
#include <QFileInfo>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMimeData>
#include <QRegularExpression>
#include <QScreen>
#include <QStatusBar>
#include <QToolButton>

TEST(ResForm, PreparesAndShowsTheDatasheetPage)
{
    QTemporaryDir dir;
    TOptions options(dir.filePath(QStringLiteral("Kinotra.ini")));
    options.CheckBox54SmoothSpeed = options.CheckBox7SmoothAcceleration = false;
    TFakeSource source;
    source.GridTable =
        Table(0.125, {0, 1, 2, 3, 4},
              {{QPointF(0, 0), QPointF(0.1, 0.1), QPointF(0.2, 0.2), QPointF(0.3, 0.3), QPointF(0.4, 0.4)}});
    TResCalc calc;
    calc.SetSource(&source);
    calc.Invalidate(kindBoth); // as the main window does when a video opens
    TResGrid grid(calc, options);
    TServeur serveur(options);
    TResForm form(calc, grid, serveur, options);

    bool open = false;
    form.VideoOpen = [&] { return open; };
    EXPECT_FALSE(form.PrepareResults()); // no video
    open = true;
    ASSERT_TRUE(form.PrepareResults());
    EXPECT_DOUBLE_EQ(calc.Value(0, 0, ckVx, 2), 0.1 * 2.0 / 0.125);

    EXPECT_EQ(TResForm::PageOfButton(QStringLiteral("ButtonMenuTemps")), rpTemps);
    EXPECT_FALSE(form.ShowPage(rpFormules));
    EXPECT_FALSE(form.PageButton(QStringLiteral("ButtonMenuFormule"))->isEnabled());
    EXPECT_TRUE(form.PageButton(QStringLiteral("ButtonMenuTemps"))->isEnabled());
    ASSERT_TRUE(form.ShowPage(TResForm::PageOfButton(QStringLiteral("ButtonMenuTableau"))));
    EXPECT_EQ(form.windowTitle(), QStringLiteral("Datasheet"));
    EXPECT_TRUE(form.PageButton(QStringLiteral("ButtonMenuTableau"))->isChecked());
    // The grid shows the five rows under the button row and the three header rows.
    EXPECT_EQ(form.Datasheet().Grid()->RowCount(), 4 + 5);
}

namespace {

// The two objects of the fixture in a results window, prepared.
struct TFormFixture : TResultsFixture
{
    TServeur Serveur{Options};
    TResForm Form{Calc, Grid, Serveur, Options};
    TFormFixture()
    {
        Form.VideoOpen = [] { return true; };
        Form.ObjectName = [this](int i) { return Source.Names.value(i); };
        Form.resize(1000, 700);
        EXPECT_TRUE(Form.PrepareResults());
    }
    TGraph& Graph(int page) { return Form.GraphPage(page)->Graph(); }
    int VisiblePoints(int page)
    {
        int n = 0;
        for (const auto& e : Graph(page).Elements())
            n += e->ObjectType() == obPoint && e->IsShown() ? 1 : 0;
        return n;
    }
};

} // namespace

TEST(ResForm, TimePageBuildsTheChosenQuantityAndKeepsTheZoom)
{
    TFormFixture f;
    ASSERT_TRUE(f.Form.ShowPage(rpTemps));
    EXPECT_EQ(f.Form.windowTitle(), QStringLiteral("Evolution as a function of time"));
    TGraphPage& page = *f.Form.GraphPage(rpTemps);
    // The first object is chosen at first; x against time.
    ASSERT_EQ(page.SelectedObjects(), std::vector<int>{0});
    EXPECT_EQ(page.QuantityBox()->currentText(), QStringLiteral("Abscissa"));
    EXPECT_EQ(f.Graph(rpTemps).Curves().size(), 1u);
    EXPECT_EQ(f.VisiblePoints(rpTemps), 5);
    EXPECT_EQ(f.Graph(rpTemps).TitreAxeY.value(0), QStringLiteral("X"));
    // Time from zero; x(t) and y(t) share a range: the ball's y reaches 2 m (1.0 relative unit).
    EXPECT_EQ(f.Graph(rpTemps).XMin(), 0);
    EXPECT_GE(f.Graph(rpTemps).YMax(), 2.0);

    // A new choice rebuilds: the velocity's x component of both objects.
    page.QuantityBox()->setCurrentIndex(
        page.QuantityBox()->findText(QStringLiteral("x-component of velocity")));
    page.ObjectList()->item(1)->setCheckState(Qt::Checked); // rebuilds through the list's signal
    EXPECT_EQ(f.Graph(rpTemps).Curves().size(), 2u);
    EXPECT_EQ(f.Graph(rpTemps).TitreAxeY.value(0), QStringLiteral("vx"));
    EXPECT_EQ(f.Graph(rpTemps).TitreAxeY.value(1), QStringLiteral("x-component of velocity (m/s)"));

    // Showing the page again keeps the user's window; new results rebuild it.
    const TWorld zoomed{0.1, 0.2, 0.3, 0.4};
    f.Graph(rpTemps).SetWorld(zoomed);
    ASSERT_TRUE(f.Form.ShowPage(rpTableau));
    ASSERT_TRUE(f.Form.ShowPage(rpTemps));
    EXPECT_EQ(f.Graph(rpTemps).World(), zoomed);
    f.Calc.Invalidate(kindBoth);
    ASSERT_TRUE(f.Form.PrepareResults());
    ASSERT_TRUE(f.Form.ShowPage(rpTemps));
    EXPECT_NE(f.Graph(rpTemps).World(), zoomed);
}

TEST(ResForm, TimeQuantitiesFollowTheComputedFamilies)
{
    TGraphPageContext c;
    c.VelocityComputed = false;
    c.PolarComputed = false;
    std::vector<QString> captions;
    for (const TColumnKind k : TimeQuantities(c))
        captions.push_back(TimeQuantityCaption(k));
    EXPECT_EQ(captions, (std::vector<QString>{"Abscissa", "Ordinates", "x-component of acceleration",
                                              "y-component of acceleration", "Value of acceleration"}));
}

TEST(ResForm, TrajectoryPageShowsTheChosenObjectsWithEqualScales)
{
    TFormFixture f;
    ASSERT_TRUE(f.Form.ShowPage(rpReferentiel));
    TGraph& graph = f.Graph(rpReferentiel);
    EXPECT_TRUE(graph.EqualScales());
    // Built before the window laid it out: the scales become equal once the graph has a size.
    graph.SetBounds(800, 500);
    EXPECT_EQ(graph.Curves().size(), 2u); // every object has its curve; the chosen ones show
    EXPECT_EQ(f.VisiblePoints(rpReferentiel), 5 + 3);
    const double unitsX = (graph.XMax() - graph.XMin()) / graph.PlotWidth();
    const double unitsY = (graph.YMax() - graph.YMin()) / graph.PlotHeight();
    EXPECT_NEAR(unitsX, unitsY, 1e-12);
    // The ball's last mark (1.25 m, 2 m) lands on its pixel; its number is the row label.
    const TGPoint* last = nullptr;
    for (const auto& e : graph.Elements())
        if (auto* p = dynamic_cast<const TGPoint*>(e.get()); p && p->CurveIndex == 0)
            last = p;
    ASSERT_NE(last, nullptr);
    EXPECT_EQ(last->Number, 5);
    EXPECT_EQ(last->P.Pixel, graph.WorldToPixel(1.25, 2.0));
    // Relative to the cart: the reference list offers the camera then each object.
    TGraphPage& page = *f.Form.GraphPage(rpReferentiel);
    ASSERT_EQ(page.ReferenceBox()->count(), 3);
    EXPECT_EQ(page.ReferenceBox()->itemText(0), QStringLiteral("of the camera"));
}

TEST(ResForm, VectorPageScalesAndItsPanel)
{
    TFormFixture f;
    ASSERT_TRUE(f.Form.ShowPage(rpVecteur));
    TGraphPage& page = *f.Form.GraphPage(rpVecteur);
    TGraph& graph = page.Graph();
    ASSERT_EQ(graph.Scales().size(), 2u);
    EXPECT_EQ(page.QuantityBox()->count(), 2);
    EXPECT_EQ(page.UnitLabel()->text(), QStringLiteral("m/s"));
    EXPECT_FALSE(page.NormBox()->text().isEmpty());
    EXPECT_EQ(graph.LEchelleEnPixels(), 63);
    // Only the velocity vectors of the chosen objects show.
    int shown = 0;
    for (const auto& e : graph.Elements())
        if (auto* v = dynamic_cast<const TGVecteur*>(e.get()); v && v->IsShown()) {
            ++shown;
            EXPECT_EQ(v->ScaleKey, 0);
        }
    EXPECT_EQ(shown, 5 + 3);
    // Built before the window laid it out: the scales start again at the first real size, so that the
    // norm can still grow.
    graph.SetBounds(800, 500);
    EXPECT_DOUBLE_EQ(graph.CurrentScale()->Factor, graph.CurrentScale()->FactorMax / 10);
    EXPECT_EQ(graph.CurrentScale()->PlotWidthPx, 800);
    const double norm = graph.CurrentScale()->Norm;
    EXPECT_TRUE(page.StepNorm(true));
    EXPECT_DOUBLE_EQ(graph.CurrentScale()->Norm, norm * 1.1);

    // Without any computed derivative: no quantity, an empty scale panel, no vector tools.
    f.Form.Flags().VelocityComputed = false;
    f.Form.Flags().AccelerationComputed = false;
    f.Calc.Invalidate(kindBoth);
    ASSERT_TRUE(f.Form.PrepareResults());
    ASSERT_TRUE(f.Form.ShowPage(rpVecteur));
    EXPECT_EQ(page.QuantityBox()->count(), 0);
    EXPECT_TRUE(page.NormBox()->text().isEmpty());
    EXPECT_TRUE(graph.Scales().empty());
    EXPECT_FALSE(page.ToolShown(gtSens));
}

TEST(ResForm, GraphsFollowTheReferenceFrame)
{
    TFormFixture f;
    // On the layer, one object moving right by 0.2 m per frame from the origin.
    f.Source.LayerTable =
        Table(0.125, {0, 1, 2, 3, 4},
              {{QPointF(0, 0), QPointF(0.1, 0), QPointF(0.2, 0), QPointF(0.3, 0), QPointF(0.4, 0)}});
    const auto firstPoint = [&f](int page) {
        for (const auto& e : f.Graph(page).Elements())
            if (auto* p = dynamic_cast<const TGPoint*>(e.get()); p && p->CurveIndex == 0)
                return QPointF(p->P.X, p->P.Y);
        return QPointF(-1, -1);
    };
    const int pages[] = {rpTemps, rpReferentiel, rpVecteur};
    std::map<int, QPointF> fixed;
    for (const int page : pages) {
        ASSERT_TRUE(f.Form.ShowPage(page));
        fixed[page] = firstPoint(page);
        EXPECT_NE(fixed[page], QPointF(0, 0)) << page; // the ball starts at 0.25 m
    }
    // Results seen on the layer, then in the fixed frame again with no change of data in between.
    f.LayerMode = true;
    ASSERT_TRUE(f.Form.PrepareResults());
    for (const int page : pages) {
        ASSERT_TRUE(f.Form.ShowPage(page));
        EXPECT_EQ(firstPoint(page), QPointF(0, 0)) << page;
    }
    f.LayerMode = false;
    ASSERT_TRUE(f.Form.PrepareResults());
    for (const int page : pages) {
        ASSERT_TRUE(f.Form.ShowPage(page));
        EXPECT_EQ(firstPoint(page), fixed[page]) << page;
    }
    EXPECT_EQ(f.Graph(rpReferentiel).Curves().size(), 2u);
}

TEST(ResForm, ObjectChoicesStayAsChosenAndFiguresGoOnlyWithUndo)
{
    TFormFixture f;
    // The cart left out of the trajectory and vector pages; a circle drawn on no object.
    for (const int page : {rpReferentiel, rpVecteur}) {
        ASSERT_TRUE(f.Form.ShowPage(page));
        f.Form.GraphPage(page)->ObjectList()->item(1)->setCheckState(Qt::Unchecked);
    }
    TGraph& vectors = f.Graph(rpVecteur);
    ASSERT_TRUE(vectors.LoadConstructs({QStringLiteral("Circle;9109504;-1;4;2;5.5;2")}));
    // New marks, a change of options and a Display change made on another page fill the pages again.
    f.Calc.Invalidate(kindBoth);
    ASSERT_TRUE(f.Form.PrepareResults());
    f.Form.ApplyOptions();
    ASSERT_TRUE(f.Form.ShowPage(rpTemps));
    f.Form.MenuItem(QStringLiteral("MenuAffichageTaille2"))->trigger();
    for (const int page : {rpReferentiel, rpVecteur}) {
        ASSERT_TRUE(f.Form.ShowPage(page));
        EXPECT_EQ(f.Form.GraphPage(page)->SelectedObjects(), std::vector<int>{0}) << page;
    }
    EXPECT_EQ(f.VisiblePoints(rpVecteur), 5);
    EXPECT_EQ(vectors.SaveConstructs().size(), 1);
    // The user takes the cart back: the figure drawn for no object goes, and undo brings it back.
    f.Form.GraphPage(rpVecteur)->ObjectList()->item(1)->setCheckState(Qt::Checked);
    EXPECT_TRUE(vectors.SaveConstructs().isEmpty());
    f.Form.MenuItem(QStringLiteral("MenuEditionAnnuler"))->trigger();
    EXPECT_EQ(vectors.SaveConstructs().size(), 1);
    // Objects new to the table are shown where the others are.
    f.Source.GridTable = Table(0.125, {0, 1, 2},
                               {{QPointF(0, 0), QPointF(0.1, 0), QPointF(0.2, 0)},
                                {QPointF(0, 0.1), QPointF(0.1, 0.1), QPointF(0.2, 0.1)},
                                {QPointF(0, 0.2), QPointF(0.1, 0.2), QPointF(0.2, 0.2)}});
    f.Calc.Invalidate(kindBoth);
    ASSERT_TRUE(f.Form.PrepareResults());
    ASSERT_TRUE(f.Form.ShowPage(rpReferentiel));
    EXPECT_EQ(f.Form.GraphPage(rpReferentiel)->SelectedObjects(), (std::vector<int>{0, 2}));
}

TEST(ResForm, AFailedDerivationTurnsTheFamiliesOffForThatVisitOnly)
{
    TFormFixture f;
    const TMesures good = f.Source.GridTable;
    // The cart with two marks only: its derivatives cannot be computed.
    const TMesures bad =
        Table(0.125, {0, 1, 2},
              {{QPointF(0, 0), QPointF(0.1, 0), QPointF(0.2, 0)}, {QPointF(0, 0), QPointF(0.1, 0)}});
    const auto families = [&f] {
        const TResultsFlags& flags = f.Form.Flags();
        return flags.VelocityComputed && flags.AccelerationComputed && flags.PolarComputed;
    };
    f.Source.GridTable = bad;
    f.Calc.Invalidate(kindBoth);
    EXPECT_FALSE(f.Form.PrepareResults()); // the main window says so and shows nothing
    EXPECT_FALSE(families());
    // The user marks the cart again: the next visit computes every family.
    f.Source.GridTable = good;
    f.Calc.Invalidate(kindBoth);
    ASSERT_TRUE(f.Form.PrepareResults());
    EXPECT_TRUE(families());
    EXPECT_DOUBLE_EQ(f.Calc.Value(0, 0, ckVx, 2), 2.0);

    // A failure during a visit holds until the window closes.
    f.Form.show();
    f.Source.GridTable = bad;
    f.Calc.Invalidate(kindBoth);
    EXPECT_FALSE(f.Form.PrepareResults());
    f.Source.GridTable = good;
    f.Calc.Invalidate(kindBoth);
    ASSERT_TRUE(f.Form.PrepareResults());
    EXPECT_FALSE(families());
    f.Form.hide();
    ASSERT_TRUE(f.Form.PrepareResults());
    EXPECT_TRUE(families());
    EXPECT_DOUBLE_EQ(f.Calc.Value(0, 0, ckVx, 2), 2.0);
    ASSERT_TRUE(f.Form.ShowPage(rpTemps));
    EXPECT_EQ(f.Form.GraphPage(rpTemps)->QuantityBox()->count(), 11);
}

TEST(ResForm, VectorPageCheckListAndQuantityKeepItsWindowAndScales)
{
    TFormFixture f;
    ASSERT_TRUE(f.Form.ShowPage(rpVecteur));
    TGraphPage& page = *f.Form.GraphPage(rpVecteur);
    TGraph& graph = page.Graph();
    graph.SetBounds(800, 500);
    // A student's guess of a velocity, drawn on no object.
    ASSERT_TRUE(graph.LoadConstructs({QStringLiteral("Vector;0;-1;0;0.5;0.5;1;0")}));
    const auto shown = [&graph](bool user) {
        int n = 0;
        for (const auto& e : graph.Elements())
            n += e->ObjectType() == obVecteur && e->UserMade == user && e->IsShown() ? 1 : 0;
        return n;
    };
    EXPECT_EQ(shown(false), 5 + 3);
    EXPECT_EQ(shown(true), 1);
    ASSERT_TRUE(page.StepNorm(true));
    const double velocityNorm = graph.CurrentScale()->Norm;
    const TWorld zoomed{0.1, 0.9, 0.2, 0.7};
    graph.SetWorld(zoomed);

    // The computed vectors hidden while the students guess, then revealed; the user's vectors apart.
    ASSERT_NE(page.DrawButton(), nullptr);
    QAction* computed = page.DrawItem(0, false);
    QAction* added = page.DrawItem(0, true);
    ASSERT_TRUE(computed->isChecked());
    ASSERT_TRUE(added->isChecked());
    computed->trigger();
    EXPECT_EQ(shown(false), 0);
    EXPECT_EQ(shown(true), 1);
    // Its value only when "the value of the vectors" asks for it.
    const QImage quiet = graph.RenderImage();
    graph.VectorValues = true;
    EXPECT_NE(graph.RenderImage(), quiet);
    graph.VectorValues = false;
    added->trigger();
    EXPECT_EQ(shown(true), 0);
    computed->trigger();
    added->trigger();
    EXPECT_EQ(shown(false), 5 + 3);
    EXPECT_EQ(shown(true), 1);
    EXPECT_EQ(graph.World(), zoomed);

    // The acceleration, then the velocity again: only the scale shown changes.
    QComboBox* quantity = page.QuantityBox();
    quantity->setCurrentIndex(1);
    Q_EMIT quantity->activated(1);
    EXPECT_EQ(graph.CurrentScale()->Key, 1);
    EXPECT_EQ(page.UnitLabel()->text(), QStringLiteral("m/s²"));
    EXPECT_EQ(shown(true), 0); // a velocity is not drawn at the acceleration's scale
    EXPECT_EQ(graph.World(), zoomed);
    quantity->setCurrentIndex(0);
    Q_EMIT quantity->activated(0);
    EXPECT_DOUBLE_EQ(graph.CurrentScale()->Norm, velocityNorm);
    EXPECT_EQ(page.NormBox()->text(), GeneralText(velocityNorm, 3));
    EXPECT_EQ(shown(true), 1);
    EXPECT_EQ(graph.World(), zoomed);
}

TEST(ResForm, NumberingTrajectoryAndHelpMenus)
{
    TFormFixture f;
    const auto firstPoint = [&f](int page) -> const TGPoint* {
        for (const auto& e : f.Graph(page).Elements())
            if (auto* p = dynamic_cast<const TGPoint*>(e.get()); p && p->CurveIndex == 0)
                return p;
        return nullptr;
    };
    const auto shownMenu = [&f](const char* item) {
        return qobject_cast<QMenu*>(f.Form.MenuItem(QString::fromLatin1(item))->parent())
            ->menuAction()
            ->isVisible();
    };
    ASSERT_TRUE(f.Form.ShowPage(rpTemps));
    EXPECT_FALSE(shownMenu("MenuAffichageNumerotation1"));
    // Numbering of each page on its own: right of the point on the trajectory, none on the vectors.
    ASSERT_TRUE(f.Form.ShowPage(rpReferentiel));
    EXPECT_TRUE(shownMenu("MenuAffichageNumerotation1"));
    EXPECT_FALSE(shownMenu("MenuAffichageTrajectoireVideo"));
    f.Form.MenuItem(QStringLiteral("MenuAffichageNumerotation1"))->trigger();
    ASSERT_NE(firstPoint(rpReferentiel), nullptr);
    EXPECT_EQ(firstPoint(rpReferentiel)->NumberPlace, npRight);
    EXPECT_TRUE(firstPoint(rpReferentiel)->Label);
    ASSERT_TRUE(f.Form.ShowPage(rpVecteur));
    f.Form.MenuItem(QStringLiteral("MenuAffichageNumerotation2"))->trigger();
    EXPECT_FALSE(firstPoint(rpVecteur)->Label);
    ASSERT_TRUE(f.Form.ShowPage(rpReferentiel));
    EXPECT_EQ(firstPoint(rpReferentiel)->NumberPlace, npRight);

    // The vectors as the camera sees them or in the graph basis: a grid turned by a right angle.
    f.Source.Angle = M_PI / 2;
    f.Calc.Invalidate(kindBoth);
    ASSERT_TRUE(f.Form.PrepareResults());
    ASSERT_TRUE(f.Form.ShowPage(rpVecteur));
    EXPECT_TRUE(shownMenu("MenuAffichageTrajectoireVideo"));
    f.Form.MenuItem(QStringLiteral("MenuAffichageTrajectoireRepere"))->trigger();
    const QPointF basis(firstPoint(rpVecteur)->P.X, firstPoint(rpVecteur)->P.Y);
    f.Form.MenuItem(QStringLiteral("MenuAffichageTrajectoireVideo"))->trigger();
    const QPointF video(firstPoint(rpVecteur)->P.X, firstPoint(rpVecteur)->P.Y);
    EXPECT_GT(std::hypot(basis.x() - video.x(), basis.y() - video.y()), 0.1);
    f.LayerMode = true;
    ASSERT_TRUE(f.Form.ShowPage(rpVecteur));
    EXPECT_FALSE(shownMenu("MenuAffichageTrajectoireVideo"));

    // Help: disabled until the program gives its help and About box.
    QAction* help = f.Form.MenuItem(QStringLiteral("MenuAideAide"));
    QAction* about = f.Form.MenuItem(QStringLiteral("MenuAideAPropos"));
    ASSERT_NE(help, nullptr);
    ASSERT_NE(about, nullptr);
    QMenu* menu = qobject_cast<QMenu*>(help->parent());
    Q_EMIT menu->aboutToShow();
    EXPECT_FALSE(help->isEnabled());
    int asked = 0;
    f.Form.ShowHelp = [&asked] { asked += 1; };
    f.Form.ShowAbout = [&asked] { asked += 10; };
    Q_EMIT menu->aboutToShow();
    EXPECT_TRUE(help->isEnabled());
    help->trigger();
    about->trigger();
    EXPECT_EQ(asked, 11);
}

TEST(ResForm, ToolCursorsAndTheGraphsKeysFromTheChoicePanel)
{
    TFormFixture f;
    std::vector<int> asked;
    f.Form.SetCursors([&asked](int number) {
        asked.push_back(number);
        return QCursor(Qt::ArrowCursor);
    });
    ASSERT_TRUE(f.Form.ShowPage(rpTemps));
    TGraphPage& time = *f.Form.GraphPage(rpTemps);
    // The zoom of the time page acts on y (options): its pointer says so, and follows the Display menu.
    time.ToolButton(gtZoom)->click();
    EXPECT_EQ(time.Graph().CursorNumber(), 50);
    f.Form.MenuItem(QStringLiteral("MenuAffichageZoomX"))->trigger();
    EXPECT_EQ(time.Graph().CursorNumber(), 48);
    ASSERT_TRUE(f.Form.ShowPage(rpVecteur));
    TGraphPage& vectors = *f.Form.GraphPage(rpVecteur);
    for (const auto& [tool, cursor] :
         {std::pair{gtSupprimer, 14}, {gtDupliquer, 12}, {gtSens, 15}, {gtCurveArc, 9}, {gtSegment, 31}}) {
        vectors.ToolButton(tool)->click();
        EXPECT_EQ(vectors.Graph().CursorNumber(), cursor) << tool;
    }
    EXPECT_NE(std::find(asked.begin(), asked.end(), 14), asked.end());
    EXPECT_NE(std::find(asked.begin(), asked.end(), 50), asked.end());

    // Delete and Ctrl+A typed in the objects' list or the quantity's drop-down act on the graph.
    TGraph& graph = vectors.Graph();
    ASSERT_TRUE(graph.LoadConstructs({QStringLiteral("Circle;9109504;-1;0.5;0.5;0.8;0.5")}));
    vectors.ToolButton(gtSelection)->click();
    const auto type = [](QWidget* w, int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QKeyEvent press(QEvent::KeyPress, key, modifiers);
        QCoreApplication::sendEvent(w, &press);
    };
    // The circle selected by a click on its edge.
    graph.SetBounds(800, 500);
    const QPoint edge = graph.WorldToPixel(0.8, 0.5);
    graph.MouseDown(Qt::LeftButton, Qt::NoModifier, edge.x(), edge.y());
    graph.MouseUp(Qt::LeftButton, Qt::NoModifier, edge.x(), edge.y());
    ASSERT_EQ(graph.Selection().size(), 1u);
    type(vectors.ObjectList(), Qt::Key_Delete);
    EXPECT_TRUE(graph.SaveConstructs().isEmpty());
    type(vectors.QuantityBox(), Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(graph.SaveConstructs().size(), 1);
    // Enter checks and unchecks the current object of the list.
    vectors.ObjectList()->setCurrentRow(1);
    type(vectors.ObjectList(), Qt::Key_Return);
    EXPECT_EQ(vectors.SelectedObjects(), std::vector<int>{0});
}

TEST(ResForm, GraphExportAndCopyTellTheirResult)
{
    TFormFixture f;
    TScriptedUserDlgScope dlg;
    TScriptedDialogsScope dialogs;
    ASSERT_TRUE(f.Form.ShowPage(rpVecteur));
    TGraphPage& page = *f.Form.GraphPage(rpVecteur);
    page.Graph().SetBounds(600, 400);
    // The graph's items replace the datasheet's on a graph page.
    EXPECT_TRUE(f.Form.MenuItem(QStringLiteral("MenuFichierExporterGraphe"))->isVisible());
    EXPECT_FALSE(f.Form.Datasheet().MenuFichierExporter->isVisible());
    QAction* launch = f.Form.MenuItem(QStringLiteral("MenuEditionCopierEtLancer"));
    EXPECT_FALSE(launch->isVisible());
    ASSERT_TRUE(f.Form.ShowPage(rpTableau));
    EXPECT_TRUE(launch->isVisible());
    ASSERT_EQ(launch->menu()->actions().size(), 3);
    EXPECT_EQ(launch->menu()->actions().at(0), f.Form.Datasheet().MenuEditionCopierEtLancerExcel);
    ASSERT_TRUE(f.Form.ShowPage(rpVecteur));
    // The formula dialog and the calculator are asked of the main window.
    int asked = 0;
    f.Form.TypeFormula = [&asked] { asked += 1; };
    f.Form.ShowCalculator = [&asked] { asked += 10; };
    f.Form.MenuItem(QStringLiteral("MenuCalculsFormule"))->trigger();
    f.Form.MenuItem(QStringLiteral("MenuCalculsCalculatrice"))->trigger();
    EXPECT_EQ(asked, 11);
    // "Time between two frames" asks the main window; unassigned, the item does nothing.
    QAction* interval = f.Form.MenuItem(QStringLiteral("MenuCalculsDureeImage"));
    interval->trigger();
    f.Form.OnTimeBetweenFrames = [&asked] {
        asked += 100;
        return true;
    };
    interval->trigger();
    EXPECT_EQ(asked, 111);
    QTemporaryDir dir;
    struct TCase
    {
        QString Typed;
        int Filter;
        QString Written;
        bool Saved;
        QString Message;
    };
    const TCase cases[] = {
        {dir.filePath("Graph.svg"), 1, dir.filePath("Graph.svg"), true,
         "Saving to a file complete. / File extension is SVG."},
        // The chosen filter's extension wins over the typed one.
        {dir.filePath("frame.svg"), 2, dir.filePath("frame.bmp"), true,
         "Saving to an image file complete. / File extension is BMP."},
        {dir.filePath("missing/Graph.png"), 3, QString(), false,
         "The file creation in the selected directory has failed. / Check your access rights to this "
         "directory."},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Written.toStdString());
        dialogs->FileAnswers.push_back({true, c.Typed, c.Filter});
        dlg->Answer(0);
        EXPECT_EQ(page.ExportGraph(), c.Saved);
        ASSERT_FALSE(dlg->Shown.empty());
        EXPECT_EQ(dlg->Shown.back().Text(), c.Message);
        if (c.Saved) {
            EXPECT_TRUE(QFileInfo::exists(c.Written));
        }
    }
    EXPECT_EQ(dialogs->FileRequests.front().Title, QStringLiteral("Export to an image file"));
    EXPECT_EQ(dialogs->FileRequests.front().FileName, QStringLiteral("Graph"));
    // The export of the vector page carries the scales, and leaves the screen's flags as they were.
    QFile svg(dir.filePath("Graph.svg"));
    ASSERT_TRUE(svg.open(QIODevice::ReadOnly));
    EXPECT_TRUE(svg.readAll().contains("m/s"));
    EXPECT_FALSE(page.Graph().IsDessinerEchelleVecteurs);

    dlg->Answer(0);
    EXPECT_TRUE(page.CopyGraph());
    EXPECT_EQ(dlg->Shown.back().Lines.size(), 3u);
    const QMimeData* mime = QGuiApplication::clipboard()->mimeData();
    ASSERT_NE(mime, nullptr);
    EXPECT_TRUE(mime->hasImage());
    EXPECT_TRUE(mime->hasFormat(QStringLiteral("image/svg+xml")));

    ASSERT_TRUE(f.Form.ShowPage(rpTableau));
    EXPECT_FALSE(f.Form.MenuItem(QStringLiteral("MenuFichierExporterGraphe"))->isVisible());
    EXPECT_TRUE(f.Form.Datasheet().MenuFichierExporter->isVisible());
}

TEST(ResForm, VectorPageKeepsTheUsersNormAndTakesATypedOne)
{
    TLocaleScope locale{QLocale(QLocale::English, QLocale::UnitedStates)};
    TFormFixture f;
    ASSERT_TRUE(f.Form.ShowPage(rpVecteur));
    TGraphPage& page = *f.Form.GraphPage(rpVecteur);
    TGraph& graph = page.Graph();
    graph.SetBounds(800, 500);
    const double fitted = graph.CurrentScale()->Norm;
    ASSERT_TRUE(page.StepNorm(true));
    const double chosen = graph.CurrentScale()->Norm;
    EXPECT_DOUBLE_EQ(chosen, fitted * 1.1);
    // A Display change rebuilds the page: the user's scale stays, in the graph and in the box.
    for (const char* item : {"MenuAffichageValeurVecteurs", "MenuAffichageTaille2"}) {
        f.Form.MenuItem(QString::fromLatin1(item))->trigger();
        ASSERT_NE(graph.CurrentScale(), nullptr) << item;
        EXPECT_DOUBLE_EQ(graph.CurrentScale()->Norm, chosen) << item;
        EXPECT_EQ(page.NormBox()->text(), GeneralText(chosen, 3)) << item;
    }

    // The box takes a typed norm on Enter ("," or "."); a refused one leaves the scale and says why.
    QLineEdit* box = page.NormBox();
    EXPECT_FALSE(box->isReadOnly());
    struct Case
    {
        QString Typed;
        bool Taken;
    };
    // Vectors may be drawn between a tenth and five times their first length.
    const QString twice = QString::number(fitted * 2, 'g', 6), half = QString::number(fitted / 2, 'g', 6);
    const Case cases[] = {{QString(twice).replace('.', ','), true},
                          {half, true},
                          {QStringLiteral("abc"), false},
                          {QString::number(fitted * 100, 'g', 6), false},
                          {QStringLiteral("0"), false}};
    QString measure;
    graph.OnMeasure = [&measure](const QString& text) { measure = text; };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Typed.toStdString());
        const double before = graph.CurrentScale()->Norm;
        measure.clear();
        box->setText(c.Typed);
        QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
        QCoreApplication::sendEvent(box, &enter);
        const double after = graph.CurrentScale()->Norm;
        if (c.Taken)
            EXPECT_DOUBLE_EQ(after, QString(c.Typed).replace(',', '.').toDouble());
        else
            EXPECT_DOUBLE_EQ(after, before);
        EXPECT_EQ(box->text(), GeneralText(after, 3));
        EXPECT_EQ(measure.startsWith(QStringLiteral("The vector norm must be")), !c.Taken);
    }
    f.Form.MenuItem(QStringLiteral("MenuAffichageTaille1"))->trigger();
    EXPECT_DOUBLE_EQ(graph.CurrentScale()->Norm, half.toDouble());
}

TEST(ResForm, TheWindowFitsTheScreensWorkArea)
{
    EXPECT_EQ(TResForm::FitToScreen(QRect(0, 0, 1920, 1050), QMargins(1, 38, 1, 1)),
              QRect(1, 38, 1918, 1011));
    TFormFixture f;
    f.Form.show();
    QCoreApplication::processEvents();
    EXPECT_TRUE(f.Form.isMaximized());
    const QRect available = f.Form.screen()->availableGeometry();
    EXPECT_TRUE(available.contains(f.Form.frameGeometry()))
        << f.Form.frameGeometry().height() << " > " << available.height();
    f.Form.hide();
}

TEST(ResForm, DisplayItemsRedrawThePageWithItsWindow)
{
    TFormFixture f;
    ASSERT_TRUE(f.Form.ShowPage(rpTemps));
    TGraph& graph = f.Graph(rpTemps);
    const auto segmentsShown = [&] {
        int n = 0;
        for (const auto& e : graph.Elements())
            n += e->ObjectType() == obSegment && e->IsShown() ? 1 : 0;
        return n;
    };
    EXPECT_EQ(segmentsShown(), 4); // broken line from the options
    const TWorld zoomed{0.1, 0.2, 0.3, 0.4};
    graph.SetWorld(zoomed);
    QAction* line = f.Form.MenuItem(QStringLiteral("MenuAffichageLigneTemps"));
    EXPECT_TRUE(line->isVisible());
    EXPECT_FALSE(f.Form.MenuItem(QStringLiteral("MenuAffichageValeurVecteurs"))->isVisible());
    line->setChecked(false);
    line->trigger(); // checks it: the broken line stays
    line->trigger(); // unchecks it
    EXPECT_EQ(segmentsShown(), 0);
    f.Form.MenuItem(QStringLiteral("MenuAffichageTaille2"))->trigger();
    EXPECT_EQ(graph.ElementSize, 2);
    EXPECT_EQ(graph.World(), zoomed); // the user's window stays

    // The vector page takes the size when it is built, and shows the vectors' values on request.
    ASSERT_TRUE(f.Form.ShowPage(rpVecteur));
    EXPECT_EQ(f.Graph(rpVecteur).ElementSize, 2);
    QAction* values = f.Form.MenuItem(QStringLiteral("MenuAffichageValeurVecteurs"));
    EXPECT_TRUE(values->isVisible());
    EXPECT_FALSE(f.Form.MenuItem(QStringLiteral("MenuAffichageLigneTemps"))->isVisible());
    values->trigger();
    EXPECT_TRUE(f.Graph(rpVecteur).VectorValues);

    // The value bubble: up right from the options, then the corner chosen for both pages at once.
    EXPECT_EQ(f.Graph(rpVecteur).BullePlace, bpUpRight);
    f.Form.MenuItem(QStringLiteral("MenuAffichageBulle%1").arg(int(bpDownLeft)))->trigger();
    EXPECT_EQ(f.Graph(rpVecteur).BullePlace, bpDownLeft);
    EXPECT_EQ(f.Graph(rpReferentiel).BullePlace, bpDownLeft);
    ASSERT_TRUE(f.Form.ShowPage(rpReferentiel));
    EXPECT_EQ(f.Graph(rpReferentiel).BullePlace, bpDownLeft); // kept by the rebuild
}

TEST(ResForm, ToolsFollowTheHideOptionsAndThePopupMenuPressesThem)
{
    TFormFixture f;
    f.Options.ToolButtonVecteurSupprimer = true;
    f.Form.ApplyOptions();
    TGraphPage& vectors = *f.Form.GraphPage(rpVecteur);
    EXPECT_FALSE(vectors.ToolShown(gtSupprimer));
    EXPECT_TRUE(vectors.ToolShown(gtSelection));
    EXPECT_TRUE(f.Form.GraphPage(rpReferentiel)->ToolShown(gtSupprimer));
    EXPECT_EQ(f.Form.GraphPage(rpTemps)->ToolButton(gtSelection), nullptr); // not a time page tool

    std::unique_ptr<QMenu> menu(vectors.BuildContextMenu());
    QStringList captions;
    for (QAction* a : menu->actions())
        if (!a->isSeparator())
            captions << a->text();
    EXPECT_EQ(captions, (QStringList{"Draw an angle", "Draw an arc", "Draw a circle", "Draw an ellipse",
                                     "Draw a segment", "Draw a curve", "Draw a vector", "Select an object",
                                     "Measure a value or an angle", "Bend the arc, the circle or the ellipse",
                                     "Duplicate", "Change direction", "Zoom", "Pan image",
                                     "Mouse pointer coordinates"}));
    // An item presses its button, which selects the tool and puts its instruction over the graph.
    menu->actions().at(menu->actions().size() - 2)->trigger(); // "Pan image"
    EXPECT_EQ(vectors.Graph().Tool(), gtPan);
    EXPECT_TRUE(vectors.ToolButton(gtPan)->isChecked());
    EXPECT_EQ(vectors.Graph().Hint(), QStringLiteral("|Drag an drop the figure with the mouse"));
    vectors.ToolButton(gtZoom)->click();
    EXPECT_EQ(vectors.Graph().Tool(), gtZoom);
    EXPECT_FALSE(vectors.ToolButton(gtPan)->isChecked());
}

TEST(ResForm, CoordinatesReadoutInTheStatusPanels)
{
    TFormFixture f;
    ASSERT_TRUE(f.Form.ShowPage(rpReferentiel));
    TGraphPage& page = *f.Form.GraphPage(rpReferentiel);
    TGraph& graph = page.Graph();
    graph.SetBounds(800, 500);
    graph.SetWorldAndScales({0, 10, 0, 5}, false);
    QLabel* x = f.Form.findChild<QLabel*>(QStringLiteral("ReadoutX"));
    QLabel* y = f.Form.findChild<QLabel*>(QStringLiteral("ReadoutY"));
    ASSERT_TRUE(x && y);
    // Only while the coordinates tool is selected.
    graph.MouseMove(Qt::NoModifier, 400, 200);
    EXPECT_TRUE(x->text().isEmpty());
    page.ToolButton(gtReticule)->click();
    EXPECT_FALSE(x->isHidden());
    const QPoint p = graph.WorldToPixel(2.5, 1.25);
    graph.MouseMove(Qt::NoModifier, p.x(), p.y());
    EXPECT_TRUE(x->text().startsWith(QStringLiteral("X = 2.5"))) << x->text().toStdString();
    EXPECT_TRUE(x->text().endsWith(QStringLiteral("m")));
    EXPECT_TRUE(y->text().startsWith(QStringLiteral("Y = 1.2"))) << y->text().toStdString();
    graph.MouseMove(Qt::NoModifier, 5, 5); // outside the plot
    EXPECT_TRUE(x->text().isEmpty());
    page.ToolButton(gtReticule)->click();
    EXPECT_TRUE(x->isHidden());

    // A measure stays in the status bar (the hint beside the pointer goes with the pointer).
    ASSERT_TRUE(graph.LoadConstructs({QStringLiteral("Segment;0;-1;1;1;4;5")}));
    page.ToolButton(gtMesurer)->click();
    const QPoint middle = graph.WorldToPixel(2.5, 3);
    graph.MouseMove(Qt::NoModifier, middle.x(), middle.y());
    graph.MouseDown(Qt::LeftButton, Qt::NoModifier, middle.x(), middle.y());
    graph.MouseUp(Qt::LeftButton, Qt::NoModifier, middle.x(), middle.y());
    QStatusBar* status = f.Form.findChild<QStatusBar*>();
    ASSERT_NE(status, nullptr);
    EXPECT_EQ(status->currentMessage(), QStringLiteral("Length : 5 m"));
    ASSERT_TRUE(f.Form.ShowPage(rpVecteur));
    EXPECT_TRUE(status->currentMessage().isEmpty());
}

TEST(ResForm, VideoImageBehindTheVectorPage)
{
    TFormFixture f;
    int asked = 0;
    f.Form.VideoSource = [&](TVideoImage& image) {
        ++asked;
        image.Frame = QImage(40, 30, QImage::Format_RGB32);
        image.Frame.fill(Qt::red);
        image.Origin = QPointF(0, 1); // bottom-left corner
        image.Size = QSizeF(2, 1.5);  // metres
        return true;
    };
    ASSERT_TRUE(f.Form.ShowPage(rpVecteur));
    TGraphPage& page = *f.Form.GraphPage(rpVecteur);
    TGraph& graph = page.Graph();
    EXPECT_FALSE(graph.IsSourceImgVisible()); // off in the options
    EXPECT_EQ(asked, 0);
    page.VideoButton()->click();
    EXPECT_EQ(asked, 1);
    EXPECT_TRUE(graph.IsSourceImgVisible());
    EXPECT_TRUE(page.VideoButton()->isChecked());
    // The frame covers the world from (0, 0) to (2, 1.5): a point inside it is red on the rendering.
    graph.SetBounds(600, 400);
    graph.SetWorldAndScales({-1, 3, -1, 2}, true);
    graph.SetAllCurvesVisible(-1, false, 3);
    graph.IsOrigineVisible = false;
    const QImage rendered = graph.RenderImage();
    EXPECT_EQ(rendered.pixelColor(graph.WorldToPixel(1.7, 1.3)), QColor(Qt::red));
    EXPECT_NE(rendered.pixelColor(graph.WorldToPixel(2.5, 1.3)), QColor(Qt::red));
    page.VideoButton()->click();
    EXPECT_FALSE(graph.IsSourceImgVisible());
}

namespace {

// A ball thrown upwards, y(t) = 1.2 + 0.8 t - 4.905 t² metres, marked every 0.05 s with an error of a few
// millimetres, and a second object at rest.
TMesures ThrownBallTable()
{
    std::vector<TMark> ball, still;
    std::vector<int> keys;
    for (int i = 0; i < 21; ++i) {
        const double t = 0.05 * i;
        const double y = 1.2 + 0.8 * t - 4.905 * t * t + ((i * 7) % 5 - 2) * 0.003;
        keys.push_back(i);
        ball.push_back(QPointF(0.1 * t, y / 2.0)); // 2 m per relative unit
        still.push_back(QPointF(0.3, 0.2));
    }
    return Table(0.05, keys, {ball, still});
}

} // namespace

TEST(ResForm, ModelButtonFitsTheTimePagesCurveAndTheModifierChangesIt)
{
    TFormFixture f;
    f.Source.GridTable = ThrownBallTable();
    f.Calc.Invalidate(kindBoth);
    ASSERT_TRUE(f.Form.PrepareResults());
    ASSERT_TRUE(f.Form.ShowPage(rpTemps));
    TGraphPage& page = *f.Form.GraphPage(rpTemps);
    TGraph& graph = page.Graph();
    page.QuantityBox()->setCurrentIndex(page.QuantityBox()->findText(QStringLiteral("Ordinates")));
    f.Form.RebuildPage();

    // The parabola is fitted to y(t): c estimates -g/2 within its standard error.
    page.ModelButton(mkParabole)->click();
    EXPECT_EQ(page.ModelKind(), mkParabole);
    EXPECT_EQ(graph.Tool(), gtModeleInfo);
    EXPECT_EQ(graph.Hint(), QStringLiteral("|Hover the mouse over the curve to see parameters"));
    ASSERT_EQ(graph.Models().size(), 1u);
    TGModele& model = *graph.Models().front();
    ASSERT_TRUE(model.ModelShown());
    const TMdl& mdl = *model.Model();
    ASSERT_EQ(mdl.StdErrors.size(), 3u);
    EXPECT_LT(std::fabs(mdl.Params[2] + 4.905), mdl.StdErrors[2])
        << mdl.Params[2] << " ± " << mdl.StdErrors[2];
    EXPECT_EQ(mdl.Lines.value(0), QStringLiteral("Model: Y = r + b.t + c.t²"));
    EXPECT_EQ(mdl.Lines.filter(QRegularExpression(QStringLiteral("^c = -4\\.9\\d* ± 0\\.0"))).size(), 1)
        << mdl.Lines.join(QLatin1Char('\n')).toStdString();
    // The reading after the parameters, in the unit of y per second squared.
    EXPECT_TRUE(mdl.Lines.value(4).contains(
        QRegularExpression(QStringLiteral("^acceleration 2c = -9\\.\\d+ ± 0\\.\\d+ m/s²$"))))
        << mdl.Lines.join(QLatin1Char('\n')).toStdString();

    // The modifier shows the panel with the equation (the options' default); the statistics come from
    // the Display menu without fitting again.
    page.ToolButton(gtModifierModele)->click();
    EXPECT_EQ(graph.Tool(), gtModifierModele);
    EXPECT_TRUE(graph.Hint().startsWith(QStringLiteral("|The mouse pointer position over the curve")));
    ASSERT_FALSE(model.Panel()->isHidden());
    EXPECT_TRUE(model.Panel()->StatisticsLines().isEmpty() || !model.Panel()->ShowStatistics);
    model.Model()->SetParameter(2, -5.0);
    f.Form.MenuItem(QStringLiteral("MenuAffichageModeleurStatistiques"))->trigger();
    EXPECT_TRUE(model.Panel()->ShowStatistics);
    EXPECT_EQ(model.Model()->Params[2], -5.0);
    // Releasing the modifier returns to the model information.
    page.ToolButton(gtModifierModele)->click();
    EXPECT_EQ(graph.Tool(), gtModeleInfo);
    EXPECT_TRUE(model.Panel()->isHidden());

    // A second object releases the model; choosing one with two objects is refused.
    page.ObjectList()->item(1)->setCheckState(Qt::Checked);
    EXPECT_EQ(page.ModelKind(), mkNone);
    EXPECT_EQ(graph.Tool(), gtNone);
    TScriptedUserDlgScope dlg;
    dlg->Answer(0);
    page.ModelButton(mkSinus)->click();
    ASSERT_EQ(dlg->Shown.size(), 1u);
    EXPECT_EQ(dlg->Shown.back().Text(),
              QStringLiteral("Fit regression is available for only one curve at a time."));
    EXPECT_FALSE(page.ModelButton(mkSinus)->isChecked());
    for (TGModele* m : graph.Models())
        EXPECT_FALSE(m->ModelShown());
}

TEST(ResForm, ModifierNeedsAModelAndTheZoomComesBack)
{
    TFormFixture f;
    ASSERT_TRUE(f.Form.ShowPage(rpTemps));
    TGraphPage& page = *f.Form.GraphPage(rpTemps);
    TGraph& graph = page.Graph();
    std::unique_ptr<QMenu> menu(page.BuildContextMenu());
    EXPECT_EQ(menu->actions().last()->text(), QStringLiteral("Modify model curve"));

    page.ToolButton(gtZoom)->click();
    TScriptedUserDlgScope dlg;
    dlg->Answer(0);
    page.ToolButton(gtModifierModele)->click();
    ASSERT_EQ(dlg->Shown.size(), 1u);
    EXPECT_EQ(dlg->Shown.back().Text(), QStringLiteral("First select a model (linear, parabolic, sine...)"));
    EXPECT_FALSE(page.ToolButton(gtModifierModele)->isChecked());
    EXPECT_TRUE(page.ToolButton(gtZoom)->isChecked());
    EXPECT_EQ(graph.Tool(), gtZoom);

    // A model takes the zoom's place; without it the zoom is back.
    page.ModelButton(mkAffine)->click();
    EXPECT_EQ(graph.Tool(), gtModeleInfo);
    EXPECT_FALSE(page.ToolButton(gtZoom)->isChecked());
    page.ModelButton(mkConstant)->click(); // one model at a time
    EXPECT_FALSE(page.ModelButton(mkAffine)->isChecked());
    EXPECT_EQ(graph.Models().front()->Kind(), mkConstant);
    page.ModelButton(mkConstant)->click();
    EXPECT_EQ(page.ModelKind(), mkNone);
    EXPECT_EQ(graph.Tool(), gtZoom);
    EXPECT_TRUE(page.ToolButton(gtZoom)->isChecked());
    EXPECT_FALSE(graph.Models().front()->ModelShown());
}
