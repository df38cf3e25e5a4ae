// The capture session on scripted frameworks: timer, delayed start and automatic stop, status text, the
// saving of the recording, a device that disappears, settings, entering the mode.
#include "FakeFramework.h"
#include "capture/UnitCapture.h"
#include "common/UnitIni.h"
#include "support/TestSupport.h"
#include "video/UnitAviReader.h"
#include "video/UnitFFMpegPlay.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDate>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

namespace {

struct TSession
{
    TFakeFramework* V4l2 = nullptr;
    TFakeFramework* Gst = nullptr;
    std::unique_ptr<TCapture> Capture;
    int Beeps = 0;
    std::vector<std::pair<int, bool>> Changes; // (Seconds, capturing) at each OnRecordingChanged

    explicit TSession(QStringList v4l2 = {QStringLiteral("Cam")},
                      QStringList gst = {QStringLiteral("Test picture")})
    {
        auto f0 = std::make_unique<TFakeFramework>(v4l2, QStringLiteral(" (V4L2)"));
        auto f1 = std::make_unique<TFakeFramework>(gst, QStringLiteral(" (GStreamer)"));
        V4l2 = f0.get();
        Gst = f1.get();
        Capture = std::make_unique<TCapture>(std::move(f0), std::move(f1));
        Capture->OnBeep = [this] { ++Beeps; };
        Capture->OnRecordingChanged = [this] {
            Changes.emplace_back(Capture->Seconds, Capture->IsCapturing());
        };
        Capture->RefreshDevices();
    }
    TFakeFramework& Current() { return Capture->Framework == 0 ? *V4l2 : *Gst; }
    void Connect(int device = 0)
    {
        Capture->SelectDevice(device);
        Capture->SelectFormat(0);
        ASSERT_TRUE(Capture->Connect());
    }
};

QString Today()
{
    return QDate::currentDate().toString(QStringLiteral("ddMMyyyy"));
}

TFileDialogResult Accept(const QString& name)
{
    return {true, name, 1};
}

} // namespace

// The timer: when the recording starts and stops, and the beep at the end of a delay.
TEST(Capture, DelayAndDurationStartAndStopAtTheirTicks)
{
    struct TCase
    {
        bool DelayOn;
        int Delay;
        bool DurationOn;
        int Duration;
        int StartTick; // 0: at once
        int StopTick;  // -1: not within 30 ticks
        int Beeps;
    };
    const TCase cases[] = {
        {true, 5, true, 10, 5, 15, 1},
        {false, 0, true, 10, 0, 10, 0},
        {true, 3, false, 0, 3, -1, 1},
        {false, 0, false, 0, 0, -1, 0},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(testing::Message() << "delay " << c.DelayOn << "/" << c.Delay << " duration "
                                        << c.DurationOn << "/" << c.Duration);
        TScriptedUserDlgScope dlg;
        TScriptedDialogsScope dialogs;
        TSession s;
        s.Connect();
        s.Capture->DelayOn = c.DelayOn;
        s.Capture->DelaySeconds = c.Delay;
        s.Capture->DurationOn = c.DurationOn;
        s.Capture->DurationSeconds = c.Duration;
        dialogs->FileAnswers.push_back({}); // the save dialog is cancelled
        s.Capture->StartStop();
        for (int tick = 1; tick <= 30 && s.Capture->Timer.isActive(); ++tick) {
            s.Current().Push(25);
            s.Capture->Tick();
        }
        ASSERT_GE(s.Changes.size(), 1u);
        EXPECT_EQ(s.Changes[0], std::make_pair(c.StartTick, true));
        if (c.StopTick >= 0) {
            ASSERT_EQ(s.Changes.size(), 2u);
            EXPECT_EQ(s.Changes[1], std::make_pair(c.StopTick, false));
            EXPECT_EQ(dialogs->FileRequests.size(), 1u);
        } else {
            EXPECT_EQ(s.Changes.size(), 1u);
            EXPECT_TRUE(s.Capture->IsCapturing());
            s.Capture->StartStop(); // the button stops it
            EXPECT_FALSE(s.Capture->IsCapturing());
        }
        EXPECT_EQ(s.Beeps, c.Beeps);
        // Cancelling the save dialog deletes the recording.
        EXPECT_TRUE(s.Capture->SavedFile.isEmpty());
        EXPECT_FALSE(QFile::exists(s.Capture->CaptureFile));
        EXPECT_TRUE(dlg->Shown.empty());
    }
}

