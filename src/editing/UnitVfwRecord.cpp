// The program's own AVI writer: uncompressed 24-bit or Motion-JPEG frames, one at a time, continued in
// OpenDML "AVIX" chunks beyond 1 GiB.
//
// Layout of a file: RIFF "AVI " { LIST "hdrl" { avih, LIST "strl" { strh, strf, JUNK }, LIST "odml" {
// dmlh } }, LIST "movi" { frames }, idx1 }. The JUNK chunk reserves the room of the OpenDML super index.
// When the first RIFF would pass the size limit, it gets a standard index "ix00" at the end of its movie
// list, the file goes on in RIFF "AVIX" { LIST "movi" { frames, ix00 } } chunks, and at the end the JUNK
// becomes the super index "indx" that points at every "ix00". A file that stays below the limit is a
// plain AVI with idx1 only. Every frame is a key frame.
#include "editing/UnitVfwRecord.h"

#include "common/UnitIni.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPainter>
#include <turbojpeg.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <filesystem>
#include <limits>
#include <numeric>
#include <vector>

const QString VfwMotionJpegName = QStringLiteral("Motion JPEG");
const QString VfwMotionJpegFourCC = QStringLiteral("MJPG");

namespace {

const QString KeyCodec = QStringLiteral("Codec");

constexpr std::uint32_t FourCC(const char (&s)[5])
{
    return std::uint32_t(std::uint8_t(s[0])) | std::uint32_t(std::uint8_t(s[1])) << 8 |
           std::uint32_t(std::uint8_t(s[2])) << 16 | std::uint32_t(std::uint8_t(s[3])) << 24;
}

// Largest picture, per side and in all, that the program's own AVI reader accepts.
constexpr int MaxSide = 16384;
constexpr std::int64_t MaxPixels = 40LL * 1024 * 1024;
// Entries reserved for the super index: 256 RIFF chunks of 1 GiB.
constexpr int SuperIndexEntries = 256;
constexpr std::int64_t SuperIndexBytes = 24 + 16 * SuperIndexEntries;
constexpr std::int64_t DmlhBytes = 248;
// Frames of one file: far beyond any edited video, and below the reader's own bound.
constexpr int MaxFrames = 1 << 24;

constexpr std::uint32_t AvifHasIndex = 0x10;
constexpr std::uint32_t AvifIsInterleaved = 0x100;
constexpr std::uint32_t AvifTrustChunkType = 0x800;
constexpr std::uint32_t AviifKeyFrame = 0x10;

// Little-endian bytes of a header or an index.
class TBytes
{
public:
    void U8(std::uint8_t v) { FData.push_back(v); }
    void U16(std::uint16_t v)
    {
        U8(std::uint8_t(v));
        U8(std::uint8_t(v >> 8));
    }
    void U32(std::uint32_t v)
    {
        U16(std::uint16_t(v));
        U16(std::uint16_t(v >> 16));
    }
    void U64(std::uint64_t v)
    {
        U32(std::uint32_t(v));
        U32(std::uint32_t(v >> 32));
    }
    void Id(const char (&s)[5]) { U32(FourCC(s)); }
    void Zeros(std::int64_t n) { FData.insert(FData.end(), std::size_t(n), 0); }
    std::int64_t Size() const { return std::int64_t(FData.size()); }
    void Put32(std::int64_t at, std::uint32_t v)
    {
        for (int i = 0; i < 4; ++i)
            FData[std::size_t(at + i)] = std::uint8_t(v >> (8 * i));
    }
    const std::uint8_t* Data() const { return FData.data(); }

private:
    std::vector<std::uint8_t> FData;
};

std::uint32_t Clamp32(std::int64_t v)
{
    return std::uint32_t(std::clamp<std::int64_t>(v, 0, std::numeric_limits<std::uint32_t>::max()));
}

} // namespace

struct TVfwRecord::TImpl
{
    explicit TImpl(std::int64_t riffLimit) : RiffLimit(riffLimit) {}
    ~TImpl() { ReleaseJpeg(); }

    const std::int64_t RiffLimit;
    QFile File;
    tjhandle Jpeg = nullptr;
    int JpegQuality = 50;
    std::uint32_t ChunkId = 0; // "00db" uncompressed, "00dc" compressed
    std::uint32_t Rate = 0;    // frames per second = Rate / Scale
    std::uint32_t Scale = 0;
    std::vector<std::uint8_t> Chunk; // the frame chunk being built: header, data, padding
    QImage Canvas;                   // Width x Height, for images of another size or format

