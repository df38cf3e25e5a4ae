// The "Automatic marking" mode of the video view: outlines, zones to ignore, the run and its drawing.
#include "video/UnitVideoTracking.h"

#include "common/UnitOptions.h"
#include "common/UnitUserDlg.h"
#include "measurement/UnitData.h"
#include "video/UnitVideo.h"

#include <QCoreApplication>
#include <QPainter>
#include <algorithm>
#include <cmath>

namespace {

TPointRel Rel(const QPointF& p)
{
    return {p.x(), p.y()};
}

QPointF RelF(const TPointRel& p)
{
    return {p.X, p.Y};
}

} // namespace

std::vector<QPoint> MidpointCircle(int r)
{
    if (r <= 0)
        return {QPoint(0, 0)};
    std::vector<QPoint> points;
    int x = 0, y = r, d = 1 - r;
    while (x <= y) {
        for (const QPoint& p : {QPoint(x, y), QPoint(y, x), QPoint(-x, y), QPoint(-y, x), QPoint(x, -y),
                                QPoint(y, -x), QPoint(-x, -y), QPoint(-y, -x)})
            points.push_back(p);
        ++x;
        if (d < 0) {
            d += 2 * x + 1;
        } else {
            --y;
            d += 2 * (x - y) + 1;
        }
    }
    // The octants are produced side by side; ordered by angle they follow each other round the circle.
    std::sort(points.begin(), points.end(), [](const QPoint& a, const QPoint& b) {
        const double ta = std::atan2(a.y(), a.x()), tb = std::atan2(b.y(), b.x());
        return ta != tb ? ta < tb : (a.x() * a.x() + a.y() * a.y()) < (b.x() * b.x() + b.y() * b.y());
    });
    points.erase(std::unique(points.begin(), points.end()), points.end());
    return points;
}

TVideoTracking::TVideoTracking(TVideo& view) : FView(view)
{
    Driver.OnToolChange = [this] {
        if (OnToolChange)
            OnToolChange();
    };
    Driver.OnTrackingStart = [this] {
        if (OnTrackingStart)
            OnTrackingStart();
    };
    Driver.OnTrackingStop = [this] {
        if (OnTrackingStop)
            OnTrackingStop();
    };
    Driver.FrameAt = [this](int position) { return GrabFrame(position); };
    Driver.VideoFrameOf = [this](int position) { return FView.FrameAt(position); };
    Driver.OnTrackingProgress = [this](int position, int percent) { Progress(position, percent); };
}

void TVideoTracking::ApplyOptions(const TOptions& options, bool withRadius)
{
    Driver.ApplyOptions(options, withRadius);
    FView.update();
}

int TVideoTracking::Objects() const
{
    return FData ? std::max(FData->NbObjets(), 1) : 1;
}

QColor TVideoTracking::ObjectColour(int object) const
{
    return ToQColor(FData ? FData->ObjectColour(object) : clRed);
}

// ----------------------------------------------------------------------------------------------------
// Life cycle

void TVideoTracking::Enter()
{
    if (Driver.Running)
        return;
    Driver.Reset(Objects(), FView.FrameCountVisible());
    CancelDrawing();
    FReport.clear();
    SetTool(1);
}

void TVideoTracking::Leave(TModeVideo to)
{
    Stop();
    CancelDrawing();
    if (to != mvNone)
        OfferResults();
    SetTool(0);
}

void TVideoTracking::VideoChanged()
{
    CancelDrawing();
    FReport.clear();
    if (Driver.Running) {
        // The run notices at its next frame; its arrays are emptied once it has returned.
        Driver.Running = false;
        FResetAfterRun = true;
        return;
    }
    Driver.Reset(Objects(), FView.IsOpen() ? FView.FrameCountVisible() : 0);
}

void TVideoTracking::ObjectsChanged()
{
    if (Driver.Running) {
        FResizeAfterRun = true;
        return;
    }
    CancelDrawing();
    Driver.ResizeObjects(Objects());
    FView.CursorRefresh();
    FView.update();
}

// ----------------------------------------------------------------------------------------------------
// Commands

