// The graph control: layout, world window, painting, zoom, pan, tools, curves and export.
#include "graph/UnitGraph.h"

#include "common/UnitDialogs.h"
#include "graph/UnitGModele.h"
#include "graph/UnitGraphConstructs.h"
#include "graph/UnitModeleur.h"

#include <QApplication>
#include <QBuffer>
#include <QClipboard>
#include <QCursor>
#include <QFileInfo>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QPalette>
#include <QPdfWriter>
#include <QRadialGradient>
#include <QSvgGenerator>
#include <QToolTip>
#include <algorithm>
#include <cmath>

namespace {

// Cursor numbers of the program's cursor set used by the tools.
enum : int
{
    curArrow = 0,
    curDeformer = 9,
    curDupliquer = 12,
    curGomme = 14,
    curInverser = 15,
    curPan = 30,
    curPen = 31,
    curReticule = 42,
    curZoom = 48,
    curZoomX = 49,
    curZoomY = 50,
};

Qt::CursorShape FallbackShape(int number)
{
    if (number < 0)
        return Qt::CursorShape(-number);
    switch (number) {
    case curPen:
    case curReticule:
        return Qt::CrossCursor;
    case curPan:
        return Qt::OpenHandCursor;
    case curZoom:
    case curZoomX:
    case curZoomY:
        return Qt::PointingHandCursor;
    case curGomme:
    case curDupliquer:
    case curInverser:
    case curDeformer:
    case mcSelDeformer:
        return Qt::UpArrowCursor;
    case mcAmortiExpHaut:
    case mcAmortiExpBas:
    case mcAmortiLinHaut:
    case mcAmortiLinBas:
        return Qt::SizeVerCursor;
    case mcDeformBasDroit:
    case mcDeformHautGauche:
        return Qt::SizeFDiagCursor;
    case mcDeformBasGauche:
    case mcDeformHautDroit:
        return Qt::SizeBDiagCursor;
    case mcDetection:
        return Qt::WhatsThisCursor;
    default:
        return Qt::ArrowCursor;
    }
}

// Offset in pixels of a duplicate from its original.
constexpr int DuplicateOffset = 12;
// A press and a release nearer than this (pixels) make a click, not a drag.
constexpr int ClickSlack = 3;

bool IsConstructionTool(int tool)
{
    return tool >= gtAngle && tool <= gtVecteur;
}

// The name of an element type in menus.
QString TypeName(TGObjectType type)
{
    switch (type) {
    case obAngle:
        return QStringLiteral("Angle");
    case obArc:
        return QStringLiteral("Arc");
    case obCercle:
        return QStringLiteral("Circle");
    case obEllipse:
        return QStringLiteral("Ellipse");
    case obSegment:
        return QStringLiteral("Segment");
    case obSpline:
        return QStringLiteral("Curve");
    case obVecteur:
        return QStringLiteral("Vector");
    default:
        return QString();
    }
}

// The unit between parentheses at the end of an axis title ("Abscissa (m)"); empty when there is none.
QString TitleUnit(const QStringList& title)
{
    for (auto it = title.rbegin(); it != title.rend(); ++it) {
        const QString line = it->trimmed();
        const qsizetype open = line.lastIndexOf(QLatin1Char('('));
        if (line.endsWith(QLatin1Char(')')) && open >= 0)
            return line.mid(open + 1, line.size() - open - 2).trimmed();
    }
    return QString();
}

} // namespace

TGraph::TGraph(QWidget* parent) : QWidget(parent)
{
    ColorAxe = FromQColor(palette().color(QPalette::Button));
    setFocusPolicy(Qt::StrongFocus);
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
    QFont font(QStringLiteral("Arial"));
    font.setPointSize(10);
    setFont(font);
    FOrigine.Color = 0x808080;
    FOrigine.Shape = moOrigine;
    FOrigine.Label = false;
    FOrigine.NumberPlace = npNone;
    FElements.reserve(3104);
    FCurves.reserve(16);
    FScales.reserve(8);
    FSelection.reserve(1024);
    FWidth = width();
    FHeight = height();
    FBulle = new TBulle(this);
    Layout();
}

TGraph::~TGraph() = default;

// ----------------------------------------------------------------------------------------------------
// Layout and world window

int TGraph::PlotWidth() const
{
    return std::max(0, FWidth - FLeft - FRight);
}

int TGraph::PlotHeight() const
{
    return std::max(0, FHeight - FTop - FBottom);
}

QRect TGraph::PlotRect() const
{
    return QRect(FLeft, FTop, PlotWidth(), PlotHeight());
}

bool TGraph::InPlot(int x, int y) const
{
    return x >= FLeft && x <= FLeft + PlotWidth() && y >= FTop && y <= FTop + PlotHeight();
}

void TGraph::SetMargins(int top, int right, int left, int bottom)
{
    FTop = top;
    FRight = right;
    FLeft = left;
    FBottom = bottom;
    Layout();
}

void TGraph::SetGradient(TColor begin, TColor end)
{
    FColorBegin = begin;
    FColorEnd = end;
    RenderGradient();
    Repaint();
}

void TGraph::SetLEchelleEnPixels(int pixels)
{
    FArrowPixels = pixels;
    for (auto& scale : FScales)
        scale->SetArrowLength(pixels);
    Repaint();
}

void TGraph::SetBounds(int width, int height)
{
    if (FSuspended > 0)
        return;
    width = std::max(0, width);
    height = std::max(0, height);
    // With equal scales the units per pixel survive the resize: a wider control shows more world.
    const double unitsX = PlotWidth() > 0 ? (FWorld.XMax - FWorld.XMin) / PlotWidth() : 0.0;
    const double unitsY = PlotHeight() > 0 ? (FWorld.YMax - FWorld.YMin) / PlotHeight() : 0.0;
    FWidth = width;
    FHeight = height;
    if (QWidget::width() != width || QWidget::height() != height)
        resize(width, height);
    Layout();
    if (FEqualScales && (unitsX <= 0 || unitsY <= 0) && PlotWidth() > 0 && PlotHeight() > 0) {
        // The window was set while the plot had no size: equalise it now that there is one.
        SetWorld(EqualizeScales(FWorld, PlotHeight(), PlotWidth()));
    } else if (FEqualScales && PlotWidth() > 0 && PlotHeight() > 0) {
        TWorld w = FWorld;
        const double cx = (w.XMin + w.XMax) / 2;
        const double cy = (w.YMin + w.YMax) / 2;
        w.XMin = cx - PlotWidth() * unitsX / 2;
        w.XMax = cx + PlotWidth() * unitsX / 2;
        w.YMin = cy - PlotHeight() * unitsY / 2;
        w.YMax = cy + PlotHeight() * unitsY / 2;
        SetWorld(w);
    }
    if (OnResize)
        OnResize();
}

void TGraph::ResumeLayout()
{
    if (FSuspended > 0)
        --FSuspended;
    if (FSuspended == 0 && (FWidth != QWidget::width() || FHeight != QWidget::height()))
        SetBounds(QWidget::width(), QWidget::height());
}

void TGraph::Refresh()
{
    Layout();
    SetWorld(FWorld);
    SetLEchelleEnPixels(FArrowPixels);
}

void TGraph::Layout()
{
    RenderGradient();
    const QRect plot = PlotRect();
    FOrigine.SetPlotRect(plot);
    FSourceImg.SetPlotRect(plot);
    for (auto& e : FElements)
        e->SetPlotRect(plot);
    for (auto& c : FCurves)
        c->SetPlotRect(plot);
    FFreeCurve.SetPlotRect(plot);
    for (auto& s : FScales)
        s->SetPlotWidth(plot.width());
    FAxeX.Band = QRect(0, FHeight - FBottom, FWidth, FBottom);
    FAxeY.Band = QRect(0, 0, FLeft, FHeight - FBottom);
    if (FBulle && !FBulle->isHidden())
        FBulle->Relayout();
    Repaint();
}

void TGraph::RenderGradient()
{
    const QRect plot = PlotRect();
    if (plot.width() <= 0 || plot.height() <= 0) {
        FGradient = QImage();
        return;
    }
    FGradient = QImage(plot.size(), QImage::Format_RGB32);
    QPainter painter(&FGradient);
    const QPointF centre(plot.width() / 2.0, plot.height() / 2.0);
    QRadialGradient gradient(centre, std::hypot(centre.x(), centre.y()));
    gradient.setColorAt(0, ToQColor(FColorBegin));
    gradient.setColorAt(1, ToQColor(FColorEnd));
    painter.fillRect(FGradient.rect(), gradient);
}

void TGraph::SetWorld(const TWorld& world)
{
    FWorld = world;
    FOrigine.SetWorld(world);
    FSourceImg.SetWorld(world);
    for (auto& e : FElements)
        e->SetWorld(world);
    for (auto& c : FCurves)
        c->SetWorld(world);
    FFreeCurve.SetWorld(world);
    FAxeX.Min = world.XMin;
    FAxeX.Max = world.XMax;
    FAxeY.Min = world.YMin;
    FAxeY.Max = world.YMax;
    Repaint();
}

void TGraph::SetWorldAndScales(const TWorld& world, bool equalScales)
{
    FZoom.ZoomX = 1.0;
    FZoom.ZoomY = 1.0;
    SetWorld(world);
    FEqualScales = equalScales;
}

