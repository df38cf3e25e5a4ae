// Video to numbered images and back: the frame count and the pictures survive the round trip; bad image
// folders and failures leave nothing under the output's name. Also through the headless commands.
#include "studio/UnitStudioConvert.h"

#include "app/CommandLine.h"
#include "common/UnitOptions.h"
#include "editing/UnitDemoClip.h"
#include "studio/StudioFixture.h"
#include "studio/UnitStudioImages.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTextStream>

namespace {

// Mean absolute difference of the colour channels of two images of the same size.
double MeanDifference(const QImage& a, const QImage& b)
{
    if (a.size() != b.size())
        return 1e9;
    const QImage x = a.convertToFormat(QImage::Format_RGB32);
    const QImage y = b.convertToFormat(QImage::Format_RGB32);
    double sum = 0.0;
    for (int j = 0; j < x.height(); ++j)
        for (int i = 0; i < x.width(); ++i) {
            const QRgb p = x.pixel(i, j), q = y.pixel(i, j);
            sum +=
                std::abs(qRed(p) - qRed(q)) + std::abs(qGreen(p) - qGreen(q)) + std::abs(qBlue(p) - qBlue(q));
        }
    return sum / (3.0 * x.width() * x.height());
}

// The frames of a video, read back through the program's frame sources.
std::vector<QImage> ReadVideo(const QString& path, double* fps = nullptr)
{
    TVideoSources sources;
    if (!sources.OpenVideo(path))
        return {};
    if (fps)
        *fps = sources.FramesPerSecond();
    std::vector<QImage> frames;
    for (int k = 0; k < sources.FrameCount(); ++k)
        frames.push_back(GrabFrame(sources, k));
    return frames;
}

void WriteImages(const QDir& dir, const QStringList& names, QSize size)
{
    int shade = 0;
    for (const QString& name : names) {
        QImage image(name.contains(QLatin1String("big")) ? size * 2 : size, QImage::Format_RGB32);
        image.fill(QColor(shade, 255 - shade, 80));
        shade += 20;
        ASSERT_TRUE(image.save(dir.absoluteFilePath(name)));
    }
}

QStringList FilesOf(const QString& folder)
{
    return QDir(folder).entryList(QDir::Files | QDir::Hidden, QDir::Name);
}

class StudioConvertTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        Clip = DemoClipPath();
        ASSERT_FALSE(Clip.isEmpty());
        ASSERT_TRUE(Temp.isValid());
    }
    QString Path(const QString& name) const { return QDir(Temp.path()).absoluteFilePath(name); }

    QString Clip;
    QTemporaryDir Temp;
};

} // namespace

TEST_F(StudioConvertTest, VideoToImagesAndBackKeepsFramesAndPictures)
{
    TVideoSources sources;
    ASSERT_TRUE(sources.OpenVideo(Clip));
    std::vector<int> frames(TDemoClip::FrameCount);
    for (int k = 0; k < TDemoClip::FrameCount; ++k)
        frames[k] = k;
    QDir().mkpath(Path("images"));
    std::vector<int> progress;
    QString error;
    QStringList written;
    ASSERT_EQ(VideoToImages(
                  sources, frames, Path("images/clip"), "png", TImageGeometry(),
                  [&progress](int p) {
                      progress.push_back(p);
                      return true;
                  },
                  error, &written),
              cvOk)
        << error.toStdString();
    ASSERT_EQ(written.size(), TDemoClip::FrameCount);
    EXPECT_EQ(QFileInfo(written.first()).fileName(), QStringLiteral("clip_00.png"));
    EXPECT_EQ(QFileInfo(written.last()).fileName(), QStringLiteral("clip_49.png"));
    EXPECT_EQ(progress.front(), 2);
    EXPECT_EQ(progress.back(), 100);
    std::vector<QImage> decoded;
    for (int k = 0; k < TDemoClip::FrameCount; ++k) {
        decoded.push_back(GrabFrame(sources, k));
        ASSERT_EQ(QImage(written[k]).convertToFormat(QImage::Format_RGB32), decoded[k]) << k;
    }

    QStringList series;
    QString reason;
    ASSERT_EQ(ImageSeriesOfFolder(Path("images"), series, reason), 0) << reason.toStdString();
    ASSERT_EQ(series, written);

    // Back to a video through each writer: lossless frames come back equal, compressed ones close.
    struct TCase
    {
        const char* Name;
        int Framework;
        const char* Codec;
        double Tolerance;   // mean difference per channel, 0 = pixel-equal
        const char* FourCC; // the codec the file must hold
    };
    const TCase cases[] = {{"plain.avi", 0, "", 0.0, ""},
                           {"mjpeg.avi", 0, "Motion JPEG", 3.0, "MJPG"},
                           {"mpeg4.avi", 2, "FFMpeg internal MPEG4 codec", 3.0, "FMP4"},
                           {"ffv1.avi", 2, "FFV1 lossless", 1.0, "FFV1"},
                           {"gst.avi", 1, "JPEG image encoder", 3.0, "MJPG"}};
    for (const TCase& c : cases) {
        TImagesToVideoRequest request;
        request.Images = series;
        request.FileName = Path(c.Name);
        request.FramesPerSecond = 25.0;
        request.Framework = c.Framework;
        request.Codec = QLatin1String(c.Codec);
        ASSERT_EQ(ImagesToVideo(request, {}, error), cvOk) << c.Name << ": " << error.toStdString();
        double fps = 0.0;
        const std::vector<QImage> back = ReadVideo(request.FileName, &fps);
        ASSERT_EQ(back.size(), decoded.size()) << c.Name;
        EXPECT_NEAR(fps, 25.0, 1e-6) << c.Name;
        QFile video(request.FileName);
        ASSERT_TRUE(video.open(QIODevice::ReadOnly));
        EXPECT_TRUE(video.read(8192).contains(c.FourCC)) << c.Name;
        for (std::size_t k = 0; k < back.size(); ++k) {
            if (c.Tolerance == 0.0)
                ASSERT_EQ(back[k], decoded[k]) << c.Name << " frame " << k;
            else
                ASSERT_LT(MeanDifference(back[k], decoded[k]), c.Tolerance) << c.Name << " frame " << k;
        }
    }
    // No temporary file is left beside the videos.
    EXPECT_EQ(FilesOf(Temp.path()),
              QStringList({"ffv1.avi", "gst.avi", "mjpeg.avi", "mpeg4.avi", "plain.avi"}));
}

