// The dialog of the written videos and images: framework, codec, blanks, output size and the summary.
#include "shell/UnitBoiteRecordMontage.h"

#include "common/UnitFormat.h"
#include "editing/UnitRecordMontage.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QTabWidget>
#include <QVBoxLayout>
#include <algorithm>

namespace {

QLabel* Note(const QString& text, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    label->setWordWrap(true);
    label->setFrameShape(QFrame::StyledPanel);
    label->setMargin(6);
    return label;
}

QString YesNo(bool value)
{
    return value ? QStringLiteral("yes") : QStringLiteral("no");
}

} // namespace

TBoiteRecordMontage::TBoiteRecordMontage(TRecordMontage& record, QWidget* parent)
    : QDialog(parent), FRecord(record)
{
    auto* column = new QVBoxLayout(this);
    Pages = new QTabWidget(this);
    column->addWidget(Pages);

    // Summary
    SummaryPage = new QWidget(Pages);
    auto* summaryColumn = new QVBoxLayout(SummaryPage);
    Summary = new QLabel(SummaryPage);
    Summary->setTextInteractionFlags(Qt::TextSelectableByMouse);
    Summary->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    summaryColumn->addWidget(Summary, 1);

    // Compression
    CompressionPage = new QWidget(Pages);
    auto* compression = new QVBoxLayout(CompressionPage);
    auto* codecRow = new QHBoxLayout;
    ComboBoxVideoCodec = new QComboBox(CompressionPage);
    ComboBoxVideoCodec->setObjectName(QStringLiteral("ComboBoxVideoCodec"));
    ComboBoxVideoCodec->setMinimumContentsLength(28);
    codecRow->addWidget(ComboBoxVideoCodec, 1);
    ButtonConf = new QPushButton(QStringLiteral("Configure"), CompressionPage);
    ButtonConf->setEnabled(false);
    codecRow->addWidget(ButtonConf);
    compression->addLayout(codecRow);
    QualityPanel = new QWidget(CompressionPage);
    auto* quality = new QFormLayout(QualityPanel);
    UpDownCompressionQuality = new QSpinBox(QualityPanel);
    UpDownCompressionQuality->setRange(10, 100);
    UpDownCompressionQuality->setSingleStep(10);
    UpDownCompressionQuality->setValue(50);
    quality->addRow(QStringLiteral("Compression quality in %"), UpDownCompressionQuality);
    UpDownKeyFrame = new QSpinBox(QualityPanel);
    UpDownKeyFrame->setRange(1, 250);
    UpDownKeyFrame->setValue(25);
    quality->addRow(QStringLiteral("Frame count between two key frames"), UpDownKeyFrame);
    compression->addWidget(QualityPanel);
    compression->addWidget(
        Note(QStringLiteral("Codecs are not normalized. Evolution is constant and new versions "
                            "are frequent.\n\nChoosing a Codec often requires experimenting."),
             CompressionPage));
    compression->addStretch(1);

    // Dimensions
    DimensionsPage = new QWidget(Pages);
    auto* dimensions = new QVBoxLayout(DimensionsPage);
    CheckBoxChange = new QCheckBox(QStringLiteral("Edit images"), DimensionsPage);
    dimensions->addWidget(CheckBoxChange);
    auto* radios = new QHBoxLayout;
    RadioButtonDeform = new QRadioButton(QStringLiteral("Resize"), DimensionsPage);
    RadioButtonDeform->setChecked(true);
    RadioButtonCut = new QRadioButton(QStringLiteral("Crop"), DimensionsPage);
    radios->addWidget(RadioButtonDeform);
    radios->addWidget(RadioButtonCut);
    radios->addStretch(1);
    dimensions->addLayout(radios);
    auto* size = new QFormLayout;
    SpinWidth = new QSpinBox(DimensionsPage);
    SpinHeight = new QSpinBox(DimensionsPage);
    size->addRow(QStringLiteral("Image width in pixels"), SpinWidth);
    size->addRow(QStringLiteral("Image height in pixels"), SpinHeight);
    dimensions->addLayout(size);
    CropPanel = new QWidget(DimensionsPage);
    auto* crop = new QGridLayout(CropPanel);
    SpinCropTop = new QSpinBox(CropPanel);
    SpinCropBottom = new QSpinBox(CropPanel);
    SpinCropLeft = new QSpinBox(CropPanel);
    SpinCropRight = new QSpinBox(CropPanel);
    crop->addWidget(new QLabel(QStringLiteral("pixels to crop from the top of the image"), CropPanel), 0, 0,
                    1, 3);
    crop->addWidget(SpinCropTop, 1, 1);
    crop->addWidget(new QLabel(QStringLiteral("pixels to crop from left or right"), CropPanel), 2, 0, 1, 3);
    crop->addWidget(SpinCropLeft, 3, 0);
    crop->addWidget(SpinCropRight, 3, 2);
    crop->addWidget(SpinCropBottom, 4, 1);
    crop->addWidget(new QLabel(QStringLiteral("pixels to crop from the bottom"), CropPanel), 5, 0, 1, 3);
    dimensions->addWidget(CropPanel);
    dimensions->addWidget(
        Note(QStringLiteral("Some codecs have restrictions on image size.\n\nWidth and height "
                            "must be (often) multiples of 4."),
             DimensionsPage));
    dimensions->addStretch(1);

    // Setup
    SetupPage = new QWidget(Pages);
    auto* setup = new QVBoxLayout(SetupPage);
    auto* frameworkRow = new QFormLayout;
    ComboBoxFramework = new QComboBox(SetupPage);
    ComboBoxFramework->setObjectName(QStringLiteral("ComboBoxFramework"));
    frameworkRow->addRow(QStringLiteral("Change the framework"), ComboBoxFramework);
    setup->addLayout(frameworkRow);
    CheckBoxImgInsert = new QCheckBox(
        QStringLiteral("Insert blank images in the new video to replace missing frames."), SetupPage);
    setup->addWidget(CheckBoxImgInsert);
    auto* rateRow = new QHBoxLayout;
    FrameRateText = new QLabel(SetupPage);
    rateRow->addWidget(FrameRateText, 1);
    ButtonFrameRate = new QPushButton(QStringLiteral("Change the frame rate"), SetupPage);
    rateRow->addWidget(ButtonFrameRate);
    setup->addLayout(rateRow);
    setup->addWidget(
        Note(QStringLiteral("Kinotra selects a framework (built-in AVI, GStreamer or FFMpeg).\n\n"
                            "Change the framework involves:\n"
                            "    a different choice of codecs\n"
                            "    a difference in video quality"),
             SetupPage));
    setup->addStretch(1);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    OkButton = new QPushButton(QStringLiteral("Ok"), this);
    OkButton->setDefault(true);
    CancelButton = new QPushButton(QStringLiteral("Cancel"), this);
    buttons->addWidget(OkButton);
    buttons->addWidget(CancelButton);
    column->addLayout(buttons);
    connect(OkButton, &QPushButton::clicked, this, &QDialog::accept);
    connect(CancelButton, &QPushButton::clicked, this, &QDialog::reject);

    connect(ComboBoxFramework, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (FUpdating || index < 0)
            return;
        FRecord.SetFramework(index);
        FillCodecs(); // another framework, other codecs
        UpdateControls();
    });
    connect(ComboBoxVideoCodec, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (FUpdating || index < 0)
            return;
        FRecord.SetCodecIndex(index - 1);
        UpdateControls();
    });
    connect(CheckBoxChange, &QCheckBox::toggled, this, [this] { ResetDimensions(); });
    connect(RadioButtonDeform, &QRadioButton::toggled, this, [this] { ResetDimensions(); });
    for (QSpinBox* spin : {SpinCropTop, SpinCropBottom, SpinCropLeft, SpinCropRight})
        connect(spin, &QSpinBox::valueChanged, this, [this, spin] { CropChanged(spin); });
    for (QSpinBox* spin : {SpinWidth, SpinHeight, UpDownCompressionQuality, UpDownKeyFrame})
        connect(spin, &QSpinBox::valueChanged, this, [this] { UpdateSummary(); });
    connect(CheckBoxImgInsert, &QCheckBox::toggled, this, [this] { UpdateSummary(); });
    connect(ButtonFrameRate, &QPushButton::clicked, this, [this] {
        double fps = FramesPerSecond;
        if (AskFrameRate && AskFrameRate(fps) && fps > 0.0) {
            FramesPerSecond = fps;
            UpdateControls();
        }
    });

    SetMode(rmSaveEdited);
    ResetDimensions();
}

