// Marks, frame containers and mark lists: pointing, moving, erasing, numbering, drawing, persistence.
#include "measurement/UnitMarques.h"

#include "common/UnitGraphUtils.h"
#include "common/UnitIni.h"
#include "common/UnitUserDlg.h"
#include "measurement/UnitTransparent.h"

#include <QFont>
#include <QFontMetrics>
#include <QPainter>
#include <algorithm>
#include <unordered_map>

namespace {

TPointRel Clamp01(const TPointRel& p)
{
    return {std::clamp(p.X, 0.0, 1.0), std::clamp(p.Y, 0.0, 1.0)};
}

// Layer offsets may exceed the frame; the bound only keeps pixel conversions finite.
TPointRel ClampOffset(const TPointRel& p)
{
    return {std::clamp(p.X, -1e6, 1e6), std::clamp(p.Y, -1e6, 1e6)};
}

TPointRel Plus(const TPointRel& a, const TPointRel& b)
{
    return {a.X + b.X, a.Y + b.Y};
}

TPointRel Minus(const TPointRel& a, const TPointRel& b)
{
    return {a.X - b.X, a.Y - b.Y};
}

constexpr int NumberOffset[3] = {0, 4, 7};
constexpr int NumberPointSize[3] = {0, 12, 15}; // 0: the painter's font size unchanged

} // namespace

// ---------------------------------------------------------------------------------------------------------
// TMarque

TMarque::TMarque(TData& data, TRepere* repere, TContainer* container, TPolyContainer* list, int object)
    : MarkOrderNumber(object), Repere(repere), Container(container), List(list), FData(data)
{
}

void TMarque::Assign(const THistObject& source)
{
    THistObject::Assign(source);
    const auto* m = dynamic_cast<const TMarque*>(&source);
    if (!m)
        return;
    MarkOrderNumber = m->MarkOrderNumber;
    SetPosition(m->GetPosition());
    SetOffset(m->GetOffset());
}

bool TMarque::Equals(const THistObject& other) const
{
    const auto* m = dynamic_cast<const TMarque*>(&other);
    return m && THistObject::Equals(other) && SamePoint(GetPosition(), m->GetPosition()) &&
           SamePoint(GetOffset(), m->GetOffset());
}

void TMarque::Load(TDataReader& reader, const QString& suffix)
{
    MarkOrderNumber = reader.Int(DataKey(QStringLiteral("MarkOrderNumber"), suffix), 0);
    TPointRel p;
    p.X = reader.Float(DataKey(QStringLiteral("MarkXCoordinate"), suffix), 0.0);
    p.Y = reader.Float(DataKey(QStringLiteral("MarkYCoordinate"), suffix), 0.0);
    // Grid marks store their position in the frame, layer marks their offset from the sheet's centre.
    if (Kind == hkMarqueTsp)
        FOffset = ClampOffset(p);
    else
        FPosition = Clamp01(p);
}

void TMarque::Save(TDataWriter& writer, const QString& suffix) const
{
    const TPointRel p = Kind == hkMarqueTsp ? FOffset : FPosition;
    writer.Int(DataKey(QStringLiteral("MarkOrderNumber"), suffix), MarkOrderNumber);
    writer.Float(DataKey(QStringLiteral("MarkXCoordinate"), suffix), p.X);
    writer.Float(DataKey(QStringLiteral("MarkYCoordinate"), suffix), p.Y);
}

void TMarque::SetOffset(const TPointRel& offset)
{
    if (SamePoint(offset, FOffset))
        return;
    FOffset = offset;
    FData.InvalidateResults(irCurrent);
}

void TMarque::SetPosition(const TPointRel& position)
{
    if (SamePoint(position, FPosition))
        return;
    FPosition = position;
    FData.InvalidateResults(irCurrent);
}

void TMarque::SetFromPixel(int x, int y)
{
    SetPosition(FData.View().ToRelative(x, y));
    RefreshPixel();
}

void TMarque::RefreshPixel()
{
    Pixel = FData.View().ToView(GetPosition());
}

bool TMarque::Hit(int x, int y) const
{
    const int half = std::max(6, PenWidthOf(FData.ElementSize)) / 2;
    return std::abs(x - Pixel.x()) <= half && std::abs(y - Pixel.y()) <= half;
}

bool TMarque::Inside(const QPoint& corner1, const QPoint& corner2) const
{
    return Pixel.x() >= std::min(corner1.x(), corner2.x()) &&
           Pixel.x() <= std::max(corner1.x(), corner2.x()) &&
           Pixel.y() >= std::min(corner1.y(), corner2.y()) && Pixel.y() <= std::max(corner1.y(), corner2.y());
}

