// The capture dialog "Capture setup": device, compression, format, frame rate and timer pages.
#pragma once

#include "capture/UnitCapture.h"

#include <QDialog>
#include <QFileSystemWatcher>
#include <QTimer>

class QCheckBox;
class QComboBox;
class QListWidget;
class QPushButton;
class QSpinBox;
class QTabWidget;

// Choosing a device acts at once (the formats are those of the chosen device); the format, codec, frame
// rate and timer reach the session when the dialog is accepted. The controls are public so that tests can
// work the dialog without showing it.
class TBoiteCapture : public QDialog
{
public:
    explicit TBoiteCapture(TCapture& capture, QWidget* parent = nullptr);

    // Closes at once (false) when there is no device at all or a recording runs; otherwise fills the
    // lists, opens on page and answers whether OK closed it.
    bool Execute(TCapturePage page);
    // Fills the lists and shows page, without running the dialog (Execute does it first). False when the
    // dialog would close at once.
    bool Prepare(TCapturePage page);
    // The pages shown for the chosen device.
    bool PageShown(TCapturePage page) const;
    TCapturePage CurrentPage() const;
    // Lists the devices again (a camera was plugged in or out while the dialog is open); the chosen
    // device stays chosen when it is still there. Called shortly after the device folder changes.
    void DevicesChanged();

    void accept() override;
    void reject() override;

    QTabWidget* Pages = nullptr;
    QListWidget* DeviceList = nullptr;
    QListWidget* CodecList = nullptr; // "without", then the codecs
    QPushButton* ConfigureButton = nullptr;
    QListWidget* FormatList = nullptr;
    QComboBox* RateBox = nullptr;
    QCheckBox* DelayCheck = nullptr;
    QSpinBox* DelaySpin = nullptr;
    QCheckBox* BeepCheck = nullptr;
    QCheckBox* DurationCheck = nullptr;
    QSpinBox* DurationSpin = nullptr;

private:
    void DeviceChosen(int row);
    void FillFormats();
    void UpdatePages();
    void UpdateTimerControls();

    TCapture& FCapture;
    bool FFilling = false;
    QFileSystemWatcher FWatcher;
    QTimer FRescan; // a new node gets its access rights a moment after it appears
};
