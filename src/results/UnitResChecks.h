// The checks made before results are computed (scale, marks, grid), as a function of the measurement
// data alone, so that the window and the headless export refuse the same work with the same words.
#pragma once

#include <QString>
#include <QStringList>

class TData;

enum TResCheck : int
{
    rcOk = 0,
    rcNoScale = 1,          // the scale (or one of the two separate scales) is not defined
    rcTooFewMarks = 2,      // grid: an object has fewer than 3 marks
    rcNoGrid = 3,           // grid: the origin of the axes is not set
    rcTooFewLayerMarks = 4, // layer: fewer than 3 marks
    rcFewMarks = 5,         // 3 or 4 marks: velocities are unreliable; the user may go on
};

struct TResCheckResult
{
    int Code = rcOk;
    // The message lines; an empty line is a blank line. Empty for rcOk.
    QStringList Lines;
    // Names of the tool-button pictures that make the message's icon, drawn in this order one over the
    // other; empty for a box with a standard icon (rcFewMarks).
    QStringList Pictures;

    // True when nothing may be computed (every code but rcOk and rcFewMarks).
    bool Refused() const { return Code != rcOk && Code != rcFewMarks; }
    // The lines joined by spaces without the blank ones, for a line of text on a terminal.
    QString OneLine() const;
};

// What the data of the grid (layer false) or of the layer (layer true) allow. The first failing check
// wins: scale, then in the grid the smallest mark count of the objects and the grid, in the layer its
// mark count; then the warning about 3 or 4 marks.
TResCheckResult CheckResults(const TData& data, bool layer);
