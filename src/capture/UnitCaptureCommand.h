// The headless capture: a number of seconds from a camera or the test picture, saved to a file.
#pragma once

#include <QString>
#include <functional>

struct TCaptureRequest
{
    QString Source; // "test" (the test picture), a device node such as /dev/video0, or a device name
    QString Output; // the AVI file to write; an existing file is replaced only when the recording is complete
    int Seconds = 0;    // 1 to 3600
    int Framework = -1; // 0 V4L2, 1 GStreamer; -1: GStreamer for "test", V4L2 for a camera
    QString DeviceFolder = QStringLiteral("/dev"); // where camera nodes are looked for (tests)
};

struct TCaptureResult
{
    int Frames = 0; // frames written
    int Lost = 0;   // frames the device skipped
    double FramesPerSecond = 0.0;
    bool EndedEarly = false; // the device stopped before the time was over (what was recorded is saved)
};

// Records as the capture mode does, with Motion JPEG, and saves Output. progress receives one line per
// second. Returns 0 on success; 1 with message saying why when the source cannot be found or opened, the
// output cannot be written, the recording failed, or the device stopped early (the frames recorded until
// then are saved, and result tells so); 2 for a request that is not valid (message says what).
int RunCaptureCommand(const TCaptureRequest& request, TCaptureResult& result, QString& message,
                      const std::function<void(const QString&)>& progress = {});
