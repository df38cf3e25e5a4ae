// Decoding of one AVI video frame: uncompressed bitmap rows or a Motion-JPEG picture, to an RGB32 image.
#pragma once

#include "video/UnitAviReader.h"

#include <QImage>
#include <cstddef>
#include <cstdint>

class TAviDecoder
{
public:
    explicit TAviDecoder(const TAviVideoFormat& format);
    ~TAviDecoder();
    TAviDecoder(const TAviDecoder&) = delete;
    TAviDecoder& operator=(const TAviDecoder&) = delete;

    // Decodes the data of one frame chunk into image, which becomes RGB32 of the format's frame size.
    // False when the data is too short or not a picture of this stream; image is then unspecified.
    bool Decode(const std::uint8_t* data, std::size_t size, QImage& image);

    // Bytes of one bitmap row as stored (rows are padded to 4 bytes).
    static std::int64_t DibStride(int width, int bitCount);

private:
    bool DecodeDib(const std::uint8_t* data, std::size_t size, QImage& image) const;
    bool DecodeMjpeg(const std::uint8_t* data, std::size_t size, QImage& image);
    bool DecodeJpeg(const std::uint8_t* data, std::size_t size, QImage& picture, int maxWidth, int maxHeight);

    TAviVideoFormat FFormat;
    void* FJpeg = nullptr; // decompressor handle, created on first use
};
