// The capture dialog "Capture setup".
#include "capture/UnitBoiteCapture.h"

#include "capture/UnitVfwCapture.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace {

// Tab order of the pages, the order of TCapturePage.
int PageIndex(TCapturePage page)
{
    return int(page);
}

QLabel* Note(const QString& text)
{
    auto* label = new QLabel(text);
    label->setWordWrap(true);
    return label;
}

TVfwCapture* V4l2Of(TCapture& capture)
{
    return dynamic_cast<TVfwCapture*>(&capture.FrameworkAt(0));
}

} // namespace

TBoiteCapture::TBoiteCapture(TCapture& capture, QWidget* parent) : QDialog(parent), FCapture(capture)
{
    setWindowTitle(QStringLiteral("Capture setup"));
    setFont(QFont(QStringLiteral("Arial"), 10));
    Pages = new QTabWidget(this);

    auto* hardware = new QWidget;
    auto* hardwareLayout = new QVBoxLayout(hardware);
    hardwareLayout->addWidget(new QLabel(QStringLiteral("Choose a capture device:")));
    DeviceList = new QListWidget;
    hardwareLayout->addWidget(DeviceList);
    hardwareLayout->addWidget(
        Note(QStringLiteral("The two frameworks (V4L2 and GStreamer) can be used to control "
                            "your capture device.\n\nThe quality of the captured video can "
                            "depend on this choice.")));
    Pages->addTab(hardware, QStringLiteral("Hardware"));

    auto* compression = new QWidget;
    auto* compressionLayout = new QVBoxLayout(compression);
    CodecList = new QListWidget;
    compressionLayout->addWidget(CodecList);
    ConfigureButton = new QPushButton(QStringLiteral("Configure"));
    ConfigureButton->setEnabled(false); // no codec of the writer has settings of its own
    compressionLayout->addWidget(ConfigureButton, 0, Qt::AlignLeft);
    compressionLayout->addWidget(
        Note(QStringLiteral("Codecs are not normalized. Evolution is constant and new "
                            "versions are frequent.\n\nChoosing a Codec often requires "
                            "experimenting.")));
    Pages->addTab(compression, QStringLiteral("Compression"));

    auto* format = new QWidget;
    auto* formatLayout = new QVBoxLayout(format);
    formatLayout->addWidget(new QLabel(QStringLiteral("Capture format:")));
    FormatList = new QListWidget;
    formatLayout->addWidget(FormatList);
    formatLayout->addWidget(
        Note(QStringLiteral("The size of the images and the number of frames per second are "
                            "related.\nThe different pairs of values are required by the "
                            "capture device driver.")));
    Pages->addTab(format, QStringLiteral("Format"));

    auto* rate = new QWidget;
    auto* rateLayout = new QVBoxLayout(rate);
    rateLayout->addWidget(new QLabel(QStringLiteral("Number of frames per second (fps):")));
    RateBox = new QComboBox;
    for (int fps : TVfwCapture::FrameRateChoices())
        RateBox->addItem(QStringLiteral("%1 fps").arg(fps), fps);
    RateBox->setCurrentIndex(1); // 30 fps
    rateLayout->addWidget(RateBox, 0, Qt::AlignLeft);
    rateLayout->addWidget(
        Note(QStringLiteral("The requested value will not be fully respected by the capture "
                            "device.\n\nImages of large size and a high number of frames per "
                            "second are often incompatible.")));
    rateLayout->addStretch();
    Pages->addTab(rate, QStringLiteral("Frame rate"));

    auto* timer = new QWidget;
    auto* timerLayout = new QGridLayout(timer);
    DelayCheck = new QCheckBox(QStringLiteral("Start recording after"));
    DelaySpin = new QSpinBox;
    DelaySpin->setRange(1, 120);
    BeepCheck = new QCheckBox(QStringLiteral("Beep"));
    DurationCheck = new QCheckBox(QStringLiteral("Recording duration"));
    DurationSpin = new QSpinBox;
    DurationSpin->setRange(1, 600);
    timerLayout->addWidget(DelayCheck, 0, 0);
    timerLayout->addWidget(DelaySpin, 0, 1);
    timerLayout->addWidget(new QLabel(QStringLiteral("second(s)")), 0, 2);
    timerLayout->addWidget(BeepCheck, 1, 0);
    timerLayout->addWidget(DurationCheck, 2, 0);
    timerLayout->addWidget(DurationSpin, 2, 1);
    timerLayout->addWidget(new QLabel(QStringLiteral("second(s)")), 2, 2);
    timerLayout->setRowStretch(3, 1);
    Pages->addTab(timer, QStringLiteral("Timer"));

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    QObject::connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Pages);
    layout->addWidget(buttons);

    QObject::connect(DeviceList, &QListWidget::currentRowChanged, this, [this](int row) {
        if (!FFilling)
            DeviceChosen(row);
    });
    FRescan.setSingleShot(true);
    FRescan.setInterval(700);
    QObject::connect(&FRescan, &QTimer::timeout, this, [this] { DevicesChanged(); });
    QObject::connect(&FWatcher, &QFileSystemWatcher::directoryChanged, this, [this] { FRescan.start(); });
    QObject::connect(DelayCheck, &QCheckBox::toggled, this, [this] { UpdateTimerControls(); });
    QObject::connect(DurationCheck, &QCheckBox::toggled, this, [this] { UpdateTimerControls(); });
}

