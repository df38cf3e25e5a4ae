// Capture framework 0: V4L2 through the kernel interface (ioctl and memory-mapped buffers).
//
// The device is opened without blocking; four buffers are mapped and queued, and a thread of this unit waits
// for filled buffers with poll (an eventfd ends the wait when the device closes), converts each picture to
// RGB32 and hands it over with its frame slot (from its capture time at the nominal rate), so that frames
// the driver skipped or the camera never made count as lost and keep their places in a recording. A device
// that disappears (unplugged: POLLERR, ENODEV) ends the stream.
#include "capture/UnitVfwCapture.h"

#include "video/UnitAviDecoder.h"

#include <QDir>
#include <QFile>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <linux/videodev2.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/ioctl.h>
#include <sys/mman.h>
#include <unistd.h>

namespace {

constexpr int MaxDevices = 10;
constexpr unsigned BufferCount = 4;

int Xioctl(int fd, unsigned long request, void* arg)
{
    int result;
    do {
        result = ioctl(fd, request, arg);
    } while (result < 0 && errno == EINTR);
    return result;
}

QString SystemError(int code)
{
    return QString::fromLocal8Bit(std::strerror(code));
}

constexpr std::uint32_t Code(const char (&text)[5])
{
    return std::uint32_t(std::uint8_t(text[0])) | std::uint32_t(std::uint8_t(text[1])) << 8 |
           std::uint32_t(std::uint8_t(text[2])) << 16 | std::uint32_t(std::uint8_t(text[3])) << 24;
}

// Sizes offered for a device that states a range of sizes rather than a list.
const QSize StandardSizes[] = {{320, 240}, {640, 480}, {800, 600}, {1280, 720}, {1920, 1080}};

inline std::uint8_t Clip(int value)
{
    return std::uint8_t(std::clamp(value, 0, 255));
}

// BT.601, limited range, in integers scaled by 256.
inline QRgb YuvToRgb(int y, int u, int v)
{
    const int c = 298 * (y - 16) + 128;
    const int d = u - 128;
    const int e = v - 128;
    return qRgb(Clip((c + 409 * e) >> 8), Clip((c - 100 * d - 208 * e) >> 8), Clip((c + 516 * d) >> 8));
}

// Frames per second of a frame interval given as a fraction of seconds; 0 when it is not one.
double RateOf(const v4l2_fract& interval)
{
    return interval.numerator > 0 && interval.denominator > 0
               ? double(interval.denominator) / interval.numerator
               : 0.0;
}

std::vector<double> RatesOf(int fd, std::uint32_t fourcc, int width, int height)
{
    std::vector<double> rates;
    v4l2_frmivalenum interval{};
    interval.pixel_format = fourcc;
    interval.width = std::uint32_t(width);
    interval.height = std::uint32_t(height);
    for (interval.index = 0; Xioctl(fd, VIDIOC_ENUM_FRAMEINTERVALS, &interval) == 0; ++interval.index) {
        if (interval.type == V4L2_FRMIVAL_TYPE_DISCRETE) {
            const double rate = RateOf(interval.discrete);
            if (rate > 0.0)
                rates.push_back(rate);
            continue;
        }
        // A range: the usual rates that lie in it.
        const double fastest = RateOf(interval.stepwise.min);
        const double slowest = RateOf(interval.stepwise.max);
        for (int rate : TVfwCapture::FrameRateChoices())
            if (rate <= fastest + 1e-6 && rate >= slowest - 1e-6)
                rates.push_back(rate);
        break;
    }
    std::sort(rates.begin(), rates.end(), std::greater<double>());
    rates.erase(std::unique(rates.begin(), rates.end()), rates.end());
    return rates;
}

} // namespace

QString FourCCText(std::uint32_t fourcc)
{
    QString text;
    for (int i = 0; i < 4; ++i)
        text += QLatin1Char(char((fourcc >> (8 * i)) & 0xFF));
    return text;
}

std::uint32_t FourCCOf(const QString& text)
{
    if (text.size() != 4)
        return 0;
    std::uint32_t code = 0;
    for (int i = 0; i < 4; ++i)
        code |= std::uint32_t(text.at(i).toLatin1() & 0xFF) << (8 * i);
    return code;
}

