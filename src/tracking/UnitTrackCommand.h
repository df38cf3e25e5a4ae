// The headless tracking command: one object tracked from a rectangle on one frame, written as CSV.
#pragma once

#include <QImage>
#include <QRect>
#include <QString>
#include <functional>
#include <vector>

struct TTrackRequest
{
    int Frame = -1;               // 0-based frame of the file on which the rectangle is drawn
    QRect Rect;                   // frame pixels, origin at the top-left corner
    int Last = -1;                // last frame to track; -1: the last frame of the video
    int Radius = -1;              // search radius in frame pixels; -1: the option's value
    std::vector<QRect> Ignore;    // zones to ignore, frame pixels
    double FramesPerSecond = 0.0; // of the video; sets how long a loss may last (0: unknown)
};

// "X,Y,W,H" as four integers; false for anything else.
bool ParseTrackRect(const QString& text, QRect& rect);

// Tracks the request over frames Frame..Last of a video of frameCount frames whose pictures frameAt
// gives (a null image for a frame it cannot read). csv receives the header "frame,x,y,confidence" and
// one row per tracked frame (x, y in frame pixels, origin at the top-left corner of the frame).
// Returns 0 when the run ended, also early (message then says why), and 1 on bad input (message says
// what): a frame out of range or unreadable, a rectangle empty or not inside the frame, a radius outside
// 10..100, a zone to ignore that is empty, a rectangle over a uniform area.
int RunTrackCommand(const TTrackRequest& request, int frameCount, const std::function<QImage(int)>& frameAt,
                    int defaultRadius, QString& csv, QString& message);
