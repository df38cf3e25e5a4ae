// Undo history of the measurement objects: snapshots taken before each change, grouped by gesture.
#pragma once

#include <QString>
#include <cstdint>
#include <deque>
#include <memory>

// Kinds of undoable objects.
enum : std::uint8_t
{
    hkNone = 0,
    hkEchelle = 1,     // the scale
    hkMarqueRep = 2,   // a mark pointed in the grid mode
    hkMarqueTsp = 3,   // a mark pointed on the layer
    hkOrigine = 4,     // a recorded position of the layer
    hkPolyRep = 5,     // the grid-mode mark list
    hkPolyTsp = 6,     // the layer mark list
    hkRepereFixe = 7,  // the grid
    hkTransparent = 8, // the layer
};

// Actions recorded with a snapshot. Creation entries (2..5) are undone by removing the live object,
// deletion entries (13..16) by putting the snapshot back, all others by copying the snapshot back.
enum : std::uint8_t
{
    haNone = 0,
    haChoose = 1,      // first definition of the grid
    haSetBulk = 2,     // grid mark set by program (import)
    haSet = 3,         // mark set with the mark tool, layer mark
    haAddOrigine = 4,  // layer position added
    haDropOrigine = 5, // layer position added by dropping the sheet
    haDefine = 6,      // first point of a scale
    haTransform = 7,   // layer size changed
    haMove = 8,        // mark dragged, grid origin moved, scale moved as a whole
    haErase = 9,       // grid or scale point erased
    haChangeDirection = 10,
    haModify = 11, // number of objects changed, scale end dragged
    haRotate = 12,
    haDelete = 13,            // mark erased with the erase tool
    haDeleteLast = 14,        // last mark erased with the right button
    haRemoveOrigine = 15,     // layer position removed with its mark or with all positions
    haRemoveLastOrigine = 16, // last layer position removed with the right button
};

bool IsCreationAction(int action);
bool IsDeletionAction(int action);

// Base of every undoable measurement object. Objects are referenced by plain pointers, so they are
// neither copied nor moved; a snapshot is a new object of the same class filled by Assign.
class THistObject
{
public:
    THistObject();
    virtual ~THistObject() = default;
    THistObject(const THistObject&) = delete;
    THistObject& operator=(const THistObject&) = delete;

    int HistGroup = 0;
    int Id = 0;           // from a process-wide counter; a snapshot keeps the Id of its live object
    int IndexInList = -1; // place in the owner's list, to put a restored object back where it was
    std::uint8_t Action = haNone;
    std::uint8_t Kind = hkNone;

    // Copies Action, Kind and IndexInList (the history copies the Id itself); subclasses add their fields.
    virtual void Assign(const THistObject& source);
    // Field-by-field equality (doubles compared with the is-zero test); true in the base.
    virtual bool Equals(const THistObject& other) const;
    // A new object of the same class bound to the same owners, ready to receive Assign; null for objects
    // that are never recorded.
    virtual std::unique_ptr<THistObject> NewSame() const { return nullptr; }

    static int NextId();
};

// What a history needs from the owner of the objects.
class THistServices
{
public:
    virtual ~THistServices() = default;
    // The live object with that Id, or null.
    virtual THistObject* FindById(int id) = 0;
    // Effects of undoing a creation entry (remove the live object) or a restore entry (after the live
    // object took the snapshot's state).
    virtual void AfterUndo(THistObject& object, int action) = 0;
    // Undoing a deletion entry: the snapshot itself goes back into its owner, which takes it over (or
    // frees it when it cannot be put back).
    virtual void AfterUndoPutBack(std::unique_ptr<THistObject> snapshot, int action) = 0;
};

class THistorique
{
public:
    // At most this many entries are kept; the oldest ones are dropped beyond.
    static constexpr int MaxEntries = 65536;

    explicit THistorique(THistServices* services) : FServices(services) {}

    int GroupCount = 0; // number of the last group opened
    int GroupDepth = 0; // nested BeginGroup calls beyond the first
    bool InGroup = false;
    bool Suspended = false;

    void BeginGroup();
    void EndGroup();
    // Records a snapshot of the object before it changes. Nothing while suspended or for objects that
    // are not recorded (unknown kind).
    void AddEntry(const THistObject& object, int action);
    void Suspend() { Suspended = true; }
    void Resume() { Suspended = false; }
    void Clear();
    // Drops the trailing entries that an undo could not reverse (object gone or equal to its snapshot).
    void Pack();
    // "Cancel" followed by the action word and the object word when the last group is uniform; empty
    // when there is nothing to undo.
    QString UndoCaption();
    // Undoes the last group; never fails.
    void Undo();

    int Count() const { return int(FEntries.size()); }
    const THistObject& Entry(int i) const { return *FEntries[std::size_t(i)]; }

    static QString ActionWord(int action);
    static QString KindWord(int kind);

private:
    THistServices* FServices;
    std::deque<std::unique_ptr<THistObject>> FEntries;
};

// Opens a group for the lifetime of the object.
class THistGroup
{
public:
    explicit THistGroup(THistorique& history) : FHistory(history) { FHistory.BeginGroup(); }
    ~THistGroup() { FHistory.EndGroup(); }
    THistGroup(const THistGroup&) = delete;
    THistGroup& operator=(const THistGroup&) = delete;

private:
    THistorique& FHistory;
};
