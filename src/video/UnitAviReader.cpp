// Reading of AVI (RIFF) files: the first video stream's format, its frame index and its frames as images.
//
// Every size and offset read from the file is checked against the file's size before it is used, and
// the memory taken is bounded by the file's size (the index) and by the frame size (pictures), so that
// a damaged or hostile file can neither crash the reader nor make it allocate without bound.
#include "video/UnitAviReader.h"

#include "video/UnitAviDecoder.h"

#include <QFile>

#include <algorithm>
#include <cstring>

namespace {

constexpr std::uint32_t IdRiff = AviFourCC("RIFF");
constexpr std::uint32_t IdList = AviFourCC("LIST");
constexpr std::uint32_t IdAvi = AviFourCC("AVI ");
constexpr std::uint32_t IdAvix = AviFourCC("AVIX");
constexpr std::uint32_t IdHdrl = AviFourCC("hdrl");
constexpr std::uint32_t IdStrl = AviFourCC("strl");
constexpr std::uint32_t IdStrh = AviFourCC("strh");
constexpr std::uint32_t IdStrf = AviFourCC("strf");
constexpr std::uint32_t IdIndx = AviFourCC("indx");
constexpr std::uint32_t IdMovi = AviFourCC("movi");
constexpr std::uint32_t IdRec = AviFourCC("rec ");
constexpr std::uint32_t IdIdx1 = AviFourCC("idx1");
constexpr std::uint32_t IdVids = AviFourCC("vids");

// Types of the OpenDML index chunks.
constexpr std::uint8_t IndexOfIndexes = 0x00;
constexpr std::uint8_t IndexOfChunks = 0x01;

// Largest header chunks read into memory; longer ones are read up to this size.
constexpr std::int64_t MaxHeaderChunk = 64 * 1024;
constexpr std::int64_t MaxSuperIndex = 1024 * 1024;
// Entries of an index read per block.
constexpr std::int64_t IndexBlockBytes = 64 * 1024;
// Nested lists inside a movie list ("rec " groups).
constexpr int MaxListDepth = 2;
// Following RIFF chunks ("AVIX") looked at.
constexpr int MaxRiffChunks = 100000;

std::uint16_t Le16(const std::uint8_t* p)
{
    return std::uint16_t(p[0] | p[1] << 8);
}

std::uint32_t Le32(const std::uint8_t* p)
{
    return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 |
           std::uint32_t(p[3]) << 24;
}

std::uint64_t Le64(const std::uint8_t* p)
{
    return std::uint64_t(Le32(p)) | std::uint64_t(Le32(p + 4)) << 32;
}

class TFileInput : public TAviInput
{
public:
    explicit TFileInput(const QString& path) : FFile(path) {}
    bool Open() { return FFile.open(QIODevice::ReadOnly); }
    std::int64_t Size() const override { return FFile.size(); }
    bool ReadAt(std::int64_t pos, void* data, std::int64_t count) override
    {
        if (pos < 0 || count < 0 || pos > Size() || count > Size() - pos)
            return false;
        if (!FFile.seek(pos))
            return false;
        return FFile.read(static_cast<char*>(data), count) == count;
    }

private:
    QFile FFile;
};

class TMemoryInput : public TAviInput
{
public:
    TMemoryInput(const std::uint8_t* data, std::size_t size) : FData(data), FSize(std::int64_t(size)) {}
    std::int64_t Size() const override { return FSize; }
    bool ReadAt(std::int64_t pos, void* data, std::int64_t count) override
    {
        if (pos < 0 || count < 0 || pos > FSize || count > FSize - pos)
            return false;
        if (count > 0)
            std::memcpy(data, FData + pos, std::size_t(count));
        return true;
    }

private:
    const std::uint8_t* FData;
    std::int64_t FSize;
};

// A chunk header and where its data lies, clamped to the enclosing list.
struct TChunk
{
    std::uint32_t Id = 0;
    std::uint32_t Size = 0; // as written in the file
    std::int64_t Data = 0;  // first byte of the data
    std::int64_t End = 0;   // end of the data, not beyond the enclosing list
    std::int64_t Next = 0;  // header of the following chunk (data is padded to an even size)
    bool Complete = false;  // all the data lies within the enclosing list
};

bool ReadChunk(TAviInput& input, std::int64_t pos, std::int64_t limit, TChunk& chunk)
{
    std::uint8_t head[8];
    if (pos < 0 || pos > limit - 8 || !input.ReadAt(pos, head, 8))
        return false;
    chunk.Id = Le32(head);
    chunk.Size = Le32(head + 4);
    chunk.Data = pos + 8;
    const std::int64_t end = chunk.Data + std::int64_t(chunk.Size);
    chunk.Complete = end <= limit;
    chunk.End = std::min(end, limit);
    chunk.Next = end + (chunk.Size & 1u);
    return true;
}

// The data of a chunk, at most max bytes of it.
std::vector<std::uint8_t> ReadData(TAviInput& input, const TChunk& chunk, std::int64_t max)
{
    std::vector<std::uint8_t> data(std::size_t(std::min(chunk.End - chunk.Data, max)));
    if (!data.empty() && !input.ReadAt(chunk.Data, data.data(), std::int64_t(data.size())))
        data.clear();
    return data;
}

bool IsMjpegCode(std::uint32_t code)
{
    std::uint32_t upper = 0;
    for (int i = 0; i < 4; ++i) {
        std::uint8_t c = std::uint8_t(code >> (8 * i));
        if (c >= 'a' && c <= 'z')
            c = std::uint8_t(c - 'a' + 'A');
        upper |= std::uint32_t(c) << (8 * i);
    }
    for (std::uint32_t known : {AviFourCC("MJPG"), AviFourCC("AVRN"), AviFourCC("AVDJ"), AviFourCC("DMB1"),
                                AviFourCC("IJPG"), AviFourCC("JPEG")})
        if (upper == known)
            return true;
    return false;
}

// Reads a table of fixed-size entries in blocks, calling entry(bytes) for each until it returns false.
// False when the table could not be read entirely.
template <typename TEntry>
bool ForEachEntry(TAviInput& input, std::int64_t pos, std::int64_t count, std::int64_t stride, TEntry entry)
{
    std::vector<std::uint8_t> block;
    const std::int64_t perBlock = std::max<std::int64_t>(1, IndexBlockBytes / stride);
    for (std::int64_t first = 0; first < count; first += perBlock) {
        const std::int64_t n = std::min(perBlock, count - first);
        block.resize(std::size_t(n * stride));
        if (!input.ReadAt(pos + first * stride, block.data(), n * stride))
            return false;
        for (std::int64_t i = 0; i < n; ++i)
            if (!entry(block.data() + i * stride))
                return true;
    }
    return true;
}

} // namespace

