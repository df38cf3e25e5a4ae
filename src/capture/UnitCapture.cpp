// The capture session: devices, settings, the recording's timer and the saving of the recording.
#include "capture/UnitCapture.h"

#include "capture/UnitBoiteCapture.h"
#include "capture/UnitDSCapture.h"
#include "capture/UnitVfwCapture.h"
#include "common/UnitDialogs.h"
#include "common/UnitFolders.h"
#include "common/UnitIni.h"
#include "common/UnitOptions.h"
#include "common/UnitUserDlg.h"
#include "editing/UnitRecordMontage.h"
#include "editing/UnitVfwRecord.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>
#include <QTemporaryDir>

namespace {

const QString KeyFramework = QStringLiteral("Framework");
const QString KeyDevice = QStringLiteral("Device");
const QString KeyFormat = QStringLiteral("Format");
const QString KeyCodec = QStringLiteral("Codec");

void Warning(const QStringList& lines)
{
    TUserDlg::Instance().Message(icWarning, lines);
}

void Information(const QString& line)
{
    TUserDlg::Instance().Message(icInformation, {line});
}

// Copies source to destination through a temporary file beside it, renamed only when complete; an older
// file of that name is replaced only then.
bool CopyFile(const QString& source, const QString& destination, QString& reason)
{
    QFile in(source);
    if (!in.open(QIODevice::ReadOnly)) {
        reason = in.errorString();
        return false;
    }
    QSaveFile out(destination);
    if (!out.open(QIODevice::WriteOnly)) {
        reason = out.errorString();
        return false;
    }
    QByteArray block(1 << 20, Qt::Uninitialized);
    for (;;) {
        const qint64 read = in.read(block.data(), block.size());
        if (read < 0) {
            reason = in.errorString();
            out.cancelWriting();
            return false;
        }
        if (read == 0)
            break;
        if (out.write(block.constData(), read) != read) {
            reason = out.errorString();
            out.cancelWriting();
            return false;
        }
    }
    if (!out.commit()) {
        reason = out.errorString();
        return false;
    }
    return true;
}

} // namespace

TCapture::TCapture(const TOptions* options)
    : TCapture(std::make_unique<TVfwCapture>(), std::make_unique<TDSCapture>(), options)
{
}

TCapture::TCapture(std::unique_ptr<TCaptureFramework> framework0,
                   std::unique_ptr<TCaptureFramework> framework1, const TOptions* options)
    : FOptions(options), F0(std::move(framework0)), F1(std::move(framework1))
{
    Timer.setInterval(1000);
    Timer.setTimerType(Qt::PreciseTimer);
    QObject::connect(&Timer, &QTimer::timeout, [this] { Tick(); });
    Wire(*F0);
    Wire(*F1);
}

TCapture::~TCapture()
{
    Timer.stop();
    // A recording still running at destruction is abandoned: the frameworks release their devices and the
    // private folder goes with its files.
    F0->Release();
    F1->Release();
    if (!FTempFolder.isEmpty())
        QDir(FTempFolder).removeRecursively();
}

void TCapture::Wire(TCaptureFramework& framework)
{
    framework.OnPreview = [this](const QImage& image) {
        if (OnPreview)
            OnPreview(image);
    };
    framework.OnEvent = [this, &framework](TCaptureEvent event) { OnFrameworkEvent(framework, event); };
}

// ---------------------------------------------------------------------------------------------------
// Devices

void TCapture::RefreshDevices()
{
    F0->Refresh();
    F1->Refresh();
}

int TCapture::DeviceCount() const
{
    return int(F0->Devices().size() + F1->Devices().size());
}

QStringList TCapture::DeviceNames(bool withEndings) const
{
    QStringList names;
    for (int f = 0; f < 2; ++f)
        for (const QString& name : FrameworkAt(f).Devices())
            names << (withEndings ? name + FrameworkAt(f).Ending() : name);
    return names;
}

int TCapture::DeviceIndex() const
{
    if (!Current().ValidDevice())
        return -1;
    return Current().DeviceIndex() + (Framework == 1 ? int(F0->Devices().size()) : 0);
}

void TCapture::SelectDevice(int index)
{
    const int count0 = int(F0->Devices().size());
    const int framework = index >= count0 ? 1 : 0;
    const int local = index < 0 || index >= DeviceCount() ? -1 : index - (framework == 1 ? count0 : 0);
    if (local >= 0 && framework == Framework && local == Current().DeviceIndex())
        return;
    if (IsRecording())
        Stop();
    Current().Release();
    if (local < 0) {
        Current().SelectDevice(-1);
        return;
    }
    Framework = framework;
    Current().SelectDevice(local);
}

