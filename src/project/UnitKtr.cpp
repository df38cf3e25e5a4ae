// The project file: its flows with their messages, the reading and writing of every section, and the
// upgrade of older layouts.
#include "project/UnitKtr.h"

#include "common/UnitDialogs.h"
#include "common/UnitIni.h"
#include "common/UnitOptions.h"
#include "common/UnitUserDlg.h"
#include "editing/UnitMontage.h"
#include "formula/UnitFormules.h"
#include "measurement/UnitData.h"
#include "project/UnitKtrLegacy.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>
#include <QStringDecoder>
#include <algorithm>
#include <utility>

namespace {

const QString KeyVersion = QStringLiteral("Version");
const QString KeyVideoFileName = QStringLiteral("VideoFileName");

// The file's bytes when it is small enough to be a project: at most MaxFileSize bytes, MaxLines lines
// and MaxSections lines that open a section. False when it is larger or cannot be read.
bool ReadProjectBytes(const QString& path, QByteArray& bytes)
{
    QFile file(path);
    if (file.size() > TKtr::MaxFileSize || !file.open(QIODevice::ReadOnly))
        return false;
    // Read in pieces: a file that grows, or a device without a size, stops at the limit.
    bytes.clear();
    bytes.reserve(qsizetype(file.size()));
    char piece[1 << 16];
    for (;;) {
        const qint64 got = file.read(piece, sizeof piece);
        if (got < 0)
            return false;
        if (got == 0)
            break;
        bytes.append(piece, qsizetype(got));
        if (bytes.size() > TKtr::MaxFileSize)
            return false;
    }
    qsizetype lines = 0;
    int sections = 0;
    bool lineStart = true;
    for (const char c : std::as_const(bytes)) {
        if (c == '\n' || c == '\r') {
            lines += c == '\n';
            lineStart = true;
        } else if (lineStart && c != ' ' && c != '\t') {
            sections += c == '[';
            lineStart = false;
        }
    }
    return lines <= TKtr::MaxLines && sections <= TKtr::MaxSections;
}

// No saved work comes near MaxContainers per list: a file beyond it is damaged or hostile, and is refused
// rather than read into memory.
bool WithinLimits(const TIniFile& ini)
{
    const TDataReader data(ini, SectionData);
    for (const char* key : {"MarksContainersNumber_Grid", "MarksContainersNumber_Layer"})
        if (data.Count(QLatin1String(key)) > TKtr::MaxContainers)
            return false;
    return true;
}

// The largest i of the keys name + "_" + i (i written as the profile writes it), -1 without any.
int LastIndex(const QStringList& keys, const QString& name)
{
    const QString prefix = name + QLatin1Char('_');
    int last = -1;
    for (const QString& key : keys) {
        if (!key.startsWith(prefix, Qt::CaseInsensitive))
            continue;
        const QString digits = key.mid(prefix.size());
        bool ok = false;
        const int i = digits.toInt(&ok);
        if (ok && i > last && QString::number(i) == digits)
            last = i;
    }
    return last;
}

int RunCount(const TBooleanDynArray& values)
{
    int runs = 0;
    for (std::size_t f = 0; f < values.size(); ++f)
        runs += f == 0 || values[f] != values[f - 1];
    return runs;
}

int RunCount(const TIntegerDynArray& values)
{
    int runs = 0;
    for (std::size_t f = 0; f < values.size(); ++f)
        runs += f == 0 || values[f] != values[f - 1];
    return runs;
}

} // namespace

QString BareFileName(const QString& path)
{
    const qsizetype slash = std::max(path.lastIndexOf(QLatin1Char('/')), path.lastIndexOf(QLatin1Char('\\')));
    return path.mid(slash + 1);
}

QString WithKtrExtension(const QString& path)
{
    const QString name = BareFileName(path);
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    if (dot > 0 && name.mid(dot + 1).compare(QLatin1String("ktr"), Qt::CaseInsensitive) == 0)
        return path;
    const QString folder = path.left(path.size() - name.size());
    return folder + (dot > 0 ? name.left(dot) : name) + QStringLiteral(".ktr");
}

// ====================================================================================================
// Formula keys