int TMarque::Frame() const
{
    return Container ? Container->MarksContainerFrameNumber : -1;
}

void TMarque::Paint(QPainter& painter, int number) const
{
    if (!FData.ObjectVisible(MarkOrderNumber))
        return;
    const TGraphUtils& utils = TGraphUtils::Instance();
    const int size = std::clamp(FData.ElementSize, 0, 2);
    const TColor colour = FData.ObjectColour(MarkOrderNumber);
    utils.DrawGlyph(painter, Pixel, colour, size, utils.ObjectShape(MarkOrderNumber));
    const int position = List ? List->MarksNumberPosition : 2;
    if (position != 0 && position != 1)
        return;
    painter.save();
    QFont font = painter.font();
    if (NumberPointSize[size] > 0)
        font.setPointSize(NumberPointSize[size]);
    painter.setFont(font);
    painter.setPen(ToQColor(colour));
    painter.setBackgroundMode(Qt::TransparentMode);
    const int k = NumberOffset[size];
    // The origin is the top-left corner of the text.
    const QPoint origin = position == 0 ? QPoint(Pixel.x() - k / 2 - 2, Pixel.y() + k + 4)
                                        : QPoint(Pixel.x() + k + 8, Pixel.y() - k / 2 - 7);
    painter.drawText(origin.x(), origin.y() + QFontMetrics(font).ascent(), QString::number(number));
    painter.restore();
}

TMarqueRep::TMarqueRep(TData& data, TRepere* repere, TContainer* container, TPolyContainer* list, int object)
    : TMarque(data, repere, container, list, object)
{
    Kind = hkMarqueRep;
}

std::unique_ptr<THistObject> TMarqueRep::NewSame() const
{
    return std::make_unique<TMarqueRep>(FData, Repere, Container, List, MarkOrderNumber);
}

TPointRel TMarqueRep::GetOffset() const
{
    return Repere ? Minus(FPosition, Repere->OrigineCurrent) : FPosition;
}

void TMarqueRep::SetOffset(const TPointRel& offset)
{
    SetPosition(Repere ? Plus(offset, Repere->OrigineCurrent) : offset);
}

TMarqueTsp::TMarqueTsp(TData& data, TRepere* repere, TContainer* container, TPolyContainer* list, int object)
    : TMarque(data, repere, container, list, object)
{
    Kind = hkMarqueTsp;
}

std::unique_ptr<THistObject> TMarqueTsp::NewSame() const
{
    return std::make_unique<TMarqueTsp>(FData, Repere, Container, List, MarkOrderNumber);
}

TPointRel TMarqueTsp::GetPosition() const
{
    return Repere ? Plus(FOffset, Repere->OrigineCurrent) : FOffset;
}

void TMarqueTsp::SetPosition(const TPointRel& position)
{
    SetOffset(Repere ? Minus(position, Repere->OrigineCurrent) : position);
}

// ---------------------------------------------------------------------------------------------------------
// TContainer

TContainer::TContainer(TData& data, TPolyContainer* list, TRepere* repere, int frame)
    : MarksContainerFrameNumber(frame), Repere(repere), List(list), FData(data)
{
    Marks.reserve(32);
}

void TContainer::Assign(const THistObject& source)
{
    THistObject::Assign(source);
    const auto* c = dynamic_cast<const TContainer*>(&source);
    if (!c)
        return;
    MarksContainerFrameNumber = c->MarksContainerFrameNumber;
    MarksContainerMarkNumber = c->MarksContainerMarkNumber;
    for (std::size_t j = 0; j < c->Marks.size(); ++j) {
        const TMarque& from = *c->Marks[j];
        if (j >= Marks.size())
            Marks.push_back(NewMark(from.MarkOrderNumber));
        TMarque& to = *Marks[j];
        to.Container = this;
        to.List = List;
        to.Repere = Repere;
        to.Assign(from);
        // The copy stands for the same mark: the histories find it by this Id.
        to.Id = from.Id;
    }
    Marks.resize(c->Marks.size());
}

bool TContainer::Equals(const THistObject& other) const
{
    const auto* c = dynamic_cast<const TContainer*>(&other);
    if (!c || !THistObject::Equals(other) || MarksContainerFrameNumber != c->MarksContainerFrameNumber ||
        MarksContainerMarkNumber != c->MarksContainerMarkNumber || Marks.size() != c->Marks.size())
        return false;
    for (std::size_t j = 0; j < Marks.size(); ++j)
        if (!Marks[j]->Equals(*c->Marks[j]))
            return false;
    return true;
}