std::unique_ptr<TAviInput> OpenAviFileInput(const QString& path)
{
    auto input = std::make_unique<TFileInput>(path);
    if (!input->Open())
        return nullptr;
    return input;
}

std::unique_ptr<TAviInput> MakeAviMemoryInput(const std::uint8_t* data, std::size_t size)
{
    return std::make_unique<TMemoryInput>(data, size);
}

TAviReader::TAviReader() = default;
TAviReader::~TAviReader() = default;

void TAviReader::Close()
{
    FDecoder.reset();
    FInput.reset();
    FFileSize = 0;
    FFormat = TAviVideoFormat();
    FIndexKind = TAviIndexKind::None;
    FFrames.clear();
    FFrames.shrink_to_fit();
    FShown.clear();
    FShown.shrink_to_fit();
    FMovieLists.clear();
    FMoviBase = -1;
    FIdx1Pos = -1;
    FIdx1Size = 0;
    FSuperIndex.clear();
    FChunk.clear();
    FChunk.shrink_to_fit();
    FPicture = QImage();
    FDecodedFrame = -2;
}

int TAviReader::Open(std::unique_ptr<TAviInput> input)
{
    Close();
    if (!input)
        return asCannotRead;
    FInput = std::move(input);
    FFileSize = FInput->Size();
    std::uint8_t head[12];
    if (FFileSize < 12 || !FInput->ReadAt(0, head, 12))
        return asNotAvi;
    if (Le32(head) != IdRiff || Le32(head + 8) != IdAvi)
        return asNotAvi;
    // A file whose writer stopped before it could write the sizes has 0 there: take the whole file.
    const std::uint32_t riffSize = Le32(head + 4);
    const std::int64_t riffEnd = riffSize < 4 ? FFileSize : std::min<std::int64_t>(8 + riffSize, FFileSize);
    const int status = ReadHeaders(riffEnd);
    if (status != asOk)
        return status;

    // The following RIFF chunks of a file above 1 GiB: their movie lists hold the rest of the frames.
    std::int64_t pos = riffSize < 4 ? FFileSize : 8 + std::int64_t(riffSize) + (riffSize & 1u);
    for (int n = 0; n < MaxRiffChunks && pos + 12 <= FFileSize; ++n) {
        TChunk riff;
        std::uint8_t form[4];
        if (!ReadChunk(*FInput, pos, FFileSize, riff) || riff.Id != IdRiff ||
            !FInput->ReadAt(riff.Data, form, 4) || Le32(form) != IdAvix)
            break;
        TChunk chunk;
        for (std::int64_t at = riff.Data + 4; ReadChunk(*FInput, at, riff.End, chunk); at = chunk.Next) {
            std::uint8_t type[4];
            if (chunk.Id == IdList && chunk.Data + 4 <= riff.End && FInput->ReadAt(chunk.Data, type, 4) &&
                Le32(type) == IdMovi) {
                FMovieLists.push_back({chunk.Data + 4, chunk.Size < 4 ? riff.End : chunk.End});
                if (chunk.Size < 4)
                    break;
            }
        }
        pos = riff.Next;
    }

    FMaxFrames = std::min<std::int64_t>(AviMaxFrames, FFileSize / 8);
    // The OpenDML index covers every RIFF; idx1 only the first. A damaged index (cut short, or pointing
    // beyond the end of the file) is only taken when walking the movie lists finds no more frames.
    struct TCandidate
    {
        TAviIndexKind Kind;
        std::vector<TAviFrameRef> Frames;
        bool Damaged = false;
    };
    std::vector<TCandidate> candidates;
    if (!FSuperIndex.empty()) {
        TCandidate c{TAviIndexKind::OpenDml, {}, false};
        if (LoadOpenDmlIndex(c.Frames, c.Damaged))
            candidates.push_back(std::move(c));
    }
    if (FIdx1Pos >= 0) {
        TCandidate c{TAviIndexKind::Idx1, {}, false};
        LoadIdx1(c.Frames, c.Damaged);
        // Frames of "AVIX" RIFFs are not in idx1.
        if (FMovieLists.size() > 1)
            c.Damaged = true;
        candidates.push_back(std::move(c));
    }
    const auto sound = std::find_if(candidates.begin(), candidates.end(),
                                    [](const TCandidate& c) { return !c.Damaged && !c.Frames.empty(); });
    if (sound != candidates.end()) {
        FIndexKind = sound->Kind;
        FFrames = std::move(sound->Frames);
    } else {
        TCandidate scan{TAviIndexKind::Scan, {}, false};
        for (const TRegion& movi : FMovieLists)
            ScanList(movi.Begin, movi.End, 0, scan.Frames);
        candidates.push_back(std::move(scan));
        for (TCandidate& c : candidates) {
            if (c.Frames.size() > FFrames.size()) {
                FIndexKind = c.Kind;
                FFrames = std::move(c.Frames);
            }
        }
    }
    if (FFrames.empty())
        return asNoFrames;

    FShown.resize(FFrames.size());
    int last = -1;
    for (std::size_t i = 0; i < FFrames.size(); ++i) {
        if (FFrames[i].Size > 0)
            last = int(i);
        FShown[i] = last;
    }
    if (FFormat.Codec != TAviCodec::Unsupported)
        FDecoder = std::make_unique<TAviDecoder>(FFormat);
    return asOk;
}

