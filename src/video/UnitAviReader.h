// Reading of AVI (RIFF) files: the first video stream's format, its frame index and its frames as images.
#pragma once

#include <QImage>
#include <QString>
#include <array>
#include <cstdint>
#include <memory>
#include <vector>

// Where the bytes of an AVI file come from: a file on disk, or a buffer (tests, fuzzing).
class TAviInput
{
public:
    virtual ~TAviInput() = default;
    // Size in bytes.
    virtual std::int64_t Size() const = 0;
    // Reads exactly count bytes at pos; false when they are not all there.
    virtual bool ReadAt(std::int64_t pos, void* data, std::int64_t count) = 0;
};

// A file on disk, kept open for the lifetime of the object.
std::unique_ptr<TAviInput> OpenAviFileInput(const QString& path);
// A buffer that the caller keeps alive while the input exists.
std::unique_ptr<TAviInput> MakeAviMemoryInput(const std::uint8_t* data, std::size_t size);

constexpr std::uint32_t AviFourCC(const char (&s)[5])
{
    return std::uint32_t(std::uint8_t(s[0])) | std::uint32_t(std::uint8_t(s[1])) << 8 |
           std::uint32_t(std::uint8_t(s[2])) << 16 | std::uint32_t(std::uint8_t(s[3])) << 24;
}

// How the frames of the video stream are coded.
enum class TAviCodec
{
    Unsupported, // anything else: another framework has to read the file
    Dib,         // uncompressed bitmap rows: 8 bits with a palette, 16, 24 or 32 bits
    Mjpeg,       // one JPEG picture (or two fields) per frame
};

// Which index gave the frames.
enum class TAviIndexKind
{
    None,
    OpenDml, // the stream's super index and its standard indexes (files above 1 GiB)
    Idx1,    // the index at the end of the first RIFF
    Scan,    // no usable index: the frame chunks were found by walking the movie lists
};

// The video stream as its headers describe it.
struct TAviVideoFormat
{
    int StreamNumber = -1;     // the two digits of its chunk names ("00dc")
    std::uint32_t Handler = 0; // four-character code of the stream header
    std::uint32_t Compression = 0;
    TAviCodec Codec = TAviCodec::Unsupported;
    int Width = 0;        // pixels
    int Height = 0;       // pixels, always positive
    bool TopDown = false; // rows stored from the top (negative height in the bitmap header)
    int BitCount = 0;
    std::uint32_t Rate = 0; // frames per second = Rate / Scale
    std::uint32_t Scale = 0;
    std::uint32_t Start = 0;                  // first frame of the stream
    std::uint32_t Length = 0;                 // frames announced by the stream header
    std::array<std::uint32_t, 256> Palette{}; // 0xAARRGGBB, for 8 bits and fewer
    int PaletteSize = 0;
    bool HasMasks = false;                // colour masks of a bit-field bitmap
    std::array<std::uint32_t, 3> Masks{}; // red, green, blue
};

// Place of one frame's data in the file. Size 0: a drop frame that repeats the frame before it.
struct TAviFrameRef
{
    std::int64_t Pos = 0; // first byte of the data, after the chunk header
    std::uint32_t Size = 0;
};

// Results of TAviReader::Open.
enum TAviStatus : int
{
    asOk = 0,
    asCannotRead = 1, // the file cannot be opened or read
    asNotAvi = 2,     // not a RIFF AVI file
    asNoVideo = 3,    // no video stream, or its headers are missing or damaged
    asBadFormat = 4,  // impossible frame size or bit depth
    asNoFrames = 5,   // no frame data was found
};

class TAviDecoder;

class TAviReader
{
public:
    TAviReader();
    ~TAviReader();
    TAviReader(const TAviReader&) = delete;
    TAviReader& operator=(const TAviReader&) = delete;

    // Reads the headers and the index. A file cut short opens with the frames whose data is complete.
    // The codec may be unsupported: the caller checks Format().Codec.
    int Open(std::unique_ptr<TAviInput> input);
    void Close();

    const TAviVideoFormat& Format() const { return FFormat; }
    TAviIndexKind IndexKind() const { return FIndexKind; }
    // Frames of the stream, drop frames included.
    int FrameCount() const { return int(FFrames.size()); }
    const TAviFrameRef& Frame(int frame) const { return FFrames[std::size_t(frame)]; }
    // The frame whose data is shown at frame: frame itself, or the last frame with data before a drop
    // frame; -1 when no frame before it has data (a black picture is shown).
    int ShownFrame(int frame) const;

    // Decodes frame (0-based) into Picture(). Decoding the same data again is skipped. False when the
    // frame is out of range or cannot be read or decoded; Picture() is then null.
    bool ReadFrame(int frame);
    // The last decoded frame: RGB32, Width x Height pixels, top row first.
    const QImage& Picture() const { return FPicture; }

private:
    int ReadHeaders(std::int64_t riffEnd);
    int ReadStreamList(std::int64_t begin, std::int64_t end, int streamNumber);
    static int ReadBitmapHeader(const std::vector<std::uint8_t>& strf, TAviVideoFormat& format);
    bool LoadOpenDmlIndex(std::vector<TAviFrameRef>& frames, bool& damaged);
    bool LoadStandardIndex(std::int64_t pos, std::vector<TAviFrameRef>& frames, bool& damaged);
    void LoadIdx1(std::vector<TAviFrameRef>& frames, bool& damaged);
    void ScanList(std::int64_t begin, std::int64_t end, int depth, std::vector<TAviFrameRef>& frames);
    bool IsFrameChunk(std::uint32_t id) const;
    bool AddFrame(std::vector<TAviFrameRef>& frames, std::int64_t pos, std::uint32_t size, bool& damaged);

    std::unique_ptr<TAviInput> FInput;
    std::int64_t FFileSize = 0;
    TAviVideoFormat FFormat;
    TAviIndexKind FIndexKind = TAviIndexKind::None;
    std::vector<TAviFrameRef> FFrames;
    std::vector<int> FShown;     // ShownFrame of every frame
    std::int64_t FMaxFrames = 0; // index entries accepted: bounded by the file's size

    // Found while reading the headers.
    struct TRegion
    {
        std::int64_t Begin = 0; // first byte after the list type
        std::int64_t End = 0;
    };
    std::vector<TRegion> FMovieLists; // "movi" of the first RIFF and of every "AVIX" RIFF
    std::int64_t FMoviBase = -1;      // position of the first "movi" list type: base of idx1 offsets
    std::int64_t FIdx1Pos = -1;       // data of "idx1"
    std::uint32_t FIdx1Size = 0;
    std::vector<std::uint8_t> FSuperIndex; // data of the stream's "indx"

    std::unique_ptr<TAviDecoder> FDecoder;
    std::vector<std::uint8_t> FChunk; // data of the frame being decoded
    QImage FPicture;
    int FDecodedFrame = -2; // frame whose data FPicture shows (-1: black); -2 none
};

// Largest frame accepted, in pixels per side and in all: bounds the memory that a header can ask for.
inline constexpr int AviMaxSide = 16384;
inline constexpr std::int64_t AviMaxPixels = 40LL * 1024 * 1024;
// Largest number of frames kept in the index.
inline constexpr std::int64_t AviMaxFrames = 1LL << 24;
