// The layer's data: sheet geometry, recorded positions, parking place, stages and persistence.
#include "measurement/UnitTransparent.h"

#include "common/UnitIni.h"
#include "measurement/UnitMarques.h"

#include <QFontMetrics>
#include <QPainter>
#include <QPolygon>
#include <algorithm>
#include <numbers>

namespace {

// The stored stage numbers differ from the stages: 0 is stored for dragging, 1 for waiting.
int StageToStored(int stage)
{
    return stage == 1 ? 0 : stage == 2 ? 2 : 1;
}

int StoredToStage(int stored)
{
    return stored == 0 ? 1 : stored == 2 ? 2 : 0;
}

} // namespace

TTransparent::TTransparent(TData& data) : TRepere(data), Parking(std::make_unique<TOrigine>(data))
{
    Kind = hkTransparent;
    ComputeParking();
}

void TTransparent::Assign(const THistObject& source)
{
    TRepere::Assign(source);
    if (const auto* t = dynamic_cast<const TTransparent*>(&source)) {
        LayerWidth = t->LayerWidth;
        LayerHeight = t->LayerHeight;
        LayerStage = t->LayerStage;
        Parking->Assign(*t->Parking);
    }
}

bool TTransparent::Equals(const THistObject& other) const
{
    const auto* t = dynamic_cast<const TTransparent*>(&other);
    return t && TRepere::Equals(other) && SameValue(LayerWidth, t->LayerWidth) &&
           SameValue(LayerHeight, t->LayerHeight);
}

std::unique_ptr<THistObject> TTransparent::NewSame() const
{
    return std::make_unique<TTransparent>(FData);
}

void TTransparent::Reset()
{
    DirectXAxisDirection = true;
    DirectYAxisDirection = true;
    LayerStage = 0;
    LayerWidth = 0.5;
    LayerHeight = 0.5;
    GrabOffset = {};
    Origines.clear();
    ComputeParking();
}

void TTransparent::ComputeParking()
{
    // The sheet waits in the corner towards which its axes point.
    Parking->Position.X = DirectXAxisDirection ? 1 - 1.1 * LayerWidth : 1.1 * LayerHeight;
    Parking->Position.Y = DirectYAxisDirection ? 1.1 * LayerWidth : 1 - 1.1 * LayerHeight;
}

void TTransparent::SelectTool()
{
    ComputeParking();
    if (Origines.empty())
        OrigineCurrent = Parking->Position;
    Refresh();
}

void TTransparent::Refresh()
{
    const TDataView& view = FData.View();
    const TPointRel c = LayerStage == 1
                            ? TPointRel{MousePosition.X - GrabOffset.X, MousePosition.Y - GrabOffset.Y}
                            : OrigineCurrent;
    const QPoint topLeft = view.ToView({c.X - LayerWidth, c.Y - LayerHeight});
    const QPoint bottomRight = view.ToView({c.X + LayerWidth, c.Y + LayerHeight});
    SheetLeft = topLeft.x();
    SheetTop = topLeft.y();
    SheetRight = bottomRight.x();
    SheetBottom = bottomRight.y();
}

void TTransparent::SetOrigine(const TPointRel& point)
{
    const TPointRel centre{point.X - GrabOffset.X, point.Y - GrabOffset.Y};
    if (!SamePoint(centre, OrigineCurrent))
        FData.InvalidateResults(irLayer);
    OrigineCurrent = centre;
    Refresh();
}

void TTransparent::SetDirectX(bool direct)
{
    if (direct == DirectXAxisDirection)
        return;
    TRepere::SetDirectX(direct);
    ComputeParking();
    Refresh();
}

void TTransparent::SetDirectY(bool direct)
{
    if (direct == DirectYAxisDirection)
        return;
    TRepere::SetDirectY(direct);
    ComputeParking();
    Refresh();
}

void TTransparent::NextStage()
{
    LayerStage = (LayerStage + 1) % 3;
    FData.View().CursorRefresh();
}

void TTransparent::PreviousStage()
{
    LayerStage = (LayerStage + 2) % 3;
    FData.View().CursorRefresh();
}

bool TTransparent::AddOrigine(std::unique_ptr<TOrigine> origine, int action)
{
    const TOrigine* raw = origine.get();
    if (!TRepere::AddOrigine(std::move(origine), action))
        return false;
    if (action == haSet) {
        OrigineCurrent = raw->Position;
        NextStage();
        NextStage();
    }
    return true;
}