    std::int64_t Pos = 0; // end of the file: where the next chunk goes
    // Fields patched at the end (positions in the file).
    std::int64_t AvihAt = 0, StrhAt = 0, IndxAt = 0, DmlhAt = 0;
    // The RIFF chunk being written.
    int RiffNumber = 0;
    std::int64_t RiffAt = 0; // its header
    std::int64_t MoviAt = 0; // its movie list's header
    struct TEntry
    {
        std::int64_t Pos; // the frame's data (after its chunk header)
        std::uint32_t Size;
    };
    std::vector<TEntry> Entries; // frames of this RIFF
    struct TSuperEntry
    {
        std::int64_t Pos; // header of an "ix00" chunk
        std::uint32_t Size;
        std::uint32_t Frames;
    };
    std::vector<TSuperEntry> Super;
    int FirstRiffFrames = 0;
    std::uint32_t MaxChunk = 0;
    QString LastError; // the system's text for the last failed write

    void ReleaseJpeg()
    {
        if (Jpeg)
            tjDestroy(Jpeg);
        Jpeg = nullptr;
    }

    bool Write(const void* data, std::int64_t count)
    {
        if (File.write(static_cast<const char*>(data), count) != count) {
            LastError = File.errorString();
            return false;
        }
        Pos += count;
        return true;
    }
    bool Write(const TBytes& bytes) { return Write(bytes.Data(), bytes.Size()); }

    // Overwrites 4 bytes at pos, then returns to the end.
    bool Patch32(std::int64_t pos, std::uint32_t value)
    {
        TBytes b;
        b.U32(value);
        return PatchAt(pos, b);
    }
    bool PatchAt(std::int64_t pos, const TBytes& bytes)
    {
        if (!File.seek(pos) ||
            File.write(reinterpret_cast<const char*>(bytes.Data()), bytes.Size()) != bytes.Size() ||
            !File.seek(Pos)) {
            LastError = File.errorString();
            return false;
        }
        return true;
    }

    // Bytes the indexes of the current RIFF will take with n frames.
    std::int64_t IndexBytes(std::int64_t n) const
    {
        return 8 + 24 + 8 * n + (RiffNumber == 0 ? 8 + 16 * n : 0);
    }

    // The standard index of the current RIFF, at the end of its movie list.
    bool WriteStandardIndex()
    {
        TBytes b;
        b.Id("ix00");
        b.U32(std::uint32_t(24 + 8 * Entries.size()));
        b.U16(2); // longs per entry
        b.U8(0);  // sub-type
        b.U8(1);  // index of chunks
        b.U32(std::uint32_t(Entries.size()));
        b.U32(ChunkId);
        b.U64(std::uint64_t(RiffAt)); // base of the offsets below
        b.U32(0);
        for (const TEntry& e : Entries) {
            b.U32(std::uint32_t(e.Pos - RiffAt));
            b.U32(e.Size > 0 ? e.Size : 0x80000000u); // top bit clear: a key frame; empty: dropped
        }
        Super.push_back({Pos, std::uint32_t(b.Size()), std::uint32_t(Entries.size())});
        return Write(b);
    }

    // Closes the movie list and the RIFF chunk; the first RIFF also gets idx1.
    bool FinishRiff(bool openDml)
    {
        if (openDml && !WriteStandardIndex())
            return false;
        if (!Patch32(MoviAt + 4, std::uint32_t(Pos - MoviAt - 8)))
            return false;
        if (RiffNumber == 0) {
            TBytes b;
            b.Id("idx1");
            b.U32(std::uint32_t(16 * Entries.size()));
            const std::int64_t moviType = MoviAt + 8; // idx1 offsets count from the list's type
            for (const TEntry& e : Entries) {
                b.U32(ChunkId);
                b.U32(e.Size > 0 ? AviifKeyFrame : 0u); // an empty chunk is a dropped frame
                b.U32(std::uint32_t(e.Pos - 8 - moviType));
                b.U32(e.Size);
            }
            if (!Write(b))
                return false;
            FirstRiffFrames = int(Entries.size());
        }
        return Patch32(RiffAt + 4, std::uint32_t(Pos - RiffAt - 8));
    }

