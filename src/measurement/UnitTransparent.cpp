// The layer's data: sheet geometry, recorded positions, parking place, stages and persistence.
#include "measurement/UnitTransparent.h"

#include "common/UnitIni.h"
#include "measurement/UnitMarques.h"

#include <algorithm>

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

void TTransparent::MouseDown(int, Qt::KeyboardModifiers, int, int) {}

void TTransparent::MouseMove(Qt::KeyboardModifiers, int, int) {}

void TTransparent::MouseUp(int, Qt::KeyboardModifiers, int, int) {}

void TTransparent::KeyDown(int, Qt::KeyboardModifiers) {}

void TTransparent::Paint(QPainter&) const {}