int TAviReader::ReadHeaders(std::int64_t riffEnd)
{
    bool headerList = false;
    int streams = 0;
    int badVideo = asNoVideo;
    TChunk chunk;
    for (std::int64_t at = 12; ReadChunk(*FInput, at, riffEnd, chunk); at = chunk.Next) {
        if (chunk.Id == IdIdx1) {
            if (FIdx1Pos < 0) {
                FIdx1Pos = chunk.Data;
                FIdx1Size = chunk.Size;
            }
            continue;
        }
        std::uint8_t type[4];
        if (chunk.Id != IdList || chunk.Data + 4 > riffEnd || !FInput->ReadAt(chunk.Data, type, 4))
            continue;
        if (Le32(type) == IdMovi) {
            if (FMoviBase < 0)
                FMoviBase = chunk.Data;
            if (chunk.Size >= 4) {
                FMovieLists.push_back({chunk.Data + 4, chunk.End});
                continue;
            }
            // A list whose size was never written (the writer stopped) runs to the end of the RIFF, and
            // nothing after it can be found.
            FMovieLists.push_back({chunk.Data + 4, riffEnd});
            break;
        }
        if (chunk.End - chunk.Data < 4)
            continue;
        if (Le32(type) != IdHdrl || headerList)
            continue;
        headerList = true;
        TChunk stream;
        for (std::int64_t s = chunk.Data + 4; ReadChunk(*FInput, s, chunk.End, stream); s = stream.Next) {
            if (stream.Id != IdList || stream.End - stream.Data < 4 ||
                !FInput->ReadAt(stream.Data, type, 4) || Le32(type) != IdStrl)
                continue;
            if (FFormat.StreamNumber < 0) {
                const int status = ReadStreamList(stream.Data + 4, stream.End, streams);
                if (status != asOk && status != asNoVideo)
                    badVideo = status;
            }
            ++streams;
        }
    }
    if (FFormat.StreamNumber < 0)
        return badVideo;
    return asOk;
}

