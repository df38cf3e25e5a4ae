// The formula page of the results window (the graph of the user's formulas, its choices, menus and models),
// the construct tools of the graph pages, and printing a graph page.
#include "results/UnitResForm.h"

#include "export/UnitServeur.h"
#include "formula/UnitFormules.h"
#include "graph/UnitGModele.h"
#include "results/ResultsFixture.h"
#include "results/UnitGraphPages.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QPainter>
#include <QPrinter>
#include <QToolBar>
#include <QToolButton>

namespace {

// The two objects of the fixture (ball on rows 0-4, cart on rows 1-3) with the user's formulas over them.
struct TFormulaFixture : TResultsFixture
{
    TFormules Formules;
    TFormulaFixture()
    {
        EXPECT_EQ(Prepare(), 0);
        Formules.SetResults(&Calc);
        Formules.ApplyOptions(Options);
    }
    // Adds and checks a formula; the test fails when the formula is refused.
    int Add(const QString& line, const QString& unit)
    {
        TRec* rec = Formules.AddFormula(line, QString(), unit);
        EXPECT_EQ(Formules.Check(rec), fcOk) << line.toStdString();
        return Formules.FormulaCount() - 1;
    }
};

// Whether a button of a tool bar is shown: a tool bar shows its widgets through their actions.
bool ShownOnBar(QWidget* button)
{
    auto* bar = qobject_cast<QToolBar*>(button->parentWidget());
    if (!bar)
        return false;
    for (QAction* a : bar->actions())
        if (bar->widgetForAction(a) == button)
            return a->isVisible();
    return false;
}

int ShownPoints(const TGraph& graph)
{
    int n = 0;
    for (const auto& e : graph.Elements())
        n += e->ObjectType() == obPoint && e->IsShown() ? 1 : 0;
    return n;
}

} // namespace

TEST(FormulaGraph, CurvesTitlesAndHiddenEdges)
{
    TFormulaFixture f;
    const int twice = f.Add(QStringLiteral("dd=2*x"), QStringLiteral("m"));
    const int speed = f.Add(QStringLiteral("speed=v"), QStringLiteral("m/s"));
    const int acc = f.Add(QStringLiteral("acc=a"), QStringLiteral("m/s²"));
    const int half = f.Add(QStringLiteral("hh=x/2"), QStringLiteral("m"));
    const int bare = f.Add(QStringLiteral("num=x/x"), QString());
    f.Formules.ComputeConstants();
    f.Formules.ComputeFormulas();
    struct TCase
    {
        const char* Name;
        std::vector<int> Ordinates;
        int Abscissa;
        bool HideV, HideA;
        QStringList TitleX, TitleY;
        int Shown; // points shown over all curves
    };
    const QStringList time{"t", "time (s)"};
    const QString several = QStringLiteral("Representation of several curves");
    const TCase cases[] = {
        {"one formula against time", {twice}, -1, false, false, time, {"dd (m)"}, 5},
        {"a formula against another", {speed}, twice, false, false, {"dd (m)"}, {"speed (m/s)"}, 5},
        {"no unit is not written", {bare}, half, false, false, {"hh (m)"}, {"num"}, 5},
        {"one unit", {twice, half}, -1, false, false, time, {several, "(m)"}, 10},
        {"several units", {twice, speed}, -1, false, false, time, {several, "Unit problem!"}, 10},
        // The ends are hidden as the options hide those of the velocity and the acceleration.
        {"velocity, ends hidden", {speed}, -1, true, false, time, {"speed (m/s)"}, 3},
        {"acceleration, ends hidden", {acc}, -1, true, true, time, {"acc (m/s²)"}, 1},
        {"acceleration, ends shown", {acc}, -1, true, false, time, {"acc (m/s²)"}, 5},
        {"abscissa using velocity", {twice}, speed, true, false, {"speed (m/s)"}, {"dd (m)"}, 3},
    };
    TGraph graph;
    graph.SetBounds(800, 500);
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        TGraphPageContext context;
        context.HideEdgeV = c.HideV;
        context.HideEdgeA = c.HideA;
        BuildFormulaGraph(graph, f.Formules, c.Ordinates, c.Abscissa, context, true);
        EXPECT_EQ(graph.Curves().size(), c.Ordinates.size());
        EXPECT_EQ(graph.TitreAxeX, c.TitleX);
        EXPECT_EQ(graph.TitreAxeY, c.TitleY);
        EXPECT_EQ(ShownPoints(graph), c.Shown);
        EXPECT_EQ(f.Formules.AbscissaFormula, c.Abscissa);
    }

    // The points are the formulas' values: dd against time lands on the ball's 2x; time from zero.
    BuildFormulaGraph(graph, f.Formules, {twice}, -1, TGraphPageContext{}, true);
    EXPECT_EQ(graph.XMin(), 0.0);
    const TGPoint* last = nullptr;
    for (const auto& e : graph.Elements())
        if (auto* p = dynamic_cast<const TGPoint*>(e.get()))
            last = p;
    ASSERT_NE(last, nullptr);
    EXPECT_EQ(last->P.Pixel, graph.WorldToPixel(4 * 0.125, 2 * 1.25));
    // The range includes zero on y as the options say, on x only for a formula abscissa.
    TGraphPageContext origin;
    origin.FormulaOriginY = false;
    BuildFormulaGraph(graph, f.Formules, {twice}, -1, origin, true);
    EXPECT_GT(graph.YMin(), 0.0);
    origin.FormulaOriginX = true;
    BuildFormulaGraph(graph, f.Formules, {speed}, twice, origin, true);
    EXPECT_LE(graph.XMin(), 0.0);
    origin.FormulaOriginX = false;
    BuildFormulaGraph(graph, f.Formules, {speed}, twice, origin, true);
    EXPECT_GT(graph.XMin(), 0.0);
    // A formula that could not be computed draws nothing and the page stays usable.
    TRec* broken = f.Formules.AddFormula(QStringLiteral("bad=x3"), QString(), QString());
    f.Formules.ComputeFormulas();
    ASSERT_TRUE(broken->Curve.Empty);
    BuildFormulaGraph(graph, f.Formules, {f.Formules.FormulaCount() - 1}, -1, TGraphPageContext{}, true);
    EXPECT_TRUE(graph.Curves().empty());
    EXPECT_TRUE(graph.TitreAxeY.isEmpty());
}