QPointF TGraph::PixelToWorld(double px, double py) const
{
    const double W = PlotWidth();
    const double H = PlotHeight();
    if (W <= 0 || H <= 0)
        return QPointF(FWorld.XMin, FWorld.YMin);
    return QPointF(FWorld.XMin + (px - FLeft) / W * (FWorld.XMax - FWorld.XMin),
                   FWorld.YMin + (H + FTop - py) / H * (FWorld.YMax - FWorld.YMin));
}

QPoint TGraph::WorldToPixel(double x, double y) const
{
    TMappedPoint p;
    p.X = x;
    p.Y = y;
    p.FromWorld(PlotRect(), FWorld);
    return p.Pixel;
}

// ----------------------------------------------------------------------------------------------------
// Tools

int TGraph::ToolCursor(int tool, bool zoomX, bool zoomY)
{
    if (IsConstructionTool(tool))
        return curPen;
    switch (tool) {
    case gtCurveArc:
        return curDeformer;
    case gtDupliquer:
        return curDupliquer;
    case gtSens:
        return curInverser;
    case gtPan:
        return curPan;
    case gtReticule:
        return curReticule;
    case gtSupprimer:
        return curGomme;
    case gtZoom:
        return zoomX && zoomY ? curZoom : zoomX ? curZoomX : zoomY ? curZoomY : curArrow;
    default:
        return curArrow;
    }
}

void TGraph::ApplyCursor()
{
    SetCursorNumber(ToolCursor(FTool, FEqualScales || IsZoomX, FEqualScales || IsZoomY));
}

void TGraph::UpdateCursor()
{
    FCursorNumber = -1000; // none of the shapes: set whatever the last one was
    ApplyCursor();
}

void TGraph::SetCursorNumber(int number)
{
    if (number == FCursorNumber && testAttribute(Qt::WA_SetCursor))
        return;
    FCursorNumber = number;
    setCursor(CursorOf && number >= 0 ? CursorOf(number) : QCursor(FallbackShape(number)));
}

bool TGraph::SetTool(int tool, bool down)
{
    const int wanted = down ? tool : gtNone;
    if (wanted == gtModifierModele && std::none_of(FElements.begin(), FElements.end(),
                                                   [](const auto& e) { return e->ObjectType() == obModele; }))
        return false;
    const int previous = FTool;
    FTool = wanted;
    ApplyCursor();
    if (IsConstructionTool(previous))
        CancelConstruction();
    UpdateModelPanels();
    if (previous != FTool) {
        if (FDrag == dgHandle || FDrag == dgBend || FDrag == dgMoveSelection)
            EndChange(FDragChanged);
        FDrag = dgNone;
        FZoom.Active = false;
        ShowModelHint(QString(), QPoint());
        SetHint(QString());
        if (OnOptionChange)
            OnOptionChange();
    }
    Repaint();
    return true;
}

void TGraph::SetHint(const QString& hint)
{
    FHint = hint;
    // The long part of a "short|long" hint is the instruction shown over the graph.
    const qsizetype bar = hint.indexOf(QLatin1Char('|'));
    setToolTip(bar >= 0 ? hint.mid(bar + 1) : hint);
}

// ----------------------------------------------------------------------------------------------------
// Mouse and keys

void TGraph::MouseDown(Qt::MouseButton button, Qt::KeyboardModifiers shift, int x, int y)
{
    FMouse = QPoint(x, y);
    switch (FTool) {
    case gtZoom:
        FZoom.Active = true;
        FZoom.Band = QRect(QPoint(x, y), QPoint(x, y));
        FDrag = dgRubber;
        break;
    case gtPan:
        if (button == Qt::LeftButton) {
            FDrag = dgPan;
            FDragFrom = QPoint(x, y);
        } else if (OnObjectClick) {
            OnObjectClick(button, obNone);
        }
        break;
    case gtModifierModele:
        if (button != Qt::LeftButton) {
            if (OnObjectClick)
                OnObjectClick(button, obNone);
        } else {
            for (TGModele* m : Models())
                m->ModelDown(button, shift, QPoint(x, y));
        }
        break;
    case gtCurveArc:
    case gtDupliquer:
    case gtSens:
    case gtSelection:
    case gtMesurer:
    case gtSupprimer:
        ClickElement(button, shift, x, y);
        break;
    default:
        // The drawing tools start or continue their figure; every other tool reports a click on nothing.
        if (IsConstructionTool(FTool) && button == Qt::LeftButton)
            ConstructDown(x, y);
        if (OnObjectClick)
            OnObjectClick(button, obNone);
        break;
    }
    Repaint();
    if (OnMouseDown)
        OnMouseDown(button, shift, x, y);
}

void TGraph::MouseMove(Qt::KeyboardModifiers shift, int x, int y)
{
    const QPoint previous = FMouse;
    FMouse = QPoint(x, y);
    switch (FDrag) {
    case dgRubber:
        if (FTool == gtZoom)
            FZoom.Band.setBottomRight(QPoint(x, y));
        else
            FSelectBand.setBottomRight(QPoint(x, y));
        Repaint();
        break;
    case dgPan:
        if (FWidth > 0 && FHeight > 0) {
            const double dx = (FWorld.XMax - FWorld.XMin) * (x - FDragFrom.x()) / FWidth;
            const double dy = (FWorld.YMax - FWorld.YMin) * (y - FDragFrom.y()) / FHeight;
            FDragFrom = QPoint(x, y);
            TWorld w = FWorld;
            w.XMin -= dx;
            w.XMax -= dx;
            w.YMin += dy;
            w.YMax += dy;
            SetWorld(w);
        }
        break;
    case dgMoveSelection: {
        QStringList infos;
        if (QPoint(x, y) != previous)
            FDragChanged = true;
        for (TGElem* e : FSelection) {
            e->MoveBy(x - previous.x(), y - previous.y());
            if (infos.isEmpty())
                infos = e->GetInfos();
        }
        // The values of the moved element while it moves.
        ShowBubble(infos);
        Repaint();
        break;
    }
    case dgHandle:
    case dgBend:
        if (FDragElement && QPoint(x, y) != previous) {
            FDragChanged = true;
            if (FDrag == dgHandle)
                FDragElement->MoveHandle(FGrip, QPoint(x, y));
            else if (auto* c = dynamic_cast<TGConstruct*>(FDragElement))
                c->Bend(FGrip, QPoint(x, y));
            FDragElement->LengthUnit = LengthUnit();
            ShowBubble(FDragElement->GetInfos());
            Repaint();
        }
        break;
    default:
        break;
    }
    if (FTool == gtModifierModele) {
        // A drag moves its model; otherwise the first shown model says the pointer's shape.
        int cursor = mcArrow;
        bool hovered = false, dragged = false;
        for (TGModele* m : Models()) {
            if (!m->ModelShown())
                continue;
            const bool dragging = m->DragMode() != dmNone;
            const int c = m->ModelMove(shift, QPoint(x, y));
            dragged = dragged || dragging;
            if (!dragging && !hovered && InPlot(x, y)) {
                cursor = c;
                hovered = true;
            }
        }
        if (dragged)
            Repaint();
        else
            SetCursorNumber(cursor);
    } else if (FTool == gtModeleInfo) {
        const QString hint = ModelHintAt(QPoint(x, y));
        ShowModelHint(hint, QPoint(x, y));
        SetCursorNumber(hint.isEmpty() ? int(mcArrow) : int(mcDetection));
    }
    if (FTool == gtReticule)
        FMouseWorld = PixelToWorld(x, y);
    if (IsConstructionTool(FTool) && !FConstruction.empty())
        Repaint();
    // Over an element the measuring and selecting tools show a cross: a click there acts on it.
    if ((FTool == gtMesurer || FTool == gtSelection) && FDrag == dgNone)
        SetCursorNumber(HitElement(QPoint(x, y), false) ? -int(Qt::CrossCursor) : int(curArrow));
    if (OnMouseMove)
        OnMouseMove(shift, x, y);
}

void TGraph::MouseUp(Qt::MouseButton button, Qt::KeyboardModifiers shift, int x, int y)
{
    FMouse = QPoint(x, y);
    if (FDrag == dgRubber && FTool == gtZoom) {
        const QPoint start = FZoom.Band.topLeft();
        const int w = std::abs(x - start.x());
        const int h = std::abs(y - start.y());
        FZoom.Active = false;
        FDrag = dgNone;
        if (w > 9 && h > 9)
            RectangleZoom(QRect(std::min(x, start.x()), std::min(y, start.y()), w, h));
        else
            ClickZoom(button, shift.testFlag(Qt::ControlModifier), x, y);
    } else if (FDrag == dgRubber) {
        // Selecting tools: the elements entirely inside the band join the selection.
        const QRect band = FSelectBand.normalized();
        FDrag = dgNone;
        if (band.width() > 2 || band.height() > 2) {
            if (!shift.testFlag(Qt::ShiftModifier)) {
                for (TGElem* e : FSelection)
                    e->Selected = false;
                FSelection.clear();
            }
            for (auto& e : FElements) {
                if (!e->IsShown() || e->ObjectType() == obPoint || e->ObjectType() == obModele || e->Selected)
                    continue;
                if (e->ObjectType() == obVecteur && !static_cast<const TGVecteur&>(*e).Scale)
                    continue;
                if (e->InsideRect(band)) {
                    e->Selected = true;
                    FSelection.push_back(e.get());
                }
            }
            if (FTool == gtSupprimer)
                DeleteSelection();
            else if (FTool == gtSens)
                ReverseSelection();
            else if (FTool == gtDupliquer)
                DuplicateSelection();
        }
        FSelectBand = QRect();
    } else if (FDrag == dgPan) {
        FDrag = dgNone;
    } else if (FDrag == dgMoveSelection || FDrag == dgHandle || FDrag == dgBend) {
        FBulle->hide();
        EndChange(FDragChanged);
        FDrag = dgNone;
        FDragElement = nullptr;
    } else if (IsConstructionTool(FTool) && button == Qt::LeftButton) {
        ConstructUp(x, y);
    }
    if (FTool == gtModifierModele)
        for (TGModele* m : Models())
            m->ModelUp();
    Repaint();
    if (OnMouseUp)
        OnMouseUp(button, shift, x, y);
}