void TCapture::SelectFormat(int index)
{
    if (index == Current().FormatIndex())
        return;
    if (IsRecording())
        Stop();
    Current().SelectFormat(index);
}

QStringList TCapture::CodecNames() const
{
    TVfwRecord writer;
    return writer.CodecList();
}

// ---------------------------------------------------------------------------------------------------
// Mode and commands

bool TCapture::EnterCapture()
{
    if (SettingsPending) {
        LoadSettings();
        SettingsPending = false;
    } else {
        RefreshDevices();
    }
    if (ValidDevice())
        return Connect();
    ChooseDevice(); // connects, or tells why not
    return ValidDevice() && IsConnected();
}

void TCapture::LeaveCapture()
{
    if (IsRecording())
        Stop();
    Release();
    SaveSettings(); // the device, format and codec are found again at the next start
}

bool TCapture::RunDialog(TCapturePage page)
{
    if (ShowDialog)
        return ShowDialog(page);
    TBoiteCapture dialog(*this);
    return dialog.Execute(page);
}

void TCapture::ChooseDevice()
{
    RunDialog(TCapturePage::Hardware);
    Connect();
}

void TCapture::DeviceProperties()
{
    if (!ValidDevice())
        return;
    TCaptureFramework& framework = Current();
    TBoiteControles dialog(
        framework.DeviceName() + framework.Ending(), [&framework] { return framework.Controls(); },
        [&framework](std::uint32_t id, int value, QString& error) {
            return framework.SetControl(id, value, error);
        });
    if (ShowControls)
        ShowControls(dialog);
    else
        dialog.exec();
}

void TCapture::FormatDialog()
{
    RunDialog(TCapturePage::Format);
    Connect();
}

void TCapture::FrameRateDialog()
{
    // With GStreamer the rate belongs to the format.
    RunDialog(Framework == 0 ? TCapturePage::FrameRate : TCapturePage::Format);
    Connect();
}

void TCapture::CompressionDialog()
{
    RunDialog(TCapturePage::Compression);
    Connect();
}

void TCapture::TimerDialog()
{
    RunDialog(TCapturePage::Timer);
    Connect();
}

bool TCapture::Connect()
{
    if (DeviceCount() == 0) {
        Information(QStringLiteral("No capture device found."));
        return false;
    }
    if (!ValidDevice()) {
        Information(QStringLiteral("No capture device selected."));
        return false;
    }
    if (Current().IsConnected())
        return true;
    if (Framework == 1 && !TDSCapture::Available()) {
        Information(QStringLiteral("You need GStreamer 1.x in order to be able to capture video."));
        return false;
    }
    if (!Current().Connect()) {
        Information(QStringLiteral("The selected capture device does not respond."));
        return false;
    }
    return true;
}

void TCapture::Release()
{
    Current().Release();
}

void TCapture::ShowPreview(bool visible)
{
    F0->ShowPreview(visible);
    F1->ShowPreview(visible);
}

// ---------------------------------------------------------------------------------------------------
// Recording

QString TCapture::TemporaryFolder()
{
    if (FTempFolder.isEmpty() || !QFileInfo(FTempFolder).isDir()) {
        // A folder of this session only, so that no other instance's recording is ever touched.
        QTemporaryDir folder(QDir(QDir::tempPath()).filePath(QStringLiteral("kinotra-capture-XXXXXX")));
        if (!folder.isValid())
            return QString();
        folder.setAutoRemove(false);
        FTempFolder = folder.path();
    }
    return FTempFolder;
}

void TCapture::StartStop()
{
    if (IsCapturing()) {
        Stop();
        return;
    }
    if (IsWaiting()) {
        // Pressed again during the delay: the delayed start is called off; nothing was recorded.
        Timer.stop();
        Seconds = 0;
        return;
    }
    CaptureFile.clear();
    const QString folder = TemporaryFolder();
    for (int i = 0; !folder.isEmpty(); ++i) {
        const QString name = QDir(folder).filePath(QStringLiteral("Capture%1").arg(i));
        if (QFileInfo::exists(name))
            QFile::remove(name);
        if (!QFileInfo::exists(name)) {
            CaptureFile = name;
            break;
        }
    }
    StartError.clear();
    Seconds = 0;
    if (!DelayOn && !StartCapturing())
        return;
    Timer.start();
}