void TVideoTracking::SetTool(int tool)
{
    if (tool != 0)
        CancelDrawing();
    Driver.SetTool(tool);
    FView.CursorRefresh();
    FView.update();
}

void TVideoTracking::SetShape(int shape)
{
    EraseOutline();
    Driver.Shape = static_cast<std::uint8_t>(std::clamp(shape, 0, 2));
    FView.update();
}

void TVideoTracking::SetSearchRadius(int radius)
{
    Driver.SetSearchRadius(radius);
    FView.update();
}

void TVideoTracking::SetShowSearchZone(bool show)
{
    Driver.ShowSearchZone = show;
    FView.update();
}

void TVideoTracking::SetObjectIndex(int index)
{
    if (Driver.Running)
        return;
    CancelDrawing();
    Driver.SetObjectIndex(index);
    FView.CursorRefresh();
    FView.update();
}

bool TVideoTracking::CanDefineSequence()
{
    return Driver.CanDefineSequence();
}

void TVideoTracking::SetLastFrame(int position)
{
    Driver.SetLastFrame(position);
}

void TVideoTracking::Stop()
{
    Driver.Running = false;
}

void TVideoTracking::StartStop()
{
    if (Driver.Running) {
        Driver.StartStop();
        return;
    }
    if (!Driver.CanStart(FView.IsOpen(), FDrawState == 2))
        return;
    FReport.clear();
    Driver.FrameStep = FData ? std::max(FData->FramesNumberBetweenTwoMarks, 1) : 1;
    Driver.FramesPerSecond = FView.Sources().FramesPerSecond();
    FView.Sources().Stop();
    Driver.StartStop();
    RunEnded();
}

void TVideoTracking::RunEnded()
{
    if (FResetAfterRun || FResizeAfterRun) {
        const bool reset = FResetAfterRun;
        FResetAfterRun = FResizeAfterRun = false;
        if (reset)
            Driver.Reset(Objects(), FView.IsOpen() ? FView.FrameCountVisible() : 0);
        else
            Driver.ResizeObjects(Objects());
        FView.update();
        return;
    }
    const QString end = Driver.EndMessage(1);
    const QString doubtful = Driver.DoubtfulText(Driver.ObjectIndex);
    QStringList lines;
    if (!end.isEmpty())
        lines << end;
    if (!doubtful.isEmpty())
        lines << doubtful;
    FReport = lines.join(QLatin1Char('\n'));
    FView.update();
    // A run stopped by leaving the mode says nothing more: the offer of the results has been made.
    if (!lines.isEmpty() && FView.Mode() == mvTracking) {
        if (!end.isEmpty() && !doubtful.isEmpty())
            lines.insert(1, QString());
        TUserDlg::Instance().Message(end.isEmpty() ? icInformation : icWarning, lines);
    }
}

void TVideoTracking::EraseOutline()
{
    if (Driver.Running)
        return;
    if (FDrawState != 0) {
        CancelDrawing();
    } else {
        Driver.EraseOutline();
        FPending.clear();
        FHasLastPoint = false;
    }
    FView.update();
}

void TVideoTracking::EraseTracks()
{
    if (Driver.Running || Driver.Objects == 0)
        return;
    const int k = Driver.ObjectIndex;
    if (Driver.OutlineCount[k] > 0)
        FView.GoToPosition(Driver.OutlineFrame[k]);
    Driver.EraseTracks();
    FView.update();
}

void TVideoTracking::EraseLastZone()
{
    if (Driver.Running)
        return;
    if (FDrawState == 1)
        CancelDrawing();
    else
        Driver.EraseLastZone();
    FView.update();
}

void TVideoTracking::EraseZones()
{
    Driver.EraseZones();
    FView.update();
}

void TVideoTracking::EraseAll()
{
    if (Driver.Running)
        return;
    CancelDrawing();
    Driver.EraseAll();
    FView.update();
}

