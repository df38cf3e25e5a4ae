// Writing the edited sequence of a video to a new file: the frames, the blank slots, cropping or
// resizing, the chosen writer and codec, progress and cancel.
#pragma once

#include "editing/UnitVideoWriter.h"

#include <QDate>
#include <QImage>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>
#include <memory>

class TIniFile;
class TMontage;

// Reads frame f of the file (0-based) into image at the source's size; false on a reading error.
using TFrameReader = std::function<bool(int frame, QImage& image)>;

// What one save writes.
struct TEditedSaveSetup
{
    QString FileName;
    double FramesPerSecond = 25.0; // the source's rate
    int SourceWidth = 0;           // pixels
    int SourceHeight = 0;
    int Width = 0; // output size; 0: the source's
    int Height = 0;
    bool Resize = true; // a changed output size stretches the frame; otherwise it crops
    int CropLeft = 0;   // pixels cut from the left and the top when cropping
    int CropTop = 0;
    bool Blanks = false; // blank images in the slots of missing frames
    int QualityPercent = 50;
    int KeyFrameEvery = 25;
};

// One instance for the program's life; it owns the three writers.
class TRecordMontage
{
public:
    TRecordMontage();
    ~TRecordMontage();
    TRecordMontage(const TRecordMontage&) = delete;
    TRecordMontage& operator=(const TRecordMontage&) = delete;

    std::uint8_t Framework = 0; // 0 the built-in AVI writer, 1 GStreamer, 2 FFmpeg
    QString OutputFile;
    QString ErrorText; // reason of the last failure, for the user
    QString Detail;    // the writer's own reason, for logs
    QString SavedFramework, SavedCodec;
    bool SettingsPending = true;
    bool Recording = false;
    bool StopRequested = false;
    // The last WriteEdited ended because the user cancelled it (nothing was written).
    bool Cancelled = false;
    // 0 to 100 while writing, 101 at the end.
    std::function<void(int percent)> OnProgress;
    // Called after every progress report, so that the window stays responsive and can ask to stop.
    std::function<void()> ProcessEvents;

    QStringList FrameworkList() const;
    QStringList CodecList();
    void SetFramework(int index);
    void SetCodecIndex(int index);
    int CodecIndex() const; // -1 without compression or for an unknown framework
    bool HasCodecDialog() const;
    // Whether the chosen codec takes the quality and key-frame settings.
    bool UsesQuality() const;
    // The writer of the current framework; null for an unknown one.
    TVideoWriter* Writer();
    TVideoWriter* WriterOf(int framework);

    // The settings file's section "Montage": "Framework" (the display name) and "Codec" (the name as the
    // writer lists it). Reading selects them (the first framework and no compression when unknown).
    void ReadSettings(const TIniFile& ini);
    void WriteSettings(TIniFile& ini) const;

    // Writes the visible frames of the edited sequence in file order, each preceded, with Blanks, by a
    // grey image for every empty time slot before it. False with ErrorText on any failure, on a reading
    // error or when stopped; the writer then leaves nothing under the file name.
    bool WriteEdited(const TMontage& montage, const TFrameReader& reader, const TEditedSaveSetup& setup);
    // Asks the writing loop to stop (the user's Cancel).
    void Cancel();
    // Tells the user the outcome of the last WriteEdited through the message box: the file saved, a
    // cancel (which is not an error: nothing was written), or the failure with ErrorText.
    void ReportOutcome(bool written) const;
    // A reading error of the source while writing stops it with "The video playback was interrupted.".
    void StopOnReadError();

    // folder + "/" + base + "_" + n + "_" + ddmmyyyy + "." + extension, with the smallest n >= 1 that names
    // no existing file; the date text and trailing "_" are removed from the base first.
    static QString FreeFileName(const QString& folder, const QString& base, const QString& extension,
                                const QDate& today = QDate::currentDate());

private:
    std::unique_ptr<TVideoWriter> FWriters[3];
};
