// Writes small AVI files byte by byte for the AVI reader's tests: chosen headers, indexes and damage.
#pragma once

#include <QByteArray>
#include <QColor>
#include <QFile>
#include <QImage>
#include <QString>
#include <cstdint>
#include <vector>

constexpr std::uint32_t TestFourCC(const char (&s)[5])
{
    return std::uint32_t(std::uint8_t(s[0])) | std::uint32_t(std::uint8_t(s[1])) << 8 |
           std::uint32_t(std::uint8_t(s[2])) << 16 | std::uint32_t(std::uint8_t(s[3])) << 24;
}

enum class TTestIndex
{
    Idx1,         // offsets from the movie list's type
    Idx1Absolute, // offsets from the start of the file
    OpenDml,      // a super index in the stream header and one standard index per RIFF
    None,
};

struct TTestAvi
{
    int Width = 8;
    int Height = 4;
    int BitCount = 24;
    std::uint32_t Compression = 0;
    bool TopDown = false;
    std::uint32_t Rate = 25;
    std::uint32_t Scale = 1;
    std::uint32_t Start = 0;
    std::vector<std::uint32_t> Palette; // 0xRRGGBB entries, written after the bitmap header
    std::vector<QByteArray> Frames;     // one chunk each; an empty one is a drop frame
    TTestIndex Index = TTestIndex::Idx1;
    bool AudioStreamFirst = false; // the video stream is then stream 1 ("01dc") and audio chunks interleave
    bool RecLists = false;         // every frame chunk inside a LIST "rec "
    // OpenDML: the frames are shared out between the first RIFF and one "AVIX" RIFF per entry; each
    // "AVIX" starts with a JUNK chunk of that many bytes, left as a hole in the file (sparse).
    std::vector<std::int64_t> AvixGaps;

    // Data of a frame of one colour in this stream's bit depth (8 bits: palette index colour % 256).
    QByteArray SolidFrame(QRgb colour) const
    {
        const int stride = (Width * BitCount + 31) / 32 * 4;
        QByteArray data(stride * Height, '\0');
        for (int y = 0; y < Height; ++y) {
            auto* row = reinterpret_cast<std::uint8_t*>(data.data()) + y * stride;
            for (int x = 0; x < Width; ++x) {
                if (BitCount == 24) {
                    row[3 * x] = std::uint8_t(qBlue(colour));
                    row[3 * x + 1] = std::uint8_t(qGreen(colour));
                    row[3 * x + 2] = std::uint8_t(qRed(colour));
                } else if (BitCount == 32) {
                    row[4 * x] = std::uint8_t(qBlue(colour));
                    row[4 * x + 1] = std::uint8_t(qGreen(colour));
                    row[4 * x + 2] = std::uint8_t(qRed(colour));
                } else if (BitCount == 8) {
                    row[x] = std::uint8_t(colour);
                }
            }
        }
        return data;
    }

