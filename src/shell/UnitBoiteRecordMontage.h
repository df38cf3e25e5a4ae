// The settings of a written video or of numbered images: framework and codec, blank images, output size
// (resized or cropped), frame rate, and the summary of what will be written.
#pragma once

#include <QDialog>
#include <QPoint>
#include <QSize>
#include <QStringList>
#include <functional>

class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;
class QRadioButton;
class QSpinBox;
class QTabWidget;
class QWidget;
class TRecordMontage;

class TBoiteRecordMontage : public QDialog
{
public:
    // What the dialog is for: its caption, its pages and its summary follow.
    enum TMode : int
    {
        rmSaveEdited = 0,    // the edited video to a new video
        rmVideoToImages = 1, // every visible frame to a numbered image
        rmImagesToVideo = 2, // numbered images to a new video
    };

    // The dialog reads and sets the framework and codec of record, which outlives it.
    explicit TBoiteRecordMontage(TRecordMontage& record, QWidget* parent = nullptr);

    // Set by the command before the dialog is shown.
    int Mode() const { return FMode; }
    void SetMode(int mode);
    double FramesPerSecond = 25.0;
    int ImagesWithBlanks = 0; // images written with blanks for the missing slots
    int ImagesVisible = 0;    // images written without them
    int SourceWidth() const { return FSourceWidth; }
    int SourceHeight() const { return FSourceHeight; }
    // A new source size: the output size becomes it and "Edit images" is unchecked. Nothing happens when
    // the size is the same, so that the choices stay from one save to the next.
    void SourceChanged(int width, int height);

    // Fills the lists (the first time, from the settings the record read) and the summary; Execute does it.
    void Prepare();
    // Runs the dialog modally; true when "Ok" closed it.
    bool Execute();

    // The choices.
    QSize OutputSize() const;
    bool SizeChanged() const;
    bool Resizing() const;
    bool Cropping() const;
    QPoint CropOffset() const; // pixels cut from the left and the top
    bool Blanks() const;
    int QualityPercent() const;
    int KeyFrameEvery() const;
    QString CodecCaption() const; // the chosen codec's name, or "without"
    QStringList SummaryLines() const;

    // Mode 2's "Change the frame rate": asks a new rate (frames per second); false leaves it.
    std::function<bool(double& fps)> AskFrameRate;

    QTabWidget* Pages = nullptr;
    QWidget* SummaryPage = nullptr;
    QWidget* CompressionPage = nullptr;
    QWidget* DimensionsPage = nullptr;
    QWidget* SetupPage = nullptr;
    QLabel* Summary = nullptr;
    QComboBox* ComboBoxFramework = nullptr;
    QCheckBox* CheckBoxImgInsert = nullptr;
    QLabel* FrameRateText = nullptr;
    QPushButton* ButtonFrameRate = nullptr;
    QComboBox* ComboBoxVideoCodec = nullptr;
    QPushButton* ButtonConf = nullptr;
    QWidget* QualityPanel = nullptr;
    QSpinBox* UpDownCompressionQuality = nullptr;
    QSpinBox* UpDownKeyFrame = nullptr;
    QCheckBox* CheckBoxChange = nullptr;
    QRadioButton* RadioButtonDeform = nullptr;
    QRadioButton* RadioButtonCut = nullptr;
    QSpinBox* SpinWidth = nullptr;
    QSpinBox* SpinHeight = nullptr;
    QWidget* CropPanel = nullptr;
    QSpinBox* SpinCropTop = nullptr;
    QSpinBox* SpinCropBottom = nullptr;
    QSpinBox* SpinCropLeft = nullptr;
    QSpinBox* SpinCropRight = nullptr;
    QPushButton* OkButton = nullptr;
    QPushButton* CancelButton = nullptr;

private:
    void FillFrameworks();
    void FillCodecs();
    void ResetDimensions();
    void CropChanged(QSpinBox* changed);
    void UpdateControls();
    void UpdateSummary();

    TRecordMontage& FRecord;
    int FMode = rmSaveEdited;
    int FSourceWidth = 320;
    int FSourceHeight = 240;
    bool FListsFilled = false;
    bool FUpdating = false; // the controls are being set by the dialog itself
};
