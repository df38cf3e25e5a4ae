// What the two capture frameworks share: formats, the recording of delivered frames into an AVI file,
// the counts of captured and lost frames, and the preview handed to the user-interface thread.
#pragma once

#include "capture/UnitCaptureControls.h"

#include <QImage>
#include <QObject>
#include <QSize>
#include <QString>
#include <QStringList>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

class TVfwRecord;

// One way a device can deliver pictures.
struct TCaptureFormat
{
    QString Name;             // shown in the dialog and stored in the settings file
    std::uint32_t FourCC = 0; // V4L2 pixel format ("MJPG", "YUYV", ...); 0 for the test picture
    int Width = 0;            // pixels
    int Height = 0;           // pixels
    int RateNum = 0;          // frames per second = RateNum / RateDen; 0 when the rate is chosen apart
    int RateDen = 1;
    std::vector<double> Rates; // frames per second that the device offers at this size (may be empty)

    double FramesPerSecond() const { return RateNum > 0 && RateDen > 0 ? double(RateNum) / RateDen : 0.0; }
};

// Why a device stopped by itself; told on the user-interface thread.
enum class TCaptureEvent
{
    SourceLost,  // the device was unplugged, or its stream ended or failed
    WriteFailed, // a frame could not be written (full disk, unwritable folder)
};

// A capture framework: its device list, the chosen device and format, the connection (frames flowing and
// shown as preview) and the recording. Frames arrive on the framework's own thread; everything else,
// notifications included, happens on the user-interface thread.
class TCaptureFramework
{
public:
    TCaptureFramework();
    virtual ~TCaptureFramework();
    TCaptureFramework(const TCaptureFramework&) = delete;
    TCaptureFramework& operator=(const TCaptureFramework&) = delete;

    // " (V4L2)" or " (GStreamer)": appended to device names in the dialog.
    virtual QString Ending() const = 0;

    // Lists the devices again; the chosen device is kept when it is still listed under the same name.
    void Refresh();
    const QStringList& Devices() const { return FDevices; }
    int DeviceIndex() const { return FDeviceIndex; }
    bool ValidDevice() const { return FDeviceIndex >= 0 && FDeviceIndex < FDevices.size(); }
    QString DeviceName() const { return ValidDevice() ? FDevices.at(FDeviceIndex) : QString(); }
    // Chooses a device (-1 or out of range: none); a connected device is released first. The formats are
    // listed again and none is chosen.
    void SelectDevice(int index);

    const std::vector<TCaptureFormat>& Formats() const { return FFormats; }
    int FormatIndex() const { return FFormatIndex; }
    const TCaptureFormat* Format() const;
    // A connected device is released when the format changes.
    void SelectFormat(int index);
    // Index of a name in a list, compared without regard to case; -1 when absent.
    static int IndexOfName(const QStringList& names, const QString& name);
    QStringList FormatNames() const;

    // Opens the chosen device with the chosen format and starts the frames; true once a first frame has
    // arrived. False with the reason in ErrorText otherwise (the device is then released).
    bool Connect();
    void Release();
    bool IsConnected() const { return FConnected; }

    // Records the frames that arrive from now on into fileName (an AVI file of the program's own writer;
    // codecIndex -1: uncompressed, else the writer's codec list). Connects first when needed. False with
    // the reason in ErrorText.
    bool StartCapture(const QString& fileName, int codecIndex);
    // Ends the recording; true when the file was completed (it exists under its name only then).
    bool StopCapture();
    bool IsCapturing() const { return FCapturing; }
    int CapturedCount() const { return FCaptured.load(); } // frames written since the recording started
    int LostCount() const { return FLost.load(); }         // frames the device skipped meanwhile
    // Frames per second of the running stream (0 when not connected).
    double FramesPerSecond() const { return FRate; }

    // Preview frames go to OnPreview (user-interface thread) while the preview is shown; frames that come
    // faster than they are drawn are skipped, never queued.
    void ShowPreview(bool visible) { FPreviewOn = visible; }
    bool PreviewShown() const { return FPreviewOn.load(); }
    std::function<void(const QImage&)> OnPreview;
    std::function<void(TCaptureEvent)> OnEvent;

    // The chosen device's own settings (exposure, gain, white balance...) with their values; empty when it
    // has none. Setting one applies it at once, during the preview and the recording too.
    virtual std::vector<TDeviceControl> Controls() { return {}; }
    virtual bool SetControl(std::uint32_t id, int value, QString& error)
    {
        (void)id;
        (void)value;
        error = QStringLiteral("This device offers no settings.");
        return false;
    }

    QString ErrorText;
    QString WriterError; // the writer's reason when a recording failed

protected:
    virtual QStringList ListDevices() = 0;
    virtual std::vector<TCaptureFormat> ListFormats(int device) = 0;
    // Starts the frames of the chosen device and format; sets FRate (frames per second of the stream).
    // False with ErrorText.
    virtual bool OpenDevice() = 0;
    // Stops the frames; afterwards no frame is delivered any more.
    virtual void CloseDevice() = 0;

    // From the framework's thread: one picture (RGB32) at frame slot slot of the stream (slots counted from
    // any origin; a skipped slot counts as a lost frame).
    void Deliver(const QImage& image, std::int64_t slot);
    // From any thread: the stream ended by itself. Told once per connection.
    void SourceEnded(const QString& reason);

    double FRate = 0.0; // frames per second of the running stream
    QSize FSize;        // pixels of the running stream's pictures

private:
    void Post(std::function<void()> call);
    bool WaitFirstFrame();

    QStringList FDevices;
    int FDeviceIndex = -1;
    std::vector<TCaptureFormat> FFormats;
    int FFormatIndex = -1;
    bool FConnected = false;
    bool FCapturing = false;

    std::mutex FLock; // guards the writer, FLastSlot and FLatest
    std::unique_ptr<TVfwRecord> FWriter;
    bool FWriting = false;
    std::int64_t FLastSlot = 0;
    bool FHaveSlot = false;
    QImage FLatest;
    QString FEndReason; // why the stream ended, told by SourceEnded
    std::atomic<int> FCaptured{0};
    std::atomic<int> FLost{0};
    std::atomic<bool> FPreviewOn{true};
    std::atomic<bool> FPreviewPending{false};
    std::atomic<bool> FEnded{false};
    std::atomic<int> FFrames{0};          // frames delivered since the connection
    std::atomic<unsigned> FGeneration{0}; // stale posts of an earlier connection are ignored
    std::unique_ptr<QObject> FContext;    // lives on the user-interface thread: target of the posts
};