void TGraph::MouseDoubleClick(Qt::MouseButton button, Qt::KeyboardModifiers shift, int x, int y)
{
    FMouse = QPoint(x, y);
    if (FTool == gtSpline && button == Qt::LeftButton) {
        // The first click of the double click fixed the last point.
        if (FConstruction.size() >= 2)
            FinishConstruction();
        Repaint();
        return;
    }
    MouseDown(button, shift, x, y);
}

void TGraph::MouseLeave()
{
    ShowModelHint(QString(), QPoint());
    const bool modelDrag =
        FTool == gtModifierModele && std::any_of(FElements.begin(), FElements.end(), [](const auto& e) {
            return e->ObjectType() == obModele && static_cast<const TGModele&>(*e).DragMode() != dmNone;
        });
    if (FDrag != dgNone || modelDrag)
        MouseUp(Qt::LeftButton, Qt::NoModifier, FMouse.x(), FMouse.y());
}

bool TGraph::KeyDown(int key, Qt::KeyboardModifiers shift)
{
    const int step = shift.testFlag(Qt::ControlModifier) ? 10 : 1;
    QPoint d;
    switch (key) {
    case Qt::Key_Space:
        if (OnObjectClick)
            OnObjectClick(Qt::RightButton, obNone);
        return true;
    case Qt::Key_Left:
        d = QPoint(-step, 0);
        break;
    case Qt::Key_Right:
        d = QPoint(step, 0);
        break;
    case Qt::Key_Up:
        d = QPoint(0, -step);
        break;
    case Qt::Key_Down:
        d = QPoint(0, step);
        break;
    case Qt::Key_Insert:
    case Qt::Key_Delete:
        DeleteSelection();
        return true;
    case Qt::Key_Escape:
        return CancelConstruction();
    case Qt::Key_A:
        if (!shift.testFlag(Qt::ControlModifier))
            return false;
        Undo();
        return true;
    default:
        return false;
    }
    const QPoint target = FMouse + d;
    if (isVisible())
        QCursor::setPos(mapToGlobal(target));
    MouseMove(shift, target.x(), target.y());
    return true;
}

void TGraph::ClickZoom(Qt::MouseButton button, bool ctrl, int x, int y)
{
    const bool onX = FEqualScales || IsZoomX;
    const bool onY = FEqualScales || IsZoomY;
    const QPointF m = PixelToWorld(x, y);
    const bool in = button == Qt::LeftButton;
    TWorld w = FWorld;
    if (onX) {
        const double old = FZoom.ZoomX;
        FZoom.ZoomX = in ? TZoom::ZoomIn(old, ctrl) : TZoom::ZoomOut(old, ctrl);
        const double f = old / FZoom.ZoomX;
        w.XMin = m.x() + (w.XMin - m.x()) * f;
        w.XMax = m.x() + (w.XMax - m.x()) * f;
    }
    if (onY) {
        const double old = FZoom.ZoomY;
        FZoom.ZoomY = in ? TZoom::ZoomIn(old, ctrl) : TZoom::ZoomOut(old, ctrl);
        const double f = old / FZoom.ZoomY;
        w.YMin = m.y() + (w.YMin - m.y()) * f;
        w.YMax = m.y() + (w.YMax - m.y()) * f;
    }
    SetWorld(w);
}

void TGraph::RectangleZoom(const QRect& band)
{
    const double W = PlotWidth();
    const double H = PlotHeight();
    if (W <= 0 || H <= 0 || band.width() <= 0 || band.height() <= 0)
        return;
    const double oldX = FZoom.ZoomX;
    const double oldY = FZoom.ZoomY;
    const double lo = TZoom::Levels.front();
    const double hi = TZoom::Levels.back();
    if (FEqualScales) {
        const double k = std::min(H / band.height(), W / band.width());
        FZoom.ZoomX = std::clamp(oldX * k, lo, hi);
        FZoom.ZoomY = std::clamp(oldY * k, lo, hi);
    } else {
        if (IsZoomX)
            FZoom.ZoomX = std::clamp(oldX * W / band.width(), lo, hi);
        if (IsZoomY)
            FZoom.ZoomY = std::clamp(oldY * H / band.height(), lo, hi);
    }
    const QPointF c = PixelToWorld(band.left() + band.width() / 2.0, band.top() + band.height() / 2.0);
    const double halfX = oldX / FZoom.ZoomX * (FWorld.XMax - FWorld.XMin) / 2;
    const double halfY = oldY / FZoom.ZoomY * (FWorld.YMax - FWorld.YMin) / 2;
    SetWorld(TWorld{c.x() - halfX, c.x() + halfX, c.y() - halfY, c.y() + halfY});
}

TGElem* TGraph::HitElement(QPoint pixel, bool arcsOnly) const
{
    const auto hittable = [&](const TGElem& e) {
        if (e.ObjectType() == obModele || e.ObjectType() == obPoint)
            return false;
        if (arcsOnly && e.ObjectType() != obArc && e.ObjectType() != obCercle && e.ObjectType() != obEllipse)
            return false;
        return e.HitTest(pixel, ElementSize);
    };
    for (int pass = 0; pass < 2; ++pass)
        for (auto it = FElements.rbegin(); it != FElements.rend(); ++it)
            if ((*it)->Selected == (pass == 0) && hittable(**it))
                return it->get();
    return nullptr;
}

void TGraph::ClickElement(Qt::MouseButton button, Qt::KeyboardModifiers shift, int x, int y)
{
    const QPoint at(x, y);
    // The selection tool grabs a handle of a selected element (a user's element or a vector) first.
    if (FTool == gtSelection && button == Qt::LeftButton && !shift.testFlag(Qt::ShiftModifier)) {
        const int near = ElementHitTolerance(ElementSize) + 1;
        for (auto it = FSelection.rbegin(); it != FSelection.rend(); ++it) {
            TGElem* e = *it;
            if (!e->IsShown() || (!e->UserMade && e->ObjectType() != obVecteur))
                continue;
            const std::vector<QPoint> handles = e->HandlePixels();
            for (std::size_t i = 0; i < handles.size(); ++i) {
                const QPoint d = at - handles[i];
                if (std::abs(d.x()) <= near && std::abs(d.y()) <= near) {
                    FDrag = dgHandle;
                    FDragElement = e;
                    FGrip = int(i);
                    BeginChange({e}, QStringLiteral("Cancel change"));
                    if (OnObjectClick)
                        OnObjectClick(button, e->ObjectType());
                    return;
                }
            }
        }
    }
    TGElem* hit = HitElement(at, FTool == gtCurveArc);
    if (!hit) {
        if (button == Qt::LeftButton) {
            for (TGElem* e : FSelection)
                e->Selected = false;
            FSelection.clear();
            if (FTool != gtCurveArc && FTool != gtMesurer) {
                FDrag = dgRubber;
                FSelectBand = QRect(at, at);
            }
            if (FTool == gtMesurer) {
                FMeasure.clear();
                ShowModelHint(QString(), QPoint());
            }
        }
        if (OnObjectClick)
            OnObjectClick(button, obNone);
        return;
    }
    // The hit element is drawn last from now on.
    auto it = std::find_if(FElements.begin(), FElements.end(), [&](const auto& e) { return e.get() == hit; });
    std::rotate(it, it + 1, FElements.end());
    if (shift.testFlag(Qt::ShiftModifier)) {
        hit->Selected = !hit->Selected;
        if (hit->Selected)
            FSelection.push_back(hit);
        else
            FSelection.erase(std::remove(FSelection.begin(), FSelection.end(), hit), FSelection.end());
    } else if (!hit->Selected) {
        SelectOnly({hit});
    }
    const TGObjectType type = hit->ObjectType();
    if (button == Qt::LeftButton) {
        switch (FTool) {
        case gtSelection:
            if (hit->Selected) {
                FDrag = dgMoveSelection;
                BeginChange(FSelection, QStringLiteral("Cancel move"));
            }
            break;
        case gtSupprimer:
            DeleteSelection();
            break;
        case gtDupliquer:
            DuplicateSelection();
            break;
        case gtSens:
            if (type == obVecteur) {
                BeginChange({hit}, QStringLiteral("Cancel change of direction"));
                static_cast<TGVecteur*>(hit)->Reverse();
                EndChange(true);
            }
            break;
        case gtCurveArc:
            if (auto* c = dynamic_cast<TGConstruct*>(hit)) {
                FGrip = c->BendGrip(at, ElementSize);
                if (FGrip >= 0) {
                    FDrag = dgBend;
                    FDragElement = hit;
                    BeginChange({hit}, QStringLiteral("Cancel bending"));
                }
            }
            break;
        case gtMesurer:
            Measure(*hit, at);
            break;
        default:
            break;
        }
    }
    if (OnObjectClick)
        OnObjectClick(button, type);
    if (button == Qt::RightButton && hit->Selected)
        ShowSelectionMenu();
}