void TContainer::Load(TDataReader& reader, const QString& suffix)
{
    // The marks are read by the list, which registers them in file order.
    MarksContainerFrameNumber =
        std::max(0, reader.Int(DataKey(QStringLiteral("MarksContainerFrameNumber"), suffix), 0));
    MarksContainerMarkNumber =
        std::max(0, reader.Int(DataKey(QStringLiteral("MarksContainerMarkNumber"), suffix), 0));
}

void TContainer::Save(TDataWriter& writer, const QString& suffix) const
{
    writer.Int(DataKey(QStringLiteral("MarksContainerFrameNumber"), suffix), MarksContainerFrameNumber);
    writer.Int(DataKey(QStringLiteral("MarksContainerMarkNumber"), suffix), MarksContainerMarkNumber);
    writer.Int(DataKey(QStringLiteral("MarksContainerMarksNumber"), suffix), (long long)Marks.size());
    for (std::size_t j = 0; j < Marks.size(); ++j)
        Marks[j]->Save(writer, IndexedKey(suffix, int(j)));
}

TMarque* TContainer::MarkOf(int object) const
{
    for (const auto& m : Marks)
        if (m->MarkOrderNumber == object)
            return m.get();
    return nullptr;
}

bool TContainer::Holds(const TMarque* mark) const
{
    return std::any_of(Marks.begin(), Marks.end(), [mark](const auto& m) { return m.get() == mark; });
}

bool TContainer::Insert(std::unique_ptr<TMarque>& mark)
{
    if (!mark || Holds(mark.get()) || MarkOf(mark->MarkOrderNumber))
        return false;
    mark->Container = this;
    // Kept in object order, so that a list copied back reuses each object's mark.
    const auto at = std::find_if(Marks.begin(), Marks.end(),
                                 [&](const auto& m) { return m->MarkOrderNumber > mark->MarkOrderNumber; });
    Marks.insert(at, std::move(mark));
    return true;
}

std::unique_ptr<TMarque> TContainer::Take(TMarque* mark)
{
    const auto it =
        std::find_if(Marks.begin(), Marks.end(), [mark](const auto& m) { return m.get() == mark; });
    if (it == Marks.end())
        return nullptr;
    std::unique_ptr<TMarque> taken = std::move(*it);
    Marks.erase(it);
    return taken;
}

std::unique_ptr<TMarque> TMarqueImgRep::NewMark(int object)
{
    return std::make_unique<TMarqueRep>(FData, Repere, this, List, object);
}

std::unique_ptr<TMarque> TMarqueImgTsp::NewMark(int object)
{
    return std::make_unique<TMarqueTsp>(FData, Repere, this, List, object);
}

// ---------------------------------------------------------------------------------------------------------
// TPolyContainer

TPolyContainer::TPolyContainer(TData& data, TRepere* repere) : Repere(repere), FData(data)
{
    AllMarks.reserve(1024);
    Containers.reserve(1024);
    Names << DefaultName(0);
}

TPolyContainer::~TPolyContainer() = default;

QString TPolyContainer::DefaultName(int i)
{
    return QStringLiteral("of point n°") + QString::number(i + 1);
}

void TPolyContainer::Assign(const THistObject& source)
{
    THistObject::Assign(source);
    const auto* l = dynamic_cast<const TPolyContainer*>(&source);
    if (!l)
        return;
    MarksIsAllDrawn = l->MarksIsAllDrawn;
    MarksNumberPerFrame = l->MarksNumberPerFrame;
    MarksNumberToDraw = l->MarksNumberToDraw;
    CurrentMarkOrderNumber = l->CurrentMarkOrderNumber;
    MarksNumberPosition = l->MarksNumberPosition;
    Names = l->Names;
    AllMarks.clear();
    CancelDrag();
    // Containers are reused by position: marks recorded in the histories keep pointing at them. Those
    // the source does not have are emptied but kept for the same reason.
    std::unordered_map<const TMarque*, TMarque*> copies;
    for (std::size_t i = 0; i < l->Containers.size(); ++i) {
        const TContainer& from = *l->Containers[i];
        if (i >= Containers.size())
            Containers.push_back(NewContainer(from.MarksContainerFrameNumber));
        Containers[i]->Assign(from);
        for (std::size_t j = 0; j < from.Marks.size(); ++j)
            copies[from.Marks[j].get()] = Containers[i]->Marks[j].get();
    }
    for (std::size_t i = l->Containers.size(); i < Containers.size(); ++i)
        Containers[i]->Marks.clear();
    for (const TMarque* m : l->AllMarks) {
        const auto it = copies.find(m);
        if (it != copies.end()) {
            it->second->IndexInList = int(AllMarks.size());
            AllMarks.push_back(it->second);
        }
    }
}