bool TBoiteCapture::Prepare(TCapturePage page)
{
    FCapture.RefreshDevices();
    if (FCapture.DeviceCount() == 0 || FCapture.IsCapturing())
        return false;
    FFilling = true;
    DeviceList->clear();
    DeviceList->addItems(FCapture.DeviceNames(true));
    DeviceList->setCurrentRow(FCapture.DeviceIndex());
    CodecList->clear();
    CodecList->addItem(QStringLiteral("without"));
    CodecList->addItems(FCapture.CodecNames());
    CodecList->setCurrentRow(FCapture.CodecIndex + 1);
    FFilling = false;
    FillFormats();
    FormatList->setCurrentRow(FCapture.Current().FormatIndex());
    if (TVfwCapture* v4l2 = V4l2Of(FCapture)) {
        const auto& rates = TVfwCapture::FrameRateChoices();
        const auto it = std::find(rates.begin(), rates.end(), v4l2->FramesPerSecondVfw);
        if (it != rates.end())
            RateBox->setCurrentIndex(int(it - rates.begin()));
    }
    DelayCheck->setChecked(FCapture.DelayOn);
    DelaySpin->setValue(std::clamp(FCapture.DelaySeconds, 1, 120));
    BeepCheck->setChecked(FCapture.BeepOn);
    DurationCheck->setChecked(FCapture.DurationOn);
    DurationSpin->setValue(std::clamp(FCapture.DurationSeconds, 1, 600));
    UpdateTimerControls();
    UpdatePages();
    if (PageShown(page))
        Pages->setCurrentIndex(PageIndex(page));
    else
        Pages->setCurrentIndex(PageIndex(TCapturePage::Hardware));
    if (!FCapture.DeviceFolder.isEmpty() && FWatcher.directories().isEmpty())
        FWatcher.addPath(FCapture.DeviceFolder);
    return true;
}

void TBoiteCapture::DevicesChanged()
{
    if (FCapture.IsRecording())
        return;
    const QStringList before = FCapture.DeviceNames(true);
    const QString chosen = before.value(FCapture.DeviceIndex());
    const int formatRow = FormatList->currentRow();
    FCapture.RefreshDevices();
    const QStringList after = FCapture.DeviceNames(true);
    if (after == before)
        return;
    FFilling = true;
    DeviceList->clear();
    DeviceList->addItems(after);
    DeviceList->setCurrentRow(FCapture.DeviceIndex());
    FFilling = false;
    const bool same = !chosen.isEmpty() && after.value(FCapture.DeviceIndex()) == chosen;
    FillFormats();
    FormatList->setCurrentRow(same ? formatRow : FCapture.Current().FormatIndex());
    UpdatePages();
}

bool TBoiteCapture::Execute(TCapturePage page)
{
    if (!Prepare(page))
        return false;
    return exec() == QDialog::Accepted;
}

bool TBoiteCapture::PageShown(TCapturePage page) const
{
    const bool valid = FCapture.ValidDevice();
    switch (page) {
    case TCapturePage::Hardware:
    case TCapturePage::Timer:
        return true;
    case TCapturePage::Compression:
    case TCapturePage::Format:
        return valid;
    case TCapturePage::FrameRate:
        return valid && FCapture.Framework == 0;
    }
    return false;
}

TCapturePage TBoiteCapture::CurrentPage() const
{
    return TCapturePage(Pages->currentIndex());
}

void TBoiteCapture::UpdatePages()
{
    for (TCapturePage page : {TCapturePage::Hardware, TCapturePage::Compression, TCapturePage::Format,
                              TCapturePage::FrameRate, TCapturePage::Timer})
        Pages->setTabVisible(PageIndex(page), PageShown(page));
}

void TBoiteCapture::FillFormats()
{
    FormatList->clear();
    FormatList->addItems(FCapture.Current().FormatNames());
}

void TBoiteCapture::DeviceChosen(int row)
{
    FCapture.SelectDevice(row);
    UpdatePages();
    FillFormats();
    if (FormatList->count() > 0) {
        FCapture.SelectFormat(0);
        FormatList->setCurrentRow(0);
    }
}

void TBoiteCapture::UpdateTimerControls()
{
    DelaySpin->setEnabled(DelayCheck->isChecked());
    BeepCheck->setEnabled(DelayCheck->isChecked());
    DurationSpin->setEnabled(DurationCheck->isChecked());
}

void TBoiteCapture::accept()
{
    if (FCapture.ValidDevice()) {
        FCapture.SelectFormat(FormatList->currentRow());
        FCapture.SelectCodec(CodecList->currentRow() - 1);
        if (TVfwCapture* v4l2 = V4l2Of(FCapture)) {
            const int fps = RateBox->currentData().toInt();
            if (fps > 0 && fps != v4l2->FramesPerSecondVfw) {
                // The rate is asked when the device opens.
                if (FCapture.Framework == 0)
                    FCapture.Release();
                v4l2->FramesPerSecondVfw = fps;
            }
        }
    }
    FCapture.DelayOn = DelayCheck->isChecked();
    FCapture.DelaySeconds = DelaySpin->value();
    FCapture.BeepOn = BeepCheck->isChecked();
    FCapture.DurationOn = DurationCheck->isChecked();
    FCapture.DurationSeconds = DurationSpin->value();
    QDialog::accept();
}

void TBoiteCapture::reject()
{
    if (CurrentPage() == TCapturePage::Hardware) {
        FFilling = true;
        DeviceList->setCurrentRow(-1);
        FFilling = false;
        FCapture.SelectDevice(-1);
    }
    QDialog::reject();
}