void TGraph::Measure(TGElem& element, QPoint at)
{
    element.LengthUnit = LengthUnit();
    FMeasure = element.GetInfos().join(QLatin1Char('\n'));
    ShowModelHint(FMeasure, at);
    if (OnMeasure)
        OnMeasure(FMeasure);
}

QString TGraph::LengthUnit() const
{
    if (!FLengthUnit.isEmpty())
        return FLengthUnit;
    if (TitreAxeX.isEmpty() && TitreAxeY.isEmpty())
        return QStringLiteral("m");
    // A length means something only when both axes have the same unit.
    const QString x = TitleUnit(TitreAxeX);
    return x == TitleUnit(TitreAxeY) ? x : QString();
}

// ----------------------------------------------------------------------------------------------------
// Drawing the user's figures

bool TGraph::CancelConstruction()
{
    const bool underWay = !FConstruction.empty();
    FConstruction.clear();
    FConstructionWorld.clear();
    FConstructionAnchor = -1;
    FChainTo = nullptr;
    FPressAddedPoint = false;
    if (underWay)
        Repaint();
    return underWay;
}

QPointF TGraph::SnapPoint(QPoint pixel, int& curve, TGVecteur** tip) const
{
    curve = -1;
    if (tip)
        *tip = nullptr;
    const int near = ElementHitTolerance(ElementSize) + 1;
    const auto close = [&](QPoint p) {
        return std::abs(p.x() - pixel.x()) <= near && std::abs(p.y() - pixel.y()) <= near;
    };
    for (auto it = FElements.rbegin(); it != FElements.rend(); ++it) {
        const TGElem& e = **it;
        if (!e.IsShown())
            continue;
        if (tip && e.ObjectType() == obVecteur) {
            auto* v = static_cast<TGVecteur*>(it->get());
            if (v->Scale && close(v->Tip)) {
                *tip = v;
                curve = v->CurveIndex;
                return PixelToWorld(v->Tip.x(), v->Tip.y());
            }
        } else if (e.ObjectType() == obPoint && !e.UserMade) {
            const auto& p = static_cast<const TGPoint&>(e);
            if (p.P.Mapped && close(p.P.Pixel)) {
                curve = p.CurveIndex;
                return QPointF(p.P.X, p.P.Y);
            }
        }
    }
    return PixelToWorld(pixel.x(), pixel.y());
}

void TGraph::ConstructDown(int x, int y)
{
    const QPoint at(x, y);
    FPressPixel = at;
    FPressAddedPoint = false;
    const std::size_t needed = FTool == gtAngle ? 3 : FTool == gtSpline ? 0 : 2;
    // A press fixes a point when the figure still needs one: the start of every figure, the ends of
    // the spline's pieces, the first arm of an angle drawn by clicks.
    const bool fixes =
        FConstruction.empty() || FTool == gtSpline || (FTool == gtAngle && FConstruction.size() == 1);
    if (!fixes || (needed > 0 && FConstruction.size() >= needed))
        return;
    if (FTool == gtSpline && !FConstruction.empty() && FConstruction.back() == at)
        return;
    int curve = -1;
    TGVecteur* tip = nullptr;
    const QPointF world = SnapPoint(at, curve, FConstruction.empty() && FTool == gtVecteur ? &tip : nullptr);
    if (FConstruction.empty()) {
        FConstructionAnchor = curve;
        FChainTo = tip;
    }
    FConstruction.push_back(tip ? tip->Tip : at);
    FConstructionWorld.push_back(world);
    FPressAddedPoint = true;
    Repaint();
}

void TGraph::ConstructUp(int x, int y)
{
    if (FConstruction.empty() || FTool == gtSpline)
        return;
    const QPoint at(x, y);
    const QPoint d = at - FPressPixel;
    const bool click = std::abs(d.x()) <= ClickSlack && std::abs(d.y()) <= ClickSlack;
    // A click that fixed a point waits for the next one; a drag, or a click that fixed nothing, ends
    // at the release.
    if (click && FPressAddedPoint)
        return;
    int curve = -1;
    const QPointF world = SnapPoint(at, curve, nullptr);
    FConstruction.push_back(at);
    FConstructionWorld.push_back(world);
    const std::size_t needed = FTool == gtAngle ? 3 : 2;
    if (FConstruction.size() >= needed)
        FinishConstruction();
    Repaint();
}

void TGraph::FinishConstruction()
{
    // A figure smaller than a click is a slip.
    bool extent = false;
    for (const QPoint& p : FConstruction) {
        const QPoint d = p - FConstruction.front();
        extent = extent || std::abs(d.x()) > 2 || std::abs(d.y()) > 2;
    }
    std::unique_ptr<TGElem> e =
        extent ? MakeConstruct(FTool, FConstructionWorld, FConstructionAnchor) : nullptr;
    // The vector the figure starts from may have been deleted meanwhile.
    TGVecteur* chain =
        std::any_of(FElements.begin(), FElements.end(), [&](const auto& p) { return p.get() == FChainTo; })
            ? FChainTo
            : nullptr;
    CancelConstruction();
    if (!e)
        return;
    const int anchor = e->Anchor;
    TGElem* added = AddElement(std::move(e), anchor);
    if (auto* v = dynamic_cast<TGVecteur*>(added); v && chain) {
        v->AttachedTo = chain;
        chain->Attached.push_back(v);
    }
    PushAdded({added}, QStringLiteral("Cancel drawing"));
    Repaint();
}

std::unique_ptr<TGElem> TGraph::MakeConstruct(int tool, const std::vector<QPointF>& world, int anchor) const
{
    const std::size_t n = world.size();
    if (n < 2)
        return nullptr;
    const TCourbe& curve = CurveAt(anchor);
    std::unique_ptr<TGElem> element;
    const auto poly = [&](std::unique_ptr<TGPolyPoint> p, std::size_t count) {
        p->PlotRect = PlotRect();
        p->World = FWorld;
        for (std::size_t i = 0; i < count && i < n; ++i)
            p->AddPoint(world[i].x(), world[i].y());
        return p;
    };
    switch (tool) {
    case gtSegment: {
        auto segment = std::make_unique<TGSegment>();
        segment->Color = curve.AddedColors[TCourbe::kSegments];
        element = poly(std::move(segment), 2);
        break;
    }
    case gtSpline: {
        auto spline = std::make_unique<TGSpline>();
        spline->Color = curve.AddedColors[TCourbe::kSplines];
        element = poly(std::move(spline), n);
        break;
    }
    case gtAngle:
        if (n < 3)
            return nullptr;
        element = poly(std::make_unique<TGAngle>(), 3);
        break;
    case gtCercle:
        element = poly(std::make_unique<TGCercle>(), 2);
        break;
    case gtEllipse:
        element = poly(std::make_unique<TGEllipse>(), 2);
        break;
    case gtArc: {
        auto arc = std::make_unique<TGArc>();
        arc->PlotRect = PlotRect();
        arc->World = FWorld;
        arc->SetChord(world[0], world[1]);
        element = std::move(arc);
        break;
    }
    case gtVecteur: {
        // Components on the current scale: the pixels of the arrow times the scale arrow's value per
        // pixel.
        TParamCom* scale = CurrentScale();
        const double dx = FWorld.XMax - FWorld.XMin;
        const double dy = FWorld.YMax - FWorld.YMin;
        if (!scale || scale->ArrowPixels <= 0 || !(scale->Norm > 0) || dx == 0 || dy == 0)
            return nullptr;
        auto v = std::make_unique<TGVecteur>();
        v->Color = curve.AddedColors[TCourbe::kVecteurs];
        v->Scale = scale;
        v->ScaleKey = scale->Key;
        v->PlotRect = PlotRect();
        v->World = FWorld;
        v->SetOrigin(world[0].x(), world[0].y());
        const double perPixel = scale->Norm / scale->ArrowPixels;
        v->SetComponents((world[1].x() - world[0].x()) * PlotWidth() / dx * perPixel,
                         (world[1].y() - world[0].y()) * PlotHeight() / dy * perPixel);
        element = std::move(v);
        break;
    }
    default:
        return nullptr;
    }
    element->UserMade = true;
    element->Created = true;
    element->Anchor = anchor;
    return element;
}

// ----------------------------------------------------------------------------------------------------
// Elements and history

TCourbe& TGraph::CurveOf(int index)
{
    return index >= 0 && index < int(FCurves.size()) ? *FCurves[std::size_t(index)] : FFreeCurve;
}

const TCourbe& TGraph::CurveAt(int index) const
{
    return index >= 0 && index < int(FCurves.size()) ? *FCurves[std::size_t(index)] : FFreeCurve;
}

