// The studio's work on pictures, without a window: outlines rasterised into cut-outs, cut-outs pasted onto
// a page, numbered image names and the series of numbered images on disk.
#pragma once

#include "common/UnitTypes.h"
#include "tracking/UnitOutlineMask.h"

#include <QImage>
#include <QPoint>
#include <QRect>
#include <QString>
#include <QStringList>

// Frame pixels of relative points: (round(width x u), round(height x v)), halves to even.
TPointDynArray ToFramePixels(const TPointDDynArray& points, int width, int height);

// The circumference of a circle (midpoint algorithm, all eight octants) as a polygon whose points follow
// each other around the circle, starting at the rightmost point and turning clockwise on the screen.
// centre and radius in pixels; radius 0 gives the centre alone.
TPointDynArray CirclePolygon(const QPoint& centre, int radius);


// The pixels of frame over box as a 32-bit picture of the box's size; pixels outside the frame are black.
QImage CutPicture(const QImage& frame, const QRect& box);

// Copies the pixels of picture where mask is non-zero onto page at box's top-left corner; whatever falls
// outside the page is left out. page is converted to 32 bits when it is not.
void PasteCutOut(QImage& page, const QRect& box, const TMatriceI& mask, const QImage& picture);

// "base_" + index padded with zeros to the number of digits of count + "." + extension, e.g. base_007.png
// for index 7 of 250 images, base_7.png for index 7 of 9.
QString NumberedImageName(const QString& base, int index, int count, const QString& extension);

// A numbered image file name split into its parts: prefix (folder excluded), the number's digits and the
// extension (without the dot). False when the name (before its extension) does not end with a digit.
struct TNumberedName
{
    QString Prefix;
    QString Digits;
    QString Extension;
    qint64 Number = 0;
};
bool SplitNumberedName(const QString& fileName, TNumberedName& parts);

// The image files the studio reads: extensions in lower case, without the dot.
const QStringList& StudioImageExtensions();

// The series that starts at one chosen file: the file, then the files of the same folder, prefix and
// extension whose number continues it (+1, +2 ... written with at least as many digits as the chosen
// file's number) as long as they exist. Only the file itself when its name carries no number; empty when
// it does not exist.
QStringList ImageSeriesFrom(const QString& file);

// The numbered images of a folder as one series in the order of their numbers. The folder must hold exactly
// one series (one prefix and one extension among StudioImageExtensions), numbered without a gap and
// without a number written twice; files of other kinds are ignored.
// Codes: 0 success, 1 no such folder, 2 no numbered image, 3 several series, 4 a gap in the numbering,
// 5 a number written twice. reason explains every failure for the user.
int ImageSeriesOfFolder(const QString& folder, QStringList& files, QString& reason);

// The folder + base + "_" + n + "_" + today as eight digits (ddMMyyyy) + "." + the extension in lower
// case, with the smallest n >= 1 for which no file exists. Today's date text is first removed from the
// base, then its trailing "_" characters.
QString StudioFreeFileName(const QString& folder, const QString& base, const QString& extension);
