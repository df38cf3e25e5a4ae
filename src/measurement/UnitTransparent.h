// The layer: a sheet of tracing paper over the video with its own axes through its centre, a reference
// frame that moves from frame to frame.
#pragma once

#include "measurement/UnitData.h"

#include <QPoint>
#include <memory>

class TTransparent : public TRepere
{
public:
    explicit TTransparent(TData& data);

    double LayerWidth = 0.5;  // half the sheet's width, relative to the frame width
    double LayerHeight = 0.5; // half the sheet's height, relative to the frame height
    int LayerStage = 0;       // 0 waiting to grab the sheet, 1 dragging it, 2 pointing on it
    int SheetLeft = 0, SheetTop = 0, SheetRight = 0, SheetBottom = 0; // view pixels
    TPointRel MousePosition;                 // last mouse position while dragging (relative units)
    TPointRel GrabOffset;                    // mouse minus centre when the sheet was grabbed
    const std::unique_ptr<TOrigine> Parking; // where the sheet waits while no position is recorded

    void Assign(const THistObject& source) override;
    bool Equals(const THistObject& other) const override;
    std::unique_ptr<THistObject> NewSame() const override;
    // Puts a removed position back; with action 3 the centre goes there and the stage advances twice.
    bool AddOrigine(std::unique_ptr<TOrigine> origine, int action) override;
    // Removes a position; with action 14 the view shows its frame, the centre goes to the last remaining
    // position (the parking position when none) and the stage advances once.
    bool RemoveOrigine(TOrigine* origine, int action) override;
    void Load(TDataReader& reader, const QString& suffix) override;
    void Save(TDataWriter& writer, const QString& suffix) const override;
    void SetDirectX(bool direct) override;
    void SetDirectY(bool direct) override;
    // Centre := point - grab offset.
    void SetOrigine(const TPointRel& point) override;
    // Recomputes the sheet rectangle.
    void Refresh() override;

    // Initial state: stage 0, half sizes 0.5, no grab offset, no position (the centre keeps its value).
    void Reset();
    void ComputeParking();
    // The layer tool was chosen: parks the sheet when no position is recorded.
    void SelectTool();
    // One undo group removing every recorded position, then SelectTool.
    void EraseAllPositions();
    void NextStage();
    void PreviousStage();
    // True while the sheet follows the mouse (the Enter key then drops it).
    bool Dragging() const { return LayerStage == 1; }

    // The layer tool, view pixels. Left button: grab the sheet (stage 0), drop it (stage 1), point the
    // object on it (stage 2). Right button: take back the last mark (stage 0), cancel the drop (stage 2).
    void MouseDown(int button, Qt::KeyboardModifiers shift, int x, int y);
    // Drags the sheet in stage 1.
    void MouseMove(Qt::KeyboardModifiers shift, int x, int y);
    // Drops the sheet in stage 1.
    void MouseUp(int button, Qt::KeyboardModifiers shift, int x, int y);
    // Minus shrinks the sheet (while its half width is above 0.1), plus or = grows it (below 1), by 10 %.
    void KeyDown(int key, Qt::KeyboardModifiers shift);
    // The sheet's outline and its two axes through the centre, in the element colour and size.
    void Paint(QPainter& painter) const;

private:
    // Centre := pointer - grab offset; records the position of the current frame (or corrects it).
    void Drop(int x, int y);
    // Points the object on the sheet on the current frame.
    void PointOnSheet(int x, int y);
    // Removes the position just dropped and parks the sheet at the last remaining one.
    void CancelDrop();
};