    bool Write(const QString& path) const
    {
        TWriter w(path);
        if (!w.Ok())
            return false;
        const int video = AudioStreamFirst ? 1 : 0;
        const std::uint32_t frameId = Id(video, Compression == 0 ? "db" : "dc");
        const std::uint32_t audioId = Id(0, "wb");
        const int riffs = Index == TTestIndex::OpenDml ? int(AvixGaps.size()) + 1 : 1;

        w.Begin("RIFF", "AVI ");
        w.Begin("LIST", "hdrl");
        w.Chunk("avih", QByteArray(56, '\0'));
        if (AudioStreamFirst) {
            w.Begin("LIST", "strl");
            QByteArray strh(56, '\0');
            Put32(strh, 0, TestFourCC("auds"));
            Put32(strh, 20, 1);
            Put32(strh, 24, 8000);
            w.Chunk("strh", strh);
            QByteArray strf(18, '\0');
            Put16(strf, 0, 1);
            Put16(strf, 2, 1);
            Put32(strf, 4, 8000);
            w.Chunk("strf", strf);
            w.End();
        }
        w.Begin("LIST", "strl");
        QByteArray strh(56, '\0');
        Put32(strh, 0, TestFourCC("vids"));
        Put32(strh, 4, Compression);
        Put32(strh, 20, Scale);
        Put32(strh, 24, Rate);
        Put32(strh, 28, Start);
        Put32(strh, 32, std::uint32_t(Frames.size()));
        w.Chunk("strh", strh);
        QByteArray strf(40 + 4 * int(Palette.size()), '\0');
        Put32(strf, 0, 40);
        Put32(strf, 4, std::uint32_t(Width));
        Put32(strf, 8, std::uint32_t(TopDown ? -Height : Height));
        Put16(strf, 12, 1);
        Put16(strf, 14, std::uint16_t(BitCount));
        Put32(strf, 16, Compression);
        Put32(strf, 32, std::uint32_t(Palette.size()));
        for (std::size_t i = 0; i < Palette.size(); ++i)
            Put32(strf, 40 + 4 * int(i), Palette[i]);
        w.Chunk("strf", strf);
        std::int64_t superIndex = -1;
        if (Index == TTestIndex::OpenDml) {
            QByteArray indx(24 + 16 * riffs, '\0');
            Put16(indx, 0, 4);
            indx[3] = 0; // index of indexes
            Put32(indx, 4, std::uint32_t(riffs));
            Put32(indx, 8, frameId);
            superIndex = w.Chunk("indx", indx);
        }
        w.End(); // strl
        w.End(); // hdrl

        struct TPlaced
        {
            std::uint32_t Id;
            std::int64_t Header; // file position of the chunk header
            std::uint32_t Size;
        };
        std::vector<TPlaced> firstRiff;
        std::size_t next = 0;
        for (int r = 0; r < riffs; ++r) {
            if (r > 0) {
                w.Begin("RIFF", "AVIX");
                w.Gap(AvixGaps[std::size_t(r - 1)]);
            }
            const std::int64_t movi = w.Begin("LIST", "movi");
            const std::size_t last =
                r == riffs - 1 ? Frames.size() : Frames.size() * std::size_t(r + 1) / riffs;
            std::vector<std::pair<std::int64_t, std::uint32_t>> here; // data position, size
            for (; next < last; ++next) {
                if (AudioStreamFirst) {
                    const std::int64_t at = w.Chunk(audioId, QByteArray(16, '\x10'));
                    if (r == 0)
                        firstRiff.push_back({audioId, at, 16});
                }
                if (RecLists)
                    w.Begin("LIST", "rec ");
                const QByteArray& frame = Frames[next];
                const std::int64_t at = w.Chunk(frameId, frame);
                if (RecLists)
                    w.End();
                here.push_back({at + 8, std::uint32_t(frame.size())});
                if (r == 0)
                    firstRiff.push_back({frameId, at, std::uint32_t(frame.size())});
            }
            if (Index == TTestIndex::OpenDml) {
                QByteArray ix(24 + 8 * int(here.size()), '\0');
                Put16(ix, 0, 2);
                ix[3] = 1; // index of chunks
                Put32(ix, 4, std::uint32_t(here.size()));
                Put32(ix, 8, frameId);
                const std::int64_t base = here.empty() ? 0 : here.front().first;
                Put64(ix, 12, std::uint64_t(base));
                for (std::size_t i = 0; i < here.size(); ++i) {
                    Put32(ix, 24 + 8 * int(i), std::uint32_t(here[i].first - base));
                    Put32(ix, 28 + 8 * int(i), here[i].second);
                }
                const char ixName[5] = {'i', 'x', char('0' + video / 10), char('0' + video % 10), 0};
                const std::int64_t at = w.Chunk(TestFourCC(ixName), ix);
                w.Patch64(superIndex + 8 + 24 + 16 * r, std::uint64_t(at));
                w.Patch32(superIndex + 8 + 32 + 16 * r, std::uint32_t(ix.size() + 8));
                w.Patch32(superIndex + 8 + 36 + 16 * r, std::uint32_t(here.size()));
            }
            w.End(); // movi
            if (r == 0 && (Index == TTestIndex::Idx1 || Index == TTestIndex::Idx1Absolute ||
                           Index == TTestIndex::OpenDml)) {
                QByteArray idx1(16 * int(firstRiff.size()), '\0');
                for (std::size_t i = 0; i < firstRiff.size(); ++i) {
                    const std::int64_t offset = Index == TTestIndex::Idx1Absolute
                                                    ? firstRiff[i].Header
                                                    : firstRiff[i].Header - (movi + 8);
                    Put32(idx1, 16 * int(i), firstRiff[i].Id);
                    Put32(idx1, 16 * int(i) + 4, 0x10);
                    Put32(idx1, 16 * int(i) + 8, std::uint32_t(offset));
                    Put32(idx1, 16 * int(i) + 12, firstRiff[i].Size);
                }
                w.Chunk("idx1", idx1);
            }
            w.End(); // RIFF
        }
        return w.Ok();
    }