void TFormulaKeys::Load(const TIniFile& ini)
{
    const TDataReader counts(ini, SectionFormules);
    const TDataReader record(ini, SectionRecord);
    // Each record has its keys in "Record": a count beyond them is damage, not data.
    const int formulas = std::clamp(counts.Int(QStringLiteral("FormulesNumber"), 0), 0, record.KeyCount());
    const int constants = std::clamp(counts.Int(QStringLiteral("ConstantesNumber"), 0), 0, record.KeyCount());
    Formules.assign(std::size_t(formulas), {});
    for (int i = 0; i < formulas; ++i) {
        TFormulaRecord& r = Formules[std::size_t(i)];
        r.Identifier = record.String(IndexedKey(QStringLiteral("RecordFormuleIdentifier"), i), QString());
        r.Phrase = record.String(IndexedKey(QStringLiteral("RecordFormulePhrase"), i), QString());
        r.Comment = record.String(IndexedKey(QStringLiteral("RecordFormuleComment"), i), QString());
        r.Unit = record.String(IndexedKey(QStringLiteral("RecordFormuleUnit"), i), QString());
    }
    Constantes.assign(std::size_t(constants), {});
    for (int i = 0; i < constants; ++i) {
        TConstRecord& r = Constantes[std::size_t(i)];
        r.Identifier = record.String(IndexedKey(QStringLiteral("RecordConstIdentifier"), i), QString());
        r.Index = record.String(IndexedKey(QStringLiteral("RecordConstIndex"), i), QString());
        r.Value = record.String(IndexedKey(QStringLiteral("RecordConstValue"), i), QString());
        r.Unit = record.String(IndexedKey(QStringLiteral("RecordConstUnit"), i), QString());
    }
}

void TFormulaKeys::Save(TIniFile& ini) const
{
    TDataWriter counts(ini, SectionFormules);
    counts.Int(QStringLiteral("FormulesNumber"), (long long)Formules.size());
    counts.Int(QStringLiteral("ConstantesNumber"), (long long)Constantes.size());
    TDataWriter record(ini, SectionRecord);
    for (std::size_t i = 0; i < Formules.size(); ++i) {
        const TFormulaRecord& r = Formules[i];
        const auto n = (long long)i;
        record.String(IndexedKey(QStringLiteral("RecordFormuleIdentifier"), n), r.Identifier);
        record.String(IndexedKey(QStringLiteral("RecordFormulePhrase"), n), r.Phrase);
        record.String(IndexedKey(QStringLiteral("RecordFormuleComment"), n), r.Comment);
        record.String(IndexedKey(QStringLiteral("RecordFormuleUnit"), n), r.Unit);
    }
    for (std::size_t i = 0; i < Constantes.size(); ++i) {
        const TConstRecord& r = Constantes[i];
        const auto n = (long long)i;
        record.String(IndexedKey(QStringLiteral("RecordConstIdentifier"), n), r.Identifier);
        record.String(IndexedKey(QStringLiteral("RecordConstIndex"), n), r.Index);
        record.String(IndexedKey(QStringLiteral("RecordConstValue"), n), r.Value);
        record.String(IndexedKey(QStringLiteral("RecordConstUnit"), n), r.Unit);
    }
}

// ====================================================================================================
// TKtr: profile, upgrade, reading and writing

TKtr::TKtr(TKtrHost host) : Host(std::move(host)) {}

TKtr::~TKtr() = default;

bool TKtr::Prepare(const QString& fileName)
{
    FileName = fileName;
    if (FIni)
        return true;
    if (QFileInfo::exists(fileName)) {
        QByteArray bytes;
        if (!ReadProjectBytes(fileName, bytes))
            return false;
    }
    auto ini = std::make_unique<TIniFile>(fileName);
    if (!ini->ReadOk())
        return false;
    FIni = std::move(ini);
    return true;
}

void TKtr::Release()
{
    FIni.reset();
}

void TKtr::Upgrade()
{
    if (!FIni)
        return;
    TIniFile& ini = *FIni; // whatever step stops, what was written up to it stays
    const TDataReader main(ini, SectionMain);
    Version = main.Int(KeyVersion, VersionLegacy);
    if (Version == VersionLegacy) {
        ini.WriteString(SectionMain, KeyVersion, QString::number(VersionLegacy));
        QByteArray bytes;
        if (!ReadProjectBytes(FileName, bytes) ||
            !ConvertLegacyLayout(SplitTextLines(DecodeIniText(bytes)), ini))
            return;
    }
    if (Version < VersionCurrent)
        ReencodeMontage(ini);
}

