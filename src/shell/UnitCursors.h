// The program's own mouse pointers: fifty pictures drawn in code and registered once under fixed numbers.
#pragma once

#include <QCursor>
#include <QImage>
#include <QPoint>
#include <QString>

// The numbers under which the views and tools ask for a pointer; 0 is the ordinary arrow.
enum TCursorNumber : int
{
    crDefault = 0,
    crAmortiExpHaut = 1, // model damping handles: exponential envelope, upper and lower
    crAmortiExpBas = 2,
    crAmortiLinHaut = 3, // the same for a linear envelope
    crAmortiLinBas = 4,
    crDeformBasDroit = 5, // a model handle pulled toward a corner
    crDeformBasGauche = 6,
    crDeformHautDroit = 7,
    crDeformHautGauche = 8,
    crDeformer = 9,   // bend an arc, a circle or an ellipse
    crDeplacer = 10,  // move tool, nothing under the pointer
    crDetection = 11, // information about what lies under the pointer
    crDupliquer = 12,
    crEchelle = 13,  // one end of a scale
    crGomme = 14,    // eraser
    crInverser = 15, // reverse a vector
    crMarque = 16,   // point a mark (one object per frame)
    crMarque0 = 17,  // point a mark of the object whose number ends in 0 ... 9
    crMarque1 = 18,
    crMarque2 = 19,
    crMarque3 = 20,
    crMarque4 = 21,
    crMarque5 = 22,
    crMarque6 = 23,
    crMarque7 = 24,
    crMarque8 = 25,
    crMarque9 = 26,
    crNesw = 27,    // diagonal resize, north-east to south-west
    crNwse = 28,    // diagonal resize, north-west to south-east
    crOrigine = 29, // origin of the axes
    crPan = 30,
    crPen = 31,  // draw (one object)
    crPen0 = 32, // draw for the object whose number ends in 0 ... 9
    crPen1 = 33,
    crPen2 = 34,
    crPen3 = 35,
    crPen4 = 36,
    crPen5 = 37,
    crPen6 = 38,
    crPen7 = 39,
    crPen8 = 40,
    crPen9 = 41,
    crReticule = 42, // cross-hair
    crRotation = 43,
    crSelDeformer = 44, // over something that can be bent or turned
    crSelection = 45,   // over something that can be moved
    crSelRotation = 46, // over something that can be turned
    crSelGomme = 47,    // over something that the eraser removes
    crZoom = 48,
    crZoomX = 49,
    crZoomY = 50,
};

constexpr int CustomCursorCount = 50;
// Size of every picture in logical (device-independent) pixels.
constexpr int CursorSize = 32;

// Builds the fifty cursors for the screens' pixel ratio. Needs a QGuiApplication; without one it does
// nothing and the next call tries again. Further calls after a success do nothing.
void RegisterCursors();

// The cursor of a number (registering the set on first use); 0 or a number outside 1..50 gives the arrow.
QCursor CustomCursor(int number);

// The name of a number ("Marque3"); empty outside 1..50.
QString CursorName(int number);

// The hot spot of a number in logical pixels of the 32 x 32 picture; (0, 0) outside 1..50.
QPoint CursorHotSpot(int number);

// The picture of a number drawn for a device pixel ratio (32 x 32 logical pixels, transparent around the
// drawing); a null image outside 1..50. For previews and tests; CustomCursor uses the same drawing.
QImage CursorPicture(int number, qreal devicePixelRatio = 1.0);
