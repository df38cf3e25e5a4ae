// The model curve element, its drags and its panel.
#include "graph/UnitGModele.h"

#include "graph/UnitModeleur.h"

#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <cmath>

namespace {

const QString ParameterLetters = QStringLiteral("rbcdk");

int ShiftState(Qt::KeyboardModifiers shift)
{
    int state = 0;
    if (shift.testFlag(Qt::ControlModifier))
        state |= ssCtrl;
    if (shift.testFlag(Qt::AltModifier))
        state |= ssAlt;
    return state;
}

bool IsSine(int kind)
{
    return kind == mkSinus || kind == mkSinusAe || kind == mkSinusAl;
}

} // namespace

TGModele::TGModele(QWidget* graph) : TGElem(obModele), FGraph(graph)
{
    Color = 0x969600; // RGB(0, 150, 150)
    Visible = false;
    for (int kind = 0; kind <= mkNone; ++kind)
        FModels[kind] = CreateModel(kind);
}

TModeleur* TGModele::EnsurePanel()
{
    // Made on first use: most curves never show one.
    if (!FPanel && FGraph) {
        FPanel = new TModeleur(FGraph);
        FPanel->OnParameterChange = [this](int index, double value) {
            if (TMdl* m = Model()) {
                m->SetParameter(index, value);
                Changed();
            }
        };
        FPanel->OnDragEnd = [this] {
            if (OnChange)
                OnChange();
        };
    }
    return FPanel;
}

TGModele::~TGModele()
{
    delete FPanel.data();
}

TMdl* TGModele::Model() const
{
    return ModelOf(FKind);
}

TMdl* TGModele::ModelOf(int kind) const
{
    return kind >= 0 && kind <= mkNone ? FModels[kind].get() : nullptr;
}

void TGModele::SetData(std::vector<double> x, std::vector<double> y)
{
    FDataX = std::move(x);
    FDataY = std::move(y);
}

void TGModele::SetNames(const QString& abscissa, const QString& ordinate)
{
    FAbscissa = abscissa;
    FOrdinate = ordinate;
    if (TMdl* m = Model())
        m->Describe(FOrdinate, FAbscissa);
}

void TGModele::SetUnits(const QString& abscissaUnit, const QString& ordinateUnit)
{
    for (auto& m : FModels)
        if (m)
            m->SetUnits(abscissaUnit, ordinateUnit);
    RefreshPanel();
}

void TGModele::SetModelKind(int kind)
{
    FKind = ModelOf(kind) ? kind : mkNone;
    FDragMode = dmNone;
    for (int k = 0; k <= mkNone; ++k)
        if (FModels[k])
            FModels[k]->Visible = k == FKind;
    if (TMdl* m = Model()) {
        m->Describe(FOrdinate, FAbscissa);
        m->Fit(FDataX, FDataY);
    }
    RefreshPanel();
}

bool TGModele::ModelShown() const
{
    return IsShown() && Model() != nullptr;
}

void TGModele::SetPlotRect(const QRect& plot)
{
    TGElem::SetPlotRect(plot);
    for (auto& m : FModels)
        if (m)
            m->SetArea(plot.left(), plot.top(), plot.width(), plot.height());
}

void TGModele::SetWorld(const TWorld& world)
{
    TGElem::SetWorld(world);
    for (auto& m : FModels)
        if (m)
            m->SetWorld(world.XMin, world.XMax, world.YMin, world.YMax);
}

int TGModele::ModelZone(QPoint pixel) const
{
    const TMdl* m = Model();
    return ModelShown() && m ? m->Zone(pixel.x(), pixel.y()) : NoZone;
}

void TGModele::ModelDown(Qt::MouseButton button, Qt::KeyboardModifiers, QPoint pixel)
{
    TMdl* m = Model();
    if (button != Qt::LeftButton || !ModelShown() || !m)
        return;
    FDragMode = m->BeginDrag(pixel.x(), pixel.y());
    FAnchor = pixel;
}

int TGModele::ModelMove(Qt::KeyboardModifiers shift, QPoint pixel)
{
    TMdl* m = Model();
    if (!m || !ModelShown())
        return mcArrow;
    if (FDragMode != dmNone) {
        const int dx = pixel.x() - FAnchor.x(), dy = pixel.y() - FAnchor.y();
        switch (FDragMode) {
        case dmReshape:
            m->Reshape(pixel.x(), pixel.y());
            break;
        case dmDamping:
            m->ChangeDamping(dy, ShiftState(shift));
            break;
        case dmAmplitude:
            m->ChangeAmplitude(dy);
            break;
        case dmPeriod:
            m->ChangePeriod(dx, ShiftState(shift));
            break;
        case dmTranslate:
            m->Translate(dx, dy);
            break;
        default:
            break;
        }
        FAnchor = pixel;
        Changed();
        return mcArrow;
    }
    if (!PlotRect.contains(pixel))
        return mcArrow;
    return HoverCursor(m->Zone(pixel.x(), pixel.y()));
}