    bool StartAvix()
    {
        RiffAt = Pos;
        MoviAt = Pos + 12;
        ++RiffNumber;
        Entries.clear();
        TBytes b;
        b.Id("RIFF");
        b.U32(0);
        b.Id("AVIX");
        b.Id("LIST");
        b.U32(0);
        b.Id("movi");
        return Write(b);
    }
};

TVfwRecord::TVfwRecord(std::int64_t riffLimit)
    : F(std::make_unique<TImpl>(std::clamp<std::int64_t>(riffLimit, 0, 1LL << 31)))
{
}

TVfwRecord::~TVfwRecord()
{
    Release();
}

QString TVfwRecord::ErrorText(int code)
{
    switch (code) {
    case 1:
        return QStringLiteral("Process cancelled");
    case 2:
        return QStringLiteral("Video not initialized");
    case 3:
        return QStringLiteral("Aan image is damaged");
    case 4:
        return QStringLiteral("This frame could not be inserted in the video stream");
    case 5:
        return QStringLiteral("Unable to compress video stream");
    case 6:
        return QStringLiteral("Unable to define video stream format");
    case 7:
        return QStringLiteral(
            "Unable to replace a file with the same name (it may be in use in another program)");
    case 8:
        return QStringLiteral("Unable to write video file on disk");
    case 9:
        return QStringLiteral("Unable to create video stream in memory");
    case 10:
        return QStringLiteral("Coder does not exist or is not available");
    default:
        return QStringLiteral("Unknown error");
    }
}

QStringList TVfwRecord::CodecList()
{
    QStringList names;
    FourCCList.clear();
    // TurboJPEG codes any size up to 65535 pixels per side; the reader's bound is lower.
    if (Width > 0 && Height > 0 && Width <= MaxSide && Height <= MaxSide) {
        names << VfwMotionJpegName;
        FourCCList << VfwMotionJpegFourCC;
    }
    return names;
}

QString TVfwRecord::CodecName() const
{
    return CodecFourCC == VfwMotionJpegFourCC ? VfwMotionJpegName : QString();
}

void TVfwRecord::SetCodecIndex(int index)
{
    CodecIndex = index;
    if (FourCCList.isEmpty() || index < 0 || index >= FourCCList.size()) {
        CodecFourCC.clear();
        return;
    }
    CodecFourCC = FourCCList[index];
    if (CodecFourCC != VfwMotionJpegFourCC)
        Fail(10, QStringLiteral("No compressor for the code %1.").arg(CodecFourCC));
}

bool TVfwRecord::SetCodecName(const QString& name)
{
    const int index = name.isEmpty() ? -1 : int(CodecList().indexOf(name));
    SetCodecIndex(index);
    return name.isEmpty() || index >= 0;
}

void TVfwRecord::ReadSettings(const TIniFile& ini)
{
    SetCodecName(ini.ReadString(SectionMontage, KeyCodec, QString()));
}

void TVfwRecord::WriteSettings(TIniFile& ini) const
{
    ini.WriteString(SectionMontage, KeyCodec, CodecName());
}

void TVfwRecord::Release()
{
    Started = false;
    if (F->File.isOpen())
        F->File.close();
    F->ReleaseJpeg();
    F->Entries.clear();
    F->Super.clear();
    F->Canvas = QImage();
    F->Chunk.clear();
    F->Chunk.shrink_to_fit();
    if (!TempFileName.isEmpty() && QFileInfo::exists(TempFileName))
        QFile::remove(TempFileName);
}

bool TVfwRecord::Fail(int code, const QString& detail)
{
    Failed = true;
    ErrorCode = code;
    Detail = detail;
    Release();
    if (OnError)
        OnError();
    return false;
}

void TVfwRecord::Cancel()
{
    if (!Failed)
        Fail(1);
}