void TGraph::Register(TGElem* e, int curve)
{
    e->SetPlotRect(PlotRect());
    e->SetWorld(FWorld);
    e->CurveIndex = curve >= 0 && curve < int(FCurves.size()) ? curve : -1;
    CurveOf(e->CurveIndex).Add(e);
    if (auto* v = dynamic_cast<TGVecteur*>(e)) {
        // A user's vector finds its scale by key: scales go with every rebuilding of the page.
        if (v->UserMade && !v->Scale) {
            const int index = ScaleIndexOfKey(v->ScaleKey);
            v->Scale = index >= 0 ? FScales[std::size_t(index)].get() : nullptr;
        }
        // An element being registered is in no scale's list.
        if (v->Scale) {
            v->Scale->Vectors.push_back(v);
            v->Update();
        }
        // A user's vector shows with the vectors of the current scale only.
        if (v->UserMade && v->Scale != CurrentScale())
            v->SetVisible(false);
    }
}

TGElem* TGraph::AddElement(std::unique_ptr<TGElem> element, int curve)
{
    TGElem* e = element.get();
    FElements.push_back(std::move(element));
    Register(e, curve);
    return e;
}

void TGraph::DetachElement(TGElem* element)
{
    CurveOf(element->CurveIndex).Remove(element);
    FSelection.erase(std::remove(FSelection.begin(), FSelection.end(), element), FSelection.end());
    element->Selected = false;
    if (auto* v = dynamic_cast<TGVecteur*>(element)) {
        if (v->Scale) {
            auto& list = v->Scale->Vectors;
            list.erase(std::remove(list.begin(), list.end(), v), list.end());
        }
        v->Detach();
    }
    if (FDragElement == element) {
        FDragElement = nullptr;
        FDrag = dgNone;
    }
}

void TGraph::SelectOnly(const std::vector<TGElem*>& elements)
{
    for (TGElem* e : FSelection)
        e->Selected = false;
    FSelection = elements;
    for (TGElem* e : FSelection)
        e->Selected = true;
}

std::vector<TGElem*> TGraph::SelectedOfType(TGObjectType type) const
{
    std::vector<TGElem*> elements;
    for (TGElem* e : FSelection)
        if (type == obNone || e->ObjectType() == type)
            elements.push_back(e);
    return elements;
}

void TGraph::DeleteSelection()
{
    if (FSelection.empty())
        return;
    THistoryGroup group;
    group.Caption = QStringLiteral("Cancel deletion");
    const std::vector<TGElem*> selected = FSelection;
    for (TGElem* e : selected) {
        auto it =
            std::find_if(FElements.begin(), FElements.end(), [&](const auto& p) { return p.get() == e; });
        if (it == FElements.end())
            continue;
        DetachElement(e);
        THistoryEntry entry;
        entry.Kind = hkRemoved;
        entry.Target = e;
        entry.Index = std::size_t(it - FElements.begin());
        entry.Element = std::move(*it);
        FElements.erase(it);
        group.Entries.push_back(std::move(entry));
    }
    FSelection.clear();
    if (!group.Entries.empty())
        FHistory.push_back(std::move(group));
    Repaint();
}

void TGraph::DuplicateSelection()
{
    std::vector<TGElem*> copies;
    for (TGElem* e : std::vector<TGElem*>(FSelection)) {
        std::unique_ptr<TGElem> copy = e->Clone();
        if (!copy)
            continue;
        copy->UserMade = true;
        copy->Created = true;
        copy->Selected = false;
        copy->Hidden = false;
        copy->Visible = true;
        copy->Anchor = e->UserMade ? e->Anchor : -1;
        if (auto* v = dynamic_cast<TGVecteur*>(copy.get())) {
            v->AttachedTo = nullptr;
            v->Attached.clear();
            v->Color = CurveAt(copy->Anchor).AddedColors[TCourbe::kVecteurs];
        }
        const int anchor = copy->Anchor;
        TGElem* added = AddElement(std::move(copy), anchor);
        added->MoveBy(DuplicateOffset, DuplicateOffset);
        copies.push_back(added);
    }
    if (copies.empty())
        return;
    SelectOnly(copies);
    PushAdded(copies, QStringLiteral("Cancel duplication"));
    Repaint();
}

void TGraph::ReverseSelection()
{
    const std::vector<TGElem*> vectors = SelectedOfType(obVecteur);
    if (vectors.empty())
        return;
    BeginChange(vectors, QStringLiteral("Cancel change of direction"));
    for (TGElem* e : vectors)
        static_cast<TGVecteur*>(e)->Reverse();
    EndChange(true);
    Repaint();
}

bool TGraph::ColourSelection(TGObjectType type)
{
    const std::vector<TGElem*> elements = SelectedOfType(type);
    if (elements.empty())
        return false;
    TColor colour = elements.front()->Color;
    if (!TDialogService::Instance().ColorDialog(colour))
        return false;
    BeginChange(elements, QStringLiteral("Cancel colour change"));
    for (TGElem* e : elements)
        e->SetColor(colour);
    EndChange(true);
    Repaint();
    return true;
}

std::unique_ptr<QMenu> TGraph::SelectionMenu()
{
    auto menu = std::make_unique<QMenu>(this);
    std::vector<TGObjectType> types;
    for (const TGElem* e : FSelection)
        if (std::find(types.begin(), types.end(), e->ObjectType()) == types.end())
            types.push_back(e->ObjectType());
    std::sort(types.begin(), types.end());
    const auto duplicate = [this](TGObjectType type) {
        SelectOnly(SelectedOfType(type));
        DuplicateSelection();
    };
    const auto remove = [this](TGObjectType type) {
        SelectOnly(SelectedOfType(type));
        DeleteSelection();
    };
    const auto colour = [this](TGObjectType type) { ColourSelection(type); };
    const std::pair<QString, std::function<void(TGObjectType)>> actions[] = {
        {QStringLiteral("Colour"), colour},
        {QStringLiteral("Duplicate"), duplicate},
        {QStringLiteral("Delete"), remove},
    };
    for (const auto& [caption, act] : actions) {
        if (types.size() <= 1) {
            const auto run = act;
            menu->addAction(caption, this, [run] { run(obNone); });
            continue;
        }
        // Several types: "All" and one entry per type.
        QMenu* sub = menu->addMenu(caption);
        const auto run = act;
        sub->addAction(QStringLiteral("All"), this, [run] { run(obNone); });
        for (const TGObjectType type : types)
            sub->addAction(TypeName(type), this, [run, type] { run(type); });
    }
    int bendable = 0;
    for (const TGElem* e : FSelection)
        if (e->ObjectType() == obArc || e->ObjectType() == obCercle || e->ObjectType() == obEllipse)
            ++bendable;
    if (bendable == 1)
        menu->addAction(QStringLiteral("Bend the arc, the circle or the ellipse"), this,
                        [this] { SetTool(gtCurveArc, true); });
    if (std::find(types.begin(), types.end(), obVecteur) != types.end())
        menu->addAction(QStringLiteral("Change direction"), this, [this] { ReverseSelection(); });
    return menu;
}

void TGraph::ShowSelectionMenu()
{
    std::unique_ptr<QMenu> menu = SelectionMenu();
    if (OnSelectionMenu)
        OnSelectionMenu(*menu);
    else
        menu->exec(QCursor::pos());
}

void TGraph::BeginChange(const std::vector<TGElem*>& elements, const QString& caption)
{
    FPending = THistoryGroup();
    FPending.Caption = caption;
    FDragChanged = false;
    for (TGElem* e : elements) {
        THistoryEntry entry;
        entry.Kind = hkChanged;
        entry.Target = e;
        entry.Element = e->Clone();
        if (entry.Element)
            FPending.Entries.push_back(std::move(entry));
    }
}

void TGraph::EndChange(bool changed)
{
    if (changed && !FPending.Entries.empty())
        FHistory.push_back(std::move(FPending));
    FPending = THistoryGroup();
    FDragChanged = false;
}

void TGraph::PushAdded(const std::vector<TGElem*>& elements, const QString& caption)
{
    THistoryGroup group;
    group.Caption = caption;
    for (TGElem* e : elements) {
        THistoryEntry entry;
        entry.Kind = hkAdded;
        entry.Target = e;
        group.Entries.push_back(std::move(entry));
    }
    FHistory.push_back(std::move(group));
}

void TGraph::DropHistory(const std::function<bool(const TGElem*)>& gone)
{
    FHistory.erase(std::remove_if(FHistory.begin(), FHistory.end(),
                                  [&](const THistoryGroup& g) {
                                      return std::any_of(
                                          g.Entries.begin(), g.Entries.end(),
                                          [&](const THistoryEntry& e) { return gone(e.Target); });
                                  }),
                   FHistory.end());
    FPending = THistoryGroup();
}

void TGraph::Undo()
{
    // A drag under way ends here, so that its change is the one undone.
    if (FDrag == dgMoveSelection || FDrag == dgHandle || FDrag == dgBend) {
        EndChange(FDragChanged);
        FDrag = dgNone;
        FDragElement = nullptr;
        FBulle->hide();
    }
    if (FHistory.empty())
        return;
    THistoryGroup group = std::move(FHistory.back());
    FHistory.pop_back();
    // The last change first.
    for (auto it = group.Entries.rbegin(); it != group.Entries.rend(); ++it) {
        switch (it->Kind) {
        case hkRemoved: {
            TGElem* e = it->Element.get();
            const std::size_t index = std::min(it->Index, FElements.size());
            FElements.insert(FElements.begin() + std::ptrdiff_t(index), std::move(it->Element));
            Register(e, e->UserMade ? e->Anchor : e->CurveIndex);
            break;
        }
        case hkAdded: {
            auto found = std::find_if(FElements.begin(), FElements.end(),
                                      [&](const auto& p) { return p.get() == it->Target; });
            if (found != FElements.end()) {
                DetachElement(it->Target);
                FElements.erase(found);
            }
            break;
        }
        case hkChanged:
            it->Target->CopyShape(*it->Element);
            break;
        }
    }
    Repaint();
}