bool TCapture::StartCapturing()
{
    if (CaptureFile.isEmpty())
        StartError = QStringLiteral("No temporary folder can be created in %1.").arg(QDir::tempPath());
    else if (!Current().StartCapture(CaptureFile, CodecIndex))
        StartError = Current().ErrorText.isEmpty() ? QStringLiteral("The capture device does not respond.")
                                                   : Current().ErrorText;
    else
        StartError.clear();
    if (!StartError.isEmpty()) {
        // Back to the idle state, with the reason: no countdown, no beeps, no automatic stop.
        Timer.stop();
        Seconds = 0;
        if (OnRecordingChanged)
            OnRecordingChanged();
        Warning({QStringLiteral("The recording could not start."), StartError});
        return false;
    }
    if (OnRecordingChanged)
        OnRecordingChanged();
    return true;
}

void TCapture::Tick()
{
    ++Seconds;
    if (OnTick)
        OnTick();
    if (!DelayOn && !DurationOn)
        return;
    if (DelayOn && Seconds < DelaySeconds)
        return;
    if (!IsCapturing()) {
        if (DelayOn) {
            if (!BeepOn) {
            } else if (OnBeep) {
                OnBeep();
            } else {
                QApplication::beep();
            }
        }
        StartCapturing();
        return;
    }
    if (DurationOn && qint64(Seconds) >= qint64(DelayOn ? DelaySeconds : 0) + DurationSeconds)
        Stop();
}

void TCapture::Stop()
{
    if (FStopping)
        return;
    FStopping = true;
    Timer.stop();
    const bool wasCapturing = IsCapturing();
    const bool complete = wasCapturing && Current().StopCapture();
    if (!complete || CapturedCount() == 0) {
        // A failed or empty recording is no recording.
        if (!CaptureFile.isEmpty())
            QFile::remove(CaptureFile);
    }
    if (wasCapturing && OnRecordingChanged)
        OnRecordingChanged();
    SaveRecording();
    FStopping = false;
}

void TCapture::OnFrameworkEvent(TCaptureFramework& framework, TCaptureEvent event)
{
    if (&framework != &Current())
        return;
    if (event == TCaptureEvent::WriteFailed) {
        if (IsCapturing())
            Stop(); // the writer kept nothing: the failure is told by the saving
        return;
    }
    // The device is gone: what was recorded is completed and offered for saving.
    const bool recording = IsRecording();
    Timer.stop();
    const bool wasCapturing = IsCapturing();
    const bool complete = wasCapturing && Current().StopCapture();
    const int captured = CapturedCount();
    Current().Release();
    Warning({QStringLiteral("A Plug and Play device was disconnected.")});
    if (!recording)
        return;
    if ((!complete || captured == 0) && !CaptureFile.isEmpty())
        QFile::remove(CaptureFile);
    if (wasCapturing && OnRecordingChanged)
        OnRecordingChanged();
    FStopping = true;
    SaveRecording();
    FStopping = false;
}

QString TCapture::StatusText() const
{
    if (IsWaiting() && DelayOn && DelaySeconds >= Seconds)
        return QStringLiteral("Recording will start after %1 second(s) ").arg(DelaySeconds - Seconds);
    if (IsCapturing())
        return QStringLiteral("Number of captured images:") + QLatin1Char(' ') +
               QString::number(CapturedCount()) + QStringLiteral("   ") +
               QStringLiteral("Number of lost images:") + QLatin1Char(' ') + QString::number(LostCount());
    return QString();
}

QString TCapture::InitialFolder() const
{
    if (FOptions && !FOptions->DefaultDirectory.isEmpty() && QFileInfo(FOptions->DefaultDirectory).isDir())
        return FOptions->DefaultDirectory;
    const QString last = LastDirectory ? LastDirectory() : QString();
    if (!last.isEmpty())
        return last;
    return QStandardPaths::writableLocation(QStandardPaths::DesktopLocation);
}

bool TCapture::SaveAs(const QString& fileName)
{
    QString reason;
    if (CopyFile(CaptureFile, fileName, reason)) {
        SaveError.clear();
        return true;
    }
    SaveError = QStringLiteral("%1: %2").arg(fileName, reason);
    return false;
}

