// The comment that the program's own FFmpeg writer puts in its videos, by which the frame sources
// recognise those videos when they open them.
#pragma once

inline constexpr const char* OwnWriterComment = "Kinotra video FFMpeg MPEG4 codec";
