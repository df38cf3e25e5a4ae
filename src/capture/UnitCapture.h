// The capture session: the merged device list of the two frameworks, the chosen device, format and codec,
// the recording with its delayed start and automatic stop, the one-second timer and the question of the
// file name at the end.
#pragma once

#include "capture/UnitCaptureFramework.h"

#include <QImage>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <climits>
#include <functional>
#include <memory>

class TBoiteControles;
class TIniFile;
class TOptions;

// The pages of the capture dialog.
enum class TCapturePage
{
    Hardware,
    Compression,
    Format,
    FrameRate,
    Timer,
};

// The settings file's section of the capture.
inline const QString SectionCapture = QStringLiteral("Capture");

// One instance, owned by the main window. Everything runs on the user-interface thread; the frameworks
// read frames on their own threads and the session only starts, stops and reads their counts.
class TCapture
{
public:
    // options: for the initial folder of the save dialog (may be null).
    explicit TCapture(const TOptions* options = nullptr);
    // With other frameworks in place of V4L2 (0) and GStreamer (1) (tests).
    TCapture(std::unique_ptr<TCaptureFramework> framework0, std::unique_ptr<TCaptureFramework> framework1,
             const TOptions* options = nullptr);
    ~TCapture();
    TCapture(const TCapture&) = delete;
    TCapture& operator=(const TCapture&) = delete;

    int Framework = 0;   // 0 V4L2, 1 GStreamer
    QTimer Timer;        // one tick per second during a recording
    QString CaptureFile; // the recording being written, in a private temporary folder
    QString SavedFile;   // where the last recording was saved; empty when it was not
    bool SettingsPending = true;
    bool DelayOn = false;    // "Start recording after"
    bool DurationOn = false; // "Recording duration"
    bool BeepOn = true;      // "Beep": a beep when the delay ends
    int DelaySeconds = 0;
    int DurationSeconds = INT_MAX;
    int Seconds = 0;     // ticks since the command started
    int CodecIndex = -1; // into CodecNames(); -1: no compression
    // Where the nodes of cameras appear when they are plugged in; the capture dialog lists them again then.
    QString DeviceFolder = QStringLiteral("/dev");

    // When not empty, a stopped recording is saved under this name without any dialog (an existing file
    // of that name is replaced), as the headless command does.
    QString SaveFileName;
    // Why the last start of a recording failed (empty when it ran).
    QString StartError;
    // Why the last save failed (empty when it succeeded).
    QString SaveError;

    std::function<void()> OnRecordingChanged;
    std::function<void()> OnFileSaved;
    std::function<void()> OnFileNotSaved;
    std::function<void()> OnTick;
    // A preview picture (RGB32, the device's size) to show; only while the preview is shown.
    std::function<void(const QImage&)> OnPreview;
    // The recent-files list's folder, and its change when a recording was saved.
    std::function<QString()> LastDirectory;
    std::function<void(const QString&)> OnDirectoryChange;
    // The beep at the end of the delay; unset: the system's beep.
    std::function<void()> OnBeep;
    // Shows the capture dialog on a page and answers whether it was accepted; unset: the dialog
    // TBoiteCapture. Tests script it.
    std::function<bool(TCapturePage)> ShowDialog;
    // Runs the device settings dialog; unset: modal. Tests work its widgets instead.
    std::function<void(TBoiteControles&)> ShowControls;

    TCaptureFramework& FrameworkAt(int index) { return index == 0 ? *F0 : *F1; }
    const TCaptureFramework& FrameworkAt(int index) const { return index == 0 ? *F0 : *F1; }
    TCaptureFramework& Current() { return FrameworkAt(Framework); }
    const TCaptureFramework& Current() const { return FrameworkAt(Framework); }

    // The merged list: the devices of framework 0 followed by those of framework 1.
    void RefreshDevices();
    int DeviceCount() const;
    // With endings: each name followed by " (V4L2)" or " (GStreamer)", as the dialog shows them.
    QStringList DeviceNames(bool withEndings) const;
    // The combined index of the chosen device; -1 when none.
    int DeviceIndex() const;
    bool ValidDevice() const { return Current().ValidDevice(); }
    // Chooses the device of combined index i (out of range: none). Nothing happens when it is the current
    // one; otherwise a running capture is stopped (with its saving), the connected device released and
    // the framework set.
    void SelectDevice(int index);
    // A format of the current device; a running capture is stopped and the device released when it
    // changes.
    void SelectFormat(int index);
    // "without" is not in the list: index -1.
    QStringList CodecNames() const;
    void SelectCodec(int index) { CodecIndex = index >= 0 && index < CodecNames().size() ? index : -1; }

    // Entering the capture mode: reads the settings the first time, asks for a device when none is
    // chosen, and connects. False when the mode cannot be entered.
    bool EnterCapture();
    // Leaving it: a running capture is stopped (with its saving), then the device is released.
    void LeaveCapture();

    // The commands of the capture buttons.
    void ChooseDevice();
    void DeviceProperties();
    void FormatDialog();
    void FrameRateDialog();
    void CompressionDialog();
    void TimerDialog();
    void StartStop();

    // One second of the timer (the timer calls it; tests call it).
    void Tick();
    // Ends the recording and saves it.
    void Stop();
    // Opens the chosen device and shows its preview; the messages of a failure are shown.
    bool Connect();
    void Release();

    QString StatusText() const;
    bool IsCapturing() const { return Current().IsCapturing(); }
    bool IsConnected() const { return Current().IsConnected(); }
    // Waiting for the delay to end (the timer runs, nothing is recorded yet).
    bool IsWaiting() const { return Timer.isActive() && !IsCapturing(); }
    // A recording runs or waits for its delay to end.
    bool IsRecording() const { return IsCapturing() || IsWaiting(); }
    int CapturedCount() const { return Current().CapturedCount(); }
    int LostCount() const { return Current().LostCount(); }
    void ShowPreview(bool visible);

    // The section "Capture" of the settings file.
    void ReadSettings(const TIniFile& ini);
    void WriteSettings(TIniFile& ini) const;
    // From and to the program's settings file; saving does nothing while the settings were never read.
    void LoadSettings();
    void SaveSettings() const;

private:
    void Wire(TCaptureFramework& framework);
    void OnFrameworkEvent(TCaptureFramework& framework, TCaptureEvent event);
    // Starts writing; on a failure the session is back to idle and the reason is shown (StartError).
    bool StartCapturing();
    void SaveRecording();
    bool SaveAs(const QString& fileName);
    QString InitialFolder() const;
    QString TemporaryFolder();
    bool RunDialog(TCapturePage page);

    const TOptions* FOptions = nullptr;
    std::unique_ptr<TCaptureFramework> F0;
    std::unique_ptr<TCaptureFramework> F1;
    QString FTempFolder; // private folder of the recordings, removed with the session
    bool FStopping = false;
};
