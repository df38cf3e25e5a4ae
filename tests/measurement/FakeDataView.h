// A video view stand-in for the measurement tests: 1:1 display, a list of visible frames, time shifts.
#pragma once

#include "measurement/UnitDataView.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <vector>

class TFakeView : public TDataView
{
public:
    // Source frame size, and the size of the displayed frame in view pixels (the client area).
    QSize Frame{640, 480};
    QSize Display{640, 480};
    int Frames = 100;
    int FrameShown = 0;
    std::vector<bool> Hidden; // per frame; missing entries are visible
    std::map<int, int> Shifts;
    TModeVideo ModeValue = mvRepereFixe;
    bool ToolActive = false;
    QPoint Mouse;
    int Cursor = -1;
    int CursorRefreshes = 0;
    int Repaints = 0;

    TPointRel ToRelative(int x, int y) const override
    {
        return {std::clamp(double(x) / Display.width(), 0.0, 1.0),
                std::clamp(double(y) / Display.height(), 0.0, 1.0)};
    }
    QPoint ToView(const TPointRel& p) const override
    {
        return {int(std::lround(p.X * Display.width())), int(std::lround(p.Y * Display.height()))};
    }
    QSize FrameSize() const override { return Frame; }
    QSize ClientSize() const override { return Display; }
    int FrameCount() const override { return Frames; }
    int CurrentFrame() const override { return FrameShown; }
    int CurrentPosition() const override { return PositionOf(FrameShown); }
    int PositionCount() const override { return int(Visible().size()); }
    void GoToPosition(int position) override
    {
        const int frame = FrameAt(position);
        if (frame >= 0)
            FrameShown = frame;
    }
    int ShiftOf(int frame) const override
    {
        const auto it = Shifts.find(frame);
        return it == Shifts.end() ? 0 : it->second;
    }
    int PositionOf(int frame) const override
    {
        const std::vector<int> v = Visible();
        const auto it = std::find(v.begin(), v.end(), frame);
        return it == v.end() ? -1 : int(it - v.begin());
    }
    int FrameAt(int position) const override
    {
        const std::vector<int> v = Visible();
        return position >= 0 && position < int(v.size()) ? v[std::size_t(position)] : -1;
    }
    TModeVideo Mode() const override { return ModeValue; }
    bool ViewToolActive() const override { return ToolActive; }
    QPoint MousePosition() const override { return Mouse; }
    void SetCursorNumber(int cursor) override { Cursor = cursor; }
    void CursorRefresh() override { ++CursorRefreshes; }
    void Repaint() override { ++Repaints; }

private:
    std::vector<int> Visible() const
    {
        std::vector<int> v;
        for (int f = 0; f < Frames; ++f)
            if (f >= int(Hidden.size()) || !Hidden[std::size_t(f)])
                v.push_back(f);
        return v;
    }
};