bool TPolyContainer::Equals(const THistObject& other) const
{
    const auto* l = dynamic_cast<const TPolyContainer*>(&other);
    if (!l || !THistObject::Equals(other) || MarksIsAllDrawn != l->MarksIsAllDrawn ||
        MarksNumberPerFrame != l->MarksNumberPerFrame || MarksNumberToDraw != l->MarksNumberToDraw ||
        CurrentMarkOrderNumber != l->CurrentMarkOrderNumber ||
        MarksNumberPosition != l->MarksNumberPosition || Names != l->Names ||
        AllMarks.size() != l->AllMarks.size() || Containers.size() != l->Containers.size())
        return false;
    for (std::size_t i = 0; i < AllMarks.size(); ++i)
        if (!AllMarks[i]->Equals(*l->AllMarks[i]))
            return false;
    for (std::size_t i = 0; i < Containers.size(); ++i)
        if (!Containers[i]->Equals(*l->Containers[i]))
            return false;
    return true;
}

int TPolyContainer::IndexOf(const TMarque* mark) const
{
    const auto it = std::find(AllMarks.begin(), AllMarks.end(), mark);
    return it == AllMarks.end() ? -1 : int(it - AllMarks.begin());
}

void TPolyContainer::NotifyMarksChanged()
{
    FData.InvalidateResults(irCurrent);
    FData.NotifyMarquesChange();
}

void TPolyContainer::Register(TMarque* mark, int index)
{
    if (index >= 0 && index <= int(AllMarks.size())) {
        AllMarks.insert(AllMarks.begin() + index, mark);
    } else {
        index = int(AllMarks.size());
        AllMarks.push_back(mark);
    }
    mark->IndexInList = index;
    mark->List = this;
    // A drag index would now name another mark.
    if (DragState == 1)
        CancelDrag();
    NotifyMarksChanged();
}

void TPolyContainer::Unregister(TMarque* mark)
{
    const int index = IndexOf(mark);
    if (index < 0)
        return;
    AllMarks.erase(AllMarks.begin() + index);
    // A drag index would now name another mark.
    if (DragState == 1)
        CancelDrag();
    NotifyMarksChanged();
}

bool TPolyContainer::AddMark(std::unique_ptr<TMarque> mark, int action)
{
    if (!mark || !mark->Container || mark->MarkOrderNumber < 0 ||
        mark->MarkOrderNumber >= MarksNumberPerFrame)
        return false;
    TContainer* container = mark->Container;
    // The container must be one of this list's (compared by address only).
    if (std::none_of(Containers.begin(), Containers.end(),
                     [container](const auto& c) { return c.get() == container; }))
        return false;
    TMarque* raw = mark.get();
    const int index = raw->IndexInList;
    if (!container->Insert(mark))
        return false;
    raw->Repere = Repere;
    Register(raw, index);
    Renumber();
    if (action == haSet) {
        FData.ShowFrame(container->MarksContainerFrameNumber);
        if (MarksNumberPerFrame == raw->MarkOrderNumber + 1)
            FData.AdvanceAfterLastObject();
        SetCurrentObject(raw->MarkOrderNumber + 1);
    }
    return true;
}

void TPolyContainer::Clear()
{
    CancelDrag();
    AllMarks.clear();
    AllMarks.reserve(1024);
    Containers.clear();
    Containers.reserve(1024);
    Names.clear();
    for (int i = 0; i < MarksNumberPerFrame; ++i)
        Names << DefaultName(i);
}

void TPolyContainer::Defaults()
{
    MarksIsAllDrawn = true;
    DragState = 0;
    DragIndex = -1;
    MarksNumberToDraw = 1;
    MarksNumberPerFrame = 1;
    CurrentMarkOrderNumber = 0;
}

bool TPolyContainer::HasDefaultNames() const
{
    for (int i = 0; i < Names.size(); ++i)
        if (Names[i].compare(DefaultName(i), Qt::CaseInsensitive) == 0)
            return true;
    return false;
}