void TKtr::ReencodeMontage(TIniFile& ini) const
{
    // Older layouts keep one key per frame; the current one keeps runs, as the edited sequence writes them.
    const TDataReader reader(ini, SectionMontage);
    const int frames = reader.Int(QStringLiteral("VisibleImagesNumber"), 1);
    const int shiftCount = reader.Int(QStringLiteral("TimeShiftsNumber"), 0);
    if (frames > TMontage::MaxLoadedFrames || shiftCount > TMontage::MaxLoadedFrames)
        return;
    // Frames after the last one with a key have the default value, so they continue one run: the arrays
    // stop one frame after that key, which gives the same runs however large a damaged count is.
    const QStringList keys = ini.ReadSection(SectionMontage);
    const QString visibleKey = QStringLiteral("VisibleImage");
    const QString shiftKey = QStringLiteral("TimeShift");
    TBooleanDynArray visible(std::size_t(std::clamp(frames, 0, LastIndex(keys, visibleKey) + 2)));
    for (std::size_t i = 0; i < visible.size(); ++i)
        visible[i] = reader.Bool(IndexedKey(visibleKey, (long long)i), true);
    TIntegerDynArray shifts(std::size_t(std::clamp(shiftCount, 0, LastIndex(keys, shiftKey) + 2)));
    for (std::size_t i = 0; i < shifts.size(); ++i)
        shifts[i] = reader.Int(IndexedKey(shiftKey, (long long)i), 0);
    if (RunCount(visible) > MaxReencodedRuns || RunCount(shifts) > MaxReencodedRuns)
        return;

    TDataWriter writer(ini, SectionMontage);
    for (std::size_t i = 0; i < visible.size(); ++i)
        writer.Delete(IndexedKey(visibleKey, (long long)i));
    for (std::size_t i = 0; i < shifts.size(); ++i)
        writer.Delete(IndexedKey(shiftKey, (long long)i));
    writer.Int(QStringLiteral("VisibleImagesNumber"), frames);
    // The runs are made by the edited sequence's own writer, then copied key by key in its order.
    TIniFile runs{QString()};
    TMontage::WriteVisibility(runs, visible);
    TMontage::WriteShifts(runs, shifts);
    for (const QString& key : runs.ReadSection(SectionMontage))
        writer.String(key, runs.ReadString(SectionMontage, key, QString()));
}

QString TKtr::VideoFileName() const
{
    return FIni ? FIni->ReadString(SectionMain, KeyVideoFileName, QString()) : QString();
}

bool TKtr::CheckContent() const
{
    if (!FIni || !WithinLimits(*FIni))
        return false;
    TData data(Host.Options);
    if (!data.Load(*FIni))
        return false;
    TMontage montage; // with a video: only counts that no file can hold fail
    montage.Init(1);
    return montage.Load(*FIni);
}

bool TKtr::ReadContent()
{
    if (!FIni || !Host.Data || !WithinLimits(*FIni))
        return false;
    if (!Host.Data->Load(*FIni))
        return false;
    if (Host.LoadViewState)
        Host.LoadViewState(*FIni);
    if (Host.Montage && !Host.Montage->Load(*FIni))
        return false;
    if (Host.Formules)
        Host.Formules->Load(*FIni);
    else
        Formulas.Load(*FIni);
    if (Host.LoadConstructs)
        Host.LoadConstructs(*FIni);
    ProjectVideo = Host.VideoFileName ? Host.VideoFileName() : QString();
    return true;
}

bool TKtr::WriteContent()
{
    if (!FIni)
        return false;
    WriteKeys(*FIni, true);
    return FIni->UpdateFile();
}

void TKtr::WriteKeys(TIniFile& ini, bool viewState) const
{
    const QString video = Host.VideoFileName ? Host.VideoFileName() : QString();
    ini.WriteString(SectionMain, KeyVersion, QString::number(VersionCurrent));
    ini.WriteString(SectionMain, KeyVideoFileName, video);
    if (Host.Data)
        Host.Data->Save(ini);
    if (viewState && Host.SaveViewState)
        Host.SaveViewState(ini);
    if (Host.Montage)
        Host.Montage->Save(ini);
    if (Host.Formules) {
        // The main window empties the formulas whenever another video is opened: they are this work's.
        Host.Formules->Save(ini);
    } else {
        // Formulas read with another video do not belong to this work.
        (ProjectVideo == video ? Formulas : TFormulaKeys{}).Save(ini);
    }
    if (Host.SaveConstructs)
        Host.SaveConstructs(ini);
}