void TCapture::SaveRecording()
{
    SaveError.clear();
    if (CaptureFile.isEmpty() || !QFileInfo::exists(CaptureFile)) {
        SavedFile.clear();
        SaveError =
            Current().WriterError.isEmpty() ? QStringLiteral("Capture has failed.") : Current().WriterError;
        Warning({QStringLiteral("Capture has failed. File has not been saved.")});
        return;
    }
    // Slots the camera left empty are in the file as dropped frames, so the times stay true; say so.
    if (LostCount() > 0 && SaveFileName.isEmpty())
        TUserDlg::Instance().Message(
            icInformation,
            {QStringLiteral("%1 frame(s) did not reach the computer during the recording.").arg(LostCount()),
             QStringLiteral("Their places are kept in the file, so that every recorded frame keeps its "
                            "true time.")});
    auto finish = [this](bool saved, const QString& name) {
        QFile::remove(CaptureFile);
        SavedFile = saved ? name : QString();
        if (saved && OnFileSaved)
            OnFileSaved();
        if (!saved && OnFileNotSaved)
            OnFileNotSaved();
    };
    if (!SaveFileName.isEmpty()) {
        finish(SaveAs(SaveFileName), SaveFileName);
        return;
    }

    QString folder = InitialFolder();
    QString proposal =
        QFileInfo(TRecordMontage::FreeFileName(LastDirectory ? LastDirectory() : QString(),
                                               QStringLiteral("Capture"), QStringLiteral("avi")))
            .fileName();
    for (;;) {
        const TFileDialogResult answer = TDialogService::Instance().FileDialog(
            AviSaveRequest(QStringLiteral("Save video"), folder, proposal));
        if (!answer.Accepted || answer.FileName.isEmpty()) {
            finish(false, QString());
            return;
        }
        QString name = answer.FileName;
        if (QFileInfo(name).suffix().compare(QLatin1String("avi"), Qt::CaseInsensitive) != 0)
            name += QStringLiteral(".avi");
        folder = QFileInfo(name).absolutePath();
        proposal =
            QFileInfo(TRecordMontage::FreeFileName(folder, QStringLiteral("Capture"), QStringLiteral("avi")))
                .fileName();
        if (QFileInfo::exists(name)) {
            TUserDlg::Instance()
                .Begin(icWarning)
                .Line(name, true, clBlue)
                .Line(QStringLiteral("A file with this name already exists in the selected directory."))
                .Line(QStringLiteral("Please choose a different file name or directory."))
                .Button(QStringLiteral("Ok"), btOk)
                .Execute();
            continue;
        }
        if (OnDirectoryChange)
            OnDirectoryChange(folder);
        if (SaveAs(name)) {
            finish(true, name);
            return;
        }
        // The recording is kept until the user saves it elsewhere or gives it up.
        Warning({QStringLiteral("The file creation in the selected directory has failed."),
                 QStringLiteral("Check your access rights to this directory.")});
    }
}

// ---------------------------------------------------------------------------------------------------
// Settings

void TCapture::ReadSettings(const TIniFile& ini)
{
    const int framework = ini.ReadInteger(SectionCapture, KeyFramework, -1);
    if (framework == 0 || framework == 1)
        Framework = framework;
    const QString device = ini.ReadString(SectionCapture, KeyDevice, QString());
    const QString format = ini.ReadString(SectionCapture, KeyFormat, QString());
    const QString codec = ini.ReadString(SectionCapture, KeyCodec, QString());
    RefreshDevices();
    CodecIndex = -1;
    // The stored framework's own list first: a camera is listed by both.
    int index = TCaptureFramework::IndexOfName(Current().Devices(), device);
    if (index >= 0 && Framework == 1)
        index += int(F0->Devices().size());
    if (index < 0)
        index = TCaptureFramework::IndexOfName(DeviceNames(false), device);
    if (device.isEmpty() || index < 0) {
        Current().SelectDevice(-1);
        return;
    }
    SelectDevice(index);
    if (!Current().Formats().empty())
        Current().SelectFormat(TCaptureFramework::IndexOfName(Current().FormatNames(), format));
    SelectCodec(codec.isEmpty() ? -1 : TCaptureFramework::IndexOfName(CodecNames(), codec));
}

void TCapture::WriteSettings(TIniFile& ini) const
{
    ini.WriteInteger(SectionCapture, KeyFramework, Framework);
    ini.WriteString(SectionCapture, KeyDevice, Current().DeviceName());
    const TCaptureFormat* format = Current().Format();
    ini.WriteString(SectionCapture, KeyFormat, format != nullptr ? format->Name : QString());
    const QStringList codecs = CodecNames();
    ini.WriteString(SectionCapture, KeyCodec,
                    CodecIndex >= 0 && CodecIndex < codecs.size() ? codecs.at(CodecIndex) : QString());
}

void TCapture::LoadSettings()
{
    const QString file = SettingsFileName();
    if (file.isEmpty()) {
        RefreshDevices();
        return;
    }
    const TIniFile ini(file);
    ReadSettings(ini);
}

void TCapture::SaveSettings() const
{
    if (SettingsPending)
        return;
    const QString file = SettingsFileName();
    if (file.isEmpty())
        return;
    TIniFile ini(file);
    WriteSettings(ini);
    ini.UpdateFile();
}