void TPolyContainer::Load(TDataReader& reader, const QString& suffix)
{
    Clear();
    MarksNumberPosition = reader.Int(DataKey(QStringLiteral("MarksNumberPosition"), suffix), 0, 0, 2);
    MarksIsAllDrawn = reader.Bool(DataKey(QStringLiteral("MarksIsAllDrawn"), suffix), true);
    MarksNumberToDraw = std::max(0, reader.Int(DataKey(QStringLiteral("MarksNumberToDraw"), suffix), 1));
    const int current = reader.Int(DataKey(QStringLiteral("CurrentMarkOrderNumber"), suffix), 0);
    SetNbObjets(reader.Int(DataKey(QStringLiteral("MarksNumberPerFrame"), suffix), 1));

    const int names =
        std::min(reader.Count(DataKey(QStringLiteral("SystemNamesNumber"), suffix)), MaxObjets + 1);
    Names.clear();
    for (int i = 0; i < names; ++i)
        Names << reader.String(DataKey(QStringLiteral("SystemName"), IndexedKey(suffix, i)), QString());
    // Objects without a stored name get their default name.
    for (int i = int(Names.size()); i < MarksNumberPerFrame; ++i)
        Names << DefaultName(i);

    const int containers = reader.Count(DataKey(QStringLiteral("MarksContainersNumber"), suffix));
    // Frame -> its container among those read, so that loading n containers costs O(n).
    std::unordered_map<int, TContainer*> byFrame;
    byFrame.reserve(std::size_t(containers));
    Containers.reserve(std::size_t(containers));
    // Every stored mark has keys of its own, so the marks of all containers together cannot outnumber the
    // section's keys: damaged counts in many containers never add up to more reads than that.
    int markBudget = reader.KeyCount();
    for (int i = 0; i < containers; ++i) {
        const QString containerSuffix = IndexedKey(suffix, i);
        std::unique_ptr<TContainer> read = NewContainer(0);
        read->Load(reader, containerSuffix);
        // One container per frame: a frame listed twice gathers its marks in the first container.
        auto [at, added] = byFrame.try_emplace(read->MarksContainerFrameNumber, read.get());
        TContainer* target = at->second;
        if (added)
            Containers.push_back(std::move(read));
        const int marks = std::min(
            reader.Count(DataKey(QStringLiteral("MarksContainerMarksNumber"), containerSuffix)), markBudget);
        markBudget -= marks;
        for (int j = 0; j < marks; ++j) {
            std::unique_ptr<TMarque> mark = target->NewMark(0);
            mark->Load(reader, IndexedKey(containerSuffix, j));
            // Marks of objects beyond the list and second marks of an object on one frame are dropped.
            if (mark->MarkOrderNumber < 0 || mark->MarkOrderNumber >= MarksNumberPerFrame)
                continue;
            TMarque* raw = mark.get();
            if (target->Insert(mark)) {
                raw->IndexInList = int(AllMarks.size());
                AllMarks.push_back(raw);
            }
        }
    }
    SetCurrentObject(current);
    Renumber();
    Refresh();
    NotifyMarksChanged();
}

void TPolyContainer::Save(TDataWriter& writer, const QString& suffix) const
{
    writer.Int(DataKey(QStringLiteral("MarksNumberPosition"), suffix), MarksNumberPosition);
    writer.Bool(DataKey(QStringLiteral("MarksIsAllDrawn"), suffix), MarksIsAllDrawn);
    writer.Int(DataKey(QStringLiteral("MarksNumberToDraw"), suffix), MarksNumberToDraw);
    writer.Int(DataKey(QStringLiteral("CurrentMarkOrderNumber"), suffix), CurrentMarkOrderNumber);
    writer.Int(DataKey(QStringLiteral("MarksNumberPerFrame"), suffix), MarksNumberPerFrame);
    writer.Int(DataKey(QStringLiteral("SystemNamesNumber"), suffix), Names.size());
    for (int i = 0; i < Names.size(); ++i)
        writer.String(DataKey(QStringLiteral("SystemName"), IndexedKey(suffix, i)), Names[i]);
    writer.Int(DataKey(QStringLiteral("MarksContainersNumber"), suffix), (long long)Containers.size());
    for (std::size_t i = 0; i < Containers.size(); ++i)
        Containers[i]->Save(writer, IndexedKey(suffix, int(i)));
}