int TVideoTracking::NextDoubtfulFrame()
{
    const std::vector<int> frames = Driver.DoubtfulFrames(Driver.ObjectIndex);
    if (frames.empty() || !FView.IsOpen())
        return -1;
    const auto next = std::upper_bound(frames.begin(), frames.end(), FView.CurrentPosition());
    const int target = next == frames.end() ? frames.front() : *next;
    FView.GoToPosition(target);
    return target;
}

bool TVideoTracking::OfferResults()
{
    if (Driver.TrackedCountAll() == 0)
        return false;
    TUserDlg& dlg = TUserDlg::Instance();
    dlg.Begin(icConfirmation)
        .Line(QStringLiteral("An automatic tracking has been done."))
        .Blank()
        .Line(QStringLiteral("Do you want to keep the data ?"))
        .Blank()
        .Line(QStringLiteral("The new marks will replace any already present ones"))
        .Button(QStringLiteral("Ignore"), btIgnorer)
        .Escape() // a box closed without a button imports nothing
        .Button(QStringLiteral("Save"), btEnregistrer)
        .Default(); // Enter keeps the data
    if (dlg.Execute() != 1 || !FData)
        return false;
    std::vector<std::vector<TPointRel>> points(Driver.TrackedPositionRel.size());
    for (std::size_t k = 0; k < points.size(); ++k)
        for (const QPointF& p : Driver.TrackedPositionRel[k])
            points[k].push_back(Rel(p));
    FData->ImportMarks(points, Driver.TrackedFrame);
    FData->InvalidateResults(irGrid);
    FData->NotifyMarquesChange();
    FView.update();
    return true;
}

// ----------------------------------------------------------------------------------------------------
// Frames of a run

QImage TVideoTracking::GrabFrame(int position)
{
    if (!FView.IsOpen())
        return {};
    if (position >= 0 && FView.CurrentPosition() != position)
        FView.GoToPosition(position);
    const QSize size = FView.FrameSize();
    if (size.isEmpty())
        return {};
    QImage image(size, QImage::Format_RGB32);
    if (!FView.Sources().Draw(image, QRect(QPoint(0, 0), size), SRCCOPY))
        return {};
    return image;
}

void TVideoTracking::Progress(int position, int percent)
{
    if (position >= 0) {
        // Frames in between are not painted (the view keeps its last picture); the rest of the window,
        // the progress bar among it, still is.
        const bool show = !FShown.isValid() || FShown.elapsed() >= ShowIntervalMs;
        if (show)
            FShown.restart();
        if (FView.updatesEnabled() != show)
            FView.setUpdatesEnabled(show);
        if (FView.IsOpen() && FView.CurrentPosition() != position)
            FView.GoToPosition(position);
        FView.update();
        // The stop button, the pause button, a mode change or closing the video act here: they clear
        // Running, which the run reads before it grabs the frame.
        QCoreApplication::processEvents();
    } else {
        // The end of the run: the view paints again, from its final frame.
        FShown.invalidate();
        if (!FView.updatesEnabled())
            FView.setUpdatesEnabled(true);
        FView.update();
    }
    if (OnProgress)
        OnProgress(percent);
}

// ----------------------------------------------------------------------------------------------------
// Drawing the outline and the zones

void TVideoTracking::CancelDrawing()
{
    FDrawState = 0;
    FPending.clear();
    FHasLastPoint = false;
}

void TVideoTracking::AddPoint(const QPoint& at)
{
    if (FHasLastPoint && at == FLastPoint)
        return;
    if (FDrawState == 1 && static_cast<int>(FPending.size()) >= PendingCapacity)
        return; // a full zone takes no more vertices; finishing it still works
    const QPointF rel = RelF(FView.ToRelative(at.x(), at.y()));
    if (FPending.empty())
        FRubber = rel;
    FPending.push_back(rel);
    FLastPoint = at;
    FHasLastPoint = true;
}

