// The datasheet as a string matrix, the form in which spreadsheet files receive it.
#pragma once

#include "calc/UnitResultats.h"
#include "common/UnitOptions.h"
#include "common/UnitTypes.h"
#include "results/UnitResGrid.h"

// The matrix of the active column model: every row of the datasheet from the button row on, every
// shown column (the row-number column left out), each cell its text in full precision (15 significant
// digits, "#Number!" for a non-defined value, empty where the object has no mark). The button row is
// empty except, when there are at least two columns, the rotation caption in [0][0]
// ("Grid rotation in the trigonometric direction (rad) : ") and the angle in radians (shortest form) in
// [0][1]. gridAngle is the grid's rotation; while the layer's table is active the angle is 0, the
// layer's axes being never rotated. Recounts the model first.
TMatriceStr BuildDatasheetMatrix(TResGrid& grid, double gridAngle);

// The matrix that the "Excel" and "OpenOffice" exports hand on, built without any window: the current
// table is recomputed with the smoothing and computed flags of the options and every group the options
// show is shown, as for the text export. 0 on success, else the calculation's code (matrix untouched).
int ExportDatasheetMatrix(TResCalc& calc, TResGrid& grid, const TOptions& options, bool videoOpen,
                          double gridAngle, TMatriceStr& matrix);