TEST_F(StudioConvertTest, FailuresLeaveTheOutputNameAlone)
{
    WriteImages(QDir(Temp.path()), {"a_0.png", "a_1.png", "a_2_big.png"}, QSize(32, 24));
    const QString old = Path("out.avi");
    {
        QFile file(old);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("older video");
    }
    struct TCase
    {
        const char* What;
        int Framework;
        QStringList Images;
        std::function<bool(int)> Progress;
        int Code;
        const char* Reason;
    };
    const QStringList sizes = {Path("a_0.png"), Path("a_1.png"), Path("a_2_big.png")};
    const QStringList same = {Path("a_0.png"), Path("a_1.png"), Path("a_0.png"), Path("a_1.png")};
    const TCase cases[] = {
        {"different sizes",
         0,
         sizes,
         {},
         cvSizeDiffers,
         "a_2_big.png is 64 x 48 pixels, but the first image"},
        {"different sizes, FFmpeg", 2, sizes, {}, cvSizeDiffers, "64 x 48"},
        {"cancelled", 0, same, [](int p) { return p < 50; }, cvCancelled, "cancelled"},
        {"cancelled, FFmpeg", 2, same, [](int p) { return p < 50; }, cvCancelled, "cancelled"},
        {"unreadable image", 0, {Path("a_0.png"), Path("missing.png")}, {}, cvReadFailed, "missing.png"},
    };
    for (const TCase& c : cases) {
        TImagesToVideoRequest request;
        request.Images = c.Images;
        request.FileName = old;
        request.Framework = c.Framework;
        QString error;
        EXPECT_EQ(ImagesToVideo(request, c.Progress, error), c.Code) << c.What;
        EXPECT_TRUE(error.contains(QLatin1String(c.Reason))) << c.What << ": " << error.toStdString();
        QFile file(old);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        EXPECT_EQ(file.readAll(), QByteArray("older video")) << c.What;
        EXPECT_EQ(FilesOf(Temp.path()), QStringList({"a_0.png", "a_1.png", "a_2_big.png", "out.avi"}))
            << c.What;
    }
    TImagesToVideoRequest request;
    request.Images = same;
    request.FileName = old;
    QString error;
    for (double fps : {0.0, -5.0, std::nan("")}) {
        request.FramesPerSecond = fps;
        EXPECT_EQ(ImagesToVideo(request, {}, error), cvBadRequest) << fps;
    }
}

TEST_F(StudioConvertTest, ResizingAndCroppingTheFrames)
{
    QImage frame(40, 20, QImage::Format_RGB32);
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 40; ++x)
            frame.setPixel(x, y, qRgb(x, y, 0));
    TImageGeometry crop;
    crop.Output = QSize(24, 14);
    crop.Cropping = true;
    crop.CropOffset = QPoint(10, 4);
    const QImage cropped = ApplyGeometry(frame, crop);
    ASSERT_EQ(cropped.size(), QSize(24, 14));
    EXPECT_EQ(cropped.pixel(0, 0), qRgb(10, 4, 0)); // the first column is column 10 of the frame
    EXPECT_EQ(cropped.pixel(23, 13), qRgb(33, 17, 0));
    TImageGeometry resize;
    resize.Output = QSize(80, 40);
    resize.Resizing = true;
    const QImage resized = ApplyGeometry(frame, resize);
    ASSERT_EQ(resized.size(), QSize(80, 40));
    EXPECT_EQ(resized.pixel(79, 39), qRgb(39, 19, 0));
    EXPECT_EQ(ApplyGeometry(frame, TImageGeometry()), frame);
}

