// The project file (".ktr"): saving the user's work on a video, opening it again with its video, and
// reading the older layouts.
#pragma once

#include <QString>
#include <functional>
#include <memory>
#include <vector>

class TData;
class TFormules;
class TIniFile;
class TMontage;
class TOptions;

// What the project file needs of the program's objects: the measurement data and the edited sequence
// directly, the view and the main window through functions. Unassigned functions do nothing (and the
// questions they stand for get their harmless answer). Nothing here is owned.
struct TKtrHost
{
    TData* Data = nullptr;
    TMontage* Montage = nullptr;
    const TOptions* Options = nullptr; // the folder that dialogs start in; null: none
    // The user's formulas and constants, read and written through their own keys. Null: the formula
    // keys are kept as text in TKtr::Formulas and written back unchanged.
    TFormules* Formules = nullptr;

    std::function<bool()> VideoOpen;
    std::function<QString()> VideoFileName; // path of the open video
    // True while an edited video is being written: nothing may be opened then.
    std::function<bool()> EditedVideoSaving;
    // Whether the current work may be replaced (the main window's confirmation); unassigned: yes.
    std::function<bool()> ConfirmDiscard;
    // Opens a video as the open command does, showing its own message on failure; answers whether it
    // is open. A project's data are read only after it (the open resets the measurement data).
    std::function<bool(const QString& path)> OpenVideo;
    // Closes the video without any question (after its project could not be read).
    std::function<void()> CloseVideo;
    // The view's frame and mode, section "Video".
    std::function<void(TIniFile& ini)> SaveViewState;
    std::function<void(const TIniFile& ini)> LoadViewState;
    // The figures drawn on the results graphs, a section of their own; an older file without it opens
    // with none.
    std::function<void(TIniFile& ini)> SaveConstructs;
    std::function<void(const TIniFile& ini)> LoadConstructs;
    // After a project has been read: the main window updates itself; every result is out of date.
    std::function<void()> ProjectLoaded;
    // Folder of the last file opened or saved (where the dialogs start when the options name none).
    std::function<QString()> LastFolder;
    std::function<void(const QString& folder)> SetLastFolder;
    std::function<void(const QString& path)> AddRecentFile;
    // Filter of the dialog that searches for a moved video.
    QString VideoFilter;
};

// One formula or constant as the project file stores it, kept as text until the formulas read it.
struct TFormulaRecord
{
    QString Identifier, Phrase, Comment, Unit;
    bool operator==(const TFormulaRecord&) const = default;
};
struct TConstRecord
{
    QString Identifier, Index, Value, Unit;
    bool operator==(const TConstRecord&) const = default;
};

// The sections "Formules" (the two counts) and "Record" (the texts of each formula and constant).
struct TFormulaKeys
{
    std::vector<TFormulaRecord> Formules;
    std::vector<TConstRecord> Constantes;

    // Counts that are negative read as 0; counts beyond the keys of "Record" are cut there.
    void Load(const TIniFile& ini);
    void Save(TIniFile& ini) const;
    bool operator==(const TFormulaKeys&) const = default;
};

class TKtr
{
public:
    static constexpr int VersionLegacy = 334000;  // the layout of one value per line
    static constexpr int VersionCurrent = 351000; // written by every save
    // Files beyond these sizes are not read as projects ("Error reading file."): no saved work comes
    // near them, and reading them would take memory and time out of all proportion.
    static constexpr long long MaxFileSize = 64LL * 1024 * 1024;
    static constexpr int MaxLines = 1000000;
    static constexpr int MaxSections = 256;
    static constexpr int MaxContainers = 50000; // per mark list
    // The re-encoding of an older file's edited sequence gives up beyond this many runs or shift entries.
    static constexpr int MaxReencodedRuns = 4096;

    explicit TKtr(TKtrHost host = {});
    ~TKtr();
    TKtr(const TKtr&) = delete;
    TKtr& operator=(const TKtr&) = delete;

    TKtrHost Host;
    QString FileName; // the last project opened or saved
    int Version = 0;  // the layout found by the last Upgrade
    // The formula keys of the open project as text, for a host without formulas (Host.Formules null).
    TFormulaKeys Formulas;
    // The video of the project last opened or saved: the save dialog proposes that project again, and
    // the formula keys kept as text are saved again, only while this video is open.
    QString ProjectVideo;

    // Stores the name and, when no profile is held, reads the file into one. False, with no profile,
    // when the file exists but cannot be read as a project (unreadable, or beyond the sizes above).
    bool Prepare(const QString& fileName);
    // Brings the held profile to the current layout in memory: the first layout is converted, the
    // edited-sequence keys of older layouts are re-encoded. Never fails: a conversion that stops leaves
    // the profile as far as it got. The file itself is not changed.
    void Upgrade();
    void Release();
    TIniFile* Ini() const { return FIni.get(); }

    // --- Flows with their messages ---
    // Opens a project and its video (commands Open, recent files, command line). A file that cannot be
    // read changes nothing. True when the project is open.
    bool OpenProject(const QString& path);
    // Asks for a file name and saves the work there. True when saved.
    bool SaveProject();

    // --- Steps without messages (also for the headless commands) ---
    // Main/VideoFileName of the held profile.
    QString VideoFileName() const;
    // Whether the held profile's content reads: the measurement data and the edited sequence are read
    // into scratch objects, so that a failure is known before anything of the user's work changes.
    bool CheckContent() const;
    // Reads the held profile into the host's objects, in this order: measurement data, view state,
    // edited sequence, formulas. The video must be open. False when something does not read.
    bool ReadContent();
    // Writes the work into the held profile (every section) and the profile to its file, atomically.
    bool WriteContent();

    // --- Unsaved work ---
    // The work as the project file would hold it, without the view's frame and mode (moving through the
    // video changes nothing of the work).
    QString ContentText() const;
    // The work as it stands is the saved or opened one (after a save, an opening, a new video).
    void MarkSaved() { FSavedContent = ContentText(); }
    // Something of the work (marks, scale, axes, formulas, figures, editing, names) differs from what
    // was last saved or opened.
    bool Modified() const { return ContentText() != FSavedContent; }
    // Writes only Main/VideoFileName into the file as it is on disk (after its video was found elsewhere).
    static bool RecordVideoFileName(const QString& projectPath, const QString& videoPath);

private:
    bool OpenSteps(const QString& path, const QString& folder);
    bool SearchVideo(const QString& expected, QString& chosen) const;
    void ShowReadError() const;
    QString InitialFolder() const;
    void ReencodeMontage(TIniFile& ini) const;
    // Writes the work's keys into a profile; the view's state only when asked.
    void WriteKeys(TIniFile& ini, bool viewState) const;

    std::unique_ptr<TIniFile> FIni;
    QString FSavedContent; // ContentText when the work was last saved or opened
};

// The file name of a path, whichever separator ("/" or "\") the system that wrote it used.
QString BareFileName(const QString& path);
// The name with the extension ".ktr": kept when it already ends so (in any case), else its extension
// replaced, or ".ktr" appended when it has none.
QString WithKtrExtension(const QString& path);