bool TTransparent::RemoveOrigine(TOrigine* origine, int action)
{
    const int frame = origine ? origine->OrigineImageNumber : -1;
    if (!TRepere::RemoveOrigine(origine, action))
        return false;
    if (action == haDeleteLast) {
        FData.ShowFrame(frame);
        ComputeParking();
        OrigineCurrent = Origines.empty() ? Parking->Position : Origines.back()->Position;
        NextStage();
    }
    return true;
}

void TTransparent::EraseAllPositions()
{
    {
        THistGroup group(FData.CurrentHistory());
        while (!Origines.empty())
            if (!RemoveOrigine(Origines.back().get(), haRemoveOrigine))
                break;
    }
    SelectTool();
}

void TTransparent::Load(TDataReader& reader, const QString& suffix)
{
    TRepere::Load(reader, suffix);
    LayerStage = StoredToStage(reader.Int(QStringLiteral("LayerStage"), 1));
    LayerWidth = reader.Float(QStringLiteral("LayerWidth"), 0.5, 1e-3, 10.0);
    LayerHeight = reader.Float(QStringLiteral("LayerHeight"), 0.5, 1e-3, 10.0);
    Origines.clear();
    const int count = reader.Count(DataKey(QStringLiteral("OriginePositionsNumber"), suffix));
    for (int i = 0; i < count; ++i) {
        const QString s = IndexedKey(suffix, i);
        auto o = std::make_unique<TOrigine>(FData);
        o->OrigineImageNumber = reader.Int(DataKey(QStringLiteral("OrigineImageNumber"), s), -1);
        o->Position.X = reader.Float(DataKey(QStringLiteral("OrigineXCoordinate"), s), 0.0, -1e6, 1e6);
        o->Position.Y = reader.Float(DataKey(QStringLiteral("OrigineYCoordinate"), s), 0.0, -1e6, 1e6);
        o->IndexInList = i;
        Origines.push_back(std::move(o));
    }
    ComputeParking();
}

void TTransparent::Save(TDataWriter& writer, const QString& suffix) const
{
    TRepere::Save(writer, suffix);
    writer.Int(QStringLiteral("LayerStage"), StageToStored(LayerStage));
    writer.Float(QStringLiteral("LayerWidth"), LayerWidth);
    writer.Float(QStringLiteral("LayerHeight"), LayerHeight);
    writer.Int(DataKey(QStringLiteral("OriginePositionsNumber"), suffix), (long long)Origines.size());
    for (std::size_t i = 0; i < Origines.size(); ++i) {
        const QString s = IndexedKey(suffix, int(i));
        writer.Int(DataKey(QStringLiteral("OrigineImageNumber"), s), Origines[i]->OrigineImageNumber);
        writer.Float(DataKey(QStringLiteral("OrigineXCoordinate"), s), Origines[i]->Position.X);
        writer.Float(DataKey(QStringLiteral("OrigineYCoordinate"), s), Origines[i]->Position.Y);
    }
}

void TTransparent::MouseDown(int button, Qt::KeyboardModifiers, int x, int y)
{
    TDataView& view = FData.View();
    if (button == mbLeft) {
        if (LayerStage == 0) {
            MousePosition = view.ToRelative(x, y);
            GrabOffset = {MousePosition.X - OrigineCurrent.X, MousePosition.Y - OrigineCurrent.Y};
            NextStage();
        } else if (LayerStage == 1) {
            Drop(x, y);
        } else {
            PointOnSheet(x, y);
        }
    } else if (button == mbRight) {
        if (LayerStage == 0) {
            // The last position pointed on the sheet is taken back, to be pointed again.
            if (FData.MarquesTsp->EraseLastMark())
                PreviousStage();
        } else if (LayerStage == 2) {
            CancelDrop();
        }
    }
    view.Repaint();
}

void TTransparent::MouseMove(Qt::KeyboardModifiers, int x, int y)
{
    if (LayerStage != 1)
        return;
    MousePosition = FData.View().ToRelative(x, y);
    SetOrigine(MousePosition);
    FData.MarquesTsp->Refresh();
    FData.View().Repaint();
}

void TTransparent::MouseUp(int, Qt::KeyboardModifiers, int x, int y)
{
    if (LayerStage != 1)
        return;
    Drop(x, y);
    FData.View().Repaint();
}

