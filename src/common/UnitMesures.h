// The measurement table that the measurement data hands to the calculation.
#pragma once

#include "common/UnitTypes.h"

// Rows are the frames that carry at least one mark of the active list, in time order.
struct TMesures
{
    std::vector<double> Temps; // per row: seconds, the earliest marked frame at 0
    TMatriceI Images;          // [object][row]: time key of the row (frame + shift - smallest), or -1
    TMatriceD X;               // [object][row]: u - u0, relative units (0 without a mark)
    TMatriceD Y;               // [object][row]: -(v - v0), relative units, upwards (0 without a mark)
};