TEST(FormulaGraph, ChoiceTextsNameTheExpressionAndTheUnit)
{
    TFormulaFixture f;
    f.Add(QStringLiteral("dd = 2*x"), QStringLiteral("m"));
    f.Add(QStringLiteral("num=x/x"), QString());
    f.Add(QStringLiteral("x*3"), QStringLiteral("m"));
    EXPECT_EQ(FormulaChoiceText(f.Formules, 0), QStringLiteral("dd  2*x (m)"));
    EXPECT_EQ(FormulaChoiceText(f.Formules, 1), QStringLiteral("num  x/x"));
    EXPECT_EQ(FormulaChoiceText(f.Formules, 2), QStringLiteral("x*3 (m)"));
    EXPECT_EQ(FormulaChoiceText(f.Formules, 3), QString());
}

namespace {

// A results window with the formulas.
struct TFormulaFormFixture : TFormulaFixture
{
    TServeur Serveur{Options};
    TResForm Form{Calc, Grid, Serveur, Options};
    TFormulaFormFixture()
    {
        Form.VideoOpen = [] { return true; };
        Form.resize(1000, 700);
        EXPECT_TRUE(Form.PrepareResults());
    }
    TGraphPage& Page() { return *Form.GraphPage(rpFormules); }
    TGraph& Graph() { return Page().Graph(); }
    QStringList Checked()
    {
        QStringList checked;
        for (int i = 0; i < Page().OrdinateList()->count(); ++i)
            if (Page().OrdinateList()->item(i)->checkState() == Qt::Checked)
                checked << Page().OrdinateList()->item(i)->text();
        return checked;
    }
};

} // namespace