TEST(Capture, StatusTextCountsDownThenCountsFrames)
{
    TSession s;
    s.Connect();
    s.Capture->DelayOn = true;
    s.Capture->DelaySeconds = 5;
    s.Capture->BeepOn = false; // unchecked: no beep
    s.Capture->StartStop();
    s.Capture->Tick();
    s.Capture->Tick();
    EXPECT_EQ(s.Capture->StatusText(), QStringLiteral("Recording will start after 3 second(s) "));
    for (int i = 0; i < 3; ++i)
        s.Capture->Tick();
    ASSERT_TRUE(s.Capture->IsCapturing());
    s.Capture->Tick();
    s.Current().Push(4);
    s.Current().Push(3, 2); // two frames skipped by the device
    EXPECT_EQ(s.Capture->StatusText(),
              QStringLiteral("Number of captured images: 7   Number of lost images: 2"));
    EXPECT_EQ(s.Beeps, 0);
    // Pressed during the delay, the button calls the start off without a message.
    TSession t;
    t.Connect();
    t.Capture->DelayOn = true;
    t.Capture->DelaySeconds = 5;
    t.Capture->StartStop();
    t.Capture->Tick();
    t.Capture->StartStop();
    EXPECT_FALSE(t.Capture->Timer.isActive());
    EXPECT_TRUE(t.Changes.empty());
    s.Capture->Timer.stop();
}

// The name question: an existing name is refused and a new one proposed in its folder, ".avi" is added,
// and the recording lands complete under the chosen name.
TEST(Capture, SaveAsksAgainForAnExistingNameAndCopiesTheRecording)
{
    QTemporaryDir folder;
    const QString taken = folder.filePath(QStringLiteral("taken.avi"));
    {
        QFile file(taken);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("old");
    }
    TScriptedUserDlgScope dlg;
    TScriptedDialogsScope dialogs;
    dlg->Answer(0);
    dialogs->FileAnswers.push_back(Accept(taken));
    dialogs->FileAnswers.push_back(Accept(folder.filePath(QStringLiteral("run.AVI.x"))));
    TSession s;
    QString directory;
    s.Capture->LastDirectory = [&folder] { return folder.path(); };
    s.Capture->OnDirectoryChange = [&directory](const QString& d) { directory = d; };
    int saved = 0;
    s.Capture->OnFileSaved = [&saved] { ++saved; };
    s.Connect();
    s.Capture->StartStop();
    s.Current().Push(10);
    const QString recording = s.Capture->CaptureFile;
    s.Capture->StartStop();

    ASSERT_EQ(dialogs->FileRequests.size(), 2u);
    const TFileDialogRequest& first = dialogs->FileRequests[0];
    EXPECT_EQ(first.Title, QStringLiteral("Save video"));
    EXPECT_EQ(first.Filter, QStringLiteral("Video file (*.avi)|*.avi"));
    EXPECT_EQ(first.DefaultExt, QStringLiteral("avi"));
    EXPECT_EQ(first.FileName, QStringLiteral("Capture_1_%1.avi").arg(Today()));
    EXPECT_EQ(dialogs->FileRequests[1].InitialDir, QFileInfo(taken).absolutePath());
    ASSERT_EQ(dlg->Shown.size(), 1u);
    EXPECT_EQ(dlg->Shown[0].Lines[0].Text, taken);
    EXPECT_TRUE(dlg->Shown[0].Lines[0].Bold);
    EXPECT_EQ(dlg->Shown[0].Lines[1].Text,
              QStringLiteral("A file with this name already exists in the selected directory."));

    const QString expected = folder.filePath(QStringLiteral("run.AVI.x.avi"));
    EXPECT_EQ(s.Capture->SavedFile, expected);
    EXPECT_EQ(saved, 1);
    EXPECT_EQ(directory, QFileInfo(expected).absolutePath());
    EXPECT_FALSE(QFile::exists(recording));
    QFile file(expected);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.read(4), QByteArray("RIFF"));
    QFile old(taken);
    ASSERT_TRUE(old.open(QIODevice::ReadOnly));
    EXPECT_EQ(old.readAll(), QByteArray("old"));
}

