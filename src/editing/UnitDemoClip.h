// The demonstration clip: a ball thrown in front of a 1 m ruler, drawn frame by frame, with its exact motion.
#pragma once

#include <QImage>
#include <QPointF>
#include <QString>

// A 2 s, 25 frames/s, 640 x 480 clip of a ball in free flight (g = 9.81 m/s^2) before a ruler 1 m long
// lying on the ground. Everything a test needs to check an analysis is exposed: the scale, the ends of the
// ruler and the centre of the ball on every frame.
//
// World coordinates: metres, origin at the left end of the ruler, x to the right, y upwards.
// Image coordinates: pixels of the frame, origin at its top-left corner, y downwards; a pixel (i, j) covers
// [i, i + 1) x [j, j + 1).
class TDemoClip
{
public:
    static constexpr int Width = 640;
    static constexpr int Height = 480;
    static constexpr int FramesPerSecond = 25;
    static constexpr int FrameCount = 50;
    static constexpr double Gravity = 9.81;        // m/s^2
    static constexpr double PixelsPerMetre = 80.0; // the ruler is this many pixels long
    static constexpr double BallRadius = 8.0;      // pixels
    // The throw, in world coordinates at t = 0 (frame 0).
    static constexpr double StartX = 1.0;    // m
    static constexpr double StartY = 0.5;    // m
    static constexpr double SpeedX = 3.0;    // m/s
    static constexpr double SpeedY = 9.6138; // m/s: the ball is back at its start height after 1.96 s

    // Image position of a world point.
    static QPointF ToImage(double x, double y);
    // The two ends of the ruler in the image (1 m apart along the ground).
    static QPointF RulerLeft();
    static QPointF RulerRight();
    // World position (metres) of the ball's centre at t seconds.
    static QPointF BallWorld(double t);
    // Image position of the ball's centre on a frame (t = frame / FramesPerSecond).
    static QPointF BallCentre(int frame);

    // The picture of a frame (32-bit RGB).
    static QImage Frame(int frame);
    // Writes the clip with the program's own FFmpeg writer (MPEG-4; AVI unless the extension names another
    // container). False with the reason in error on failure (no file is left then).
    static bool Write(const QString& path, QString& error);
};