TEST(FormulaPage, ChoicesMenusAndTheFormulaDialog)
{
    TFormulaFormFixture f;
    f.Add(QStringLiteral("dd=2*x"), QStringLiteral("m"));
    f.Add(QStringLiteral("speed=v"), QStringLiteral("m/s"));
    QToolButton* button = f.Form.PageButton(QStringLiteral("ButtonMenuFormule"));
    EXPECT_FALSE(button->isEnabled()); // no formulas given yet
    EXPECT_FALSE(f.Form.ShowPage(rpFormules));
    f.Form.SetFormules(&f.Formules);
    EXPECT_TRUE(button->isEnabled());

    ASSERT_TRUE(f.Form.ShowPage(rpFormules));
    EXPECT_EQ(f.Form.windowTitle(), QStringLiteral("Custom formulas"));
    EXPECT_TRUE(button->isChecked());
    // New formulas are in the graph; the abscissa list offers the time, then each formula.
    EXPECT_EQ(f.Checked(), (QStringList{"dd  2*x (m)", "speed  v (m/s)"}));
    QComboBox* abscissa = f.Page().AbscissaBox();
    ASSERT_EQ(abscissa->count(), 3);
    EXPECT_EQ(abscissa->itemText(0), QStringLiteral("t"));
    EXPECT_EQ(abscissa->itemText(2), QStringLiteral("speed"));
    EXPECT_EQ(f.Graph().TitreAxeY.value(1), QStringLiteral("Unit problem!"));

    // The page's items: "Type formula" only here, the formula zoom and origin, no "Restore graph".
    for (const char* shown :
         {"MenuCalculsFormule", "MenuAffichageZoomFormuleX", "MenuAffichageOrigineFormuleY",
          "MenuAffichageLigneFormule", "MenuAffichageModeleurEquation", "MenuFichierImprimer"})
        EXPECT_TRUE(f.Form.MenuItem(QString::fromLatin1(shown))->isVisible()) << shown;
    for (const char* hidden : {"MenuEditionRestaurerGraphe", "MenuAffichageZoomX", "MenuAffichageLigneTemps"})
        EXPECT_FALSE(f.Form.MenuItem(QString::fromLatin1(hidden))->isVisible()) << hidden;
    const auto keyboardShown = [&] {
        return ShownOnBar(f.Form.PageButton(QStringLiteral("ButtonMenuClavier")));
    };
    EXPECT_TRUE(keyboardShown());

    // Only the speed, against dd: the choices survive new results and another page.
    f.Page().OrdinateList()->item(0)->setCheckState(Qt::Unchecked);
    abscissa->setCurrentIndex(1);
    Q_EMIT abscissa->activated(1);
    EXPECT_EQ(f.Graph().TitreAxeX, QStringList{"dd (m)"});
    EXPECT_EQ(f.Graph().TitreAxeY, QStringList{"speed (m/s)"});
    const TWorld zoomed{0.5, 1.0, 0.0, 3.0};
    f.Graph().SetWorld(zoomed);
    ASSERT_TRUE(f.Form.ShowPage(rpTemps));
    EXPECT_FALSE(f.Form.MenuItem(QStringLiteral("MenuCalculsFormule"))->isVisible());
    EXPECT_FALSE(keyboardShown());
    ASSERT_TRUE(f.Form.ShowPage(rpFormules));
    EXPECT_EQ(f.Graph().World(), zoomed); // nothing changed: the user's window stays
    f.Calc.Invalidate(kindBoth);
    ASSERT_TRUE(f.Form.PrepareResults());
    ASSERT_TRUE(f.Form.ShowPage(rpFormules));
    EXPECT_NE(f.Graph().World(), zoomed);
    EXPECT_EQ(f.Checked(), QStringList{"speed  v (m/s)"});
    EXPECT_EQ(abscissa->currentText(), QStringLiteral("dd"));
    EXPECT_EQ(f.Graph().Curves().size(), 1u);

    // The formula dialog adds a formula: the page shows it when the dialog closes, in the graph.
    f.Form.TypeFormula = [&f] { f.Add(QStringLiteral("hh=x/2"), QStringLiteral("m")); };
    f.Form.MenuItem(QStringLiteral("MenuCalculsFormule"))->trigger();
    ASSERT_EQ(f.Page().OrdinateList()->count(), 3);
    EXPECT_EQ(f.Checked(), (QStringList{"speed  v (m/s)", "hh  x/2 (m)"}));
    EXPECT_EQ(f.Graph().Curves().size(), 2u);
    // The page bar's keyboard does the same.
    f.Form.TypeFormula = [&f] { f.Formules.RemoveFormula(2); };
    f.Form.PageButton(QStringLiteral("ButtonMenuClavier"))->click();
    EXPECT_EQ(f.Page().OrdinateList()->count(), 2);
    EXPECT_EQ(f.Graph().Curves().size(), 1u);

    // The readout has no unit: formulas have their own.
    TGraph& graph = f.Graph();
    graph.SetBounds(800, 500);
    graph.SetWorldAndScales({0, 10, 0, 5}, false);
    f.Page().ToolButton(gtReticule)->click();
    const QPoint p = graph.WorldToPixel(2.5, 1.25);
    graph.MouseMove(Qt::NoModifier, p.x(), p.y());
    const QString x = f.Form.findChild<QLabel*>(QStringLiteral("ReadoutX"))->text();
    const QString y = f.Form.findChild<QLabel*>(QStringLiteral("ReadoutY"))->text();
    EXPECT_TRUE(x.startsWith(QStringLiteral("Abscissa = 2.5"))) << x.toStdString();
    EXPECT_TRUE(y.startsWith(QStringLiteral("Ordinates = 1.2"))) << y.toStdString();
    EXPECT_TRUE(x.back().isDigit() && y.back().isDigit());
}

