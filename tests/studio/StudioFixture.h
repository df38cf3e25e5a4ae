// What the studio tests share: the demonstration clip on disk and a view whose pixels are frame pixels.
#pragma once

#include "measurement/UnitDataView.h"
#include "video/UnitVideoSources.h"

#include <QString>
#include <vector>

// The demonstration clip written once into the fixture cache; empty when it cannot be written.
QString DemoClipPath();

// A view of the frame at 100 %: view pixel (x, y) is frame pixel (x, y). Positions are frames unless an
// edited sequence is given.
class TFrameView : public TDataView
{
public:
    explicit TFrameView(TVideoSources& sources) : FSources(sources) {}

    TPointRel ToRelative(int x, int y) const override;
    QPoint ToView(const TPointRel& point) const override;
    QSize FrameSize() const override { return {FSources.FrameWidth(), FSources.FrameHeight()}; }
    QSize ClientSize() const override { return FrameSize(); }
    int FrameCount() const override { return FSources.FrameCount(); }
    int CurrentFrame() const override { return FSources.CurrentFrame(); }
    int CurrentPosition() const override;
    int PositionCount() const override;
    void GoToPosition(int position) override;
    int ShiftOf(int) const override { return 0; }
    int PositionOf(int frame) const override;
    int FrameAt(int position) const override;
    TModeVideo Mode() const override { return mvStudio; }
    bool ViewToolActive() const override { return false; }
    QPoint MousePosition() const override { return {}; }
    void SetCursorNumber(int) override {}
    void CursorRefresh() override {}
    void Repaint() override { ++Repaints; }

    int Repaints = 0;
    // The visible frames in file order (an edited sequence); empty: every frame.
    std::vector<int> Visible;

private:
    TVideoSources& FSources;
};