bool TPolyContainer::RemoveMark(TMarque* mark, int action)
{
    if (!mark || !mark->Container || !mark->Container->Holds(mark))
        return false;
    TContainer* container = mark->Container;
    const int object = std::clamp(mark->MarkOrderNumber, 0, std::max(0, MarksNumberPerFrame - 1));
    const int frame = container->MarksContainerFrameNumber;
    mark->IndexInList = IndexOf(mark);
    FData.Record(*mark, action);
    Unregister(mark);
    container->Take(mark); // freed here
    Renumber();
    if (action == haDeleteLast) {
        // Show the frame and make the erased object the next one to point.
        FData.ShowFrame(frame);
        SetCurrentObject(container->Marks.empty() ? 0 : object);
    }
    return true;
}

int TPolyContainer::RemoveFrameMarks(int frame)
{
    TContainer* container = ContainerOf(frame);
    if (!container)
        return 0;
    int removed = 0;
    while (!container->Marks.empty() && RemoveMark(container->Marks.back().get(), haDelete))
        ++removed;
    return removed;
}

void TPolyContainer::RemoveObjectMarks(int object)
{
    for (const auto& c : Containers)
        if (TMarque* m = c->MarkOf(object)) {
            Unregister(m);
            c->Take(m);
        }
}

void TPolyContainer::SetNbObjets(int n)
{
    n = std::clamp(n, 1, MaxObjets);
    const int m = MarksNumberPerFrame;
    if (n == m)
        return;
    FData.InvalidateResults(irCurrent);
    if (n > m) {
        FData.ExtendObjectArrays(m, n);
        for (int i = m; i < n; ++i) {
            if (i < Names.size())
                Names[i] = DefaultName(i);
            else
                Names << DefaultName(i);
        }
        MarksNumberPerFrame = n;
        FData.View().CursorRefresh();
    } else {
        for (int object = m - 1; object >= n; --object)
            RemoveObjectMarks(object);
        while (Names.size() > n)
            Names.removeLast();
        MarksNumberPerFrame = n;
        Renumber();
        SetCurrentObject(CurrentMarkOrderNumber);
    }
    FData.NotifyNbObjetsChange();
}

void TPolyContainer::SetCurrentObject(int i)
{
    if (i == -1)
        i = MarksNumberPerFrame - 1;
    if (i < 0 || i >= MarksNumberPerFrame)
        i = 0;
    CurrentMarkOrderNumber = i;
    FData.View().CursorRefresh();
}

int TPolyContainer::MarksOnFrame(int frame) const
{
    const TContainer* c = ContainerOf(frame);
    return c ? int(c->Marks.size()) : -1;
}

QString TPolyContainer::Name(int i) const
{
    return i >= 0 && i < Names.size() ? Names[i] : QString();
}

void TPolyContainer::SetName(int i, const QString& name)
{
    if (i >= 0 && i < Names.size())
        Names[i] = name;
}

int TPolyContainer::LastMarkedFrame() const
{
    return Containers.empty() ? 0 : Containers.back()->MarksContainerFrameNumber;
}

int TPolyContainer::SmallestMarksNumber() const
{
    if (MarksNumberPerFrame <= 0)
        return 0;
    std::vector<int> counts(std::size_t(MarksNumberPerFrame), 0);
    for (const TMarque* m : AllMarks)
        if (m->MarkOrderNumber >= 0 && m->MarkOrderNumber < MarksNumberPerFrame)
            ++counts[std::size_t(m->MarkOrderNumber)];
    return *std::min_element(counts.begin(), counts.end());
}

TContainer* TPolyContainer::ContainerOf(int frame) const
{
    for (const auto& c : Containers)
        if (c->MarksContainerFrameNumber == frame)
            return c.get();
    return nullptr;
}

TContainer* TPolyContainer::ContainerOrNew(int frame)
{
    if (TContainer* c = ContainerOf(frame))
        return c;
    Containers.push_back(NewContainer(frame));
    return Containers.back().get();
}

