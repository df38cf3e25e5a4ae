// Placement of the video view and of the bottom panel's controls in the main window's client area.
#pragma once

#include <QRect>
#include <QSize>

struct TLayoutInput
{
    QSize Client;            // the main window's client area
    int ToolsBarWidth = 0;   // left
    int ResultsBarWidth = 0; // right
    int ModeBarHeight = 0;   // top
    int StatusBarHeight = 0; // bottom
    int PanelHeight = 0;     // above the status bar
    QSize Video;             // frame size; empty without a video
    int ButtonWidth = 0;     // navigation buttons
};

struct TLayoutResult
{
    QRect View;
    QSize TitleSize; // the free area, where the title picture is drawn without a video
    // The panel: the four status fields from the right, the navigation buttons and the track bar.
    QRect EditImage, EditMarque, EditZoom, EditAngle;
    QRect Buttons[6]; // Lecture, Pause, Retour, Pred, Succ, Avance
    QRect TrackBar;
};

// The view keeps the video's aspect ratio, may be enlarged, and is centred on the whole client width.
TLayoutResult LayoutView(const TLayoutInput& in);