TEST(FormulaPage, ModelFitsTheSingleFormulaCurve)
{
    TFormulaFormFixture f;
    f.Add(QStringLiteral("lin=3*t+1"), QStringLiteral("m"));
    f.Add(QStringLiteral("dd=2*x"), QStringLiteral("m"));
    f.Form.SetFormules(&f.Formules);
    ASSERT_TRUE(f.Form.ShowPage(rpFormules));
    TGraphPage& page = f.Page();
    page.OrdinateList()->item(1)->setCheckState(Qt::Unchecked);

    page.ModelButton(mkAffine)->click();
    EXPECT_EQ(f.Graph().Tool(), gtModeleInfo);
    ASSERT_EQ(f.Graph().Models().size(), 1u);
    const TMdl& model = *f.Graph().Models().front()->Model();
    ASSERT_EQ(model.Params.size(), 2u);
    EXPECT_NEAR(model.Params[0], 1.0, 1e-9);
    EXPECT_NEAR(model.Params[1], 3.0, 1e-9);
    EXPECT_TRUE(model.Lines.value(0).contains(QStringLiteral("lin"))) << model.Lines.value(0).toStdString();
    // The reading after the parameters, in the formula's unit per second.
    EXPECT_EQ(model.Lines.value(3), QStringLiteral("slope b = 3.000 ± 0 m/s"))
        << model.Lines.join(QLatin1Char('\n')).toStdString();
    // The modifier shows the formula page's panel: the equation, without statistics (the options).
    page.ToolButton(gtModifierModele)->click();
    EXPECT_EQ(f.Graph().Tool(), gtModifierModele);
    EXPECT_FALSE(f.Graph().Models().front()->Panel()->isHidden());
    EXPECT_FALSE(f.Graph().IsShowModeleurStat);
    f.Form.MenuItem(QStringLiteral("MenuAffichageModeleurStatistiques"))->trigger();
    EXPECT_TRUE(f.Graph().IsShowModeleurStat);
    EXPECT_FALSE(f.Form.GraphPage(rpTemps)->Graph().IsShowModeleurStat);

    // A second ordinate releases the model; with two a model is refused.
    page.OrdinateList()->item(1)->setCheckState(Qt::Checked);
    EXPECT_EQ(page.ModelKind(), mkNone);
    TScriptedUserDlgScope dlg;
    dlg->Answer(0);
    page.ModelButton(mkParabole)->click();
    ASSERT_EQ(dlg->Shown.size(), 1u);
    EXPECT_EQ(dlg->Shown.back().Text(),
              QStringLiteral("Fit regression is available for only one curve at a time."));
    EXPECT_FALSE(page.ModelButton(mkParabole)->isChecked());

    // The formula page's own hide options.
    f.Options.ToolButtonFormuleModeleSinus = true;
    f.Options.ToolButtonFormuleReticule = true;
    f.Form.ApplyOptions();
    EXPECT_FALSE(page.ToolShown(gtReticule));
    EXPECT_TRUE(f.Form.GraphPage(rpTemps)->ToolShown(gtReticule));
    EXPECT_FALSE(ShownOnBar(page.ModelButton(mkSinus)));
    EXPECT_TRUE(ShownOnBar(f.Form.GraphPage(rpTemps)->ModelButton(mkSinus)));
}

