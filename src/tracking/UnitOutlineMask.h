// Closed outlines turned into pixel masks: the target of the tracking and the cut-outs of the studio.
#pragma once

#include "common/UnitTypes.h"

#include <QRect>

// Rasterises a closed polygon (pixels; the first point is appended when the last differs). box: the bounding
// box widened by one pixel on every side (no clipping to any frame); mask: one entry per pixel of box,
// rows first, non-zero inside (non-zero winding) or on an edge (Bresenham). False, with box and mask
// untouched, when fewer than two distinct points remain after dropping repeated consecutive points.
// crossings: how many times the pixel rows cross the edges; contour: the pixels set by the edges.
bool RasteriseOutline(const TPointDynArray& polygon, QRect& box, TMatriceI& mask, int* crossings = nullptr,
                      int* contour = nullptr);