QString TKtr::ContentText() const
{
    if (!Host.VideoOpen || !Host.VideoOpen())
        return {};
    TIniFile ini{QString()}; // in memory only
    WriteKeys(ini, false);
    // Where the layer sits between two drops (parked in its corner, or dragged and not yet dropped) is
    // no part of the work: its dropped positions are.
    for (const char* key : {"OrigineCurrentXCoordinate", "OrigineCurrentYCoordinate"})
        ini.DeleteKey(SectionData, DataKey(QString::fromLatin1(key), QStringLiteral("Layer")));
    return ini.ToText();
}

bool TKtr::RecordVideoFileName(const QString& projectPath, const QString& videoPath)
{
    // Only this one line changes, byte for byte: the file keeps its layout, its version and every other
    // line (the lines of the first layout included), so that its next opening upgrades it as this one did.
    QByteArray bytes;
    if (!ReadProjectBytes(projectPath, bytes))
        return false;
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    (void)utf8.decode(bytes);
    const bool isUtf8 = !utf8.hasError();
    const QString line = KeyVideoFileName + QLatin1Char('=') + videoPath;
    const bool latin1 = !isUtf8 && QString::fromLatin1(line.toLatin1()) == line;
    if (!isUtf8 && !latin1)
        bytes = DecodeIniText(bytes).toUtf8(); // the path needs characters that the old code page lacks
    const QByteArray encoded = latin1 ? line.toLatin1() : line.toUtf8();

    // The key line the profile reads (the first in a "Main" section), else the place after the first
    // "Main" header, else a new section at the end.
    qsizetype insertAt = -1, replaceFrom = -1, replaceTo = -1;
    bool inMain = false;
    for (qsizetype start = 0; start < bytes.size() && replaceFrom < 0;) {
        qsizetype end = bytes.indexOf('\n', start);
        if (end < 0)
            end = bytes.size();
        qsizetype contentEnd = end;
        if (contentEnd > start && bytes[contentEnd - 1] == '\r')
            --contentEnd;
        const QByteArray raw = bytes.mid(start, contentEnd - start);
        const QByteArray trimmed = raw.trimmed();
        const qsizetype close = trimmed.indexOf(']');
        if (trimmed.startsWith('[') && close > 0) {
            inMain = trimmed.mid(1, close - 1).trimmed().compare("Main", Qt::CaseInsensitive) == 0;
            if (inMain && insertAt < 0)
                insertAt = std::min(end + 1, bytes.size());
        } else if (inMain && !trimmed.startsWith(';')) {
            const qsizetype eq = raw.indexOf('=');
            if (eq > 0 &&
                raw.left(eq).trimmed().compare(KeyVideoFileName.toLatin1(), Qt::CaseInsensitive) == 0) {
                replaceFrom = start;
                replaceTo = contentEnd;
            }
        }
        start = end + 1;
    }
    const QByteArray lineEnd = bytes.contains("\r\n") ? QByteArray("\r\n") : QByteArray("\n");
    if (replaceFrom >= 0) {
        bytes.replace(replaceFrom, replaceTo - replaceFrom, encoded);
    } else if (insertAt >= 0) {
        if (insertAt == bytes.size() && !bytes.endsWith('\n')) {
            bytes += lineEnd;
            insertAt = bytes.size();
        }
        bytes.insert(insertAt, encoded + lineEnd);
    } else {
        if (!bytes.isEmpty() && !bytes.endsWith('\n'))
            bytes += lineEnd;
        bytes += "[Main]" + lineEnd + encoded + lineEnd;
    }
    QSaveFile file(projectPath);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        return false;
    return file.commit();
}

// ====================================================================================================
// TKtr: the flows

QString TKtr::InitialFolder() const
{
    if (Host.Options && !Host.Options->DefaultDirectory.isEmpty() &&
        QFileInfo(Host.Options->DefaultDirectory).isDir())
        return Host.Options->DefaultDirectory;
    const QString last = Host.LastFolder ? Host.LastFolder() : QString();
    if (!last.isEmpty())
        return last;
    return QStandardPaths::writableLocation(QStandardPaths::DesktopLocation);
}