TEST(GraphPageTools, ConstructButtonsByPageAndOptions)
{
    TFormulaFormFixture f;
    f.Form.SetFormules(&f.Formules);
    const int pages[] = {rpTemps, rpReferentiel, rpVecteur, rpFormules};
    struct TCase
    {
        int Tool;
        const char* Name;
        bool Shown[4]; // time, trajectory, vectors, formulas
    };
    const TCase cases[] = {
        {gtMesurer, "ButtonMesurer", {false, true, true, false}},
        {gtVecteur, "ButtonVecteur", {false, false, true, false}},
        {gtSegment, "ButtonSegment", {false, true, true, false}},
        {gtSpline, "ButtonSpline", {false, true, true, false}},
        {gtAngle, "ButtonAngle", {false, true, true, false}},
        {gtArc, "ButtonArc", {false, true, true, false}},
        {gtCercle, "ButtonCercle", {false, true, true, false}},
        {gtEllipse, "ButtonEllipse", {false, true, true, false}},
        {gtCurveArc, "ButtonCurveArc", {false, true, true, false}},
        {gtDupliquer, "ButtonDupliquer", {false, true, true, false}},
        {gtSens, "ButtonSens", {false, false, true, false}},
        {gtModifierModele, "ButtonModifierModele", {true, false, false, true}},
    };
    for (const TCase& c : cases)
        for (int i = 0; i < 4; ++i) {
            SCOPED_TRACE(std::string(c.Name) + " on page " + std::to_string(pages[i]));
            TGraphPage& page = *f.Form.GraphPage(pages[i]);
            EXPECT_EQ(page.ToolShown(c.Tool), c.Shown[i]);
            if (QToolButton* b = page.ToolButton(c.Tool)) {
                EXPECT_EQ(b->objectName(), QString::fromLatin1(c.Name));
                EXPECT_FALSE(b->icon().isNull());
                EXPECT_FALSE(b->toolTip().isEmpty());
            }
        }

    // A button selects its tool with the instruction over the graph; released, both go.
    TGraphPage& trajectory = *f.Form.GraphPage(rpReferentiel);
    trajectory.ToolButton(gtAngle)->click();
    EXPECT_EQ(trajectory.Graph().Tool(), gtAngle);
    EXPECT_EQ(trajectory.Graph().Hint(),
              QStringLiteral("|Draw an acute angle defined by 2 straight lines with the mouse"));
    EXPECT_EQ(trajectory.ToolButton(gtAngle)->statusTip(),
              QStringLiteral("Draw an angle defined by two straight lines with mouse"));
    trajectory.ToolButton(gtCercle)->click();
    EXPECT_EQ(trajectory.Graph().Tool(), gtCercle);
    EXPECT_FALSE(trajectory.ToolButton(gtAngle)->isChecked());
    EXPECT_EQ(trajectory.Graph().Hint(), QStringLiteral("Draw a circle with the mouse from its center"));
    trajectory.ToolButton(gtCercle)->click();
    EXPECT_EQ(trajectory.Graph().Tool(), gtNone);
    EXPECT_TRUE(trajectory.Graph().Hint().isEmpty());

    // Hide options per page; the bend goes with the arc, the circle and the ellipse.
    f.Options.ToolButtonReferentielAngle = true;
    f.Options.ToolButtonVecteurArc = f.Options.ToolButtonVecteurCercle = f.Options.ToolButtonVecteurEllipse =
        true;
    f.Form.ApplyOptions();
    EXPECT_FALSE(trajectory.ToolShown(gtAngle));
    EXPECT_TRUE(trajectory.ToolShown(gtCurveArc));
    TGraphPage& vectors = *f.Form.GraphPage(rpVecteur);
    EXPECT_TRUE(vectors.ToolShown(gtAngle));
    EXPECT_FALSE(vectors.ToolShown(gtCurveArc));
    std::unique_ptr<QMenu> menu(vectors.BuildContextMenu());
    EXPECT_EQ(menu->actions().value(0)->text(), QStringLiteral("Draw an angle"));
    EXPECT_EQ(menu->actions().value(1)->text(), QStringLiteral("Draw a segment"));

    // Without computed vectors the vector page offers no vector tools.
    f.Form.Flags().VelocityComputed = false;
    f.Form.Flags().AccelerationComputed = false;
    f.Calc.Invalidate(kindBoth);
    ASSERT_TRUE(f.Form.PrepareResults());
    ASSERT_TRUE(f.Form.ShowPage(rpVecteur));
    EXPECT_FALSE(vectors.ToolShown(gtVecteur));
    EXPECT_FALSE(vectors.ToolShown(gtSens));
    EXPECT_TRUE(vectors.ToolShown(gtSegment));
}