    static void Put16(QByteArray& b, int at, std::uint16_t v)
    {
        b[at] = char(v & 0xFF);
        b[at + 1] = char(v >> 8);
    }
    static void Put32(QByteArray& b, int at, std::uint32_t v)
    {
        for (int i = 0; i < 4; ++i)
            b[at + i] = char((v >> (8 * i)) & 0xFF);
    }
    static void Put64(QByteArray& b, int at, std::uint64_t v)
    {
        Put32(b, at, std::uint32_t(v));
        Put32(b, at + 4, std::uint32_t(v >> 32));
    }
    static std::uint32_t Id(int stream, const char* kind)
    {
        const char s[5] = {char('0' + stream / 10), char('0' + stream % 10), kind[0], kind[1], 0};
        return TestFourCC(s);
    }

private:
    // Chunks written in sequence; lists get their size when they end.
    class TWriter
    {
    public:
        explicit TWriter(const QString& path) : FFile(path)
        {
            FOk = FFile.open(QIODevice::WriteOnly | QIODevice::Truncate);
        }
        bool Ok() const { return FOk; }
        std::int64_t Begin(const char* id, const char* type)
        {
            const std::int64_t at = FFile.pos();
            Write(TestFourCC4(id), 0);
            Raw(QByteArray(type, 4));
            FOpen.push_back(at);
            return at;
        }
        void End()
        {
            const std::int64_t at = FOpen.back();
            FOpen.pop_back();
            Patch32(at + 4, std::uint32_t(FFile.pos() - at - 8));
        }
        std::int64_t Chunk(const char* id, const QByteArray& data) { return Chunk(TestFourCC4(id), data); }
        std::int64_t Chunk(std::uint32_t id, const QByteArray& data)
        {
            const std::int64_t at = FFile.pos();
            Write(id, std::uint32_t(data.size()));
            Raw(data);
            if (data.size() % 2 == 1)
                Raw(QByteArray(1, '\0'));
            return at;
        }
        // A JUNK chunk whose data is a hole in the file.
        void Gap(std::int64_t size)
        {
            Write(TestFourCC4("JUNK"), std::uint32_t(size));
            FOk = FOk && FFile.seek(FFile.pos() + size + (size & 1));
        }
        void Patch32(std::int64_t at, std::uint32_t v)
        {
            QByteArray b(4, '\0');
            Put32(b, 0, v);
            PatchBytes(at, b);
        }
        void Patch64(std::int64_t at, std::uint64_t v)
        {
            QByteArray b(8, '\0');
            Put64(b, 0, v);
            PatchBytes(at, b);
        }

    private:
        static std::uint32_t TestFourCC4(const char* s)
        {
            return std::uint32_t(std::uint8_t(s[0])) | std::uint32_t(std::uint8_t(s[1])) << 8 |
                   std::uint32_t(std::uint8_t(s[2])) << 16 | std::uint32_t(std::uint8_t(s[3])) << 24;
        }
        void Write(std::uint32_t id, std::uint32_t size)
        {
            QByteArray b(8, '\0');
            Put32(b, 0, id);
            Put32(b, 4, size);
            Raw(b);
        }
        void Raw(const QByteArray& b) { FOk = FOk && FFile.write(b) == b.size(); }
        void PatchBytes(std::int64_t at, const QByteArray& b)
        {
            const std::int64_t end = FFile.pos();
            FOk = FOk && FFile.seek(at) && FFile.write(b) == b.size() && FFile.seek(end);
        }

        QFile FFile;
        bool FOk = false;
        std::vector<std::int64_t> FOpen;
    };
};
