// The studio's two conversions without a window: the frames of a video to numbered images, and a series
// of images to a video through the program's writers.
#pragma once

#include <QImage>
#include <QPoint>
#include <QSize>
#include <QString>
#include <QStringList>
#include <functional>
#include <vector>

class TVideoSources;

// Called after every image with the progress 0..100; answering false stops the conversion (cancel).
using TStudioProgress = std::function<bool(int percent)>;

// What becomes of each frame: the whole frame (Output empty or equal to the frame size), the frame
// stretched onto Output (Resizing), or the region of Output's size that starts at CropOffset (Cropping).
struct TImageGeometry
{
    QSize Output;
    bool Resizing = false;
    bool Cropping = false;
    QPoint CropOffset; // frame pixels: left and top crop
};

// Result codes of both conversions.
enum TStudioConvertCode
{
    cvOk = 0,
    cvCancelled = 1,
    cvReadFailed = 2,  // a frame or an image could not be read
    cvWriteFailed = 3, // an image or the video could not be written
    cvSizeDiffers = 4, // an image's size differs from the first one's
    cvBadRequest = 5,  // nothing to convert, no video, a rate that is not positive, a bad folder
};

// The frame of the file as a 32-bit picture of the frame's size; null when it cannot be read.
QImage GrabFrame(TVideoSources& sources, int frame);

// The image of one frame after the geometry.
QImage ApplyGeometry(const QImage& frame, const TImageGeometry& geometry);

// Video to images: the frames (0-based frames of the file, in the order given) written as base + "_" +
// number + "." + extension (png or bmp; see NumberedImageName), numbered 0 ... frames.size() - 1.
// Existing files of those names are replaced; each image appears under its name only once complete.
// The source is moved to other frames (the caller shows its own frame again). written receives the paths
// of the images written, also on failure. error explains a failure.
int VideoToImages(TVideoSources& sources, const std::vector<int>& frames, const QString& base,
                  const QString& extension, const TImageGeometry& geometry, const TStudioProgress& progress,
                  QString& error, QStringList* written = nullptr);

// The writer and its settings for images to video.
struct TImagesToVideoRequest
{
    QStringList Images; // in the order of the video
    QString FileName;   // the output, used as given
    double FramesPerSecond = 25.0;
    int Framework = 0;  // 0 the program's AVI writer, 1 GStreamer, 2 FFmpeg (any other value: 0)
    QString Codec;      // the writer's codec name; empty: no compression
    int Quality = 5000; // 0..10000 (the writers take it in per cent, 10 to 100)
};

// Images to video: the output size is the first image's; every image is read and written in order. An
// image that cannot be read or whose size differs from the first stops the writing as a failure. Nothing
// appears under FileName until the video is complete; a failure or a cancel leaves no new file and an
// older file of that name as it was.
int ImagesToVideo(const TImagesToVideoRequest& request, const TStudioProgress& progress, QString& error);

// The writer frameworks of the settings file's section "Montage" ("Framework", "Codec"), read into request
// (only the framework and the codec). An unknown or missing framework gives the program's AVI writer.
void ReadWriterSettings(const QString& settingsFile, TImagesToVideoRequest& request);