QString TGraph::UndoCaption() const
{
    return FHistory.empty() ? QString() : FHistory.back().Caption;
}

QStringList TGraph::SaveConstructs() const
{
    QStringList lines;
    for (const auto& e : FElements)
        if (e->UserMade)
            if (const QString line = ConstructToLine(*e); !line.isEmpty())
                lines << line;
    return lines;
}

bool TGraph::LoadConstructs(const QStringList& lines)
{
    ClearConstructs();
    bool whole = true;
    for (const QString& line : lines) {
        std::unique_ptr<TGElem> e = ConstructFromLine(line);
        if (!e) {
            whole = false;
            continue;
        }
        const int anchor = e->Anchor;
        AddElement(std::move(e), anchor);
    }
    Repaint();
    return whole;
}

void TGraph::ClearConstructs()
{
    CancelConstruction();
    DropHistory([](const TGElem* e) { return e->UserMade; });
    for (auto& e : FElements)
        if (e->UserMade)
            DetachElement(e.get());
    FElements.erase(
        std::remove_if(FElements.begin(), FElements.end(), [](const auto& e) { return e->UserMade; }),
        FElements.end());
    Repaint();
}

void TGraph::DeleteFreeConstructs()
{
    THistoryGroup group;
    group.Caption = QStringLiteral("Cancel deletion");
    for (std::size_t i = 0; i < FElements.size();) {
        TGElem* e = FElements[i].get();
        if (!e->UserMade || e->CurveIndex >= 0) {
            ++i;
            continue;
        }
        DetachElement(e);
        THistoryEntry entry;
        entry.Kind = hkRemoved;
        entry.Target = e;
        entry.Index = i;
        entry.Element = std::move(FElements[i]);
        FElements.erase(FElements.begin() + std::ptrdiff_t(i));
        group.Entries.push_back(std::move(entry));
    }
    if (group.Entries.empty())
        return;
    FHistory.push_back(std::move(group));
    Repaint();
}

void TGraph::Clear()
{
    // The user's elements stay, out of every curve and scale until the page brings them back. Their
    // vectors let go of the data's vectors before those go.
    for (auto& e : FElements)
        if (e->UserMade)
            if (auto* v = dynamic_cast<TGVecteur*>(e.get()))
                v->Detach();
    DropHistory([](const TGElem* e) { return !e->UserMade; });
    for (auto& g : FHistory)
        for (auto& entry : g.Entries)
            if (auto* v = dynamic_cast<TGVecteur*>(entry.Element.get()); v && entry.Kind == hkRemoved)
                v->Scale = nullptr;
    std::vector<std::unique_ptr<TGElem>> kept;
    for (auto& e : FElements)
        if (e->UserMade) {
            if (auto* v = dynamic_cast<TGVecteur*>(e.get()))
                v->Scale = nullptr;
            e->Selected = false;
            kept.push_back(std::move(e));
        }
    FSelection.clear();
    FScales.clear();
    FCurrentScale = -1;
    FElements.clear();
    FCurves.clear();
    FFreeCurve = TCourbe();
    FFreeCurve.SetPlotRect(PlotRect());
    FFreeCurve.SetWorld(FWorld);
    FElements.reserve(3104);
    FCurves.reserve(16);
    FScales.reserve(8);
    FSelection.reserve(1024);
    CancelConstruction();
    FDrag = dgNone;
    FDragElement = nullptr;
    ShowModelHint(QString(), QPoint());
    FBulle->hide();
    for (auto& e : kept)
        AddElement(std::move(e), -1);
    Repaint();
}

// ----------------------------------------------------------------------------------------------------
// Models and the value bubble

std::vector<TGModele*> TGraph::Models() const
{
    std::vector<TGModele*> models;
    for (const auto& e : FElements)
        if (e->ObjectType() == obModele)
            models.push_back(static_cast<TGModele*>(e.get()));
    return models;
}

void TGraph::UpdateModelPanels()
{
    for (TGModele* m : Models())
        m->UpdatePanel(FTool, IsShowModeleurEqua, IsShowModeleurStat);
    Repaint();
}

void TGraph::ShowBubble(const QStringList& lines)
{
    if (BullePlace == bpNone || lines.isEmpty()) {
        FBulle->hide();
        return;
    }
    if (FBulle->Place() != BullePlace)
        FBulle->SetPlace(BullePlace);
    FBulle->ShowValues(lines);
}

QString TGraph::ModelHintAt(QPoint pixel) const
{
    for (TGModele* m : Models())
        if (m->ModelZone(pixel) != NoZone)
            return m->ModelHint();
    return QString();
}

void TGraph::ShowModelHint(const QString& text, QPoint at)
{
    const bool same = text == FModelHint;
    FModelHint = text;
    if (!isVisible())
        return;
    if (text.isEmpty()) {
        if (!same)
            QToolTip::hideText();
        return;
    }
    // Shown again when the tip went away (its time ran out, or another tip replaced it).
    if (same && QToolTip::isVisible() && QToolTip::text() == text)
        return;
    QToolTip::showText(mapToGlobal(at), text, this);
}

// ----------------------------------------------------------------------------------------------------
// Curves and scales

int TGraph::ScaleIndexOfKey(int key) const
{
    for (std::size_t i = 0; i < FScales.size(); ++i)
        if (FScales[i]->Key == key)
            return int(i);
    return -1;
}

TParamCom* TGraph::CurrentScale() const
{
    return FCurrentScale >= 0 && FCurrentScale < int(FScales.size())
               ? FScales[std::size_t(FCurrentScale)].get()
               : nullptr;
}

int TGraph::AddCurve(const TPointDDynArray& points, int hiddenEdge, const TIntegerDynArray& numbers,
                     const TIntegerDynArray& vectorEdges, const QStringList& unitTexts,
                     const TIntegerDynArray& scaleKeys, const std::vector<TPointDDynArray>& vectorFamilies)
{
    // The user's elements at the end of the list stay drawn over the data.
    const std::size_t before = FElements.size();
    std::size_t trailing = 0;
    while (trailing < before && FElements[before - 1 - trailing]->UserMade)
        ++trailing;
    for (std::size_t f = 0; f < scaleKeys.size(); ++f) {
        if (ScaleIndexOfKey(scaleKeys[f]) >= 0)
            continue;
        auto scale = std::make_unique<TParamCom>();
        scale->Key = scaleKeys[f];
        scale->UnitText = f < std::size_t(unitTexts.size()) ? unitTexts[qsizetype(f)] : QString();
        scale->ArrowPixels = FArrowPixels;
        scale->PlotWidthPx = PlotWidth();
        FScales.push_back(std::move(scale));
        if (FCurrentScale < 0)
            FCurrentScale = 0;
        // The user's vectors of this key get their scale back.
        for (auto& e : FElements)
            if (e->UserMade)
                if (auto* v = dynamic_cast<TGVecteur*>(e.get()); v && !v->Scale) {
                    CurveOf(v->CurveIndex).Remove(v);
                    Register(v, v->CurveIndex);
                }
    }
    auto curve = std::make_unique<TCourbe>();
    curve->SetPlotRect(PlotRect());
    curve->SetWorld(FWorld);
    FCurves.push_back(std::move(curve));
    const int index = int(FCurves.size()) - 1;
    TCourbe& c = *FCurves.back();
    const int N = int(points.size()) - 1;
    // The user's elements drawn from this curve's points join it again. While a page is rebuilt they are
    // the last ones of the list, so that building a large page does not go through the data again.
    for (std::size_t i = before - trailing; i < before; ++i)
        if (TGElem* e = FElements[i].get(); e->Anchor == index && e->CurveIndex < 0) {
            FFreeCurve.Remove(e);
            e->CurveIndex = index;
            c.Add(e);
        }

    for (int i = 0; i <= N; ++i) {
        auto p = std::make_unique<TGPoint>(points[std::size_t(i)].x(), points[std::size_t(i)].y(), PlotRect(),
                                           FWorld);
        p->Number = i < int(numbers.size()) ? numbers[std::size_t(i)] : i + 1;
        p->Color = c.DefaultColors[TCourbe::kPoints];
        p->Shape = c.PointShape;
        p->NumberPlace = c.NumberPlace;
        p->Label = c.ShowDefaults[TCourbe::kNumbers];
        p->SetHidden(i < hiddenEdge || i > N - hiddenEdge);
        AddElement(std::move(p), index);
    }
    for (int i = 0; i < N; ++i) {
        auto s = std::make_unique<TGSegment>();
        s->Created = true;
        s->Color = c.DefaultColors[TCourbe::kSegments];
        s->PlotRect = PlotRect();
        s->World = FWorld;
        s->AddPoint(points[std::size_t(i)].x(), points[std::size_t(i)].y());
        s->AddPoint(points[std::size_t(i) + 1].x(), points[std::size_t(i) + 1].y());
        s->SetHidden(i < hiddenEdge || i > N - hiddenEdge - 1);
        AddElement(std::move(s), index);
    }
    if (N >= 1) {
        auto spline = std::make_unique<TGSpline>();
        spline->Created = true;
        spline->Color = c.DefaultColors[TCourbe::kSplines];
        spline->PlotRect = PlotRect();
        spline->World = FWorld;
        for (const QPointF& p : points)
            spline->AddPoint(p.x(), p.y());
        AddElement(std::move(spline), index);
    }
    for (std::size_t f = 0; f < vectorFamilies.size() && f < scaleKeys.size(); ++f) {
        TParamCom* scale = FScales[std::size_t(ScaleIndexOfKey(scaleKeys[f]))].get();
        const TPointDDynArray& family = vectorFamilies[f];
        const int last = std::min(int(family.size()), N + 1) - 1;
        const int edge = f < vectorEdges.size() ? vectorEdges[f] : 0;
        if (c.ScaleKey < 0)
            c.ScaleKey = scaleKeys[f];
        for (int i = 0; i <= last; ++i) {
            auto v = std::make_unique<TGVecteur>();
            v->Created = true;
            v->Color = c.DefaultColors[TCourbe::kVecteurs];
            v->Scale = scale;
            v->ScaleKey = scale->Key;
            v->PlotRect = PlotRect();
            v->World = FWorld;
            v->SetOrigin(points[std::size_t(i)].x(), points[std::size_t(i)].y());
            v->SetComponents(family[std::size_t(i)].x(), family[std::size_t(i)].y());
            v->SetHidden(i < edge || i > last - edge);
            AddElement(std::move(v), index);
        }
    }
    // The model of the series, fitted to the points without the hidden ends; invisible until a kind is
    // chosen.
    auto model = std::make_unique<TGModele>(this);
    model->Created = true;
    std::vector<double> mx, my;
    for (int i = std::max(0, hiddenEdge); i <= N - hiddenEdge; ++i) {
        mx.push_back(points[std::size_t(i)].x());
        my.push_back(points[std::size_t(i)].y());
    }
    model->SetData(std::move(mx), std::move(my));
    model->SetNames(c.AbscissaName, c.OrdinateName);
    model->OnChange = [this] { Repaint(); };
    AddElement(std::move(model), index)->SetVisible(false);
    if (trailing > 0)
        std::rotate(FElements.begin() + std::ptrdiff_t(before - trailing),
                    FElements.begin() + std::ptrdiff_t(before), FElements.end());
    Repaint();
    return index;
}