// A copy that fails keeps the recording and asks again, so that it can be saved elsewhere.
TEST(Capture, FailedCopyKeepsTheRecordingForAnotherName)
{
    QTemporaryDir folder;
    TScriptedUserDlgScope dlg;
    TScriptedDialogsScope dialogs;
    dlg->Answer(0);
    dialogs->FileAnswers.push_back(Accept(folder.filePath(QStringLiteral("missing/clip.avi"))));
    dialogs->FileAnswers.push_back(Accept(folder.filePath(QStringLiteral("clip.avi"))));
    TSession s;
    int notSaved = 0;
    s.Capture->OnFileNotSaved = [&notSaved] { ++notSaved; };
    s.Connect();
    s.Capture->StartStop();
    s.Current().Push(5);
    s.Capture->StartStop();
    ASSERT_EQ(dlg->Shown.size(), 1u);
    EXPECT_EQ(dlg->Shown[0].Text(),
              QStringLiteral("The file creation in the selected directory has failed. / "
                             "Check your access rights to this directory."));
    EXPECT_EQ(s.Capture->SavedFile, folder.filePath(QStringLiteral("clip.avi")));
    EXPECT_EQ(notSaved, 0);
    EXPECT_FALSE(QFile::exists(folder.filePath(QStringLiteral("missing"))));
}

TEST(Capture, RecordingWithoutFramesIsAFailedCapture)
{
    TScriptedUserDlgScope dlg;
    TScriptedDialogsScope dialogs;
    dlg->Answer(0);
    TSession s;
    s.Connect();
    s.Capture->StartStop();
    s.Capture->StartStop();
    ASSERT_EQ(dlg->Shown.size(), 1u);
    EXPECT_EQ(dlg->Shown[0].Icon, icWarning);
    EXPECT_EQ(dlg->Shown[0].Text(), QStringLiteral("Capture has failed. File has not been saved."));
    EXPECT_TRUE(dialogs->FileRequests.empty());
    EXPECT_FALSE(QFile::exists(s.Capture->CaptureFile));
}

// A write that fails during the recording (a full disk) ends it at once; nothing is kept.
TEST(Capture, WriteFailureEndsTheRecordingWithoutAFile)
{
    TScriptedUserDlgScope dlg;
    TScriptedDialogsScope dialogs;
    dlg->Answer(0);
    TSession s;
    s.Connect();
    s.Capture->StartStop();
    s.Current().Push(3);
    s.Current().PushUnwritable();
    s.Current().Push(3);
    QCoreApplication::processEvents();
    EXPECT_FALSE(s.Capture->IsCapturing());
    EXPECT_FALSE(s.Capture->Timer.isActive());
    ASSERT_EQ(dlg->Shown.size(), 1u);
    EXPECT_EQ(dlg->Shown[0].Text(), QStringLiteral("Capture has failed. File has not been saved."));
    EXPECT_TRUE(dialogs->FileRequests.empty());
    EXPECT_TRUE(QDir(QFileInfo(s.Capture->CaptureFile).absolutePath()).entryList(QDir::Files).isEmpty());
}

// A device unplugged during a recording: the message, then what was recorded is offered for saving.
TEST(Capture, DisconnectedDeviceKeepsWhatWasRecorded)
{
    QTemporaryDir folder;
    TScriptedUserDlgScope dlg;
    TScriptedDialogsScope dialogs;
    dlg->Answer(0);
    dialogs->FileAnswers.push_back(Accept(folder.filePath(QStringLiteral("part.avi"))));
    TSession s;
    s.Connect();
    s.Capture->DurationOn = true;
    s.Capture->DurationSeconds = 10;
    s.Capture->StartStop();
    s.Current().Push(12);
    s.Current().End(QStringLiteral("gone"));
    QCoreApplication::processEvents();
    ASSERT_EQ(dlg->Shown.size(), 1u);
    EXPECT_EQ(dlg->Shown[0].Text(), QStringLiteral("A Plug and Play device was disconnected."));
    EXPECT_FALSE(s.Capture->IsConnected());
    EXPECT_FALSE(s.Capture->Timer.isActive());
    ASSERT_EQ(s.Changes.size(), 2u);
    EXPECT_EQ(s.Capture->SavedFile, folder.filePath(QStringLiteral("part.avi")));
    EXPECT_GT(QFileInfo(s.Capture->SavedFile).size(), 12 * 64 * 48);
}

