// Decoding of one AVI video frame: uncompressed bitmap rows or a Motion-JPEG picture, to an RGB32 image.
#include "video/UnitAviDecoder.h"

#include <turbojpeg.h>

#include <algorithm>
#include <cstring>
#include <utility>

namespace {

// One colour channel taken out of a pixel with its mask, scaled to 8 bits.
struct TMaskChannel
{
    int Shift = 0;
    int Bits = 0;
    std::uint32_t Mask = 0;

    explicit TMaskChannel(std::uint32_t mask) : Mask(mask)
    {
        if (mask == 0)
            return;
        while (((mask >> Shift) & 1u) == 0)
            ++Shift;
        while (Shift + Bits < 32 && ((mask >> (Shift + Bits)) & 1u) != 0)
            ++Bits;
    }

    std::uint32_t Value(std::uint32_t pixel) const
    {
        if (Bits == 0)
            return 0;
        const std::uint32_t v = (pixel & Mask) >> Shift;
        if (Bits >= 8)
            return v >> (Bits - 8);
        // Repeat the high bits into the low ones, so that the largest value gives 255.
        std::uint32_t out = 0;
        for (int filled = 0; filled < 8; filled += Bits)
            out |= filled + Bits <= 8 ? v << (8 - filled - Bits) : v >> (filled + Bits - 8);
        return out & 0xFFu;
    }
};

std::uint16_t Le16(const std::uint8_t* p)
{
    return std::uint16_t(p[0] | p[1] << 8);
}

std::uint32_t Le32(const std::uint8_t* p)
{
    return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 |
           std::uint32_t(p[3]) << 24;
}

// Offset just after the end-of-image marker of the JPEG picture that starts at data[0]; 0 when the data
// is not one complete picture. Walks the marker segments and skips entropy-coded bytes, where 0xFF is
// followed by 0x00 (stuffing) or a restart marker.
std::size_t JpegEnd(const std::uint8_t* data, std::size_t size)
{
    if (size < 4 || data[0] != 0xFF || data[1] != 0xD8)
        return 0;
    std::size_t at = 2;
    while (at + 1 < size) {
        if (data[at] != 0xFF) {
            ++at; // entropy-coded data
            continue;
        }
        const std::uint8_t marker = data[at + 1];
        if (marker == 0x00 || marker == 0xFF || (marker >= 0xD0 && marker <= 0xD7) || marker == 0x01) {
            at += marker == 0xFF ? 1 : 2;
            continue;
        }
        if (marker == 0xD9)
            return at + 2;
        if (at + 4 > size)
            return 0;
        const std::size_t length = std::size_t(data[at + 2]) << 8 | data[at + 3];
        if (length < 2)
            return 0;
        at += 2 + length;
    }
    return 0;
}

} // namespace

TAviDecoder::TAviDecoder(const TAviVideoFormat& format) : FFormat(format) {}

TAviDecoder::~TAviDecoder()
{
    if (FJpeg != nullptr)
        tjDestroy(static_cast<tjhandle>(FJpeg));
}

std::int64_t TAviDecoder::DibStride(int width, int bitCount)
{
    return (std::int64_t(width) * bitCount + 31) / 32 * 4;
}

bool TAviDecoder::Decode(const std::uint8_t* data, std::size_t size, QImage& image)
{
    switch (FFormat.Codec) {
    case TAviCodec::Dib:
        return DecodeDib(data, size, image);
    case TAviCodec::Mjpeg:
        return DecodeMjpeg(data, size, image);
    default:
        return false;
    }
}

