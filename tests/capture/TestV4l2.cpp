// V4L2 without a camera: the enumeration of device nodes and the conversion of the pixel formats.
#include "capture/UnitCapture.h"
#include "capture/UnitDSCapture.h"
#include "capture/UnitVfwCapture.h"

#include <gtest/gtest.h>

#include <QBuffer>
#include <QFile>
#include <QTemporaryDir>

#include <vector>

namespace {

void ExpectNear(QRgb actual, QRgb expected, int tolerance, const char* what)
{
    SCOPED_TRACE(what);
    EXPECT_NEAR(qRed(actual), qRed(expected), tolerance);
    EXPECT_NEAR(qGreen(actual), qGreen(expected), tolerance);
    EXPECT_NEAR(qBlue(actual), qBlue(expected), tolerance);
}

} // namespace

// Nodes that are not capture devices are left out: a plain file, a character device that is not V4L2, a
// name that is not numbered. With no camera only the test picture is listed.
TEST(V4l2, NoCameraListsOnlyTheTestPicture)
{
    QTemporaryDir folder;
    QFile(folder.filePath(QStringLiteral("video0"))).open(QIODevice::WriteOnly);
    ASSERT_TRUE(QFile::link(QStringLiteral("/dev/null"), folder.filePath(QStringLiteral("video1"))));
    QFile(folder.filePath(QStringLiteral("videox"))).open(QIODevice::WriteOnly);
    EXPECT_TRUE(EnumerateV4l2Devices(folder.path()).empty());
    EXPECT_TRUE(V4l2Formats(folder.filePath(QStringLiteral("video1"))).empty());
    EXPECT_TRUE(V4l2Formats(folder.filePath(QStringLiteral("video9"))).empty());

    auto v4l2 = std::make_unique<TVfwCapture>();
    auto gst = std::make_unique<TDSCapture>();
    v4l2->DeviceFolder = folder.path();
    gst->DeviceFolder = folder.path();
    TCapture capture(std::move(v4l2), std::move(gst));
    capture.RefreshDevices();
    EXPECT_EQ(capture.DeviceNames(true), QStringList{QStringLiteral("Test picture (GStreamer)")});
    // A device chosen anyway (the path of a node that is gone) fails cleanly.
    TVfwCapture alone;
    alone.DeviceFolder = folder.path();
    alone.Refresh();
    EXPECT_FALSE(alone.Connect());
    EXPECT_EQ(alone.ErrorText, QStringLiteral("No capture device selected."));
}

TEST(V4l2, ConvertsEachPixelFormat)
{
    const QRgb white = qRgb(255, 255, 255), black = qRgb(0, 0, 0), red = qRgb(255, 0, 0),
               blue = qRgb(0, 0, 255);
    // BT.601 limited range: white (235,128,128), black (16,128,128), red (81,90,240), blue (41,240,110).
    struct TCase
    {
        const char* Code;
        std::vector<std::uint8_t> Data; // 2 x 2 pixels
        int BytesPerLine;
        QRgb Expected[4];
    };
    const TCase cases[] = {
        {"YUYV", {235, 128, 16, 128, 81, 90, 81, 240}, 4, {white, black, red, red}},
        {"UYVY", {128, 235, 128, 16, 240, 41, 110, 41}, 4, {white, black, blue, blue}},
        {"NV12", {81, 81, 81, 81, 90, 240}, 2, {red, red, red, red}},
        {"YU12", {41, 41, 41, 41, 240, 110}, 2, {blue, blue, blue, blue}},
        // Rows padded to 9 bytes.
        {"RGB3",
         {255, 0, 0, 0, 0, 255, 9, 9, 9, 1, 2, 3, 0, 0, 0, 0, 0, 0},
         9,
         {red, blue, qRgb(1, 2, 3), black}},
        {"BGR3", {255, 0, 0, 0, 0, 255, 0, 0, 0, 1, 2, 3}, 6, {blue, red, black, qRgb(3, 2, 1)}},
        {"GREY", {0, 255, 7, 8}, 2, {black, white, qRgb(7, 7, 7), qRgb(8, 8, 8)}},
    };
    TV4l2Converter converter;
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Code);
        const std::uint32_t code = FourCCOf(QString::fromLatin1(c.Code));
        ASSERT_TRUE(TV4l2Converter::Supported(code));
        QImage image;
        ASSERT_TRUE(converter.Convert(code, c.Data.data(), c.Data.size(), 2, 2, c.BytesPerLine, image));
        ASSERT_EQ(image.size(), QSize(2, 2));
        for (int i = 0; i < 4; ++i)
            ExpectNear(image.pixel(i % 2, i / 2), c.Expected[i], 2, "pixel");
        // One byte short of a picture is refused.
        EXPECT_FALSE(converter.Convert(code, c.Data.data(), c.Data.size() - 1, 2, 2, c.BytesPerLine, image));
    }
    EXPECT_FALSE(TV4l2Converter::Supported(FourCCOf(QStringLiteral("H264"))));
}

TEST(V4l2, DecodesMotionJpeg)
{
    QImage picture(32, 16, QImage::Format_RGB32);
    picture.fill(Qt::white);
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x)
            picture.setPixel(x, y, qRgb(0, 0, 255));
    QByteArray jpeg;
    QBuffer buffer(&jpeg);
    ASSERT_TRUE(buffer.open(QIODevice::WriteOnly));
    ASSERT_TRUE(picture.save(&buffer, "JPG", 95));
    TV4l2Converter converter;
    QImage image;
    const auto* data = reinterpret_cast<const std::uint8_t*>(jpeg.constData());
    ASSERT_TRUE(converter.Convert(FourCCOf(QStringLiteral("MJPG")), data, std::size_t(jpeg.size()), 32, 16, 0,
                                  image));
    ExpectNear(image.pixel(4, 8), qRgb(0, 0, 255), 12, "blue half");
    ExpectNear(image.pixel(28, 8), qRgb(255, 255, 255), 12, "white half");
    EXPECT_FALSE(converter.Convert(FourCCOf(QStringLiteral("MJPG")), data, 20, 32, 16, 0, image));
}