TEST(GraphPageTools, FiguresStayThroughRebuildsUntilTheVectorObjectsChange)
{
    TFormulaFormFixture f;
    const auto figures = [](const TGraph& graph) {
        int shown = 0, all = 0;
        for (const auto& e : graph.Elements())
            if (e->UserMade) {
                ++all;
                shown += e->IsShown() ? 1 : 0;
            }
        return std::make_pair(all, shown);
    };
    // A segment drawn away from the data belongs to no object.
    const auto drawSegment = [](TGraphPage& page) {
        TGraph& graph = page.Graph();
        graph.SetBounds(800, 500);
        page.ToolButton(gtSegment)->click();
        graph.MouseDown(Qt::LeftButton, Qt::NoModifier, 20, 20);
        graph.MouseMove(Qt::NoModifier, 120, 60);
        graph.MouseUp(Qt::LeftButton, Qt::NoModifier, 120, 60);
        page.ToolButton(gtSegment)->click();
    };
    for (const int code : {int(rpReferentiel), int(rpVecteur)}) {
        SCOPED_TRACE(code);
        ASSERT_TRUE(f.Form.ShowPage(code));
        TGraphPage& page = *f.Form.GraphPage(code);
        drawSegment(page);
        ASSERT_EQ(figures(page.Graph()), std::make_pair(1, 1));
        // Another display setting or new results rebuild the page: the figure stays, shown.
        f.Form.MenuItem(QStringLiteral("MenuAffichageTaille1"))->trigger();
        EXPECT_EQ(figures(page.Graph()), std::make_pair(1, 1));
        f.Calc.Invalidate(kindBoth);
        ASSERT_TRUE(f.Form.PrepareResults());
        ASSERT_TRUE(f.Form.ShowPage(code));
        EXPECT_EQ(figures(page.Graph()), std::make_pair(1, 1));
    }
    // A circle drawn from one of the ball's marks belongs to the ball: shown with it, hidden without it.
    TGraphPage& trajectory = *f.Form.GraphPage(rpReferentiel);
    ASSERT_TRUE(f.Form.ShowPage(rpReferentiel));
    QPoint mark;
    for (const auto& e : trajectory.Graph().Elements())
        if (auto* p = dynamic_cast<const TGPoint*>(e.get()); p && p->CurveIndex == 0)
            mark = p->P.Pixel;
    trajectory.ToolButton(gtCercle)->click();
    trajectory.Graph().MouseDown(Qt::LeftButton, Qt::NoModifier, mark.x(), mark.y());
    trajectory.Graph().MouseMove(Qt::NoModifier, mark.x() + 40, mark.y());
    trajectory.Graph().MouseUp(Qt::LeftButton, Qt::NoModifier, mark.x() + 40, mark.y());
    trajectory.ToolButton(gtCercle)->click();
    ASSERT_EQ(figures(trajectory.Graph()), std::make_pair(2, 2));
    f.Form.MenuItem(QStringLiteral("MenuAffichageTaille0"))->trigger();
    EXPECT_EQ(figures(trajectory.Graph()), std::make_pair(2, 2));
    trajectory.ObjectList()->item(0)->setCheckState(Qt::Unchecked);
    EXPECT_EQ(figures(trajectory.Graph()), std::make_pair(2, 1));
    trajectory.ObjectList()->item(0)->setCheckState(Qt::Checked);

    // Another choice of objects: the vector page forgets the figures that belong to no object.
    trajectory.ObjectList()->item(1)->setCheckState(Qt::Unchecked);
    EXPECT_EQ(figures(trajectory.Graph()).first, 2);
    f.Form.GraphPage(rpVecteur)->ObjectList()->item(1)->setCheckState(Qt::Unchecked);
    EXPECT_EQ(figures(f.Form.GraphPage(rpVecteur)->Graph()).first, 0);
}