void TKtr::ShowReadError() const
{
    TUserDlg::Instance()
        .Begin(icWarning)
        .Line(QStringLiteral("Error reading file."))
        .Button(QStringLiteral("Ok"), btOk)
        .Execute();
}

bool TKtr::SearchVideo(const QString& expected, QString& chosen) const
{
    TUserDlg& box = TUserDlg::Instance();
    const QString expectedName = BareFileName(expected);
    QString selected; // the file chosen last in this search
    for (;;) {
        box.Begin(icWarning);
        if (!selected.isEmpty()) {
            box.Line(QStringLiteral("Selected file:"))
                .Line(selected, true, clBlue)
                .Line(QStringLiteral("Can not open this video file. Possible Problems and suggestions:"))
                .Line(QStringLiteral("    The file is corrupted"))
                .Line(QString::fromUtf8(
                    "    your computer does not have the necessary codec (install the GStreamer "
                    "plugins « gstreamer1.0-libav » and « gstreamer1.0-plugins-bad »)."));
        } else {
            box.Line(expected, true, clBlue)
                .Blank()
                .Line(QStringLiteral("Unable to open this video file."))
                .Line(QStringLiteral("Check that it has not been moved."));
        }
        box.Button(QStringLiteral("Cancel"), btAnnuler).Button(QStringLiteral("Search"), btCustom);
        if (box.Execute() != 1)
            return false;

        TFileDialogRequest request;
        request.Kind = TFileDialogKind::Open;
        request.Title = QStringLiteral("Open video file");
        request.Filter = Host.VideoFilter;
        request.FileName = expectedName;
        // The expected folder when it still exists here, else the project's own folder (a path written
        // on another system names no folder of this one).
        const QString expectedFolder = expected.left(expected.size() - expectedName.size());
        request.InitialDir = !expectedFolder.isEmpty() && QFileInfo(expectedFolder).isDir()
                                 ? QFileInfo(expectedFolder).absoluteFilePath()
                                 : QFileInfo(FileName).absolutePath();
        const TFileDialogResult result = TDialogService::Instance().FileDialog(request);
        if (!result.Accepted)
            return false;
        selected = result.FileName;
        if (!QFileInfo(selected).isFile())
            continue;
        // The names are compared as the system that wrote the project would: without regard to case.
        if (BareFileName(selected).compare(expectedName, Qt::CaseInsensitive) == 0) {
            chosen = selected;
            return true;
        }
        const int pressed =
            box.Begin(icInformation)
                .Line(QStringLiteral("The selected file and the awaited file have different names."))
                .Blank()
                .Line(QStringLiteral("Selected file:"))
                .Line(selected, true, clBlue)
                .Blank()
                .Line(QStringLiteral("Expected file:"))
                .Line(expected, true, clBlue)
                .Button(QStringLiteral("Ok"), btOk)
                .Button(QStringLiteral("Cancel"), btAnnuler)
                .Execute();
        if (pressed == 0) {
            chosen = selected;
            return true;
        }
    }
}

bool TKtr::OpenProject(const QString& path)
{
    if (Host.EditedVideoSaving && Host.EditedVideoSaving())
        return false;
    if (Host.ConfirmDiscard && !Host.ConfirmDiscard())
        return false;
    TUserDlg& box = TUserDlg::Instance();
    if (!QFileInfo(path).isFile()) {
        box.Begin(icWarning)
            .Line(path, true, clBlue)
            .Blank()
            .Line(QStringLiteral("Unable to open backup file."))
            .Line(QStringLiteral("Check that it has not been moved."))
            .Button(QStringLiteral("Ok"), btOk)
            .Execute();
        return false;
    }
    const QString folder = QFileInfo(path).absolutePath();
    if (Host.SetLastFolder)
        Host.SetLastFolder(folder);

    const QString previous = FileName;
    const bool opened = OpenSteps(path, folder);
    Release();
    if (!opened)
        FileName = previous;
    return opened;
}