void TVideoTracking::FinishOutline()
{
    FDrawState = 0;
    FHasLastPoint = false;
    if (Driver.Shape == 2) {
        const QPoint c = FView.ToView(Rel(FCircleCentre));
        const QPoint e = FView.ToView(Rel(FCircleEdge));
        const int radius = static_cast<int>(std::lround(std::hypot(c.x() - e.x(), c.y() - e.y())));
        FPending.clear();
        for (const QPoint& p : MidpointCircle(radius))
            FPending.push_back(RelF(FView.ToRelative(c.x() + p.x(), c.y() + p.y())));
    }
    if (FPending.size() < 3)
        return; // stays pending: the next click continues the same outline
    Driver.SetOutline(FPending, FView.CurrentPosition(), GrabFrame(-1));
    FPending.clear();
}

void TVideoTracking::FinishZone()
{
    FDrawState = 0;
    if (FPending.size() < 3)
        return;
    Driver.AddZone(FPending);
    FPending.clear();
    FHasLastPoint = false;
}

void TVideoTracking::MouseDown(int button, int x, int y, bool doubleClick)
{
    if (Driver.Running || !FView.IsOpen() || Driver.Objects == 0)
        return;
    const QPoint at(x, y);
    const int k = Driver.ObjectIndex;
    if (Driver.Tool == 1) {
        if (button == mbRight) {
            EraseOutline();
            return;
        }
        switch (Driver.Shape) {
        case 1: // broken line: clicks add vertices, a double click ends it
            if (!doubleClick && FDrawState == 0 && Driver.OutlineValid[k])
                Driver.EraseOutline();
            AddPoint(at);
            FDrawState = 2;
            if (doubleClick)
                FinishOutline();
            break;
        case 2: // circle: centre, then a point of the edge
            if (FDrawState == 2) {
                FCircleEdge = RelF(FView.ToRelative(x, y));
                FinishOutline();
            } else {
                if (Driver.OutlineValid[k])
                    Driver.EraseOutline();
                FPending.clear();
                FCircleCentre = FCircleEdge = RelF(FView.ToRelative(x, y));
                FDrawState = 2;
            }
            break;
        default: // free: the course between two clicks
            if (FDrawState == 2) {
                FinishOutline();
            } else {
                if (Driver.OutlineValid[k])
                    Driver.EraseOutline();
                AddPoint(at);
                FDrawState = 2;
            }
            break;
        }
    } else if (Driver.Tool == 2) {
        if (button == mbRight) {
            EraseLastZone();
            return;
        }
        AddPoint(at);
        FDrawState = 1;
        if (doubleClick)
            FinishZone();
    }
    FView.update();
}

void TVideoTracking::MouseMove(int x, int y)
{
    if (Driver.Running || FDrawState == 0)
        return;
    const QPointF rel = RelF(FView.ToRelative(x, y));
    if (FDrawState == 1) {
        FRubber = rel;
    } else if (Driver.Shape == 0) {
        AddPoint(QPoint(x, y));
    } else if (Driver.Shape == 1) {
        FRubber = rel;
    } else {
        FCircleEdge = rel;
    }
    FView.update();
}

bool TVideoTracking::KeyDown(int key, const QPoint& pointer)
{
    switch (key) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        // A free course or a circle ends with a click of its own, not with Enter.
        if (!(FDrawState == 2 && Driver.Tool == 1 && Driver.Shape != 1))
            MouseDown(mbLeft, pointer.x(), pointer.y());
        return true;
    case Qt::Key_Escape:
        if (FDrawState == 1 || (FDrawState == 2 && Driver.Shape == 1))
            MouseDown(mbLeft, pointer.x(), pointer.y(), true);
        else
            MouseDown(mbRight, pointer.x(), pointer.y());
        return true;
    default:
        return false;
    }
}

int TVideoTracking::CursorFor() const
{
    if (Driver.Tool != 1 && Driver.Tool != 2)
        return 0;
    if (Driver.Objects <= 1)
        return 31;
    const int r = Driver.ObjectIndex % 10;
    return r == 9 ? 32 : 33 + r;
}

// ----------------------------------------------------------------------------------------------------
// Painting

