// The main window's layout rule: the largest view of the video's aspect ratio in the free area.
#include "shell/UnitLayout.h"

#include <algorithm>
#include <cmath>

TLayoutResult LayoutView(const TLayoutInput& in)
{
    TLayoutResult r;
    const int wa = in.Client.width() - in.ToolsBarWidth - in.ResultsBarWidth;
    const int ha = in.Client.height() - in.ModeBarHeight - in.StatusBarHeight - in.PanelHeight;
    r.TitleSize = QSize(std::max(0, wa), std::max(0, ha));
    if (!in.Video.isEmpty()) {
        const double f = std::min(double(wa) / in.Video.width(), double(ha - 1) / in.Video.height());
        const int w = std::max(0, int(std::lround(in.Video.width() * f)));
        const int h = std::max(0, int(std::lround(in.Video.height() * f)));
        const int left = (in.Client.width() - w) / 2;
        const int top = (in.Client.height() + in.ModeBarHeight - h - in.StatusBarHeight - in.PanelHeight) / 2;
        r.View = QRect(left, top, w, h);
    } else {
        r.View = QRect(in.ToolsBarWidth, in.ModeBarHeight, std::max(0, wa), std::max(0, ha));
    }

    // Panel, in its own coordinates: status fields from the right edge leftwards.
    const int fieldTop = 8;
    const int fieldHeight = in.PanelHeight - 14;
    int right = in.Client.width();
    auto field = [&](int width) {
        right -= width;
        return QRect(right, fieldTop, width, fieldHeight);
    };
    r.EditAngle = field(50);
    r.EditZoom = field(50);
    r.EditMarque = field(35);
    r.EditImage = field(80);
    const int imageLeft = r.EditImage.left();
    const int trackWidth = std::max(0, std::min(200, imageLeft - 6 * in.ButtonWidth - 12));
    int x = (imageLeft - trackWidth - 6 * in.ButtonWidth - 12) / 2;
    const int top = 4;
    const int height = in.PanelHeight - 6;
    for (int i = 0; i < 4; ++i) {
        r.Buttons[i] = QRect(x, top, in.ButtonWidth, height);
        x += in.ButtonWidth;
    }
    x += 2;
    r.TrackBar = QRect(x, top, trackWidth, height);
    x += trackWidth + 2;
    for (int i = 4; i < 6; ++i) {
        r.Buttons[i] = QRect(x, top, in.ButtonWidth, height);
        x += in.ButtonWidth;
    }
    return r;
}