void TBoiteRecordMontage::SetMode(int mode)
{
    FMode = std::clamp(mode, 0, 2);
    static const char* const captions[] = {"Save edited video to a file",
                                           "Convert a video file to a sequence of images",
                                           "Create a video from images"};
    setWindowTitle(QLatin1String(captions[FMode]));
    // The pages of each use, in their order.
    const QSignalBlocker block(Pages);
    while (Pages->count() > 0)
        Pages->removeTab(0);
    Pages->addTab(SummaryPage, QStringLiteral("Summary"));
    if (FMode != rmVideoToImages)
        Pages->addTab(CompressionPage, QStringLiteral("Compression"));
    if (FMode != rmImagesToVideo)
        Pages->addTab(DimensionsPage, QStringLiteral("Dimensions"));
    if (FMode != rmVideoToImages)
        Pages->addTab(SetupPage, QStringLiteral("Setup"));
    Pages->setCurrentIndex(0);
    // Images to video keeps the images' size; only the edited video has missing slots.
    if (FMode == rmImagesToVideo && CheckBoxChange->isChecked())
        CheckBoxChange->setChecked(false);
    CheckBoxImgInsert->setVisible(FMode == rmSaveEdited);
    FrameRateText->setVisible(FMode == rmImagesToVideo);
    ButtonFrameRate->setVisible(FMode == rmImagesToVideo);
    UpdateControls();
}