bool TVfwRecord::Open()
{
    Release();
    Failed = false;
    Closing = false;
    ErrorCode = 0;
    Detail.clear();
    FrameIndex = 0;
    TempFileName.clear();
    TImpl& f = *F;
    f.Pos = 0;
    f.RiffNumber = 0;
    f.FirstRiffFrames = 0;
    f.MaxChunk = 0;

    if (FileName.isEmpty())
        return Fail(8, QStringLiteral("No file name."));
    if (Width <= 0 || Height <= 0 || Width > MaxSide || Height > MaxSide ||
        std::int64_t(Width) * Height > MaxPixels)
        return Fail(6, QStringLiteral("Frames of %1 x %2 pixels cannot be stored.").arg(Width).arg(Height));
    // The rate: 1000 / MsPerFrame, or the exact rate asked for (29.97 as 30000 / 1001).
    if (FramesPerSecond > 0.0 && std::isfinite(FramesPerSecond) && FramesPerSecond < 1e6) {
        const double ntsc = FramesPerSecond * 1001.0;
        if (std::abs(ntsc / 1000.0 - std::round(ntsc / 1000.0)) < 1e-6) {
            f.Rate = std::uint32_t(std::llround(ntsc));
            f.Scale = 1001;
        } else {
            f.Rate = std::uint32_t(std::llround(FramesPerSecond * 1000.0));
            f.Scale = 1000;
        }
        const std::uint32_t g = std::gcd(f.Rate, f.Scale);
        if (g > 1) {
            f.Rate /= g;
            f.Scale /= g;
        }
    } else if (MsPerFrame > 0) {
        f.Rate = 1000;
        f.Scale = std::uint32_t(MsPerFrame);
    } else {
        f.Rate = 0;
    }
    if (f.Rate == 0)
        return Fail(6, QStringLiteral("The frame rate is not a positive number."));

    const bool jpeg = !CodecFourCC.isEmpty();
    if (jpeg && CodecFourCC != VfwMotionJpegFourCC)
        return Fail(10, QStringLiteral("No compressor for the code %1.").arg(CodecFourCC));
    if (jpeg) {
        f.Jpeg = tjInitCompress();
        if (!f.Jpeg)
            return Fail(9, QString::fromLocal8Bit(tjGetErrorStr2(nullptr)));
        f.JpegQuality = std::clamp((std::clamp(Quality, 0, 10000) + 50) / 100, 1, 100);
    }
    f.ChunkId = jpeg ? FourCC("00dc") : FourCC("00db");

    // Written beside the destination, so that the final rename stays on one file system.
    const QFileInfo destination(FileName);
    if (destination.exists() && !destination.isFile())
        return Fail(7, QStringLiteral("%1 is not a file.").arg(FileName));
    const QString folder = destination.absolutePath();
    for (int n = 0; n < 100 && TempFileName.isEmpty(); ++n) {
        const QString name =
            QDir(folder).filePath(QStringLiteral("~%1%2.part")
                                      .arg(destination.fileName(), n == 0 ? QString() : QString::number(n)));
        if (!QFileInfo::exists(name))
            TempFileName = name;
    }
    f.File.setFileName(TempFileName);
    if (TempFileName.isEmpty() ||
        !f.File.open(QIODevice::WriteOnly | QIODevice::NewOnly | QIODevice::Unbuffered)) {
        const QString reason = f.File.errorString();
        TempFileName.clear(); // not ours: never delete it
        return Fail(destination.exists() ? 7 : 8, reason);
    }

    const int stride = (Width * 3 + 3) & ~3;
    const std::uint32_t imageBytes = std::uint32_t(std::int64_t(stride) * Height);
    TBytes b;
    b.Id("RIFF");
    b.U32(0);
    b.Id("AVI ");
    b.Id("LIST");
    const std::int64_t hdrlSize = b.Size();
    b.U32(0);
    b.Id("hdrl");
    b.Id("avih");
    b.U32(56);
    f.AvihAt = b.Size();
    b.U32(Clamp32(std::llround(1e6 * f.Scale / f.Rate))); // microseconds per frame
    b.U32(0);                                             // bytes per second: at the end
    b.U32(0);                                             // padding granularity
    b.U32(AvifHasIndex | AvifIsInterleaved | AvifTrustChunkType);
    b.U32(0); // frames of the first RIFF: at the end
    b.U32(0); // initial frames
    b.U32(1); // streams
    b.U32(0); // suggested buffer: at the end
    b.U32(std::uint32_t(Width));
    b.U32(std::uint32_t(Height));
    b.Zeros(16);
    b.Id("LIST");
    const std::int64_t strlSize = b.Size();
    b.U32(0);
    b.Id("strl");
    b.Id("strh");
    b.U32(56);
    f.StrhAt = b.Size();
    b.Id("vids");
    b.U32(jpeg ? FourCC("MJPG") : 0); // handler
    b.U32(0);                         // flags
    b.U32(0);                         // priority, language
    b.U32(0);                         // initial frames
    b.U32(f.Scale);
    b.U32(f.Rate);
    b.U32(0); // start
    b.U32(0); // length: at the end
    b.U32(0); // suggested buffer: at the end
    b.U32(std::uint32_t(std::clamp(Quality, 0, 10000)));
    b.U32(0); // sample size: varies
    b.U16(0);
    b.U16(0);
    b.U16(std::uint16_t(Width));
    b.U16(std::uint16_t(Height));
    b.Id("strf");
    b.U32(40);
    b.U32(40);
    b.U32(std::uint32_t(Width));
    b.U32(std::uint32_t(Height)); // positive: rows stored from the bottom
    b.U16(1);
    b.U16(24);
    b.U32(jpeg ? FourCC("MJPG") : 0);
    b.U32(imageBytes);
    b.Zeros(16); // resolution, colours used and important
    f.IndxAt = b.Size();
    b.Id("JUNK");
    b.U32(std::uint32_t(SuperIndexBytes));
    b.Zeros(SuperIndexBytes);
    b.Put32(strlSize, std::uint32_t(b.Size() - strlSize - 4));
    b.Id("LIST");
    b.U32(std::uint32_t(4 + 8 + DmlhBytes));
    b.Id("odml");
    b.Id("dmlh");
    b.U32(std::uint32_t(DmlhBytes));
    f.DmlhAt = b.Size();
    b.Zeros(DmlhBytes); // total frames: at the end
    b.Put32(hdrlSize, std::uint32_t(b.Size() - hdrlSize - 4));
    f.RiffAt = 0;
    f.MoviAt = b.Size();
    b.Id("LIST");
    b.U32(0);
    b.Id("movi");
    if (!f.Write(b))
        return Fail(8, f.LastError);
    Started = true;
    return true;
}