namespace {

// Prints into PDF files instead of showing the preview, for the lifetime of the object.
class TPdfPrintScope
{
public:
    explicit TPdfPrintScope(QString fileName) : FSaved(PrintPreview())
    {
        PrintPreview() = [this, fileName](QPrinter& printer, const std::function<void(QPrinter&)>& paint) {
            printer.setOutputFormat(QPrinter::PdfFormat);
            printer.setOutputFileName(fileName);
            paint(printer);
            Resolution = printer.resolution();
            return true;
        };
    }
    int Resolution = 0; // of the printer the page was painted on
    ~TPdfPrintScope() { PrintPreview() = FSaved; }
    TPdfPrintScope(const TPdfPrintScope&) = delete;
    TPdfPrintScope& operator=(const TPdfPrintScope&) = delete;

private:
    TPrintPreview FSaved;
};

} // namespace

TEST(GraphPrint, PrintsTheGraphPageOrTellsTheFailure)
{
    TFormulaFormFixture f;
    f.Form.DocumentName = [] { return QStringLiteral("ball.ktr"); };
    QTemporaryDir dir;
    ASSERT_TRUE(f.Form.ShowPage(rpVecteur));
    f.Form.GraphPage(rpVecteur)->Graph().SetBounds(800, 500);
    QAction* print = f.Form.MenuItem(QStringLiteral("MenuFichierImprimer"));
    EXPECT_TRUE(print->isVisible());
    {
        const TPdfPrintScope pdf(dir.filePath(QStringLiteral("vectors.pdf")));
        print->trigger();
        // The graph's fonts are in points: a page laid out at the printer's 1200 dpi and scaled down to
        // it made every text twelve times too large.
        EXPECT_EQ(pdf.Resolution, TGraph::VectorDpi);
    }
    QFile file(dir.filePath(QStringLiteral("vectors.pdf")));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    EXPECT_TRUE(bytes.startsWith("%PDF"));
    EXPECT_GT(bytes.size(), 2000);
    // The screen's flags are back after the vector page printed with its scales.
    EXPECT_FALSE(f.Form.GraphPage(rpVecteur)->Graph().IsDessinerEchelleVecteurs);

    // A printer that cannot be written to: the failure is told.
    TScriptedUserDlgScope dlg;
    dlg->Answer(0);
    {
        const TPdfPrintScope pdf(dir.filePath(QStringLiteral("missing/vectors.pdf")));
        EXPECT_FALSE(f.Form.GraphPage(rpVecteur)->PrintGraph({QStringLiteral("Vectors representation")}));
    }
    ASSERT_EQ(dlg->Shown.size(), 1u);
    EXPECT_EQ(dlg->Shown.back().Text(),
              QStringLiteral("The printing has failed. / Check the printer and its settings."));
    EXPECT_FALSE(QFileInfo::exists(dir.filePath(QStringLiteral("missing/vectors.pdf"))));
    // The page: the header on top, then the graph across the page's width with its proportions kept.
    TGraph& graph = f.Form.GraphPage(rpReferentiel)->Graph();
    graph.SetBounds(800, 500);
    QImage sheet(1200, 1200, QImage::Format_RGB32);
    sheet.fill(Qt::white);
    {
        QPainter painter(&sheet);
        PaintForPrint(painter, sheet.size(), graph,
                      {QStringLiteral("Trajectory"), QStringLiteral("ball.ktr")});
    }
    const auto rowInk = [&sheet](int y) {
        int dark = 0;
        for (int x = 0; x < sheet.width(); ++x)
            dark += qGray(sheet.pixel(x, y)) < 128 ? 1 : 0;
        return dark;
    };
    int headerInk = 0;
    for (int y = 0; y < 20; ++y)
        headerInk += rowInk(y);
    EXPECT_GT(headerInk, 0);
    // The gradient of the plot fills the middle; the graph ends 1.5 times 500 pixels below the header.
    const QColor middle = sheet.pixelColor(600, 450);
    EXPECT_NE(middle, QColor(Qt::white));
    EXPECT_LT(std::abs(middle.red() - 253) + std::abs(middle.green() - 234) + std::abs(middle.blue() - 207),
              40)
        << middle.name().toStdString();
    EXPECT_EQ(sheet.pixelColor(600, 1199), QColor(Qt::white));
    EXPECT_EQ(sheet.pixelColor(3, 600), graph.RenderImage().pixelColor(2, 300)) << "full width";

    // The datasheet prints nothing: the item is the graph pages'.
    ASSERT_TRUE(f.Form.ShowPage(rpTableau));
    EXPECT_FALSE(print->isVisible());
}