void TBoiteRecordMontage::SourceChanged(int width, int height)
{
    width = std::max(1, width);
    height = std::max(1, height);
    if (width == FSourceWidth && height == FSourceHeight)
        return;
    FSourceWidth = width;
    FSourceHeight = height;
    if (CheckBoxChange->isChecked())
        CheckBoxChange->setChecked(false); // resets the dimensions
    else
        ResetDimensions();
}

void TBoiteRecordMontage::FillFrameworks()
{
    FUpdating = true;
    ComboBoxFramework->clear();
    ComboBoxFramework->addItems(FRecord.FrameworkList());
    ComboBoxFramework->setCurrentIndex(std::min<int>(FRecord.Framework, ComboBoxFramework->count() - 1));
    FUpdating = false;
}

void TBoiteRecordMontage::FillCodecs()
{
    FUpdating = true;
    ComboBoxVideoCodec->clear();
    ComboBoxVideoCodec->addItem(QStringLiteral("without"));
    ComboBoxVideoCodec->addItems(FRecord.CodecList());
    ComboBoxVideoCodec->setCurrentIndex(
        std::clamp(FRecord.CodecIndex() + 1, 0, ComboBoxVideoCodec->count() - 1));
    FUpdating = false;
}

void TBoiteRecordMontage::Prepare()
{
    // The lists follow the record: its framework and codec are those of the settings until changed here.
    if (!FListsFilled || ComboBoxFramework->currentIndex() != FRecord.Framework) {
        FillFrameworks();
        FillCodecs();
        FListsFilled = true;
    }
    UpdateControls();
}

bool TBoiteRecordMontage::Execute()
{
    Prepare();
    return exec() == QDialog::Accepted;
}

void TBoiteRecordMontage::ResetDimensions()
{
    const int w = FSourceWidth, h = FSourceHeight;
    const int minW = std::max(16, w / 8), minH = std::max(16, h / 8);
    const bool edit = CheckBoxChange->isChecked();
    const bool resize = RadioButtonDeform->isChecked();
    FUpdating = true;
    if (edit && !resize) {
        SpinWidth->setRange(std::min(minW, w), w);
        SpinHeight->setRange(std::min(minH, h), h);
    } else {
        SpinWidth->setRange(std::min(minW, w), 4 * w);
        SpinHeight->setRange(std::min(minH, h), 4 * h);
    }
    SpinWidth->setValue(w);
    SpinHeight->setValue(h);
    for (QSpinBox* spin : {SpinCropLeft, SpinCropRight})
        spin->setRange(0, std::max(0, w - minW));
    for (QSpinBox* spin : {SpinCropTop, SpinCropBottom})
        spin->setRange(0, std::max(0, h - minH));
    for (QSpinBox* spin : {SpinCropTop, SpinCropBottom, SpinCropLeft, SpinCropRight})
        spin->setValue(0);
    FUpdating = false;
    UpdateControls();
}

void TBoiteRecordMontage::CropChanged(QSpinBox* changed)
{
    if (FUpdating)
        return;
    const int w = FSourceWidth, h = FSourceHeight;
    const int minW = std::max(16, w / 8), minH = std::max(16, h / 8);
    FUpdating = true;
    // The opposite side may cut only what this one leaves above the minimum size.
    if (changed == SpinCropLeft)
        SpinCropRight->setMaximum(std::max(0, w - minW - changed->value()));
    else if (changed == SpinCropRight)
        SpinCropLeft->setMaximum(std::max(0, w - minW - changed->value()));
    else if (changed == SpinCropTop)
        SpinCropBottom->setMaximum(std::max(0, h - minH - changed->value()));
    else
        SpinCropTop->setMaximum(std::max(0, h - minH - changed->value()));
    SpinWidth->setValue(w - SpinCropLeft->value() - SpinCropRight->value());
    SpinHeight->setValue(h - SpinCropTop->value() - SpinCropBottom->value());
    FUpdating = false;
    UpdateSummary();
}

