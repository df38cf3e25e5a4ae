// Capture framework 0: video devices through the kernel's V4L2 interface (/dev/video*), frames read from
// memory-mapped buffers on a thread of this unit and converted to RGB32.
#pragma once

#include "capture/UnitCaptureFramework.h"

#include <QImage>
#include <QString>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <thread>
#include <vector>

class TAviDecoder;
struct v4l2_buffer;

// A V4L2 node that can capture video: its path and the name its driver gives the card.
struct TV4l2Device
{
    QString Path;
    QString Name;
};

// The four characters of a V4L2 pixel format ("YUYV"), and back (0 for a text of another length).
QString FourCCText(std::uint32_t fourcc);
std::uint32_t FourCCOf(const QString& text);

// Capture nodes among folder/video0, video1, ... (at most ten, in the order of their numbers). Nodes that
// cannot be opened, that are not V4L2 devices or that only carry metadata are left out. Two devices of the
// same name are told apart by " 2", " 3", ... after the name.
std::vector<TV4l2Device> EnumerateV4l2Devices(const QString& folder = QStringLiteral("/dev"));

// The formats of a device that the converter reads, each size once per pixel format, named "MJPG 640 x
// 480"; with Rates the frame rates offered at that size. Empty when the device cannot be opened.
std::vector<TCaptureFormat> V4l2Formats(const QString& path);

// Turns one V4L2 picture into an RGB32 image of width x height.
class TV4l2Converter
{
public:
    TV4l2Converter();
    ~TV4l2Converter();
    TV4l2Converter(const TV4l2Converter&) = delete;
    TV4l2Converter& operator=(const TV4l2Converter&) = delete;

    // Pixel formats read: MJPG and JPEG (Motion JPEG, with or without Huffman tables), YUYV, UYVY, NV12,
    // YU12 (I420), RGB3, BGR3, GREY. YUV is BT.601 with limited range.
    static bool Supported(std::uint32_t fourcc);
    // bytesPerLine: of the first plane (0: packed rows). False when data is too short or the format is not
    // read; image is then unspecified.
    bool Convert(std::uint32_t fourcc, const std::uint8_t* data, std::size_t size, int width, int height,
                 int bytesPerLine, QImage& image);

private:
    std::unique_ptr<TAviDecoder> FJpeg;
    int FJpegWidth = 0;
    int FJpegHeight = 0;
};

class TVfwCapture : public TCaptureFramework
{
public:
    TVfwCapture();
    ~TVfwCapture() override;

    QString Ending() const override { return QStringLiteral(" (V4L2)"); }

    // Where the device nodes are looked for (tests point it at an empty folder).
    QString DeviceFolder = QStringLiteral("/dev");
    // Frames per second asked of the device when it opens; the device may give another rate, and the
    // recording then takes the rate it reports.
    int FramesPerSecondVfw = 30;
    // The rates of the "Frame rate" page.
    static const std::vector<int>& FrameRateChoices();
    // Path of the chosen device (empty when none).
    QString DevicePath() const;

    std::vector<TDeviceControl> Controls() override { return FControlNode.List(DevicePath()); }
    bool SetControl(std::uint32_t id, int value, QString& error) override
    {
        return FControlNode.Set(DevicePath(), id, value, error);
    }

protected:
    QStringList ListDevices() override;
    std::vector<TCaptureFormat> ListFormats(int device) override;
    bool OpenDevice() override;
    void CloseDevice() override;

private:
    void Run();
    std::int64_t SlotOf(const v4l2_buffer& buffer, std::int64_t& first) const;

    std::vector<TV4l2Device> FNodes;
    TV4l2ControlNode FControlNode;
    struct TBuffer
    {
        void* Start = nullptr;
        std::size_t Length = 0;
    };
    int FFd = -1;
    int FWake = -1; // eventfd that ends the reading thread's wait
    std::vector<TBuffer> FBuffers;
    std::uint32_t FPixelFormat = 0;
    int FBytesPerLine = 0;
    std::atomic<bool> FStop{false};
    std::thread FThread;
};