void TTransparent::Drop(int x, int y)
{
    SetOrigine(FData.View().ToRelative(x, y));
    FData.MarquesTsp->Refresh();
    const int frame = FData.View().CurrentFrame();
    if (TOrigine* existing = OrigineOfFrame(frame)) {
        // The frame carries its mark already: the sheet's position there is corrected, nothing to point.
        FData.Record(*existing, haMove);
        existing->Position = OrigineCurrent;
        FData.InvalidateResults(irCurrent);
        NextStage();
        NextStage();
        return;
    }
    auto origine = std::make_unique<TOrigine>(FData);
    origine->OrigineImageNumber = frame;
    origine->Position = OrigineCurrent;
    origine->IndexInList = int(Origines.size());
    TOrigine* raw = origine.get();
    Origines.push_back(std::move(origine));
    FData.Record(*raw, haDropOrigine);
    FData.InvalidateResults(irCurrent);
    NextStage();
}

void TTransparent::PointOnSheet(int x, int y)
{
    TPolyMarqueImgTsp& marks = *FData.MarquesTsp;
    const int frame = FData.View().CurrentFrame();
    const TContainer* container = marks.ContainerOf(frame);
    const bool taken = container && container->MarkOf(0);
    if (!taken && !Origines.empty())
        Origines.back()->OrigineImageNumber = frame;
    const int before = marks.MarksCount();
    marks.PointMark(x, y); // refuses a second mark on the frame with its message
    if (taken || marks.MarksCount() == before)
        return;
    NextStage();
}

void TTransparent::CancelDrop()
{
    if (!Origines.empty()) {
        TOrigine* last = Origines.back().get();
        FData.ShowFrame(last->OrigineImageNumber);
        RemoveOrigine(last, haRemoveLastOrigine);
    }
    ComputeParking();
    OrigineCurrent = Origines.empty() ? Parking->Position : Origines.back()->Position;
    Refresh();
    FData.MarquesTsp->Refresh();
    PreviousStage();
    PreviousStage();
}

void TTransparent::KeyDown(int key, Qt::KeyboardModifiers)
{
    // Minus (main keyboard or keypad) shrinks the sheet, plus or the =/+ key grows it, within bounds.
    const bool shrink = key == Qt::Key_Minus && LayerWidth > 0.1;
    const bool grow = (key == Qt::Key_Plus || key == Qt::Key_Equal) && LayerWidth < 1.0;
    if (!shrink && !grow)
        return;
    FData.Record(*this, haTransform);
    const double factor = shrink ? 0.9 : 1.1;
    LayerWidth *= factor;
    LayerHeight *= factor;
    Refresh();
    FData.View().Repaint();
}

void TTransparent::Paint(QPainter& painter) const
{
    const int pen = PenWidthOf(FData.ElementSize);
    const int length = ArrowLengthOf(FData.ElementSize);
    painter.save();
    SetAxesStyle(painter, FData.ElementSize, FData.ElementColor);
    const QFontMetrics metrics(painter.font());

    const int l = SheetLeft, t = SheetTop, r = SheetRight, b = SheetBottom;
    const int hw = (r - l) / 2;
    const int hh = (b - t) / 2;
    painter.drawPolyline(QPolygon({QPoint(l, t), QPoint(r, t), QPoint(r, b), QPoint(l, b), QPoint(l, t)}));

    // Labels are placed by the top left corner of their text.
    const auto label = [&](int x, int y, const QString& text) {
        painter.drawText(QPoint(x, y + metrics.ascent()), text);
    };
    const int xWidth = metrics.horizontalAdvance(QStringLiteral("x"));
    const int textHeight = metrics.height();
    painter.drawLine(l, t + hh, r, t + hh);
    if (DirectXAxisDirection) {
        DrawArrowHead(painter, QPoint(r - pen, t + hh), 0.0, length);
        label(r - (xWidth + length + 14), t + hh - (textHeight + 4), QStringLiteral("x"));
    } else {
        DrawArrowHead(painter, QPoint(l + pen, t + hh), std::numbers::pi, length);
        label(l + length + 14, t + hh - (textHeight + 4), QStringLiteral("x"));
    }
    painter.drawLine(l + hw, t, l + hw, b);
    if (DirectYAxisDirection) {
        DrawArrowHead(painter, QPoint(l + hw, t + pen), std::numbers::pi / 2, length);
        label(l + hw + 8, t + length + 6, QStringLiteral("y"));
    } else {
        DrawArrowHead(painter, QPoint(l + hw, b - pen), -std::numbers::pi / 2, length);
        label(l + hw + 8, b - (textHeight + length + 6), QStringLiteral("y"));
    }
    painter.restore();
}