std::vector<TV4l2Device> EnumerateV4l2Devices(const QString& folder)
{
    std::vector<std::pair<int, QString>> nodes;
    const QDir dir(folder);
    for (const QString& name : dir.entryList({QStringLiteral("video*")}, QDir::Files | QDir::System)) {
        bool isNumber = false;
        const int number = name.mid(5).toInt(&isNumber);
        if (isNumber && number >= 0)
            nodes.emplace_back(number, dir.filePath(name));
    }
    std::sort(nodes.begin(), nodes.end());

    std::vector<TV4l2Device> devices;
    for (const auto& node : nodes) {
        if (int(devices.size()) >= MaxDevices)
            break;
        const int fd = ::open(QFile::encodeName(node.second).constData(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0)
            continue;
        v4l2_capability cap{};
        const bool isDevice = Xioctl(fd, VIDIOC_QUERYCAP, &cap) == 0;
        ::close(fd);
        if (!isDevice)
            continue;
        const std::uint32_t caps =
            (cap.capabilities & V4L2_CAP_DEVICE_CAPS) != 0 ? cap.device_caps : cap.capabilities;
        if ((caps & V4L2_CAP_VIDEO_CAPTURE) == 0 || (caps & V4L2_CAP_STREAMING) == 0)
            continue;
        const QString card =
            QString::fromUtf8(reinterpret_cast<const char*>(cap.card),
                              int(strnlen(reinterpret_cast<const char*>(cap.card), sizeof cap.card)))
                .trimmed();
        QString name = card.isEmpty() ? QFileInfo(node.second).fileName() : card;
        for (int n = 2; std::any_of(devices.begin(), devices.end(),
                                    [&name](const TV4l2Device& d) { return d.Name == name; });
             ++n)
            name = card + QLatin1Char(' ') + QString::number(n);
        devices.push_back({node.second, name});
    }
    return devices;
}

std::vector<TCaptureFormat> V4l2Formats(const QString& path)
{
    std::vector<TCaptureFormat> formats;
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return formats;
    auto add = [&formats, fd](std::uint32_t fourcc, int width, int height) {
        if (width <= 0 || height <= 0)
            return;
        TCaptureFormat format;
        format.FourCC = fourcc;
        format.Width = width;
        format.Height = height;
        format.Name = QStringLiteral("%1 %2 x %3").arg(FourCCText(fourcc)).arg(width).arg(height);
        if (std::any_of(formats.begin(), formats.end(),
                        [&format](const TCaptureFormat& f) { return f.Name == format.Name; }))
            return;
        format.Rates = RatesOf(fd, fourcc, width, height);
        formats.push_back(format);
    };
    v4l2_fmtdesc description{};
    description.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    for (description.index = 0; Xioctl(fd, VIDIOC_ENUM_FMT, &description) == 0; ++description.index) {
        const std::uint32_t fourcc = description.pixelformat;
        if (!TV4l2Converter::Supported(fourcc))
            continue;
        v4l2_frmsizeenum size{};
        size.pixel_format = fourcc;
        bool listed = false;
        for (size.index = 0; Xioctl(fd, VIDIOC_ENUM_FRAMESIZES, &size) == 0; ++size.index) {
            listed = true;
            if (size.type == V4L2_FRMSIZE_TYPE_DISCRETE) {
                add(fourcc, int(size.discrete.width), int(size.discrete.height));
                continue;
            }
            const v4l2_frmsize_stepwise& range = size.stepwise;
            for (const QSize& s : StandardSizes) {
                const auto w = std::uint32_t(s.width());
                const auto h = std::uint32_t(s.height());
                if (w >= range.min_width && w <= range.max_width && h >= range.min_height &&
                    h <= range.max_height &&
                    (range.step_width == 0 || (w - range.min_width) % range.step_width == 0) &&
                    (range.step_height == 0 || (h - range.min_height) % range.step_height == 0))
                    add(fourcc, s.width(), s.height());
            }
            break;
        }
        if (!listed) {
            // No size list: the size the device is set to.
            v4l2_format current{};
            current.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
            if (Xioctl(fd, VIDIOC_G_FMT, &current) == 0)
                add(fourcc, int(current.fmt.pix.width), int(current.fmt.pix.height));
        }
    }
    ::close(fd);
    return formats;
}

// ---------------------------------------------------------------------------------------------------
// Conversion

TV4l2Converter::TV4l2Converter() = default;
TV4l2Converter::~TV4l2Converter() = default;

bool TV4l2Converter::Supported(std::uint32_t fourcc)
{
    static const std::uint32_t codes[] = {Code("MJPG"), Code("JPEG"), Code("YUYV"),
                                          Code("UYVY"), Code("NV12"), Code("YU12"),
                                          Code("RGB3"), Code("BGR3"), Code("GREY")};
    return std::find(std::begin(codes), std::end(codes), fourcc) != std::end(codes);
}

bool TV4l2Converter::Convert(std::uint32_t fourcc, const std::uint8_t* data, std::size_t size, int width,
                             int height, int bytesPerLine, QImage& image)
{
    if (data == nullptr || width <= 0 || height <= 0)
        return false;
    if (fourcc == Code("MJPG") || fourcc == Code("JPEG")) {
        if (!FJpeg || FJpegWidth != width || FJpegHeight != height) {
            TAviVideoFormat format;
            format.Codec = TAviCodec::Mjpeg;
            format.Width = width;
            format.Height = height;
            format.BitCount = 24;
            FJpeg = std::make_unique<TAviDecoder>(format);
            FJpegWidth = width;
            FJpegHeight = height;
        }
        return FJpeg->Decode(data, size, image);
    }

    const bool packed422 = fourcc == Code("YUYV") || fourcc == Code("UYVY");
    const bool planar420 = fourcc == Code("NV12") || fourcc == Code("YU12");
    const bool rgb = fourcc == Code("RGB3") || fourcc == Code("BGR3");
    const bool grey = fourcc == Code("GREY");
    if (!packed422 && !planar420 && !rgb && !grey)
        return false;
    if (planar420 && (width % 2 != 0 || height % 2 != 0))
        return false;
    const std::size_t minLine = std::size_t(width) * (packed422 ? 2 : rgb ? 3 : 1);
    const std::size_t line = bytesPerLine > 0 ? std::size_t(bytesPerLine) : minLine;
    if (line < minLine || (packed422 && width % 2 != 0))
        return false;
    std::size_t needed = line * std::size_t(height);
    if (planar420)
        needed += line * std::size_t(height) / 2; // both chroma planes, whatever their layout
    if (size < needed)
        return false;

    image = QImage(width, height, QImage::Format_RGB32);
    if (image.isNull())
        return false;
    const std::uint8_t* chroma = data + line * std::size_t(height);
    for (int y = 0; y < height; ++y) {
        const std::uint8_t* row = data + line * std::size_t(y);
        auto* out = reinterpret_cast<QRgb*>(image.scanLine(y));
        if (packed422) {
            const bool yuyv = fourcc == Code("YUYV");
            for (int x = 0; x < width; x += 2) {
                const std::uint8_t* p = row + 2 * x;
                const int y0 = yuyv ? p[0] : p[1];
                const int u = yuyv ? p[1] : p[0];
                const int y1 = yuyv ? p[2] : p[3];
                const int v = yuyv ? p[3] : p[2];
                out[x] = YuvToRgb(y0, u, v);
                out[x + 1] = YuvToRgb(y1, u, v);
            }
        } else if (planar420) {
            for (int x = 0; x < width; ++x) {
                int u, v;
                if (fourcc == Code("NV12")) {
                    const std::uint8_t* uv = chroma + line * std::size_t(y / 2) + 2 * std::size_t(x / 2);
                    u = uv[0];
                    v = uv[1];
                } else {
                    const std::size_t half = line / 2;
                    const std::uint8_t* uPlane = chroma;
                    const std::uint8_t* vPlane = chroma + half * std::size_t(height / 2);
                    u = uPlane[half * std::size_t(y / 2) + std::size_t(x / 2)];
                    v = vPlane[half * std::size_t(y / 2) + std::size_t(x / 2)];
                }
                out[x] = YuvToRgb(row[x], u, v);
            }
        } else if (rgb) {
            const bool rgbOrder = fourcc == Code("RGB3");
            for (int x = 0; x < width; ++x) {
                const std::uint8_t* p = row + 3 * x;
                out[x] = rgbOrder ? qRgb(p[0], p[1], p[2]) : qRgb(p[2], p[1], p[0]);
            }
        } else {
            for (int x = 0; x < width; ++x)
                out[x] = qRgb(row[x], row[x], row[x]);
        }
    }
    return true;
}

// ---------------------------------------------------------------------------------------------------
// The framework

TVfwCapture::TVfwCapture() = default;

TVfwCapture::~TVfwCapture()
{
    Release();
}

const std::vector<int>& TVfwCapture::FrameRateChoices()
{
    static const std::vector<int> rates = {60, 30, 25, 20, 15, 10};
    return rates;
}

QString TVfwCapture::DevicePath() const
{
    const int index = DeviceIndex();
    return index >= 0 && index < int(FNodes.size()) ? FNodes[std::size_t(index)].Path : QString();
}

QStringList TVfwCapture::ListDevices()
{
    FNodes = EnumerateV4l2Devices(DeviceFolder);
    QStringList names;
    for (const TV4l2Device& device : FNodes)
        names << device.Name;
    return names;
}

std::vector<TCaptureFormat> TVfwCapture::ListFormats(int device)
{
    return device >= 0 && device < int(FNodes.size()) ? V4l2Formats(FNodes[std::size_t(device)].Path)
                                                      : std::vector<TCaptureFormat>();
}

bool TVfwCapture::OpenDevice()
{
    const QString path = DevicePath();
    FFd = ::open(QFile::encodeName(path).constData(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
    if (FFd < 0) {
        ErrorText = QStringLiteral("Cannot open %1: %2.").arg(path, SystemError(errno));
        return false;
    }
    auto fail = [this, &path](const char* step) {
        ErrorText = QStringLiteral("%1: %2 failed: %3.").arg(path, QLatin1String(step), SystemError(errno));
        return false;
    };

    v4l2_format format{};
    format.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    if (const TCaptureFormat* chosen = Format()) {
        format.fmt.pix.width = std::uint32_t(chosen->Width);
        format.fmt.pix.height = std::uint32_t(chosen->Height);
        format.fmt.pix.pixelformat = chosen->FourCC;
        format.fmt.pix.field = V4L2_FIELD_ANY;
        if (Xioctl(FFd, VIDIOC_S_FMT, &format) < 0)
            return fail("setting the format");
    } else if (Xioctl(FFd, VIDIOC_G_FMT, &format) < 0) {
        return fail("reading the format");
    }
    FPixelFormat = format.fmt.pix.pixelformat;
    if (!TV4l2Converter::Supported(FPixelFormat)) {
        ErrorText =
            QStringLiteral("%1: the pixel format %2 cannot be read.").arg(path, FourCCText(FPixelFormat));
        return false;
    }
    FSize = QSize(int(format.fmt.pix.width), int(format.fmt.pix.height));
    FBytesPerLine = int(format.fmt.pix.bytesperline);

    // The rate: asked when the device lets its frame interval be set, then read back.
    FRate = 0.0;
    v4l2_streamparm parm{};
    parm.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    if (Xioctl(FFd, VIDIOC_G_PARM, &parm) == 0) {
        if ((parm.parm.capture.capability & V4L2_CAP_TIMEPERFRAME) != 0 && FramesPerSecondVfw > 0) {
            parm.parm.capture.timeperframe.numerator = 1;
            parm.parm.capture.timeperframe.denominator = std::uint32_t(FramesPerSecondVfw);
            Xioctl(FFd, VIDIOC_S_PARM, &parm);
            Xioctl(FFd, VIDIOC_G_PARM, &parm);
        }
        FRate = RateOf(parm.parm.capture.timeperframe);
    }
    if (FRate <= 0.0)
        FRate = FramesPerSecondVfw > 0 ? FramesPerSecondVfw : 30.0;

    v4l2_requestbuffers request{};
    request.count = BufferCount;
    request.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    request.memory = V4L2_MEMORY_MMAP;
    if (Xioctl(FFd, VIDIOC_REQBUFS, &request) < 0)
        return fail("requesting buffers");
    if (request.count < 2) {
        ErrorText = QStringLiteral("%1: the device gives too few buffers.").arg(path);
        return false;
    }
    for (unsigned i = 0; i < request.count; ++i) {
        v4l2_buffer buffer{};
        buffer.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
        buffer.memory = V4L2_MEMORY_MMAP;
        buffer.index = i;
        if (Xioctl(FFd, VIDIOC_QUERYBUF, &buffer) < 0)
            return fail("querying a buffer");
        void* start = mmap(nullptr, buffer.length, PROT_READ | PROT_WRITE, MAP_SHARED, FFd, buffer.m.offset);
        if (start == MAP_FAILED)
            return fail("mapping a buffer");
        FBuffers.push_back({start, buffer.length});
        if (Xioctl(FFd, VIDIOC_QBUF, &buffer) < 0)
            return fail("queueing a buffer");
    }
    v4l2_buf_type type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    if (Xioctl(FFd, VIDIOC_STREAMON, &type) < 0)
        return fail("starting the stream");
    FWake = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (FWake < 0)
        return fail("eventfd");
    FStop = false;
    FThread = std::thread(&TVfwCapture::Run, this);
    return true;
}

void TVfwCapture::CloseDevice()
{
    if (FThread.joinable()) {
        FStop = true;
        const std::uint64_t one = 1;
        if (::write(FWake, &one, sizeof one) < 0) {
            // The thread still sees FStop within its poll timeout.
        }
        FThread.join();
    }
    if (FFd >= 0) {
        v4l2_buf_type type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
        Xioctl(FFd, VIDIOC_STREAMOFF, &type);
    }
    for (const TBuffer& buffer : FBuffers)
        munmap(buffer.Start, buffer.Length);
    FBuffers.clear();
    if (FFd >= 0) {
        v4l2_requestbuffers request{};
        request.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
        request.memory = V4L2_MEMORY_MMAP;
        Xioctl(FFd, VIDIOC_REQBUFS, &request); // count 0 frees the driver's buffers
        ::close(FFd);
    }
    FFd = -1;
    if (FWake >= 0)
        ::close(FWake);
    FWake = -1;
}

// The frame slot of a buffer from its capture time at the stream's nominal rate, so that a camera that
// slows down (a long exposure in dim light) leaves empty slots and the recording keeps true time; the
// driver's sequence number when the buffer has no time. first: the first buffer's time, in microseconds.
std::int64_t TVfwCapture::SlotOf(const v4l2_buffer& buffer, std::int64_t& first) const
{
    const std::int64_t micros = std::int64_t(buffer.timestamp.tv_sec) * 1000000 + buffer.timestamp.tv_usec;
    if (micros <= 0 || FRate <= 0.0)
        return std::int64_t(buffer.sequence);
    if (first < 0 || micros < first)
        first = micros;
    return std::llround(double(micros - first) * FRate / 1e6);
}

void TVfwCapture::Run()
{
    TV4l2Converter converter;
    std::int64_t first = -1;
    pollfd fds[2] = {{FFd, POLLIN, 0}, {FWake, POLLIN, 0}};
    while (!FStop.load()) {
        const int ready = poll(fds, 2, 1000);
        if (FStop.load())
            break;
        if (ready < 0) {
            if (errno == EINTR)
                continue;
            SourceEnded(QStringLiteral("Waiting for a picture failed: %1.").arg(SystemError(errno)));
            return;
        }
        if (ready == 0)
            continue; // a device may pause (a dark scene at a long exposure)
        if ((fds[0].revents & (POLLERR | POLLHUP | POLLNVAL)) != 0) {
            SourceEnded(QStringLiteral("The device was disconnected."));
            return;
        }
        if ((fds[0].revents & POLLIN) == 0)
            continue;
        v4l2_buffer buffer{};
        buffer.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
        buffer.memory = V4L2_MEMORY_MMAP;
        if (Xioctl(FFd, VIDIOC_DQBUF, &buffer) < 0) {
            if (errno == EAGAIN)
                continue;
            SourceEnded(QStringLiteral("Reading a picture failed: %1.").arg(SystemError(errno)));
            return;
        }
        if (buffer.index < FBuffers.size() && (buffer.flags & V4L2_BUF_FLAG_ERROR) == 0 &&
            buffer.bytesused > 0) {
            QImage image;
            const auto* data = static_cast<const std::uint8_t*>(FBuffers[buffer.index].Start);
            const std::size_t used = std::min<std::size_t>(buffer.bytesused, FBuffers[buffer.index].Length);
            if (converter.Convert(FPixelFormat, data, used, FSize.width(), FSize.height(), FBytesPerLine,
                                  image))
                Deliver(image, SlotOf(buffer, first));
        }
        if (Xioctl(FFd, VIDIOC_QBUF, &buffer) < 0) {
            SourceEnded(QStringLiteral("Reading a picture failed: %1.").arg(SystemError(errno)));
            return;
        }
    }
}
