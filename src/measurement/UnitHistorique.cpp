// Undo history: recording, packing, captions and undo by group.
#include "measurement/UnitHistorique.h"

#include <algorithm>

bool IsCreationAction(int action)
{
    return action >= haSetBulk && action <= haDropOrigine;
}

bool IsDeletionAction(int action)
{
    return action >= haDelete && action <= haRemoveLastOrigine;
}

THistObject::THistObject() : Id(NextId()) {}

int THistObject::NextId()
{
    static int counter = 0;
    return ++counter;
}

void THistObject::Assign(const THistObject& source)
{
    Action = source.Action;
    Kind = source.Kind;
    IndexInList = source.IndexInList;
}

bool THistObject::Equals(const THistObject&) const
{
    return true;
}

void THistorique::BeginGroup()
{
    if (InGroup) {
        ++GroupDepth;
    } else {
        ++GroupCount;
        InGroup = true;
    }
}

void THistorique::EndGroup()
{
    if (GroupDepth < 1)
        InGroup = false;
    else
        --GroupDepth;
}

void THistorique::AddEntry(const THistObject& object, int action)
{
    if (Suspended || object.Kind < hkEchelle || object.Kind > hkTransparent)
        return;
    std::unique_ptr<THistObject> entry = object.NewSame();
    if (!entry)
        return;
    while (FEntries.size() >= std::size_t(MaxEntries))
        FEntries.pop_front();
    entry->Assign(object);
    entry->Id = object.Id;
    if (!InGroup)
        ++GroupCount; // a change outside a group is a group of its own
    entry->HistGroup = GroupCount;
    entry->Action = std::uint8_t(action);
    FEntries.push_back(std::move(entry));
}

void THistorique::Clear()
{
    GroupCount = 0;
    GroupDepth = 0;
    InGroup = false;
    FEntries.clear();
}

void THistorique::Pack()
{
    while (!FEntries.empty()) {
        const THistObject& entry = *FEntries.back();
        if (IsCreationAction(entry.Action) || IsDeletionAction(entry.Action))
            return;
        const THistObject* live = FServices ? FServices->FindById(entry.Id) : nullptr;
        if (live && live->Kind == entry.Kind && !live->Equals(entry))
            return;
        FEntries.pop_back();
    }
}

QString THistorique::ActionWord(int action)
{
    switch (action) {
    case haChoose:
        return QStringLiteral("Choose");
    case haSetBulk:
    case haSet:
        return QStringLiteral("Set");
    case haAddOrigine:
    case haDropOrigine:
    case haMove:
    case haRemoveOrigine:
    case haRemoveLastOrigine:
        return QStringLiteral("Move");
    case haDefine:
        return QStringLiteral("Define");
    case haTransform:
        return QStringLiteral("Transform");
    case haErase:
        return QStringLiteral("Erase");
    case haChangeDirection:
        return QStringLiteral("Change direction");
    case haModify:
        return QStringLiteral("Modify");
    case haRotate:
        return QStringLiteral("Rotate");
    case haDelete:
    case haDeleteLast:
        return QStringLiteral("Delete");
    default:
        return QString();
    }
}

QString THistorique::KindWord(int kind)
{
    switch (kind) {
    case hkEchelle:
        return QStringLiteral("Scale");
    case hkMarqueRep:
    case hkMarqueTsp:
        return QStringLiteral("Mark");
    case hkOrigine:
    case hkTransparent:
        return QStringLiteral("Layer");
    case hkRepereFixe:
        return QStringLiteral("Grid");
    default:
        return QString();
    }
}

QString THistorique::UndoCaption()
{
    Pack();
    if (FEntries.empty())
        return QString();
    const THistObject& last = *FEntries.back();
    const int group = last.HistGroup;
    bool sameAction = true;
    bool sameKind = true;
    for (auto it = FEntries.rbegin(); it != FEntries.rend() && (*it)->HistGroup == group; ++it) {
        sameAction = sameAction && (*it)->Action == last.Action;
        sameKind = sameKind && (*it)->Kind == last.Kind;
    }
    QString caption = QStringLiteral("Cancel");
    if (sameAction) {
        caption += QLatin1Char(' ') + ActionWord(last.Action);
        const QString kind = KindWord(last.Kind);
        if (sameKind && !kind.isEmpty())
            caption += QLatin1Char(' ') + kind;
    }
    return caption;
}

void THistorique::Undo()
{
    Pack();
    if (FEntries.empty() || !FServices)
        return;
    const int group = FEntries.back()->HistGroup;
    // Whatever the owner does to apply an entry must not record new entries.
    const bool wasSuspended = Suspended;
    Suspended = true;
    while (!FEntries.empty() && FEntries.back()->HistGroup == group) {
        std::unique_ptr<THistObject> entry = std::move(FEntries.back());
        FEntries.pop_back();
        const int action = entry->Action;
        if (IsDeletionAction(action)) {
            FServices->AfterUndoPutBack(std::move(entry), action);
            continue;
        }
        THistObject* live = FServices->FindById(entry->Id);
        if (!live || live->Kind != entry->Kind)
            continue;
        if (!IsCreationAction(action))
            live->Assign(*entry);
        FServices->AfterUndo(*live, action);
    }
    Suspended = wasSuspended;
}
