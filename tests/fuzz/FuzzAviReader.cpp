// Fuzz target for the AVI reader: any bytes must open or fail, and every frame decode or fail, without a
// fault and without memory beyond the bounds that the file's size and the frame size set.
#include "video/UnitAviReader.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    TAviReader reader;
    if (reader.Open(MakeAviMemoryInput(data, size)) != asOk)
        return 0;
    const int frames = reader.FrameCount();
    // The first frames, and a few spread over the rest (drop frames repeat earlier ones).
    for (int i = 0; i < frames && i < 4; ++i)
        reader.ReadFrame(i);
    for (int i = 4; i < frames; i += frames / 4 + 1)
        reader.ReadFrame(i);
    (void)reader.ShownFrame(frames - 1);
    return 0;
}