TEST_F(StudioConvertTest, HeadlessRoundTrip)
{
    const TOptions options(Path("Kinotra.ini"));
    QString outText, errText;
    QTextStream out(&outText), err(&errText);
    ASSERT_EQ(RunToImages({Clip, Path("frames")}, options, out, err), 0) << errText.toStdString();
    const QStringList images = QDir(Path("frames")).entryList(QDir::Files, QDir::Name);
    ASSERT_EQ(images.size(), TDemoClip::FrameCount);
    EXPECT_EQ(images.first(), QStringLiteral("studio-demo-clip_00.png"));
    EXPECT_TRUE(errText.contains(QLatin1String("kinotra: 100%"))) << errText.toStdString();

    errText.clear();
    ASSERT_EQ(RunFromImages({Path("frames"), Path("back.avi"), "--fps", "12.5"}, options, out, err), 0)
        << errText.toStdString();
    double fps = 0.0;
    const std::vector<QImage> back = ReadVideo(Path("back.avi"), &fps);
    ASSERT_EQ(back.size(), std::size_t(TDemoClip::FrameCount));
    EXPECT_NEAR(fps, 12.5, 1e-6);
    EXPECT_EQ(back[17], QImage(Path("frames/studio-demo-clip_17.png")).convertToFormat(QImage::Format_RGB32));

    // The codec chosen in the settings file is the one used.
    {
        QFile ini(Path("Kinotra.ini"));
        ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
        ini.write("[Montage]\nFramework=Video for Windows\nCodec=Motion JPEG\n");
    }
    ASSERT_EQ(RunFromImages({"--fps", "25", Path("frames"), Path("mjpeg.avi")}, options, out, err), 0);
    QFile mjpeg(Path("mjpeg.avi"));
    ASSERT_TRUE(mjpeg.open(QIODevice::ReadOnly));
    EXPECT_TRUE(mjpeg.read(4096).contains("MJPG"));
    EXPECT_LT(mjpeg.size(), QFileInfo(Path("back.avi")).size() / 4);
}

TEST_F(StudioConvertTest, HeadlessRefusesBadFolders)
{
    const TOptions options(Path("Kinotra.ini"));
    QDir().mkpath(Path("gap"));
    WriteImages(QDir(Path("gap")), {"img_1.png", "img_2.png", "img_4.png"}, QSize(16, 16));
    QDir().mkpath(Path("sizes"));
    WriteImages(QDir(Path("sizes")), {"img_1.png", "img_2_big.png"}, QSize(16, 16));
    QFile::rename(Path("sizes/img_2_big.png"), Path("sizes/img_2.png"));
    QDir().mkpath(Path("empty"));
    struct TCase
    {
        QStringList Args;
        const char* Reason;
    };
    const TCase cases[] = {
        {{Path("gap"), Path("out.avi"), "--fps", "25"},
         "no image numbered 3 between img_2.png and img_4.png"},
        {{Path("sizes"), Path("out.avi"), "--fps", "25"}, "img_2.png is 32 x 32 pixels, but the first image"},
        {{Path("empty"), Path("out.avi"), "--fps", "25"}, "holds no numbered image"},
        {{Path("nowhere"), Path("out.avi"), "--fps", "25"}, "is not a folder"},
        {{Path("gap"), Path("out.avi")}, "needs FOLDER, OUT and --fps F"},
        {{Path("gap"), Path("out.avi"), "--fps", "fast"}, "is not a frame rate"},
        {{Path("gap"), Path("out.avi"), "--fps", "0"}, "is not a frame rate"},
    };
    for (const TCase& c : cases) {
        QString outText, errText;
        QTextStream out(&outText), err(&errText);
        EXPECT_EQ(RunFromImages(c.Args, options, out, err), 1) << c.Args.join(' ').toStdString();
        EXPECT_TRUE(errText.contains(QLatin1String(c.Reason))) << errText.toStdString();
        EXPECT_FALSE(QFile::exists(Path("out.avi")));
    }
    QString outText, errText;
    QTextStream out(&outText), err(&errText);
    EXPECT_EQ(RunToImages({Path("missing.avi"), Path("x")}, options, out, err), 1);
    EXPECT_TRUE(errText.contains(QLatin1String("no such file")));
    QFile(Path("afile")).open(QIODevice::WriteOnly);
    EXPECT_EQ(RunToImages({Clip, Path("afile")}, options, out, err), 1);
    EXPECT_TRUE(errText.contains(QLatin1String("it is a file, not a folder")));
}
