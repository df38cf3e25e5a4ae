// Writes small AVI files with the less common structures (OpenDML indexes, drop frames, "rec " lists,
// offsets from the start of the file, palettes, colour masks) as starting points for the AVI fuzz target.
// Usage: avi_seeds FOLDER
#include "video/TestVfwPlayAviBuilder.h"

#include <QDir>

int main(int argc, char** argv)
{
    if (argc < 2)
        return 2;
    const QDir dir(QString::fromLocal8Bit(argv[1]));
    TTestAvi base;
    base.Width = 4;
    base.Height = 3;
    for (int i = 0; i < 3; ++i)
        base.Frames.push_back(base.SolidFrame(qRgb(40 * i, 200 - 50 * i, 90)));
    base.Frames.insert(base.Frames.begin() + 1, QByteArray()); // a drop frame

    TTestAvi openDml = base;
    openDml.Index = TTestIndex::OpenDml;
    openDml.AvixGaps = {16};
    TTestAvi absolute = base;
    absolute.Index = TTestIndex::Idx1Absolute;
    absolute.AudioStreamFirst = true;
    absolute.RecLists = true;
    TTestAvi unindexed = base;
    unindexed.Index = TTestIndex::None;
    TTestAvi palette;
    palette.Width = 4;
    palette.Height = 2;
    palette.BitCount = 8;
    palette.TopDown = true;
    palette.Palette = {0x000000, 0xFF0000, 0x00FF00};
    palette.Frames = {palette.SolidFrame(1), palette.SolidFrame(2)};
    TTestAvi masks;
    masks.Width = 2;
    masks.Height = 1;
    masks.BitCount = 16;
    masks.Compression = 3;
    masks.Palette = {0xF800, 0x07E0, 0x001F};
    masks.Frames = {QByteArray("\x00\xF8\xE0\x07", 4)};

    bool ok = openDml.Write(dir.filePath("seed_opendml.avi")) &&
              absolute.Write(dir.filePath("seed_absolute.avi")) &&
              unindexed.Write(dir.filePath("seed_unindexed.avi")) &&
              palette.Write(dir.filePath("seed_palette.avi")) && masks.Write(dir.filePath("seed_masks.avi"));
    return ok ? 0 : 1;
}