void TBoiteRecordMontage::UpdateControls()
{
    const bool edit = CheckBoxChange->isChecked();
    const bool resize = RadioButtonDeform->isChecked();
    RadioButtonDeform->setEnabled(edit);
    RadioButtonCut->setEnabled(edit);
    SpinWidth->setEnabled(edit && resize);
    SpinHeight->setEnabled(edit && resize);
    CropPanel->setEnabled(edit && !resize);
    CropPanel->setVisible(!resize);
    // Quality and key frames, for every codec that takes them whatever its framework.
    QualityPanel->setVisible(FRecord.UsesQuality());
    // For a codec with a dialog of its own; the quality and key frames above are the writers' settings.
    ButtonConf->setEnabled(FRecord.HasCodecDialog());
    FrameRateText->setText(
        QStringLiteral("Frame rate: %1 frames per second").arg(FormatGeneral(FramesPerSecond, 4)));
    UpdateSummary();
}

QSize TBoiteRecordMontage::OutputSize() const
{
    if (!CheckBoxChange->isChecked())
        return {FSourceWidth, FSourceHeight};
    return {SpinWidth->value(), SpinHeight->value()};
}

bool TBoiteRecordMontage::SizeChanged() const
{
    return OutputSize() != QSize(FSourceWidth, FSourceHeight);
}

bool TBoiteRecordMontage::Resizing() const
{
    return SizeChanged() && RadioButtonDeform->isChecked();
}

bool TBoiteRecordMontage::Cropping() const
{
    return SizeChanged() && RadioButtonCut->isChecked();
}

QPoint TBoiteRecordMontage::CropOffset() const
{
    return Cropping() ? QPoint(SpinCropLeft->value(), SpinCropTop->value()) : QPoint();
}

bool TBoiteRecordMontage::Blanks() const
{
    return FMode == rmSaveEdited && CheckBoxImgInsert->isChecked();
}

int TBoiteRecordMontage::QualityPercent() const
{
    return UpDownCompressionQuality->value();
}

int TBoiteRecordMontage::KeyFrameEvery() const
{
    return UpDownKeyFrame->value();
}

QString TBoiteRecordMontage::CodecCaption() const
{
    // The list follows the record's codec (item 0 is "without").
    return ComboBoxVideoCodec->count() > 0 ? ComboBoxVideoCodec->currentText() : QStringLiteral("without");
}

QStringList TBoiteRecordMontage::SummaryLines() const
{
    const QSize size = OutputSize();
    QStringList lines;
    if (FMode == rmVideoToImages)
        lines << QStringLiteral("File format: PNG (BMP when that extension is chosen)");
    else
        lines << QStringLiteral("Video container: AVI");
    lines << QStringLiteral("Image width in pixels: %1").arg(size.width())
          << QStringLiteral("Image height in pixels: %1").arg(size.height());
    if (FMode != rmVideoToImages)
        lines << QStringLiteral("Frame rate: %1").arg(FormatGeneral(FramesPerSecond, 3));
    lines << QStringLiteral("Total number of images: %1").arg(Blanks() ? ImagesWithBlanks : ImagesVisible);
    if (FMode != rmVideoToImages) {
        const QStringList frameworks = FRecord.FrameworkList();
        lines << QStringLiteral("Compression Codec: %1").arg(CodecCaption())
              << QStringLiteral("Framework: %1").arg(frameworks.value(FRecord.Framework));
    }
    if (FMode != rmImagesToVideo) {
        lines << QString();
        if (FMode == rmSaveEdited)
            lines << QStringLiteral("Missing frames: %1")
                         .arg(Blanks() ? QStringLiteral("insert empty frames")
                                       : QStringLiteral("do nothing"));
        lines << QStringLiteral("Resized images: %1").arg(YesNo(Resizing()))
              << QStringLiteral("Cropped images: %1").arg(YesNo(Cropping()));
    }
    return lines;
}

void TBoiteRecordMontage::UpdateSummary()
{
    if (FUpdating)
        return;
    Summary->setText(SummaryLines().join(QLatin1Char('\n')));
}