bool TKtr::OpenSteps(const QString& path, const QString& folder)
{
    Release();
    // Everything that can make the reading fail is checked before the current work is touched.
    if (!Prepare(path)) {
        ShowReadError();
        return false;
    }
    Upgrade();
    if (!CheckContent()) {
        ShowReadError();
        return false;
    }

    QString video = VideoFileName();
    bool relocated = false;
    if (!QFileInfo(video).isFile()) {
        if (!SearchVideo(video, video))
            return false;
        relocated = true;
    }
    if (!Host.OpenVideo || !Host.OpenVideo(video))
        return false; // the open command told why
    if (Host.SetLastFolder)
        Host.SetLastFolder(folder); // the project's folder, not the video's, is where dialogs start
    if (!ReadContent()) {
        if (Host.CloseVideo)
            Host.CloseVideo();
        ShowReadError();
        return false;
    }
    if (Host.ProjectLoaded)
        Host.ProjectLoaded();
    MarkSaved();
    if (relocated && !RecordVideoFileName(path, video))
        TUserDlg::Instance()
            .Begin(icWarning)
            .Line(QStringLiteral("Unable to record the new video file directory."))
            .Line(QStringLiteral("The backup file %1 may be read-only.").arg(path))
            .Button(QStringLiteral("Ok"), btOk)
            .Execute();
    return true;
}

bool TKtr::SaveProject()
{
    TUserDlg& box = TUserDlg::Instance();
    if (!Host.VideoOpen || !Host.VideoOpen()) {
        box.Message(icInformation, {QStringLiteral("First open a video file.")});
        return false;
    }
    const QString video = Host.VideoFileName ? Host.VideoFileName() : QString();
    TFileDialogRequest request;
    request.Kind = TFileDialogKind::Save;
    request.Title = QStringLiteral("Save work to KTR file");
    request.Filter = QStringLiteral("Kinotra file (*.ktr)|*.ktr");
    request.DefaultExt = QStringLiteral("ktr");
    request.CallerChecksExisting = true; // one question about an existing file: the one below
    // The project that was opened with this video is proposed again; otherwise the video's name.
    if (!FileName.isEmpty() && ProjectVideo == video) {
        request.InitialDir = QFileInfo(FileName).absolutePath();
        request.FileName = QFileInfo(FileName).fileName();
    } else {
        request.InitialDir = InitialFolder();
        request.FileName = QFileInfo(video).completeBaseName() + QStringLiteral(".ktr");
    }
    const TFileDialogResult result = TDialogService::Instance().FileDialog(request);
    if (!result.Accepted || result.FileName.isEmpty())
        return false;
    const QString path = WithKtrExtension(result.FileName);
    if (QFileInfo::exists(path)) {
        const int pressed = box.Begin(icWarning)
                                .Line(path, true, clBlue)
                                .Blank()
                                .Line(QStringLiteral("A file with the same name already exists. Overwrite ?"))
                                .Button(QStringLiteral("Cancel"), btAnnuler)
                                .Button(QStringLiteral("Ok"), btOk)
                                .Execute();
        if (pressed != 1)
            return false;
    }
    if (Host.SetLastFolder)
        Host.SetLastFolder(QFileInfo(path).absolutePath());

    Release();
    const QString previous = FileName;
    // The previous content is read first: its keys that are not written again stay in the file.
    if (!Prepare(path)) {
        FileName = previous;
        box.Begin(icWarning)
            .Line(QStringLiteral("Saving has failed."))
            .Line(path, true, clBlue)
            .Blank()
            .Line(QStringLiteral("Check that the drive is not write-protected."))
            .Button(QStringLiteral("Ok"), btOk)
            .Execute();
        return false;
    }
    const bool written = WriteContent();
    Release();
    if (!written) {
        FileName = previous;
        box.Begin(icWarning)
            .Line(QStringLiteral("File saving has failed."))
            .Line(path, true, clBlue)
            .Button(QStringLiteral("Ok"), btOk)
            .Execute();
        return false;
    }
    if (ProjectVideo != video) {
        Formulas = {};
        ProjectVideo = video;
    }
    MarkSaved();
    box.Begin(icInformation)
        .Line(QStringLiteral("File successfully saved:"))
        .Blank()
        .Line(path, true, clBlue)
        .Button(QStringLiteral("Ok"), btOk)
        .Execute();
    if (Host.AddRecentFile)
        Host.AddRecentFile(path);
    return true;
}