bool TVfwRecord::AddFrame(const QImage& image)
{
    if (Failed)
        return false;
    if (!Started)
        return Fail(2);
    if (image.isNull())
        return Fail(3);
    if (FrameIndex >= MaxFrames)
        return Fail(4, QStringLiteral("Too many frames."));
    TImpl& f = *F;

    // The picture: the image itself when it fits, else the image drawn at (0, 0) on black.
    const QImage* picture = &image;
    if (image.size() != QSize(Width, Height) || image.format() != QImage::Format_RGB32) {
        if (f.Canvas.size() != QSize(Width, Height))
            f.Canvas = QImage(Width, Height, QImage::Format_RGB32);
        if (f.Canvas.isNull())
            return Fail(9);
        f.Canvas.fill(Qt::black);
        QPainter painter(&f.Canvas);
        painter.drawImage(0, 0, image);
        painter.end();
        picture = &f.Canvas;
    }

    std::uint32_t size = 0;
    if (f.Jpeg) {
        const unsigned long bound = tjBufSize(Width, Height, TJSAMP_420);
        if (bound == std::numeric_limits<unsigned long>::max())
            return Fail(5, QString::fromLocal8Bit(tjGetErrorStr2(f.Jpeg)));
        f.Chunk.resize(8 + bound + 1);
        unsigned char* out = f.Chunk.data() + 8;
        unsigned long jpegSize = bound;
#if Q_BYTE_ORDER == Q_LITTLE_ENDIAN
        const int pixelFormat = TJPF_BGRX;
#else
        const int pixelFormat = TJPF_XRGB;
#endif
        if (tjCompress2(f.Jpeg, picture->constBits(), Width, int(picture->bytesPerLine()), Height,
                        pixelFormat, &out, &jpegSize, TJSAMP_420, f.JpegQuality, TJFLAG_NOREALLOC) != 0)
            return Fail(5, QString::fromLocal8Bit(tjGetErrorStr2(f.Jpeg)));
        size = std::uint32_t(jpegSize);
    } else {
        // 24-bit rows, blue first, from the bottom row up, each padded to 4 bytes.
        const std::size_t stride = std::size_t((Width * 3 + 3) & ~3);
        size = std::uint32_t(stride * std::size_t(Height));
        f.Chunk.assign(8 + std::size_t(size) + 1, 0);
        for (int y = 0; y < Height; ++y) {
            const auto* src = reinterpret_cast<const QRgb*>(picture->constScanLine(y));
            std::uint8_t* dst = f.Chunk.data() + 8 + std::size_t(Height - 1 - y) * stride;
            for (int x = 0; x < Width; ++x) {
                const QRgb c = src[x];
                *dst++ = std::uint8_t(qBlue(c));
                *dst++ = std::uint8_t(qGreen(c));
                *dst++ = std::uint8_t(qRed(c));
            }
        }
    }
    return WriteChunk(size);
}