int TAviReader::ReadStreamList(std::int64_t begin, std::int64_t end, int streamNumber)
{
    std::vector<std::uint8_t> strh, strf, indx;
    TChunk chunk;
    for (std::int64_t at = begin; ReadChunk(*FInput, at, end, chunk); at = chunk.Next) {
        if (chunk.Id == IdStrh && strh.empty())
            strh = ReadData(*FInput, chunk, MaxHeaderChunk);
        else if (chunk.Id == IdStrf && strf.empty())
            strf = ReadData(*FInput, chunk, MaxHeaderChunk);
        else if (chunk.Id == IdIndx && indx.empty())
            indx = ReadData(*FInput, chunk, MaxSuperIndex);
    }
    if (strh.size() < 36 || Le32(strh.data()) != IdVids || strf.size() < 40)
        return asNoVideo;
    TAviVideoFormat format;
    format.StreamNumber = streamNumber;
    format.Handler = Le32(strh.data() + 4);
    format.Scale = Le32(strh.data() + 20);
    format.Rate = Le32(strh.data() + 24);
    format.Start = Le32(strh.data() + 28);
    format.Length = Le32(strh.data() + 32);
    const int status = ReadBitmapHeader(strf, format);
    if (status != asOk)
        return status;
    FFormat = format;
    FSuperIndex = std::move(indx);
    return asOk;
}

