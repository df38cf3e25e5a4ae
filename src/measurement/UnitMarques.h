// Marks (one pointed position of one object on one frame), frame containers and the mark lists.
#pragma once

#include "measurement/UnitData.h"

#include <QPoint>
#include <QRect>
#include <QStringList>
#include <memory>
#include <vector>

class TContainer;

// Largest number of objects pointed on each frame.
inline constexpr int MaxObjets = 32;

class TMarque : public THistObject
{
public:
    TMarque(TData& data, TRepere* repere, TContainer* container, TPolyContainer* list, int object);

    int MarkOrderNumber = 0; // object index, 0-based
    QPoint Pixel;            // cached view pixel of GetPosition
    TRepere* Repere;         // grid for grid marks, layer for layer marks (not owned)
    TContainer* Container;   // frame container holding the mark (not owned)
    TPolyContainer* List;    // list of the container (not owned)

    void Assign(const THistObject& source) override;
    bool Equals(const THistObject& other) const override;
    virtual void Load(TDataReader& reader, const QString& suffix);
    // Position relative to the reference frame's current origin, and absolute position in the frame,
    // both in relative units.
    virtual TPointRel GetOffset() const { return FOffset; }
    virtual TPointRel GetPosition() const { return FPosition; }
    virtual void Save(TDataWriter& writer, const QString& suffix) const;
    virtual void SetOffset(const TPointRel& offset);
    virtual void SetPosition(const TPointRel& position);

    // Converts the view pixel, stores it and caches the pixel of the resulting position.
    void SetFromPixel(int x, int y);
    void RefreshPixel();
    // Within max(6, pen width) / 2 pixels of the cached pixel in x and in y.
    bool Hit(int x, int y) const;
    // The cached pixel lies in the rectangle (edges included, whatever its orientation).
    bool Inside(const QPoint& corner1, const QPoint& corner2) const;
    void Paint(QPainter& painter, int number) const;
    int Frame() const;

protected:
    TData& FData;
    TPointRel FPosition;
    TPointRel FOffset;
};

// A grid-mode mark: stores its position in the frame.
class TMarqueRep : public TMarque
{
public:
    TMarqueRep(TData& data, TRepere* repere, TContainer* container, TPolyContainer* list, int object);
    std::unique_ptr<THistObject> NewSame() const override;
    TPointRel GetOffset() const override;
    void SetOffset(const TPointRel& offset) override;
};

// A layer mark: stores its offset from the layer's centre, so it moves with the sheet on the screen.
class TMarqueTsp : public TMarque
{
public:
    TMarqueTsp(TData& data, TRepere* repere, TContainer* container, TPolyContainer* list, int object);
    std::unique_ptr<THistObject> NewSame() const override;
    TPointRel GetPosition() const override;
    void SetPosition(const TPointRel& position) override;
};

// The marks of one frame; at most one mark per object, kept in object order.
class TContainer : public THistObject
{
public:
    TContainer(TData& data, TPolyContainer* list, TRepere* repere, int frame);

    int MarksContainerFrameNumber = 0; // frame
    int MarksContainerMarkNumber = 0;  // rank of the frame among the marked frames
    std::vector<std::unique_ptr<TMarque>> Marks;
    TRepere* Repere;
    TPolyContainer* List;

    // Copies the numbers and the marks: existing marks are reused by position, missing ones created,
    // surplus ones freed; each copy keeps the Id of its source mark.
    void Assign(const THistObject& source) override;
    bool Equals(const THistObject& other) const override;
    virtual void Load(TDataReader& reader, const QString& suffix);
    virtual void Save(TDataWriter& writer, const QString& suffix) const;

    virtual std::unique_ptr<TMarque> NewMark(int object) = 0;
    TMarque* MarkOf(int object) const;
    bool Holds(const TMarque* mark) const;
    // Takes the mark unless the container already holds it or a mark of the same object; a refused
    // mark is handed back through the argument.
    bool Insert(std::unique_ptr<TMarque>& mark);
    // Hands the mark over to the caller; null when it is not here.
    std::unique_ptr<TMarque> Take(TMarque* mark);

protected:
    TData& FData;
};

class TMarqueImgRep : public TContainer
{
public:
    using TContainer::TContainer;
    std::unique_ptr<TMarque> NewMark(int object) override;
};

class TMarqueImgTsp : public TContainer
{
public:
    using TContainer::TContainer;
    std::unique_ptr<TMarque> NewMark(int object) override;
};