TEST(Capture, SettingsRestoreDeviceFormatAndCodec)
{
    QTemporaryDir folder;
    TIniFile ini(folder.filePath(QStringLiteral("k.ini")));
    {
        TSession s({QStringLiteral("Cam")}, {QStringLiteral("Cam"), QStringLiteral("Test picture")});
        s.Capture->SelectDevice(2); // the GStreamer "Test picture"
        s.Capture->SelectFormat(1);
        s.Capture->SelectCodec(0);
        s.Capture->WriteSettings(ini);
        EXPECT_EQ(ini.ReadString(SectionCapture, QStringLiteral("Device"), {}),
                  QStringLiteral("Test picture"));
        s.Capture->SelectDevice(1); // "Cam" of GStreamer, also listed by V4L2
        s.Capture->WriteSettings(ini);
    }
    TSession s({QStringLiteral("Cam")}, {QStringLiteral("Cam"), QStringLiteral("Test picture")});
    s.Capture->ReadSettings(ini);
    EXPECT_EQ(s.Capture->Framework, 1);
    EXPECT_EQ(s.Capture->DeviceIndex(), 1);
    EXPECT_EQ(s.Capture->CodecIndex, 0);

    ini.WriteString(SectionCapture, QStringLiteral("Device"), QStringLiteral("test PICTURE"));
    ini.WriteString(SectionCapture, QStringLiteral("Format"), QStringLiteral("b 32 x 24"));
    TSession t;
    t.Capture->ReadSettings(ini);
    EXPECT_EQ(t.Capture->DeviceIndex(), 1);
    EXPECT_EQ(t.Capture->Current().FormatIndex(), 1);

    ini.WriteString(SectionCapture, QStringLiteral("Device"), QStringLiteral("Unplugged camera"));
    TSession u;
    u.Capture->ReadSettings(ini);
    EXPECT_EQ(u.Capture->DeviceIndex(), -1);
    EXPECT_EQ(u.Capture->CodecIndex, -1);
}

// Entering the mode: the device question when none is chosen, and the messages of a failed connection.
TEST(Capture, EnterCaptureAsksForADeviceAndReportsOneThatDoesNotRespond)
{
    TScriptedUserDlgScope dlg;
    {
        TSession s;
        s.Capture->SettingsPending = false;
        std::vector<TCapturePage> pages;
        s.Capture->ShowDialog = [&](TCapturePage page) {
            pages.push_back(page);
            return false; // cancelled: no device
        };
        dlg->Answer(0);
        EXPECT_FALSE(s.Capture->EnterCapture());
        EXPECT_EQ(pages, std::vector<TCapturePage>{TCapturePage::Hardware});
        ASSERT_EQ(dlg->Shown.size(), 1u);
        EXPECT_EQ(dlg->Shown[0].Text(), QStringLiteral("No capture device selected."));
        dlg->Shown.clear();
        s.Capture->ShowDialog = [&](TCapturePage) {
            s.Capture->SelectDevice(1);
            return true;
        };
        EXPECT_TRUE(s.Capture->EnterCapture());
        EXPECT_TRUE(s.Capture->IsConnected());
        EXPECT_EQ(s.Capture->Framework, 1);
        EXPECT_TRUE(dlg->Shown.empty());
    }
    TSession s;
    s.Capture->SettingsPending = false;
    s.V4l2->OpenOk = false;
    s.Capture->SelectDevice(0);
    dlg->Answer(0);
    EXPECT_FALSE(s.Capture->EnterCapture());
    ASSERT_EQ(dlg->Shown.size(), 1u);
    EXPECT_EQ(dlg->Shown[0].Text(), QStringLiteral("The selected capture device does not respond."));
    EXPECT_EQ(dlg->Shown[0].Icon, icInformation);
}