int TAviReader::ReadBitmapHeader(const std::vector<std::uint8_t>& strf, TAviVideoFormat& format)
{
    const std::uint8_t* p = strf.data();
    std::uint32_t headerSize = Le32(p);
    if (headerSize < 40 || headerSize > strf.size())
        headerSize = 40;
    const std::int64_t width = std::int32_t(Le32(p + 4));
    const std::int64_t height = std::int32_t(Le32(p + 8));
    format.BitCount = Le16(p + 14);
    format.Compression = Le32(p + 16);
    format.TopDown = height < 0;
    const std::int64_t h = height < 0 ? -height : height;
    if (width <= 0 || h <= 0 || width > AviMaxSide || h > AviMaxSide || width * h > AviMaxPixels)
        return asBadFormat;
    format.Width = int(width);
    format.Height = int(h);

    const std::uint32_t c = format.Compression;
    const bool rgb = c == 0 || c == AviFourCC("DIB ") || c == AviFourCC("RGB ") || c == AviFourCC("RAW ");
    const bool bitFields = c == 3;
    const int bits = format.BitCount;
    const bool grey = c == AviFourCC("Y800") || c == AviFourCC("Y8  ") || c == AviFourCC("GREY");
    if (rgb && (bits == 8 || bits == 16 || bits == 24 || bits == 32)) {
        format.Codec = TAviCodec::Dib;
    } else if (grey && bits == 8) {
        // Grey bytes, stored from the top like every four-character-code format.
        format.Codec = TAviCodec::Dib;
        format.TopDown = true;
        for (std::uint32_t i = 0; i < 256; ++i)
            format.Palette[i] = i << 16 | i << 8 | i;
        format.PaletteSize = 256;
        return asOk;
    } else if (bitFields && (bits == 16 || bits == 32) && strf.size() >= 52) {
        format.HasMasks = true;
        for (int i = 0; i < 3; ++i)
            format.Masks[std::size_t(i)] = Le32(p + 40 + 4 * i);
        if (format.Masks[0] != 0 || format.Masks[1] != 0 || format.Masks[2] != 0)
            format.Codec = TAviCodec::Dib;
    } else if (IsMjpegCode(c)) {
        format.Codec = TAviCodec::Mjpeg;
        format.TopDown = false;
    }

    if (format.Codec == TAviCodec::Dib && bits == 8) {
        const std::uint32_t used = Le32(p + 32);
        const std::size_t wanted = used == 0 ? 256 : std::min<std::uint32_t>(used, 256);
        const std::size_t present = (strf.size() - headerSize) / 4;
        const std::size_t n = std::min(wanted, present);
        for (std::size_t i = 0; i < n; ++i) {
            const std::uint8_t* q = p + headerSize + 4 * i; // blue, green, red, unused
            format.Palette[i] = std::uint32_t(q[2]) << 16 | std::uint32_t(q[1]) << 8 | q[0];
        }
        // No colour table at all: an 8-bit grey picture.
        if (n == 0)
            for (std::uint32_t i = 0; i < 256; ++i)
                format.Palette[i] = i << 16 | i << 8 | i;
        format.PaletteSize = n == 0 ? 256 : int(n);
    }
    return asOk;
}

bool TAviReader::IsFrameChunk(std::uint32_t id) const
{
    const int n = FFormat.StreamNumber;
    if (n < 0 || n > 99)
        return false;
    if ((id & 0xFF) != std::uint32_t('0' + n / 10) || ((id >> 8) & 0xFF) != std::uint32_t('0' + n % 10))
        return false;
    const std::uint32_t kind = (id >> 16) | 0x2020u; // the two letters in lower case
    return kind == (std::uint32_t('d') | std::uint32_t('b') << 8) ||
           kind == (std::uint32_t('d') | std::uint32_t('c') << 8);
}

