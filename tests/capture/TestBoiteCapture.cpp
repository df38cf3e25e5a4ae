// The capture dialog worked through its controls: pages shown for a device, choosing a device, accepting
// and cancelling.
#include "FakeFramework.h"
#include "capture/UnitBoiteCapture.h"
#include "capture/UnitVfwCapture.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QListWidget>
#include <QSpinBox>
#include <QTabWidget>
#include <QTemporaryDir>

TEST(BoiteCapture, DeviceChoicePagesAndAccept)
{
    auto v4l2 = std::make_unique<TVfwCapture>();
    v4l2->DeviceFolder = QStringLiteral("/nonexistent");
    TVfwCapture* v4l2Framework = v4l2.get();
    auto gst = std::make_unique<TFakeFramework>(QStringList{QStringLiteral("Test picture")},
                                                QStringLiteral(" (GStreamer)"));
    TCapture capture(std::move(v4l2), std::move(gst));
    TBoiteCapture dialog(capture);
    ASSERT_TRUE(dialog.Prepare(TCapturePage::Format));
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Capture setup"));
    // No device chosen yet: the dialog opens on the first page, format and compression are hidden.
    EXPECT_EQ(dialog.CurrentPage(), TCapturePage::Hardware);
    EXPECT_FALSE(dialog.PageShown(TCapturePage::Format));
    EXPECT_TRUE(dialog.PageShown(TCapturePage::Timer));
    ASSERT_EQ(dialog.DeviceList->count(), 1);
    EXPECT_EQ(dialog.DeviceList->item(0)->text(), QStringLiteral("Test picture (GStreamer)"));
    EXPECT_EQ(dialog.CodecList->item(0)->text(), QStringLiteral("without"));

    dialog.DeviceList->setCurrentRow(0);
    EXPECT_EQ(capture.DeviceIndex(), 0);
    EXPECT_EQ(capture.Framework, 1);
    EXPECT_TRUE(dialog.PageShown(TCapturePage::Format));
    EXPECT_TRUE(dialog.PageShown(TCapturePage::Compression));
    EXPECT_FALSE(dialog.PageShown(TCapturePage::FrameRate)); // the rate belongs to the format here
    ASSERT_EQ(dialog.FormatList->count(), 2);
    EXPECT_EQ(dialog.FormatList->currentRow(), 0);

    dialog.FormatList->setCurrentRow(1);
    dialog.CodecList->setCurrentRow(1);
    dialog.DelayCheck->setChecked(true);
    EXPECT_TRUE(dialog.BeepCheck->isEnabled());
    EXPECT_FALSE(dialog.DurationSpin->isEnabled());
    dialog.DelaySpin->setValue(5);
    dialog.DurationCheck->setChecked(true);
    dialog.DurationSpin->setValue(700); // beyond the spin's range
    dialog.RateBox->setCurrentIndex(2);
    dialog.accept();
    EXPECT_EQ(capture.Current().FormatIndex(), 1);
    EXPECT_EQ(capture.CodecIndex, 0);
    EXPECT_TRUE(capture.DelayOn);
    EXPECT_EQ(capture.DelaySeconds, 5);
    EXPECT_TRUE(capture.DurationOn);
    EXPECT_EQ(capture.DurationSeconds, 600);
    EXPECT_EQ(v4l2Framework->FramesPerSecondVfw, 25);

    // Cancelled on the first page, the dialog leaves no device chosen.
    TBoiteCapture again(capture);
    ASSERT_TRUE(again.Prepare(TCapturePage::Hardware));
    EXPECT_EQ(again.DeviceList->currentRow(), 0);
    EXPECT_EQ(again.FormatList->currentRow(), 1);
    again.reject();
    EXPECT_EQ(capture.DeviceIndex(), -1);
}

TEST(BoiteCapture, ClosesAtOnceWithoutDevices)
{
    auto v4l2 = std::make_unique<TFakeFramework>(QStringList{});
    auto gst = std::make_unique<TFakeFramework>(QStringList{});
    TCapture capture(std::move(v4l2), std::move(gst));
    TBoiteCapture dialog(capture);
    EXPECT_FALSE(dialog.Execute(TCapturePage::Hardware));
}

// A camera plugged in while the dialog is open appears in its list; the device chosen before stays chosen
// with its format although its place in the list moved.
TEST(BoiteCapture, CameraPluggedInWhileOpenIsListed)
{
    QTemporaryDir folder;
    auto v4l2 = std::make_unique<TFakeFramework>(QStringList{}, QStringLiteral(" (V4L2)"));
    TFakeFramework* cameras = v4l2.get();
    auto gst = std::make_unique<TFakeFramework>(QStringList{QStringLiteral("Test picture")},
                                                QStringLiteral(" (GStreamer)"));
    TCapture capture(std::move(v4l2), std::move(gst));
    capture.DeviceFolder = folder.path();
    TBoiteCapture dialog(capture);
    ASSERT_TRUE(dialog.Prepare(TCapturePage::Hardware));
    dialog.DeviceList->setCurrentRow(0);
    dialog.FormatList->setCurrentRow(1);
    ASSERT_EQ(dialog.DeviceList->count(), 1);

    cameras->Names << QStringLiteral("USB camera");
    QFile(folder.filePath(QStringLiteral("video0"))).open(QIODevice::WriteOnly);
    QElapsedTimer clock;
    clock.start();
    while (dialog.DeviceList->count() < 2 && clock.elapsed() < 5000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    ASSERT_EQ(dialog.DeviceList->count(), 2);
    EXPECT_EQ(dialog.DeviceList->item(0)->text(), QStringLiteral("USB camera (V4L2)"));
    EXPECT_EQ(dialog.DeviceList->currentRow(), 1);
    EXPECT_EQ(capture.DeviceIndex(), 1);
    EXPECT_EQ(dialog.FormatList->currentRow(), 1);
    dialog.accept();
    EXPECT_EQ(capture.Current().FormatIndex(), 1);
}