void TPolyContainer::Renumber()
{
    // Empty containers go after every marked frame.
    const int emptyKey = FData.View().FrameCount() + 1;
    std::vector<std::pair<int, TContainer*>> keyed;
    keyed.reserve(Containers.size());
    for (const auto& c : Containers)
        keyed.emplace_back(c->Marks.empty() ? emptyKey : c->MarksContainerFrameNumber, c.get());
    std::stable_sort(keyed.begin(), keyed.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    for (std::size_t rank = 0; rank < keyed.size(); ++rank)
        keyed[rank].second->MarksContainerMarkNumber = int(rank);
}

void TPolyContainer::CancelDrag()
{
    DragState = 0;
    DragIndex = -1;
}

void TPolyContainer::PointMark(int x, int y)
{
    TContainer* container = ContainerOrNew(FData.View().CurrentFrame());
    if (container->MarkOf(CurrentMarkOrderNumber)) {
        TUserDlg::Instance()
            .Begin(icInformation)
            .Line(QStringLiteral("A similar mark already exists on this image."))
            .Button(QStringLiteral("Ok"), btOk)
            .Execute();
        return;
    }
    std::unique_ptr<TMarque> mark = container->NewMark(CurrentMarkOrderNumber);
    TMarque* raw = mark.get();
    raw->SetFromPixel(x, y);
    container->Insert(mark);
    Register(raw, -1);
    FData.Record(*raw, haSet);
    Renumber();
    if (MarksNumberPerFrame == CurrentMarkOrderNumber + 1)
        FData.AdvanceAfterLastObject();
    SetCurrentObject(CurrentMarkOrderNumber + 1);
}

bool TPolyContainer::EraseLastMark()
{
    return !AllMarks.empty() && RemoveMark(AllMarks.back(), haDeleteLast);
}

void TPolyContainer::EraseOne(TMarque* mark)
{
    RemoveMark(mark, haDelete);
}

void TPolyContainer::EraseFrame(int frame)
{
    THistGroup group(FData.CurrentHistory());
    RemoveFrameMarks(frame);
}

void TPolyContainer::MouseDown(TOutil tool, int button, Qt::KeyboardModifiers, int x, int y)
{
    TDataView& view = FData.View();
    if (tool == otDeplacer) {
        if (button != mbLeft || DragState != 0)
            return;
        for (std::size_t i = 0; i < AllMarks.size(); ++i)
            if (AllMarks[i]->Hit(x, y)) {
                FData.Record(*AllMarks[i], haMove);
                DragState = 1;
                DragIndex = int(i);
                return;
            }
    } else if (tool == otEffacer) {
        if (button == mbRight) {
            EraseFrame(view.CurrentFrame());
            view.Repaint();
            return;
        }
        if (button != mbLeft || DragState != 0)
            return;
        const auto hit =
            std::find_if(AllMarks.begin(), AllMarks.end(), [&](TMarque* m) { return m->Hit(x, y); });
        if (hit != AllMarks.end()) {
            EraseOne(*hit);
            DragIndex = -1;
            view.Repaint();
        } else {
            DragState = 2;
            EraseAnchor = EraseCorner = QPoint(x, y);
        }
    }
}

void TPolyContainer::MouseMove(TOutil tool, Qt::KeyboardModifiers, int x, int y)
{
    TDataView& view = FData.View();
    const bool overMark =
        std::any_of(AllMarks.begin(), AllMarks.end(), [&](TMarque* m) { return m->Hit(x, y); });
    if (tool == otDeplacer) {
        if (DragState == 1 && DragIndex >= 0 && DragIndex < int(AllMarks.size())) {
            AllMarks[std::size_t(DragIndex)]->SetFromPixel(x, y);
            view.Repaint();
        } else if (DragState == 0) {
            view.SetCursorNumber(overMark ? 45 : 10);
            DragIndex = -1;
        }
    } else if (tool == otEffacer) {
        if (DragState == 2) {
            EraseCorner = QPoint(x, y);
            view.Repaint();
        } else if (DragState == 0) {
            view.SetCursorNumber(overMark ? 47 : 14);
        }
    }
}

void TPolyContainer::MouseUp(TOutil tool, int, Qt::KeyboardModifiers, int, int)
{
    TDataView& view = FData.View();
    if (tool == otDeplacer && DragState == 1) {
        DragState = 0;
        view.SetCursorNumber(10);
    } else if (tool == otEffacer && DragState == 2) {
        DragState = 0;
        std::vector<TMarque*> inside;
        for (auto it = AllMarks.rbegin(); it != AllMarks.rend(); ++it)
            if ((*it)->Inside(EraseAnchor, EraseCorner))
                inside.push_back(*it);
        {
            THistGroup group(FData.CurrentHistory());
            for (TMarque* m : inside)
                if (IndexOf(m) >= 0)
                    EraseOne(m);
        }
        view.SetCursorNumber(14);
        view.Repaint();
    }
}

void TPolyContainer::SetMarkAt(int object, int frame, const TPointRel& position)
{
    if (object < 0 || object >= MarksNumberPerFrame || frame < 0)
        return;
    TContainer* container = ContainerOrNew(frame);
    if (TMarque* existing = container->MarkOf(object)) {
        FData.Record(*existing, haMove);
        existing->SetPosition(position);
        existing->RefreshPixel();
        return;
    }
    std::unique_ptr<TMarque> mark = container->NewMark(object);
    TMarque* raw = mark.get();
    raw->SetPosition(position);
    raw->RefreshPixel();
    container->Insert(mark);
    Register(raw, -1);
    FData.Record(*raw, haSetBulk);
}

void TPolyContainer::Refresh()
{
    for (TMarque* m : AllMarks)
        m->RefreshPixel();
}

void TPolyContainer::Paint(QPainter& painter) const
{
    if (DragState == 2) {
        // A dotted focus rectangle, inverted over the frame so that it shows on any picture.
        painter.save();
        painter.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
        painter.setPen(QPen(Qt::white, 1, Qt::DotLine));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(QRect(EraseAnchor, EraseCorner).normalized());
        painter.restore();
    }
    const int count = int(AllMarks.size());
    const int first = MarksIsAllDrawn ? 0 : std::max(0, count - MarksNumberToDraw);
    for (int i = first; i < count; ++i) {
        const TMarque* m = AllMarks[std::size_t(i)];
        const int rank = m->Container ? m->Container->MarksContainerMarkNumber : 0;
        m->Paint(painter, FData.MarkNumberText(rank));
    }
}

// ---------------------------------------------------------------------------------------------------------
// The two lists

TPolyMarqueImgRep::TPolyMarqueImgRep(TData& data, TRepere* repere) : TPolyContainer(data, repere)
{
    Kind = hkPolyRep;
}

std::unique_ptr<THistObject> TPolyMarqueImgRep::NewSame() const
{
    return std::make_unique<TPolyMarqueImgRep>(FData, Repere);
}

void TPolyMarqueImgRep::Defaults()
{
    TPolyContainer::Defaults();
    MarksNumberPosition = std::clamp(FData.OptionNumerotation(), 0, 2);
}

std::unique_ptr<TContainer> TPolyMarqueImgRep::NewContainer(int frame)
{
    return std::make_unique<TMarqueImgRep>(FData, this, Repere, frame);
}

TPolyMarqueImgTsp::TPolyMarqueImgTsp(TData& data, TRepere* repere) : TPolyContainer(data, repere)
{
    Kind = hkPolyTsp;
    Names << DefaultName(1);
}

std::unique_ptr<THistObject> TPolyMarqueImgTsp::NewSame() const
{
    return std::make_unique<TPolyMarqueImgTsp>(FData, Repere);
}

void TPolyMarqueImgTsp::Clear()
{
    TPolyContainer::Clear();
    while (Names.size() < 2)
        Names << DefaultName(int(Names.size()));
}

void TPolyMarqueImgTsp::Defaults()
{
    TPolyContainer::Defaults();
    MarksNumberPosition = std::clamp(FData.OptionNumerotationTsp(), 0, 2);
}

bool TPolyMarqueImgTsp::HasDefaultNames() const
{
    return Names.size() >= 2 && Names[0].compare(DefaultName(0), Qt::CaseInsensitive) == 0 &&
           Names[1].compare(DefaultName(1), Qt::CaseInsensitive) == 0;
}

void TPolyMarqueImgTsp::Load(TDataReader& reader, const QString& suffix)
{
    TPolyContainer::Load(reader, suffix);
    while (Names.size() < 2)
        Names << DefaultName(int(Names.size()));
}

void TPolyMarqueImgTsp::SetNbObjets(int)
{
    TPolyContainer::SetNbObjets(1);
}

void TPolyMarqueImgTsp::SetCurrentObject(int)
{
    TPolyContainer::SetCurrentObject(0);
}

std::unique_ptr<TContainer> TPolyMarqueImgTsp::NewContainer(int frame)
{
    return std::make_unique<TMarqueImgTsp>(FData, this, Repere, frame);
}

void TPolyMarqueImgTsp::EraseOne(TMarque* mark)
{
    if (!mark)
        return;
    THistGroup group(FData.CurrentHistory());
    const int frame = mark->Frame();
    if (RemoveMark(mark, haDelete))
        FData.Transparent->RemoveFrameOrigine(frame);
}

void TPolyMarqueImgTsp::EraseFrame(int frame)
{
    THistGroup group(FData.CurrentHistory());
    if (TContainer* c = ContainerOf(frame); c && !c->Marks.empty())
        RemoveMark(c->Marks.back().get(), haDelete);
    FData.Transparent->RemoveFrameOrigine(frame);
}