bool TAviReader::AddFrame(std::vector<TAviFrameRef>& frames, std::int64_t pos, std::uint32_t size,
                          bool& damaged)
{
    if (std::int64_t(frames.size()) >= FMaxFrames)
        return false;
    if (size > 0 && (pos < 0 || pos > FFileSize || std::int64_t(size) > FFileSize - pos)) {
        damaged = true; // data beyond the end of a truncated file, or a wrong offset
        return false;
    }
    frames.push_back({pos, size});
    return true;
}

bool TAviReader::LoadOpenDmlIndex(std::vector<TAviFrameRef>& frames, bool& damaged)
{
    if (FSuperIndex.size() < 24)
        return false;
    const std::uint8_t* p = FSuperIndex.data();
    const int longsPerEntry = Le16(p);
    const std::uint8_t type = p[3];
    const std::int64_t inUse = Le32(p + 4);
    if (type == IndexOfChunks) {
        // A stream with a single standard index may keep it in its header.
        if (longsPerEntry < 2 || FSuperIndex.size() < 32)
            return false;
        const std::int64_t base = std::int64_t(Le64(p + 12) & 0x7FFFFFFFFFFFFFFFull);
        if (base > FFileSize) {
            damaged = true; // every frame would lie beyond the end of the file
            return true;
        }
        const std::int64_t stride = 4 * longsPerEntry;
        const std::int64_t count =
            std::min<std::int64_t>(inUse, (std::int64_t(FSuperIndex.size()) - 24) / stride);
        if (count < inUse)
            damaged = true;
        for (std::int64_t i = 0; i < count; ++i) {
            const std::uint8_t* e = p + 24 + i * stride;
            if (!AddFrame(frames, base + Le32(e), Le32(e + 4) & 0x7FFFFFFFu, damaged))
                break;
        }
        return true;
    }
    if (type != IndexOfIndexes || longsPerEntry != 4)
        return false;
    const std::int64_t count = std::min<std::int64_t>(inUse, (std::int64_t(FSuperIndex.size()) - 24) / 16);
    if (count < inUse)
        damaged = true;
    for (std::int64_t i = 0; i < count && !damaged; ++i) {
        const std::int64_t pos = std::int64_t(Le64(p + 24 + 16 * i) & 0x7FFFFFFFFFFFFFFFull);
        if (!LoadStandardIndex(pos, frames, damaged))
            damaged = true;
        if (std::int64_t(frames.size()) >= FMaxFrames)
            break;
    }
    return true;
}

bool TAviReader::LoadStandardIndex(std::int64_t pos, std::vector<TAviFrameRef>& frames, bool& damaged)
{
    TChunk chunk;
    if (!ReadChunk(*FInput, pos, FFileSize, chunk) || chunk.End - chunk.Data < 24)
        return false;
    std::uint8_t head[24];
    if (!FInput->ReadAt(chunk.Data, head, 24))
        return false;
    const int longsPerEntry = Le16(head);
    if (longsPerEntry < 2 || head[3] != IndexOfChunks)
        return false;
    const std::int64_t inUse = Le32(head + 4);
    const std::int64_t base = std::int64_t(Le64(head + 12) & 0x7FFFFFFFFFFFFFFFull);
    if (base > FFileSize) {
        damaged = true; // every frame would lie beyond the end of the file
        return true;
    }
    const std::int64_t stride = 4 * longsPerEntry;
    const std::int64_t count = std::min(inUse, (chunk.End - chunk.Data - 24) / stride);
    if (count < inUse)
        damaged = true;
    const bool read = ForEachEntry(*FInput, chunk.Data + 24, count, stride, [&](const std::uint8_t* e) {
        // The offset points at the data; the top bit of the size marks a frame that is not a key frame.
        return AddFrame(frames, base + Le32(e), Le32(e + 4) & 0x7FFFFFFFu, damaged);
    });
    return read;
}

