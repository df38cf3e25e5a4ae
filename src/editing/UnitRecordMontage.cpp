// Writing the edited sequence of a video to a new file: the frames, the blank slots, cropping or
// resizing, the chosen writer and codec, progress and cancel.
#include "editing/UnitRecordMontage.h"

#include "common/UnitIni.h"
#include "common/UnitUserDlg.h"
#include "editing/UnitMontage.h"

#include <QDir>
#include <QFileInfo>
#include <QPainter>
#include <cmath>

namespace {

const QString KeyFramework = QStringLiteral("Framework");
const QString KeyCodec = QStringLiteral("Codec");
const QString CancelledText = QStringLiteral("Process cancelled");

} // namespace

TRecordMontage::TRecordMontage()
{
    for (int i = 0; i < 3; ++i)
        FWriters[i] = MakeVideoWriter(i);
}

TRecordMontage::~TRecordMontage() = default;

QStringList TRecordMontage::FrameworkList() const
{
    return {FrameworkDisplayName(0), FrameworkDisplayName(1), FrameworkDisplayName(2)};
}

TVideoWriter* TRecordMontage::WriterOf(int framework)
{
    return framework >= 0 && framework < 3 ? FWriters[framework].get() : nullptr;
}

TVideoWriter* TRecordMontage::Writer()
{
    return WriterOf(Framework);
}

QStringList TRecordMontage::CodecList()
{
    TVideoWriter* w = Writer();
    return w ? w->Codecs() : QStringList();
}

void TRecordMontage::SetFramework(int index)
{
    Framework = static_cast<std::uint8_t>(std::clamp(index, 0, 255));
}

void TRecordMontage::SetCodecIndex(int index)
{
    if (TVideoWriter* w = Writer())
        w->SetCodecIndex(index);
}

int TRecordMontage::CodecIndex() const
{
    return Framework < 3 ? FWriters[Framework]->CodecIndex() : -1;
}

bool TRecordMontage::HasCodecDialog() const
{
    return Framework < 3 && FWriters[Framework]->HasCodecDialog();
}

bool TRecordMontage::UsesQuality() const
{
    return Framework < 3 && FWriters[Framework]->UsesQuality();
}

void TRecordMontage::ReadSettings(const TIniFile& ini)
{
    SavedFramework = ini.ReadString(SectionMontage, KeyFramework, QString());
    SavedCodec = ini.ReadString(SectionMontage, KeyCodec, QString());
    SettingsPending = false;
    const int framework = static_cast<int>(FrameworkList().indexOf(SavedFramework));
    SetFramework(framework < 0 ? 0 : framework);
    Writer()->SetCodecName(SavedCodec);
}

void TRecordMontage::WriteSettings(TIniFile& ini) const
{
    if (SettingsPending)
        return;
    ini.WriteString(SectionMontage, KeyFramework, FrameworkDisplayName(Framework));
    ini.WriteString(SectionMontage, KeyCodec, Framework < 3 ? FWriters[Framework]->CodecName() : QString());
}

void TRecordMontage::Cancel()
{
    if (Recording) {
        StopRequested = true;
        if (ErrorText.isEmpty())
            ErrorText = CancelledText;
    }
}

void TRecordMontage::StopOnReadError()
{
    if (Recording) {
        StopRequested = true;
        ErrorText = QStringLiteral("The video playback was interrupted.");
    }
}

