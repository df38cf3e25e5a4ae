// Dropped frames of a video found from its frame timestamps, and the time shifts that restore the times.
#pragma once

#include "common/UnitTypes.h"

#include <vector>

// What the timestamps of a file say about its frames. A slot is one nominal frame interval; frame f
// belongs in slot SlotOf[f], counted from the first frame's timestamp.
struct TMissingSlots
{
    TIntegerDynArray SlotOf;  // [frames] slot of each frame, strictly increasing
    TIntegerDynArray Missing; // the empty slots, ascending
    TIntegerDynArray Shifts; // [frames] SlotOf[f] - f: the edited time base's shifts that give the true times
    bool VariableRate = false; // some frames lie far from any slot: the rate is not constant
    int MissingCount() const { return static_cast<int>(Missing.size()); }
};

// timestamps in seconds, one per decoded frame in presentation order; framesPerSecond the nominal rate.
// Every frame takes the slot nearest its time, and at least the slot after its predecessor's (a frame
// repeated at the same time, or timing jitter, never puts two frames in one slot). A frame more than a
// quarter of an interval away from its slot marks the rate as variable. Empty for a rate that is not a
// positive number or timestamps that are not finite; without slots, and variable, when the gaps would hold
// far more empty slots than there are frames (a broken time line rather than dropped frames).
TMissingSlots FindMissingSlots(const std::vector<double>& timestamps, double framesPerSecond);