void TGraph::SetCurveVisible(int curve, int kind, bool visible, int which)
{
    TCourbe& c = CurveOf(curve);
    const int first = kind < 0 ? 0 : kind;
    const int last = kind < 0 ? TCourbe::KindCount - 1 : kind;
    for (int k = std::max(0, first); k <= last && k < TCourbe::KindCount; ++k) {
        const bool split = k == TCourbe::kSegments || k == TCourbe::kSplines || k == TCourbe::kVecteurs;
        if (!split || (which & 2))
            c.ShowDefaults[k] = visible;
        if (split && (which & 1))
            c.ShowAdded[k] = visible;
        if (!split && (which & 1))
            c.ShowAdded[k] = visible;
        c.ApplyVisibility(k);
    }
    Repaint();
}

void TGraph::SetAllCurvesVisible(int kind, bool visible, int which)
{
    for (std::size_t i = 0; i < FCurves.size(); ++i)
        SetCurveVisible(int(i), kind, visible, which);
    SetCurveVisible(-1, kind, visible, which);
}

void TGraph::SetCurveProperty(int curve, int kind, const QVariant& value, int which, int property)
{
    TCourbe& c = CurveOf(curve);
    if (kind < 0 || kind >= TCourbe::KindCount)
        return;
    const bool split = kind == TCourbe::kSegments || kind == TCourbe::kSplines || kind == TCourbe::kVecteurs;
    switch (property) {
    case 0: {
        if (kind == TCourbe::kModele)
            return;
        const TColor colour = TColor(value.toInt());
        if (!split || (which & 2))
            c.DefaultColors[kind] = colour;
        if (split && (which & 1))
            c.AddedColors[kind] = colour;
        if (kind == TCourbe::kNumbers) {
            for (TGElem* e : c.Lists[TCourbe::kPoints])
                static_cast<TGPoint*>(e)->NumberColor = colour;
            break;
        }
        for (TGElem* e : c.Lists[kind]) {
            const bool user = e->UserMade;
            if (!split || (user && (which & 1)) || (!user && (which & 2)))
                e->SetColor(colour);
        }
        break;
    }
    case 1:
    case 2:
        if (property == 1)
            c.AbscissaName = value.toString();
        else
            c.OrdinateName = value.toString();
        if (c.Modele)
            static_cast<TGModele*>(c.Modele)->SetNames(c.AbscissaName, c.OrdinateName);
        break;
    case 4:
        if (kind == TCourbe::kNumbers) {
            c.NumberPlace = TNumberPlace(std::clamp(value.toInt(), 0, 2));
            for (TGElem* e : c.Lists[TCourbe::kPoints])
                static_cast<TGPoint*>(e)->NumberPlace = c.NumberPlace;
        }
        break;
    case 6:
        if (kind == TCourbe::kModele) {
            // The model kind: the curve's model takes it and is fitted.
            c.ModelOption = std::uint8_t(std::clamp(value.toInt(), 0, int(mkNone)));
            if (c.Modele)
                static_cast<TGModele*>(c.Modele)->SetModelKind(c.ModelOption);
            UpdateModelPanels();
        } else if (kind == TCourbe::kPoints) {
            c.PointShape = TMotif(std::clamp(value.toInt(), 0, MotifCount - 1));
            for (TGElem* e : c.Lists[TCourbe::kPoints])
                static_cast<TGPoint*>(e)->Shape = c.PointShape;
        }
        break;
    default:
        break;
    }
    Repaint();
}

void TGraph::SelectScale(int index)
{
    if (index < 0 || index >= int(FScales.size()))
        return;
    FCurrentScale = index;
    const TParamCom* current = FScales[std::size_t(index)].get();
    for (auto& e : FElements) {
        auto* v = dynamic_cast<TGVecteur*>(e.get());
        if (!v)
            continue;
        const TCourbe& c = CurveOf(v->CurveIndex);
        const bool flag = v->UserMade ? c.ShowAdded[TCourbe::kVecteurs] : c.ShowDefaults[TCourbe::kVecteurs];
        v->SetVisible(v->Scale == current && flag && c.Active);
    }
    Repaint();
}

void TGraph::InitCurrentScale()
{
    TParamCom* scale = CurrentScale();
    if (!scale)
        return;
    double largest = 0.0;
    // The data's vectors only: a vector the user drew does not set the scale.
    for (const TGVecteur* v : scale->Vectors)
        if (!v->UserMade && std::isfinite(v->VectorNorm))
            largest = std::max(largest, v->VectorNorm);
    scale->PlotWidthPx = PlotWidth();
    scale->InitScale(largest);
    Repaint();
}

bool TGraph::SetVectorNorm(double value)
{
    TParamCom* scale = CurrentScale();
    const bool accepted = scale && scale->SetNorm(value);
    if (accepted)
        Repaint();
    return accepted;
}

double TGraph::VectorScaleValue() const
{
    const TParamCom* scale = CurrentScale();
    return scale ? scale->Norm : 0.0;
}

void TGraph::SetVideoImage(QPointF origin, QSizeF size, const QImage& bitmap, bool flipX, bool flipY,
                           double angle)
{
    FSourceImg.PlotRect = PlotRect();
    FSourceImg.World = FWorld;
    FSourceImg.Load(origin, size, bitmap, flipX, flipY, angle);
    Repaint();
}

// ----------------------------------------------------------------------------------------------------
// Painting

void TGraph::Repaint()
{
    update();
}

void TGraph::PaintScales(QPainter& painter) const
{
    QFont font(QStringLiteral("Arial"));
    font.setPointSize(8);
    painter.setFont(font);
    const QFontMetrics metrics(font, painter.device());
    const int L = FArrowPixels;
    if (IsDessinerEchelleDistances && PlotWidth() > 0) {
        const int right = FWidth - 20;
        const int left = right - L;
        painter.setPen(QPen(Qt::black, 1));
        painter.drawLine(left, 20, right, 20);
        painter.drawLine(left, 16, left, 24);
        painter.drawLine(right, 16, right, 24);
        const double length = L * (FWorld.XMax - FWorld.XMin) / PlotWidth();
        const QString text = GeneralText(length, 3) + QStringLiteral(" m");
        painter.drawText(QRect(left - 40, 5, L + 80, metrics.height()), Qt::AlignHCenter | Qt::AlignTop,
                         text);
    }
    const TParamCom* scale = CurrentScale();
    if (IsDessinerEchelleVecteurs && scale) {
        painter.setPen(QPen(Qt::black, 1));
        painter.drawLine(20, 20, 20 + L, 20);
        painter.drawLine(20 + L, 20, 20 + L - 8, 16);
        painter.drawLine(20 + L, 20, 20 + L - 8, 24);
        const QString text = GeneralText(VectorScaleValue(), 4) + QLatin1Char(' ') + scale->UnitText;
        painter.drawText(QRect(20 - 40, 5, L + 80, metrics.height()), Qt::AlignHCenter | Qt::AlignTop, text);
    }
}