bool TRecordMontage::WriteEdited(const TMontage& montage, const TFrameReader& reader,
                                 const TEditedSaveSetup& setup)
{
    TVideoWriter* writer = Writer();
    ErrorText.clear();
    Detail.clear();
    Cancelled = false;
    if (!writer || !reader || montage.VisibleCount <= 0 || setup.SourceWidth <= 0 || setup.SourceHeight <= 0)
        return false;
    OutputFile = setup.FileName;
    const int width = setup.Width > 0 ? setup.Width : setup.SourceWidth;
    const int height = setup.Height > 0 ? setup.Height : setup.SourceHeight;
    const bool sizeChanged = width != setup.SourceWidth || height != setup.SourceHeight;
    const bool resizing = sizeChanged && setup.Resize;
    const bool cropping = sizeChanged && !setup.Resize;

    Recording = true;
    StopRequested = false;
    auto progress = [this](int percent) {
        if (OnProgress)
            OnProgress(percent);
        if (ProcessEvents)
            ProcessEvents();
    };
    TWriterSetup ws;
    ws.Width = width;
    ws.Height = height;
    ws.FramesPerSecond = setup.FramesPerSecond;
    ws.FileName = setup.FileName;
    ws.QualityPercent = setup.QualityPercent;
    ws.KeyFrameEvery = setup.KeyFrameEvery;
    bool ok = writer->Start(ws);

    const long long total = static_cast<long long>(montage.MissingSlotCount()) + montage.VisibleCount;
    long long written = 0;
    long long previous = -1;
    auto report = [&] { progress(static_cast<int>(std::llround(100.0 * double(written) / double(total)))); };
    QImage frame;
    QImage output(width, height, QImage::Format_RGB32);
    QImage blank(width, height, QImage::Format_RGB32);
    blank.fill(QColor(192, 192, 192));
    for (int f = 0; ok && f < montage.FrameCount && !StopRequested; ++f) {
        if (!montage.IsVisible(f))
            continue;
        if (setup.Blanks) {
            const long long k = montage.TimeIndexOf(f);
            for (long long i = previous + 1; ok && i < k && !StopRequested; ++i) {
                ok = writer->Add(blank);
                ++written;
                report();
            }
            previous = std::max(previous, k);
            if (!ok || StopRequested)
                break;
        }
        if (!reader(f, frame) || frame.isNull()) {
            ErrorText = QStringLiteral("The video playback was interrupted.");
            ok = false;
            break;
        }
        const QImage* image = &frame;
        if (resizing) {
            output = frame.scaled(width, height, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                         .convertToFormat(QImage::Format_RGB32);
            image = &output;
        } else if (cropping) {
            output.fill(Qt::black);
            QPainter painter(&output);
            painter.drawImage(-setup.CropLeft, -setup.CropTop, frame);
            painter.end();
            image = &output;
        }
        ok = writer->Add(*image);
        ++written;
        report();
    }
    if (ok && StopRequested)
        ok = false;
    if (ok) {
        ok = writer->Finish();
    } else {
        writer->Abort();
    }
    if (!ok) {
        Detail = writer->Detail();
        if (ErrorText.isEmpty())
            ErrorText = writer->ErrorText();
    }
    if (OnProgress)
        OnProgress(101);
    Cancelled = !ok && ErrorText == CancelledText;
    Recording = false;
    StopRequested = false;
    return ok;
}

void TRecordMontage::ReportOutcome(bool written) const
{
    TUserDlg& dlg = TUserDlg::Instance();
    if (written)
        dlg.Begin(icInformation)
            .Line(QStringLiteral("File successfully saved:"))
            .Blank()
            .Line(QDir::toNativeSeparators(OutputFile), true, clBlue);
    else if (Cancelled)
        dlg.Begin(icInformation).Line(QStringLiteral("Saving cancelled; no file written."));
    else
        dlg.Begin(icWarning)
            .Line(QStringLiteral("Error detected while creating video file:"))
            .Blank()
            .Line(ErrorText);
    dlg.Button(QStringLiteral("Ok"), btOk).Execute();
}

QString TRecordMontage::FreeFileName(const QString& folder, const QString& base, const QString& extension,
                                     const QDate& today)
{
    const QString date = today.toString(QStringLiteral("ddMMyyyy"));
    QString name = base;
    name.remove(date);
    while (name.endsWith(QLatin1Char('_')))
        name.chop(1);
    const QDir dir(folder);
    for (int n = 1;; ++n) {
        const QString path =
            dir.filePath(QStringLiteral("%1_%2_%3.%4").arg(name).arg(n).arg(date, extension.toLower()));
        if (!QFileInfo::exists(path))
            return path;
    }
}
