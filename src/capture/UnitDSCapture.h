// Capture framework 1: GStreamer pipelines, v4l2src for the cameras and videotestsrc for the device "Test
// picture" that is always listed.
#pragma once

#include "capture/UnitCaptureFramework.h"
#include "capture/UnitVfwCapture.h"

#include <memory>
#include <vector>

class TDSCapture : public TCaptureFramework
{
public:
    TDSCapture();
    ~TDSCapture() override;

    QString Ending() const override { return QStringLiteral(" (GStreamer)"); }

    // The name of the test picture in the device list.
    static QString TestPictureName() { return QStringLiteral("Test picture"); }
    // The formats of the test picture.
    static std::vector<TCaptureFormat> TestPictureFormats();
    // Where the camera nodes are looked for (tests point it at an empty folder).
    QString DeviceFolder = QStringLiteral("/dev");
    // When > 0, the test picture ends after that many frames, as an unplugged camera would (tests).
    int TestFrameLimit = 0;
    // False when GStreamer cannot be initialised.
    static bool Available();

    // The V4L2 node of the chosen camera; empty for the test picture, which has no settings.
    QString CameraPath() const;
    // The pipeline description for the chosen device and format (without the sink part).
    QString SourceDescription() const;

    std::vector<TDeviceControl> Controls() override { return FControlNode.List(CameraPath()); }
    bool SetControl(std::uint32_t id, int value, QString& error) override
    {
        return FControlNode.Set(CameraPath(), id, value, error);
    }

protected:
    QStringList ListDevices() override;
    std::vector<TCaptureFormat> ListFormats(int device) override;
    bool OpenDevice() override;
    void CloseDevice() override;

private:
    TV4l2ControlNode FControlNode;
    struct TPipeline;
    std::unique_ptr<TPipeline> FPipeline;
    std::vector<TV4l2Device> FNodes; // the cameras, listed before the test picture
};