void TGraph::Paint(QPainter& painter, bool vectorTarget) const
{
    painter.save();
    QFont base(QStringLiteral("Arial"));
    base.setPointSize(10);
    painter.setFont(base);
    const QRect plot = PlotRect();
    const QSize control(FWidth, FHeight);
    const TPaintContext context{ElementSize, VectorValues, vectorTarget};

    // 1. The plot's background.
    if (plot.width() > 0 && plot.height() > 0) {
        if (vectorTarget || FGradient.size() != plot.size()) {
            const QPointF centre = QRectF(plot).center();
            QRadialGradient gradient(centre, std::hypot(plot.width() / 2.0, plot.height() / 2.0));
            gradient.setColorAt(0, ToQColor(FColorBegin));
            gradient.setColorAt(1, ToQColor(FColorEnd));
            painter.fillRect(plot, gradient);
        } else {
            painter.drawImage(plot.topLeft(), FGradient);
        }
    }
    // 2. Top and right margins.
    const QColor band = ToQColor(ColorAxe);
    painter.fillRect(QRect(0, 0, FWidth, FTop), band);
    painter.fillRect(QRect(plot.left() + plot.width(), 0, FWidth - plot.left() - plot.width(), FHeight),
                     band);
    // 3. The video image.
    painter.save();
    painter.setClipRect(plot);
    FSourceImg.Draw(painter, context);
    painter.restore();
    // 4. Axes.
    TAxe axeX = FAxeX;
    TAxe axeY = FAxeY;
    axeX.Title = TitreAxeX;
    axeY.Title = TitreAxeY;
    axeX.TitleFromEdge = TitreAxeXFromEdge;
    axeY.TitleFromEdge = TitreAxeYFromEdge;
    axeX.Visible = IsAxeXVisible;
    axeY.Visible = IsAxeYVisible;
    axeX.BandColor = ColorAxe;
    axeY.BandColor = ColorAxe;
    if (plot.width() > 0 && plot.height() > 0) {
        axeX.Draw(painter, plot, control);
        axeY.Draw(painter, plot, control);
    }
    // 5, 6. Origin mark and elements, clipped to the plot.
    painter.save();
    painter.setClipRect(plot);
    if (IsOrigineVisible) {
        TGPoint origin = FOrigine;
        origin.Visible = true;
        origin.Draw(painter, context);
    }
    for (const auto& e : FElements)
        e->Draw(painter, context);
    // 7. Zoom rubber band.
    painter.setPen(QPen(QColor(128, 128, 128), 1, Qt::DotLine));
    painter.setBrush(Qt::NoBrush);
    if (FZoom.Active)
        painter.drawRect(FZoom.Band.normalized());
    // 8. Selection rectangle of the selecting tools, the figure being drawn.
    if (FDrag == dgRubber && FTool != gtZoom && !FSelectBand.isNull())
        painter.drawRect(FSelectBand.normalized());
    if (IsConstructionTool(FTool) && !FConstruction.empty()) {
        std::vector<QPointF> world = FConstructionWorld;
        world.push_back(PixelToWorld(FMouse.x(), FMouse.y()));
        // An angle with its first arm only shows that arm.
        const int tool = FTool == gtAngle && world.size() < 3 ? int(gtSegment) : FTool;
        if (std::unique_ptr<TGElem> figure = MakeConstruct(tool, world, FConstructionAnchor)) {
            figure->Selected = true; // drawn dotted, with its handles
            figure->Draw(painter, context);
        }
    }
    painter.restore();
    // 9, 10. Distance and vector scales.
    PaintScales(painter);
    // 12, 13. The value bubble and the model panels, so that copies and exports include them.
    if (!FBulle->isHidden()) {
        painter.save();
        painter.translate(FBulle->pos());
        FBulle->DrawBubble(painter);
        painter.restore();
    }
    for (const auto& e : FElements)
        if (e->ObjectType() == obModele)
            if (const TModeleur* panel = static_cast<const TGModele&>(*e).Panel();
                panel && !panel->isHidden()) {
                painter.save();
                painter.translate(panel->pos());
                panel->DrawPanel(painter);
                painter.restore();
            }
    // 11. Frames, on the screen's bitmap only.
    if (!vectorTarget) {
        painter.setPen(QPen(Qt::black, 1));
        painter.setBrush(Qt::NoBrush);
        if (plot.width() > 0 && plot.height() > 0)
            painter.drawRect(plot.adjusted(-1, -1, 0, 0));
        if (FWidth > 1 && FHeight > 1) {
            painter.setPen(Qt::white);
            painter.drawLine(0, 0, FWidth - 1, 0);
            painter.drawLine(0, 0, 0, FHeight - 1);
            painter.setPen(QColor(128, 128, 128));
            painter.drawLine(FWidth - 1, 0, FWidth - 1, FHeight - 1);
            painter.drawLine(0, FHeight - 1, FWidth - 1, FHeight - 1);
        }
    }
    painter.restore();
}

QImage TGraph::RenderImage() const
{
    QImage image(std::max(1, FWidth), std::max(1, FHeight), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::white);
    QPainter painter(&image);
    Paint(painter, false);
    return image;
}

void TGraph::RenderTo(QPaintDevice& device, bool vectorTarget) const
{
    QPainter painter(&device);
    if (!painter.isActive())
        return;
    Paint(painter, vectorTarget);
}

QByteArray TGraph::ToSvg() const
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QSvgGenerator generator;
    generator.setOutputDevice(&buffer);
    generator.setSize(QSize(FWidth, FHeight));
    generator.setViewBox(QRect(0, 0, FWidth, FHeight));
    generator.setResolution(VectorDpi);
    generator.setTitle(QStringLiteral("Graph"));
    RenderTo(generator, true);
    return bytes;
}

bool TGraph::SaveToFile(const QString& fileName) const
{
    const QString suffix = QFileInfo(fileName).suffix().toLower();
    if (suffix == QLatin1String("svg")) {
        const QByteArray svg = ToSvg();
        QFile file(fileName);
        if (svg.isEmpty() || !file.open(QIODevice::WriteOnly))
            return false;
        return file.write(svg) == svg.size();
    }
    if (suffix == QLatin1String("pdf")) {
        QFile probe(fileName);
        if (!probe.open(QIODevice::WriteOnly))
            return false;
        probe.close();
        QPdfWriter writer(fileName);
        writer.setResolution(VectorDpi);
        writer.setPageMargins(QMarginsF(0, 0, 0, 0));
        writer.setPageSize(
            QPageSize(QSizeF(FWidth * 72.0 / VectorDpi, FHeight * 72.0 / VectorDpi), QPageSize::Point));
        QPainter painter(&writer);
        if (!painter.isActive())
            return false;
        Paint(painter, true);
        return painter.end();
    }
    if (suffix == QLatin1String("png") || suffix == QLatin1String("bmp"))
        return RenderImage().save(fileName, suffix == QLatin1String("png") ? "PNG" : "BMP");
    return false;
}

bool TGraph::CopyToClipboard() const
{
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (!clipboard)
        return false;
    auto* mime = new QMimeData;
    mime->setImageData(RenderImage());
    mime->setData(QStringLiteral("image/svg+xml"), ToSvg());
    clipboard->setMimeData(mime);
    return true;
}

// ----------------------------------------------------------------------------------------------------
// Widget events: routing only

void TGraph::paintEvent(QPaintEvent*)
{
    const QImage buffer = RenderImage();
    QPainter painter(this);
    painter.drawImage(0, 0, buffer);
}

void TGraph::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    if (FSuspended == 0 && (width() != FWidth || height() != FHeight))
        SetBounds(width(), height());
}

void TGraph::mousePressEvent(QMouseEvent* event)
{
    const QPoint p = event->position().toPoint();
    MouseDown(event->button(), event->modifiers(), p.x(), p.y());
}

void TGraph::mouseMoveEvent(QMouseEvent* event)
{
    const QPoint p = event->position().toPoint();
    MouseMove(event->modifiers(), p.x(), p.y());
}

void TGraph::mouseReleaseEvent(QMouseEvent* event)
{
    const QPoint p = event->position().toPoint();
    MouseUp(event->button(), event->modifiers(), p.x(), p.y());
}

void TGraph::mouseDoubleClickEvent(QMouseEvent* event)
{
    const QPoint p = event->position().toPoint();
    MouseDoubleClick(event->button(), event->modifiers(), p.x(), p.y());
}

void TGraph::leaveEvent(QEvent* event)
{
    QWidget::leaveEvent(event);
    MouseLeave();
}

bool TGraph::event(QEvent* event)
{
    // The widget's own tooltip is the tool's instruction. When the pointer rests over a model curve with
    // the information tool, or while a measure is shown, that text must not replace the information.
    if (event->type() == QEvent::ToolTip) {
        const auto* help = static_cast<QHelpEvent*>(event);
        const QString text = FTool == gtModeleInfo ? ModelHintAt(help->pos()) : FModelHint;
        if (!text.isEmpty()) {
            FModelHint = text;
            QToolTip::showText(help->globalPos(), text, this);
            return true;
        }
    }
    return QWidget::event(event);
}

void TGraph::keyPressEvent(QKeyEvent* event)
{
    if (!KeyDown(event->key(), event->modifiers()))
        QWidget::keyPressEvent(event);
}