int TGModele::HoverCursor(int zone) const
{
    switch (FKind) {
    case mkAffine:
        return zone == 0 || zone == 1 ? mcSelDeformer : mcSizeAll;
    case mkConstant:
        return zone == 0 ? mcSelDeformer : mcSizeAll;
    case mkExponentiel:
        return zone == 0 ? mcSizeAll : mcSelDeformer;
    case mkParabole:
        return zone <= 0 ? mcSizeAll : mcSizeHor;
    case mkProportionnel:
        return zone == 0 || zone == 1 ? mcSelDeformer : mcArrow;
    default:
        break;
    }
    if (!IsSine(FKind))
        return mcArrow;
    switch (zone) {
    case 0:
        return mcDeformHautDroit;
    case 3:
        return mcDeformHautGauche;
    case 4:
        return mcDeformBasDroit;
    case 7:
        return mcDeformBasGauche;
    case 2:
    case 6:
        return mcSizeVer;
    case 1:
    case 5:
        if (FKind == mkSinus)
            return mcSizeVer;
        if (FKind == mkSinusAe)
            return zone == 1 ? mcAmortiExpHaut : mcAmortiExpBas;
        return zone == 1 ? mcAmortiLinHaut : mcAmortiLinBas;
    default:
        return mcSizeAll;
    }
}

void TGModele::ModelUp()
{
    if (TMdl* m = Model(); m && FDragMode != dmNone)
        m->EndDrag();
    FDragMode = dmNone;
    RefreshPanel();
}

QString TGModele::ModelHint() const
{
    const TMdl* m = Model();
    if (!m)
        return QString();
    const QStringList equation = m->EquationLines();
    QStringList lines;
    for (qsizetype i = 0; i < equation.size(); ++i) {
        lines << equation[i];
        if (i == 0)
            lines << QString();
    }
    lines << QString();
    lines << m->StatisticsLines();
    return lines.join(QLatin1Char('\n'));
}

void TGModele::UpdatePanel(int tool, bool showEquation, bool showStatistics)
{
    FShowEquation = showEquation;
    FShowStatistics = showStatistics;
    const bool shown = ModelShown() && tool == 11 && (showEquation || showStatistics);
    if (!shown) {
        if (FPanel)
            FPanel->hide();
        return;
    }
    if (!EnsurePanel())
        return;
    RefreshPanel();
    QPoint at = FPanel->pos();
    if (!FPanelPlaced) {
        at = QPoint(PlotRect.left() + 10, PlotRect.top() + 10);
        FPanelPlaced = true;
    }
    // Within the graph, also after it shrank.
    if (const QWidget* graph = FPanel->parentWidget()) {
        at.setX(std::clamp(at.x(), 0, std::max(0, graph->width() - FPanel->width())));
        at.setY(std::clamp(at.y(), 0, std::max(0, graph->height() - FPanel->height())));
    }
    FPanel->move(at);
    FPanel->show();
    FPanel->raise();
}

void TGModele::RefreshPanel()
{
    const TMdl* m = Model();
    if (!FPanel || !m)
        return;
    FPanel->ShowEquation = FShowEquation;
    FPanel->ShowStatistics = FShowStatistics;
    FPanel->ButtonsEnabled = FKind != mkSinusAl;
    std::vector<int> indices;
    std::vector<double> values;
    for (const QChar letter : m->Letters()) {
        const int index = int(ParameterLetters.indexOf(letter));
        indices.push_back(index);
        values.push_back(m->Parameter(index));
    }
    FPanel->SetContent(m->EquationLines(), m->StatisticsLines(), indices, values);
}

void TGModele::Changed()
{
    RefreshPanel();
    if (OnChange)
        OnChange();
}

void TGModele::Draw(QPainter& painter, const TPaintContext& context) const
{
    const TMdl* m = Model();
    if (!ModelShown() || !m)
        return;
    // Pixels far outside the plot are brought closer, so that the painter never sees huge coordinates;
    // the clip to the plot hides the difference.
    const QRect band = PlotRect.adjusted(-100000, -100000, 100000, 100000);
    QPainterPath path;
    bool open = false;
    for (const QPointF& p : m->CurvePoints()) {
        QPoint pixel;
        if (!m->WorldToPixel(p.x(), p.y(), pixel)) {
            open = false;
            continue;
        }
        const QPointF at(std::clamp(pixel.x(), band.left(), band.right()),
                         std::clamp(pixel.y(), band.top(), band.bottom()));
        if (open)
            path.lineTo(at);
        else
            path.moveTo(at);
        open = true;
    }
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, !context.VectorTarget);
    painter.setPen(QPen(ToQColor(Color), 1 + context.ElementSize));
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(path);
    painter.restore();
}