double TVideoTracking::SearchHalfWindow() const
{
    const int k = Driver.ObjectIndex;
    const QSize frame = FView.FrameSize();
    if (Driver.Objects == 0 || frame.isEmpty() || Driver.OutlineRel[k].empty())
        return 0.0;
    double left = 1e300, right = -1e300, top = 1e300, bottom = -1e300;
    for (const QPointF& p : Driver.OutlineRel[k]) {
        left = std::min(left, std::round(p.x() * frame.width()));
        right = std::max(right, std::round(p.x() * frame.width()));
        top = std::min(top, std::round(p.y() * frame.height()));
        bottom = std::max(bottom, std::round(p.y() * frame.height()));
    }
    // The same window as the search: the outline's box widened by a pixel each side, 1.2 times its
    // larger side or the search diameter, whichever is larger.
    const double side = std::max(right - left, bottom - top) + 3.0;
    const int window = std::max(static_cast<int>(std::trunc(1.2 * side)), 2 * Driver.SearchRadius + 1);
    return window / 2.0;
}

void TVideoTracking::Paint(QPainter& painter) const
{
    if (!FView.IsOpen() || Driver.Objects == 0)
        return;
    const int k = Driver.ObjectIndex;
    const QColor element = ToQColor(FData ? FData->ElementColor : clYellow);
    const QColor colour = ObjectColour(k);
    auto toView = [this](const QPointF& p) { return FView.ToView(Rel(p)); };
    auto polyline = [&](const TPointDDynArray& points, bool closed, const QPointF* rubber) {
        QPolygon polygon;
        for (const QPointF& p : points)
            polygon << toView(p);
        if (rubber)
            polygon << toView(*rubber);
        if (closed && polygon.size() > 2)
            painter.drawPolygon(polygon);
        else if (polygon.size() > 1)
            painter.drawPolyline(polygon);
        else if (polygon.size() == 1)
            painter.drawPoint(polygon.front());
    };
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setBrush(Qt::NoBrush);

    if (FDrawState == 1) {
        painter.setPen(QPen(element, 1));
        polyline(FPending, false, &FRubber);
    } else if (FDrawState == 2) {
        painter.setPen(QPen(colour, 1));
        if (Driver.Shape == 2) {
            const QPoint c = FView.ToView(Rel(FCircleCentre));
            const QPoint e = FView.ToView(Rel(FCircleEdge));
            const int r = static_cast<int>(std::lround(std::hypot(c.x() - e.x(), c.y() - e.y())));
            painter.drawEllipse(c, r, r);
        } else {
            polyline(FPending, false, Driver.Shape == 1 ? &FRubber : nullptr);
        }
    }

    if (Driver.OutlineValid[k]) {
        painter.setPen(QPen(colour, 1));
        polyline(Driver.OutlineRel[k], true, nullptr);
        if (Driver.ShowSearchZone) {
            const QSize frame = FView.FrameSize();
            const double r = SearchHalfWindow() * FView.Geometry().DisplayWidth() / frame.width();
            const bool tracked = Driver.TrackedCount() > 0 && Driver.LastOp[k] != loSelect;
            const QPoint centre = toView(tracked ? Driver.LastPositionRel[k] : Driver.OutlineCentre[k]);
            painter.setPen(QPen(element, 1));
            painter.drawEllipse(QPointF(centre), r, r);
        }
    }

    painter.setPen(QPen(element, 1));
    for (const TPointDDynArray& zone : Driver.ZonesRel[k])
        polyline(zone, true, nullptr);

    // The whole trajectory on every frame; doubtful frames in the warning colour, the current one
    // a little larger.
    const QColor doubtful = ToQColor(DoubtfulColour);
    const int current = FView.CurrentPosition();
    for (int f = 0; f < static_cast<int>(Driver.TrackedFrame[k].size()); ++f) {
        if (Driver.TrackedFrame[k][f] < 0)
            continue;
        const bool doubt = Driver.TrackedConfidence[k][f] < TTracking::DoubtLevel;
        const QPoint p = toView(Driver.TrackedPositionRel[k][f]);
        const int half = f == current ? 6 : 4;
        painter.setPen(QPen(doubt ? doubtful : colour, doubt ? 2 : 1));
        painter.drawRect(p.x() - half, p.y() - half, 2 * half, 2 * half);
    }
    painter.restore();
}