// A mark list: the containers of one mode, the object names and the display settings.
class TPolyContainer : public THistObject
{
public:
    TPolyContainer(TData& data, TRepere* repere);
    ~TPolyContainer() override;

    bool MarksIsAllDrawn = true;
    int MarksNumberPerFrame = 1; // objects per frame
    int MarksNumberToDraw = 1;
    int CurrentMarkOrderNumber = 0;
    int DragIndex = -1;              // mark being moved
    int DragState = 0;               // 0 none, 1 moving a mark, 2 drawing an erase rectangle
    QPoint EraseAnchor, EraseCorner; // erase rectangle, view pixels
    int MarksNumberPosition = 0;     // numbers: 0 below the mark, 1 on its right, 2 not drawn
    QStringList Names;
    std::vector<TMarque*> AllMarks;                      // every mark in the order added (not owned)
    std::vector<std::unique_ptr<TContainer>> Containers; // in creation order; empty ones stay
    TRepere* Repere;

    void Assign(const THistObject& source) override;
    bool Equals(const THistObject& other) const override;
    // Puts a removed mark back into its container. False (and the mark freed) when there is no mark, its
    // container is not one of this list's, or the container refuses it.
    virtual bool AddMark(std::unique_ptr<TMarque> mark, int action);
    // Frees every container and mark; the callers clear the histories that may refer to them.
    virtual void Clear();
    virtual void Defaults();
    virtual bool HasDefaultNames() const;
    virtual void Load(TDataReader& reader, const QString& suffix);
    virtual void Save(TDataWriter& writer, const QString& suffix) const;
    virtual bool RemoveMark(TMarque* mark, int action);
    virtual int RemoveFrameMarks(int frame);
    virtual void RemoveObjectMarks(int object);
    virtual void SetNbObjets(int n);
    virtual void SetCurrentObject(int i);

    static QString DefaultName(int i);
    int MarksCount() const { return int(AllMarks.size()); }
    int MarksOnFrame(int frame) const;
    QString Name(int i) const;
    void SetName(int i, const QString& name);
    int LastMarkedFrame() const;
    int SmallestMarksNumber() const;
    TContainer* ContainerOf(int frame) const;
    TContainer* ContainerOrNew(int frame);
    int IndexOf(const TMarque* mark) const;

    // Mark tool, left button: marks the current object on the current frame and moves on.
    void PointMark(int x, int y);
    // Mark tool, right button: removes the last mark added; false when there is none.
    bool EraseLastMark();
    // Move tool (otDeplacer) and erase tool (otEffacer).
    void MouseDown(TOutil tool, int button, Qt::KeyboardModifiers shift, int x, int y);
    void MouseMove(TOutil tool, Qt::KeyboardModifiers shift, int x, int y);
    void MouseUp(TOutil tool, int button, Qt::KeyboardModifiers shift, int x, int y);
    // Sets the object's mark on a frame (created with the frame's container when missing).
    void SetMarkAt(int object, int frame, const TPointRel& position);
    void Refresh();
    void Paint(QPainter& painter) const;
    void Renumber();
    void CancelDrag();

protected:
    virtual std::unique_ptr<TContainer> NewContainer(int frame) = 0;
    // Erases one mark with the erase tool / every mark of a frame with its right button.
    virtual void EraseOne(TMarque* mark);
    virtual void EraseFrame(int frame);
    void Register(TMarque* mark, int index);
    void Unregister(TMarque* mark);
    void NotifyMarksChanged();

    TData& FData;
};

class TPolyMarqueImgRep : public TPolyContainer
{
public:
    TPolyMarqueImgRep(TData& data, TRepere* repere);
    std::unique_ptr<THistObject> NewSame() const override;
    void Defaults() override;

protected:
    std::unique_ptr<TContainer> NewContainer(int frame) override;
};

// The layer list: always exactly one object; a second name names the object the sheet's centre follows.
class TPolyMarqueImgTsp : public TPolyContainer
{
public:
    TPolyMarqueImgTsp(TData& data, TRepere* repere);
    std::unique_ptr<THistObject> NewSame() const override;
    void Clear() override;
    void Defaults() override;
    bool HasDefaultNames() const override;
    void Load(TDataReader& reader, const QString& suffix) override;
    void SetNbObjets(int n) override;
    void SetCurrentObject(int i) override;

protected:
    std::unique_ptr<TContainer> NewContainer(int frame) override;
    void EraseOne(TMarque* mark) override;
    void EraseFrame(int frame) override;
};