bool TAviDecoder::DecodeDib(const std::uint8_t* data, std::size_t size, QImage& image) const
{
    const int w = FFormat.Width;
    const int h = FFormat.Height;
    const int bits = FFormat.BitCount;
    // Rows are padded to 4 bytes; a few writers store them packed, which is recognised by the size.
    std::int64_t stride = DibStride(w, bits);
    if (std::int64_t(size) < stride * h) {
        stride = (std::int64_t(w) * bits + 7) / 8;
        if (std::int64_t(size) < stride * h)
            return false;
    }
    if (image.width() != w || image.height() != h || image.format() != QImage::Format_RGB32) {
        image = QImage(w, h, QImage::Format_RGB32);
        if (image.isNull())
            return false;
    }
    const TMaskChannel red(FFormat.HasMasks ? FFormat.Masks[0] : (bits == 16 ? 0x7C00u : 0xFF0000u));
    const TMaskChannel green(FFormat.HasMasks ? FFormat.Masks[1] : (bits == 16 ? 0x03E0u : 0x00FF00u));
    const TMaskChannel blue(FFormat.HasMasks ? FFormat.Masks[2] : (bits == 16 ? 0x001Fu : 0x0000FFu));
    for (int y = 0; y < h; ++y) {
        const std::uint8_t* src = data + stride * (FFormat.TopDown ? y : h - 1 - y);
        auto* dst = reinterpret_cast<QRgb*>(image.scanLine(y));
        switch (bits) {
        case 8:
            for (int x = 0; x < w; ++x)
                dst[x] = 0xFF000000u | FFormat.Palette[src[x]];
            break;
        case 16:
            for (int x = 0; x < w; ++x) {
                const std::uint32_t p = Le16(src + 2 * x);
                dst[x] = qRgb(int(red.Value(p)), int(green.Value(p)), int(blue.Value(p)));
            }
            break;
        case 24:
            for (int x = 0; x < w; ++x)
                dst[x] = qRgb(src[3 * x + 2], src[3 * x + 1], src[3 * x]);
            break;
        case 32:
            if (!FFormat.HasMasks) {
                for (int x = 0; x < w; ++x)
                    dst[x] = qRgb(src[4 * x + 2], src[4 * x + 1], src[4 * x]);
            } else {
                for (int x = 0; x < w; ++x) {
                    const std::uint32_t p = Le32(src + 4 * x);
                    dst[x] = qRgb(int(red.Value(p)), int(green.Value(p)), int(blue.Value(p)));
                }
            }
            break;
        default:
            return false;
        }
    }
    return true;
}

bool TAviDecoder::DecodeJpeg(const std::uint8_t* data, std::size_t size, QImage& picture, int maxWidth,
                             int maxHeight)
{
    if (FJpeg == nullptr)
        FJpeg = tjInitDecompress();
    auto* handle = static_cast<tjhandle>(FJpeg);
    if (handle == nullptr || size == 0)
        return false;
    int w = 0, h = 0, subsampling = 0, colourSpace = 0;
    if (tjDecompressHeader3(handle, data, static_cast<unsigned long>(size), &w, &h, &subsampling,
                            &colourSpace) != 0)
        return false;
    // The picture's own header must not make us allocate much more than the stream's frames need.
    if (w <= 0 || h <= 0 || w > maxWidth || h > maxHeight || std::int64_t(w) * h > AviMaxPixels)
        return false;
    if (picture.width() != w || picture.height() != h || picture.format() != QImage::Format_RGB32)
        picture = QImage(w, h, QImage::Format_RGB32);
    if (picture.isNull())
        return false;
    // RGB32 is B, G, R, X in memory on little-endian machines.
    const int pixelFormat = QSysInfo::ByteOrder == QSysInfo::LittleEndian ? TJPF_BGRX : TJPF_XRGB;
    if (tjDecompress2(handle, data, static_cast<unsigned long>(size), picture.bits(), w,
                      int(picture.bytesPerLine()), h, pixelFormat, TJFLAG_LIMITSCANS) != 0) {
        // A damaged picture still decodes as far as its data goes (a warning); only a fatal error fails.
        if (tjGetErrorCode(handle) != TJERR_WARNING)
            return false;
    }
    // The padding byte must read as opaque.
    for (int y = 0; y < h; ++y) {
        auto* row = reinterpret_cast<QRgb*>(picture.scanLine(y));
        for (int x = 0; x < w; ++x)
            row[x] |= 0xFF000000u;
    }
    return true;
}

bool TAviDecoder::DecodeMjpeg(const std::uint8_t* data, std::size_t size, QImage& image)
{
    const int w = FFormat.Width;
    const int h = FFormat.Height;
    if (!DecodeJpeg(data, size, image, 2 * w, 2 * h))
        return false;
    if (image.width() == w && image.height() == h)
        return true;
    const QImage first = std::exchange(image, QImage());
    if (first.width() == w && 2 * first.height() == h) {
        // Some capture cards store each frame as two JPEG fields of half height, one after the other:
        // rows of the first field go to even lines, of the second to odd lines; a lone field is doubled.
        QImage second;
        const std::size_t end = JpegEnd(data, size);
        std::size_t next = end;
        while (next + 1 < size && !(data[next] == 0xFF && data[next + 1] == 0xD8))
            ++next;
        const bool hasSecond = end > 0 && next + 1 < size &&
                               DecodeJpeg(data + next, size - next, second, w, h) &&
                               second.size() == first.size();
        image = QImage(w, h, QImage::Format_RGB32);
        if (image.isNull())
            return false;
        for (int y = 0; y < h; ++y) {
            const QImage& field = (y % 2 == 1 && hasSecond) ? second : first;
            std::memcpy(image.scanLine(y), field.constScanLine(y / 2), std::size_t(w) * 4);
        }
        return true;
    }
    // A picture of another size than the stream header says: stretched to the frame size.
    image = first.scaled(w, h, Qt::IgnoreAspectRatio, Qt::FastTransformation);
    return !image.isNull();
}