bool TVfwRecord::AddDroppedFrame()
{
    if (Failed)
        return false;
    if (!Started)
        return Fail(2);
    if (FrameIndex >= MaxFrames)
        return Fail(4, QStringLiteral("Too many frames."));
    F->Chunk.assign(9, 0);
    return WriteChunk(0);
}

// Writes the chunk prepared in F->Chunk (its data after 8 bytes of header) with size bytes of data.
bool TVfwRecord::WriteChunk(std::uint32_t size)
{
    TImpl& f = *F;
    const std::int64_t chunkBytes = 8 + std::int64_t(size) + (size & 1u);
    for (int i = 0; i < 4; ++i) {
        f.Chunk[std::size_t(i)] = std::uint8_t(f.ChunkId >> (8 * i));
        f.Chunk[std::size_t(4 + i)] = std::uint8_t(size >> (8 * i));
    }
    f.Chunk[8 + size] = 0; // padding to an even size

    // A RIFF that would pass the limit with this frame and its index entries is closed first; each RIFF
    // takes at least one frame.
    const std::int64_t wouldBe =
        f.Pos + chunkBytes - f.RiffAt + f.IndexBytes(std::int64_t(f.Entries.size()) + 1);
    if (!f.Entries.empty() && wouldBe > f.RiffLimit) {
        if (int(f.Super.size()) >= SuperIndexEntries)
            return Fail(4, QStringLiteral("The file has reached its largest size."));
        if (!f.FinishRiff(true) || !f.StartAvix())
            return Fail(8, f.LastError);
    }
    const std::int64_t dataAt = f.Pos + 8;
    if (!f.Write(f.Chunk.data(), chunkBytes))
        return Fail(8, f.LastError);
    f.Entries.push_back({dataAt, size});
    f.MaxChunk = std::max(f.MaxChunk, size);
    ++FrameIndex;
    return true;
}

bool TVfwRecord::Close()
{
    if (Failed)
        return false;
    if (!Started)
        return Fail(2);
    Started = false;
    Closing = true;
    TImpl& f = *F;
    const bool openDml = !f.Super.empty();
    if (!f.FinishRiff(openDml))
        return Fail(8, f.LastError);

    const std::uint32_t total = std::uint32_t(FrameIndex);
    const std::uint32_t buffer = f.MaxChunk + 8;
    const std::uint32_t bytesPerSecond = Clamp32(std::llround(double(f.MaxChunk) * f.Rate / f.Scale));
    bool ok = f.Patch32(f.AvihAt + 4, bytesPerSecond) &&
              f.Patch32(f.AvihAt + 16, std::uint32_t(f.FirstRiffFrames)) &&
              f.Patch32(f.AvihAt + 28, buffer) && f.Patch32(f.StrhAt + 32, total) &&
              f.Patch32(f.StrhAt + 36, buffer) && f.Patch32(f.DmlhAt, total);
    if (ok && openDml) {
        TBytes b;
        b.Id("indx");
        b.U32(std::uint32_t(SuperIndexBytes));
        b.U16(4); // longs per entry
        b.U8(0);  // sub-type
        b.U8(0);  // index of indexes
        b.U32(std::uint32_t(f.Super.size()));
        b.U32(f.ChunkId);
        b.Zeros(12);
        for (const TImpl::TSuperEntry& e : f.Super) {
            b.U64(std::uint64_t(e.Pos));
            b.U32(e.Size);
            b.U32(e.Frames); // duration in frames
        }
        b.Zeros(SuperIndexBytes + 8 - b.Size());
        ok = f.PatchAt(f.IndxAt, b);
    }
    if (!ok)
        return Fail(8, f.LastError);
    if (!f.File.flush()) // the file is unbuffered: nothing should be left, but a device may still fail
        return Fail(8, f.File.errorString());
    f.File.close();
    if (f.File.error() != QFileDevice::NoError)
        return Fail(8, f.File.errorString());

    // rename() replaces an older file of the destination's name in one step.
    std::error_code error;
    std::filesystem::rename(std::filesystem::path(QFile::encodeName(TempFileName).toStdString()),
                            std::filesystem::path(QFile::encodeName(FileName).toStdString()), error);
    if (error)
        return Fail(7, QString::fromLocal8Bit(error.message().c_str()));
    TempFileName.clear();
    Release();
    return true;
}
