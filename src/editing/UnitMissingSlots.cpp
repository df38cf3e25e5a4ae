// Dropped frames of a video found from its frame timestamps, and the time shifts that restore the times.
#include "editing/UnitMissingSlots.h"

#include <algorithm>
#include <cmath>
#include <limits>

TMissingSlots FindMissingSlots(const std::vector<double>& timestamps, double framesPerSecond)
{
    TMissingSlots result;
    if (!(framesPerSecond > 0.0) || !std::isfinite(framesPerSecond) || timestamps.empty())
        return result;
    for (const double t : timestamps)
        if (!std::isfinite(t))
            return result;
    const double start = timestamps.front();
    // Slots are kept far below the integer range: a slot count that large is not a video.
    constexpr double MaxSlot = double(std::numeric_limits<int>::max() / 2);
    long long previous = -1;
    const long long limit = 16 * static_cast<long long>(timestamps.size()) + 1000;
    result.SlotOf.reserve(timestamps.size());
    for (std::size_t f = 0; f < timestamps.size(); ++f) {
        const double exact = std::clamp((timestamps[f] - start) * framesPerSecond, -MaxSlot, MaxSlot);
        const long long nearest = std::llround(exact);
        const long long slot = std::max(nearest, previous + 1);
        if (std::abs(exact - double(slot)) > 0.25)
            result.VariableRate = true;
        // Far more empty slots than frames is a broken time line, not dropped frames: nothing to repair.
        if (static_cast<long long>(result.Missing.size()) + (slot - previous - 1) > limit) {
            TMissingSlots broken;
            broken.VariableRate = true;
            return broken;
        }
        for (long long k = previous + 1; k < slot; ++k)
            result.Missing.push_back(static_cast<int>(k));
        result.SlotOf.push_back(static_cast<int>(slot));
        result.Shifts.push_back(static_cast<int>(slot - static_cast<long long>(f)));
        previous = slot;
    }
    return result;
}