// A camera that drops frames or slows down: each empty slot is written as a dropped frame, so the file
// gives every recorded frame its capture time; the end of the recording says how many were dropped.
TEST(Capture, DroppedSlotsKeepTheFramesTrueTimes)
{
    TScriptedUserDlgScope dlg;
    QTemporaryDir folder;
    TSession s;
    s.Connect();
    s.Capture->SaveFileName = folder.filePath(QStringLiteral("gaps.avi"));
    s.Capture->StartStop();
    ASSERT_TRUE(s.Capture->IsCapturing());
    s.Current().Push(3);    // slots 0, 1, 2
    s.Current().Push(2, 2); // 5, 6
    s.Current().Push(1, 1); // 8
    s.Capture->StartStop();
    EXPECT_EQ(s.Capture->CapturedCount(), 6);
    EXPECT_EQ(s.Capture->LostCount(), 3);
    ASSERT_EQ(s.Capture->SavedFile, s.Capture->SaveFileName);

    TFFMpegPlay reader;
    ASSERT_TRUE(reader.Open(s.Capture->SavedFile));
    const std::vector<double> times = reader.FrameTimes();
    const std::vector<double> slots = {0, 1, 2, 5, 6, 8};
    ASSERT_EQ(times.size(), slots.size());
    for (std::size_t i = 0; i < slots.size(); ++i)
        EXPECT_NEAR(times[i], slots[i] / 25.0, 1e-6) << i;
    // The program's own reader shows the previous picture in a dropped slot: nine frames in all.
    TAviReader avi;
    ASSERT_EQ(avi.Open(OpenAviFileInput(s.Capture->SavedFile)), asOk);
    EXPECT_EQ(avi.FrameCount(), 9);
    EXPECT_EQ(avi.ShownFrame(4), avi.ShownFrame(2));
}

// A recording that cannot start tells why and leaves the session idle: no countdown, no beep, no stop.
TEST(Capture, RecordingThatCannotStartSaysWhyAndStaysIdle)
{
    for (const bool delayed : {false, true}) {
        SCOPED_TRACE(delayed ? "delayed" : "at once");
        TScriptedUserDlgScope dlg;
        TSession s;
        s.Capture->SelectDevice(0);
        s.V4l2->OpenOk = false; // the device is busy: the recording cannot connect
        s.Capture->DelayOn = delayed;
        s.Capture->DelaySeconds = 2;
        s.Capture->DurationOn = true;
        s.Capture->DurationSeconds = 3;
        dlg->Answer(0);
        s.Capture->StartStop();
        for (int tick = 0; tick < 6 && s.Capture->Timer.isActive(); ++tick)
            s.Capture->Tick();
        EXPECT_FALSE(s.Capture->IsRecording());
        EXPECT_FALSE(s.Capture->Timer.isActive());
        EXPECT_FALSE(s.Capture->StartError.isEmpty());
        ASSERT_EQ(dlg->Shown.size(), 1u);
        EXPECT_TRUE(dlg->Shown[0].Text().contains(QStringLiteral("The recording could not start.")))
            << dlg->Shown[0].Text().toStdString();
        EXPECT_TRUE(dlg->Shown[0].Text().contains(s.Capture->StartError));
        EXPECT_EQ(s.Beeps, delayed ? 1 : 0);
        EXPECT_TRUE(s.Capture->StatusText().isEmpty());
    }
}

// The device, format and codec chosen in the capture mode are in the settings file once the mode is left.
TEST(Capture, LeavingTheModeSavesTheChoices)
{
    TScriptedUserDlgScope dlg;
    {
        TSession s;
        s.Capture->SettingsPending = false;
        s.Capture->SelectDevice(1);
        s.Capture->SelectFormat(1);
        s.Capture->SelectCodec(0);
        s.Capture->LeaveCapture();
    }
    TSession t;
    ASSERT_TRUE(t.Capture->EnterCapture()); // reads the settings file
    EXPECT_EQ(t.Capture->Framework, 1);
    EXPECT_EQ(t.Capture->DeviceIndex(), 1);
    EXPECT_EQ(t.Capture->Current().FormatIndex(), 1);
    EXPECT_EQ(t.Capture->CodecIndex, 0);
    EXPECT_TRUE(dlg->Shown.empty());
}