void TAviReader::LoadIdx1(std::vector<TAviFrameRef>& frames, bool& damaged)
{
    const std::int64_t available = std::min<std::int64_t>(FIdx1Size, FFileSize - FIdx1Pos);
    if (available < std::int64_t(FIdx1Size))
        damaged = true; // the file ends inside the index
    const std::int64_t count = available / 16;
    // Offsets count from the movie list's type, or (some writers) from the start of the file: the first
    // entry tells which, by the chunk name found where it points.
    std::int64_t base = -1;
    auto nameAt = [this](std::int64_t pos) {
        std::uint8_t id[4];
        return FInput->ReadAt(pos, id, 4) ? Le32(id) : 0u;
    };
    const bool read = ForEachEntry(*FInput, FIdx1Pos, count, 16, [&](const std::uint8_t* e) {
        const std::uint32_t id = Le32(e);
        const std::int64_t offset = Le32(e + 8);
        const std::uint32_t size = Le32(e + 12);
        if (base < 0 && size > 0) {
            base = FMoviBase >= 0 ? FMoviBase : 0;
            if (nameAt(base + offset) != id && nameAt(offset) == id)
                base = 0;
        }
        if (!IsFrameChunk(id))
            return true;
        return AddFrame(frames, (base < 0 ? 0 : base) + offset + 8, size, damaged);
    });
    if (!read)
        damaged = true;
}

void TAviReader::ScanList(std::int64_t begin, std::int64_t end, int depth, std::vector<TAviFrameRef>& frames)
{
    bool damaged = false;
    TChunk chunk;
    for (std::int64_t at = begin; ReadChunk(*FInput, at, end, chunk); at = chunk.Next) {
        if (chunk.Id == IdList) {
            std::uint8_t type[4];
            if (depth < MaxListDepth && chunk.End - chunk.Data >= 4 && FInput->ReadAt(chunk.Data, type, 4) &&
                Le32(type) == IdRec)
                ScanList(chunk.Data + 4, chunk.End, depth + 1, frames);
            continue;
        }
        if (!IsFrameChunk(chunk.Id))
            continue;
        // The chunk that a truncated file cuts through is left out.
        if (!chunk.Complete || !AddFrame(frames, chunk.Data, chunk.Size, damaged))
            return;
    }
}

int TAviReader::ShownFrame(int frame) const
{
    if (frame < 0 || frame >= FrameCount())
        return -1;
    return FShown[std::size_t(frame)];
}

bool TAviReader::ReadFrame(int frame)
{
    if (!FDecoder || frame < 0 || frame >= FrameCount())
        return false;
    const int shown = FShown[std::size_t(frame)];
    if (shown == FDecodedFrame && !FPicture.isNull())
        return true;
    FDecodedFrame = -2;
    if (shown < 0) {
        // A drop frame before any picture: black, as a player shows it.
        FPicture = QImage(FFormat.Width, FFormat.Height, QImage::Format_RGB32);
        if (FPicture.isNull())
            return false;
        FPicture.fill(Qt::black);
        FDecodedFrame = -1;
        return true;
    }
    const TAviFrameRef& ref = FFrames[std::size_t(shown)];
    // Uncompressed rows need no more than a full bitmap; a JPEG picture is bounded generously.
    const std::int64_t pixels = std::int64_t(FFormat.Width) * FFormat.Height;
    const std::int64_t limit = FFormat.Codec == TAviCodec::Dib
                                   ? TAviDecoder::DibStride(FFormat.Width, FFormat.BitCount) * FFormat.Height
                                   : 8 * pixels + (1 << 20);
    const std::int64_t size = std::min<std::int64_t>(ref.Size, limit);
    FChunk.resize(std::size_t(size));
    if (!FInput->ReadAt(ref.Pos, FChunk.data(), size) ||
        !FDecoder->Decode(FChunk.data(), FChunk.size(), FPicture)) {
        FPicture = QImage();
        return false;
    }
    FDecodedFrame = shown;
    return true;
}
