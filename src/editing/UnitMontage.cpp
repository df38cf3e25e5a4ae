// The edited time base of a video: which frames are visible, their time shifts, and positions <-> frames.
#include "editing/UnitMontage.h"

#include "common/UnitIni.h"
#include "common/UnitUserDlg.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <utility>
#include <vector>

namespace {

const QString KeyFrameCount = QStringLiteral("VisibleImagesNumber");
const QString KeyRunCount = QStringLiteral("VisibleScalesNumber");
const QString KeyRunStart = QStringLiteral("VisibleScale");
const QString KeyRunVisible = QStringLiteral("VisibleImage");
const QString KeyShiftCount = QStringLiteral("TimeShiftsNumber");
const QString KeyEntryCount = QStringLiteral("TimeShiftScalesNumber");
const QString KeyEntryMarker = QStringLiteral("TimeShiftScale");
const QString KeyEntryShift = QStringLiteral("TimeShift");

int ClampShift(long long shift)
{
    return static_cast<int>(std::clamp<long long>(shift, -TMontage::MaxShift, TMontage::MaxShift));
}

// The frame that a shift entry's marker names: |marker| - 1 (a negative marker starts a ramp).
long long MarkerFrame(long long marker)
{
    return marker < 0 ? -(marker + 1) : marker - 1;
}

bool Ask(const std::function<bool()>& f)
{
    return f && f();
}

// Strips trailing "-" and ";" characters.
QString WithoutTrailingSeparators(QString text)
{
    while (!text.isEmpty() && (text.endsWith(QLatin1Char('-')) || text.endsWith(QLatin1Char(';'))))
        text.chop(1);
    return text;
}

// A whole decimal number in 1..frameCount, spaces around it allowed.
bool FrameNumber(const QString& text, int frameCount, int& number)
{
    const QString t = text.trimmed();
    if (t.isEmpty() || t.size() > 10)
        return false;
    for (const QChar c : t)
        if (!c.isDigit() || c.unicode() > '9')
            return false;
    bool ok = false;
    const long long n = t.toLongLong(&ok);
    if (!ok || n < 1 || n > frameCount)
        return false;
    number = static_cast<int>(n);
    return true;
}

} // namespace

bool ParseSeries(const QString& input, int frameCount, TBooleanDynArray& selection)
{
    selection.assign(static_cast<std::size_t>(std::max(frameCount, 0)), false);
    QString text = WithoutTrailingSeparators(input);
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if (!(u >= '0' && u <= '9') && u != ' ' && u != '-' && u != ';') {
            selection.clear();
            return false;
        }
    }
    for (QString before; before != text;) {
        before = text;
        text.replace(QStringLiteral(";;"), QStringLiteral(";"));
        text.replace(QStringLiteral("--"), QStringLiteral("-"));
    }
    if (text.isEmpty())
        return true;
    text += QLatin1Char(';');
    const QStringList groups = text.split(QLatin1Char(';'));
    // The ";" appended above leaves one empty piece at the end; any other empty group is an error.
    for (qsizetype i = 0; i + 1 < groups.size(); ++i) {
        const QString group = WithoutTrailingSeparators(groups[i]);
        const qsizetype dash = group.indexOf(QLatin1Char('-'));
        int first = 0, last = 0;
        const bool ok = dash < 0 ? FrameNumber(group, frameCount, first)
                                 : FrameNumber(group.left(dash), frameCount, first) &&
                                       FrameNumber(group.mid(dash + 1), frameCount, last);
        if (!ok) {
            selection.clear();
            return false;
        }
        if (dash < 0)
            last = first;
        if (last < first)
            std::swap(first, last);
        for (int f = first; f <= last; ++f)
            selection[static_cast<std::size_t>(f - 1)] = true;
    }
    return true;
}

TBooleanDynArray EveryOtherFrame(int frameCount, bool even)
{
    TBooleanDynArray selection(static_cast<std::size_t>(std::max(frameCount, 0)), false);
    // Frame f (0-based) is number f + 1: even numbers are the odd frames.
    for (std::size_t f = even ? 1 : 0; f < selection.size(); f += 2)
        selection[f] = true;
    return selection;
}

QString SeriesErrorText(bool show)
{
    return QStringLiteral("The image group at %1 is incorrect")
        .arg(show ? QStringLiteral("show") : QStringLiteral("hide"));
}

void TMontage::Init(int frameCount)
{
    FrameCount = std::max(frameCount, 0);
    const auto n = static_cast<std::size_t>(FrameCount);
    Visible.assign(n, true);
    TimeShift.assign(n, 0);
    RebuildMaps();
}

void TMontage::RebuildMaps()
{
    const auto n = static_cast<std::size_t>(FrameCount);
    Visible.resize(n, true);
    TimeShift.resize(n, 0);
    FrameToPosition.assign(n, -1);
    PositionToFrame.assign(n, -1);
    int position = 0;
    for (std::size_t frame = 0; frame < n; ++frame) {
        if (!Visible[frame])
            continue;
        FrameToPosition[frame] = position;
        PositionToFrame[static_cast<std::size_t>(position)] = static_cast<int>(frame);
        ++position;
    }
    VisibleCount = position;
}

int TMontage::PositionOf(int frame) const
{
    return frame >= 0 && frame < static_cast<int>(FrameToPosition.size())
               ? FrameToPosition[static_cast<std::size_t>(frame)]
               : -1;
}

int TMontage::FrameAt(int position) const
{
    return position >= 0 && position < static_cast<int>(PositionToFrame.size())
               ? PositionToFrame[static_cast<std::size_t>(position)]
               : -1;
}

bool TMontage::IsVisible(int frame) const
{
    return frame >= 0 && frame < static_cast<int>(Visible.size()) ? Visible[static_cast<std::size_t>(frame)]
                                                                  : true;
}

int TMontage::ShiftOf(int frame) const
{
    return frame >= 0 && frame < static_cast<int>(TimeShift.size())
               ? TimeShift[static_cast<std::size_t>(frame)]
               : 0;
}

int TMontage::TimeIndexOf(int frame) const
{
    return frame + ShiftOf(frame);
}

bool TMontage::CurrentIsVisible() const
{
    if (!Ask(Host.VideoOpen) || !Ask(Host.EditingMode) || !Host.CurrentFrame)
        return false;
    return IsVisible(Host.CurrentFrame());
}

double TMontage::TimeOf(int which) const
{
    if (!Ask(Host.EditingMode) || !Ask(Host.HasData) || !Host.CurrentFrame || !Host.Interval)
        return -1.0;
    const int current = Host.CurrentFrame();
    int frame = -1;
    switch (which) {
    case wtNext:
        for (int g = current + 1; g < FrameCount && frame < 0; ++g)
            if (IsVisible(g))
                frame = g;
        break;
    case wtPrevious:
        for (int g = std::min(current, FrameCount) - 1; g >= 0 && frame < 0; --g)
            if (IsVisible(g))
                frame = g;
        break;
    case wtCurrent:
        frame = current;
        break;
    default:
        return -1.0;
    }
    if (frame < 0)
        return -1.0;
    return double(TimeIndexOf(frame)) * Host.Interval();
}

int TMontage::MissingSlotCount() const
{
    long long missing = 0;
    long long previous = -1;
    for (int f = 0; f < FrameCount; ++f) {
        if (!Visible[static_cast<std::size_t>(f)])
            continue;
        const long long k = TimeIndexOf(f);
        if (k >= previous + 2)
            missing += k - previous - 1;
        previous = k;
    }
    return static_cast<int>(std::min<long long>(missing, std::numeric_limits<int>::max()));
}

bool TMontage::SetVisible(int frame, bool visible)
{
    if (!Ask(Host.VideoOpen) || !Ask(Host.EditingMode) || !Ask(Host.HasData) || frame < 0 ||
        frame >= FrameCount)
        return false;
    const auto f = static_cast<std::size_t>(frame);
    if (!visible && VisibleCount == 1 && Visible[f]) {
        TUserDlg::Instance().Message(icWarning, {QStringLiteral("At least 1 frame must remain visible")});
        return false;
    }
    if (Visible[f] == visible)
        return false;
    if (Host.DeleteFrameMarks)
        Host.DeleteFrameMarks(frame);
    Visible[f] = visible;
    RebuildMaps();
    const int delta = visible ? 1 : -1;
    for (std::size_t g = f + 1; g < TimeShift.size(); ++g)
        TimeShift[g] = ClampShift(static_cast<long long>(TimeShift[g]) + delta);
    if (Host.ResultsOutOfDate)
        Host.ResultsOutOfDate();
    return true;
}

void TMontage::ToggleCurrent()
{
    if (!Ask(Host.VideoOpen) || !Ask(Host.EditingMode) || !Ask(Host.HasData) || !Host.CurrentFrame)
        return;
    const int current = Host.CurrentFrame();
    const bool visible = IsVisible(current);
    if (Ask(Host.ExplainToggle) && ShowToggleDialog) {
        TUserDlg& dlg = TUserDlg::Instance();
        dlg.Begin(icInformation);
        if (visible) {
            dlg.Line(QStringLiteral("This frame will not be visible after leaving the video edit mode."))
                .Blank()
                .Line(QStringLiteral("Hidden frames appear in negative. "));
        } else {
            dlg.Line(QStringLiteral("This image will be visible again after leaving the video edit mode."));
        }
        const bool marked = visible && Host.MarkCount && Host.MarkCount(current) > 0;
        if (marked)
            dlg.Blank().Line(QStringLiteral("The marks set on this frame will be deleted."));
        dlg.CheckBox(QStringLiteral("Do not show this dialog again"), false);
        dlg.Button(QStringLiteral("Ok"), btOk);
        if (marked)
            dlg.Button(QStringLiteral("Cancel"), btAnnuler);
        const int answer = dlg.Execute();
        ShowToggleDialog = !dlg.Checked();
        // Closing the box without a button counts as its escape answer: "Cancel" when there is one.
        if (marked && answer != 0)
            return;
    }
    SetVisible(current, !visible);
    if (OnChange)
        OnChange();
    if (Host.Repaint)
        Host.Repaint();
}

void TMontage::ShowHideSeries()
{
    if (!Ask(Host.VideoOpen) || !Host.SeriesDialog)
        return;
    TBooleanDynArray selection;
    bool show = false;
    if (!Host.SeriesDialog(QStringLiteral("Show or hide a series of images"), selection, show))
        return;
    ApplySelection(selection, show);
    if (OnChange)
        OnChange();
    if (Host.Repaint)
        Host.Repaint();
}

void TMontage::ApplySelection(const TBooleanDynArray& selection, bool show)
{
    if (static_cast<int>(selection.size()) != FrameCount || !Ask(Host.VideoOpen) || !Ask(Host.EditingMode))
        return;
    for (int f = 0; f < FrameCount; ++f)
        if (selection[static_cast<std::size_t>(f)] && IsVisible(f) != show && !SetVisible(f, show))
            break;
}

bool TMontage::ShiftFromCurrent(int delta)
{
    if (!Ask(Host.VideoOpen) || !Ask(Host.EditingMode) || !Host.CurrentFrame)
        return false;
    const int current = Host.CurrentFrame();
    if (current < 0 || current >= FrameCount || !IsVisible(current))
        return false;
    long long previous = -1;
    for (int g = current - 1; g >= 0; --g)
        if (IsVisible(g)) {
            previous = TimeIndexOf(g);
            break;
        }
    const long long shifted = static_cast<long long>(TimeIndexOf(current)) + delta;
    if (previous >= shifted || std::llabs(static_cast<long long>(ShiftOf(current)) + delta) > MaxShift)
        return false;
    if (Host.ResultsOutOfDate)
        Host.ResultsOutOfDate();
    for (std::size_t g = static_cast<std::size_t>(current); g < TimeShift.size(); ++g)
        TimeShift[g] = ClampShift(static_cast<long long>(TimeShift[g]) + delta);
    return true;
}

void TMontage::EditFrameTime()
{
    if (CurrentIsVisible() && Host.FrameTimeDialog)
        Host.FrameTimeDialog();
}

void TMontage::LeaveEditMode()
{
    if (!Host.CurrentFrame || !Host.GoToFrame)
        return;
    const int current = Host.CurrentFrame();
    if (current < 0 || current >= FrameCount || IsVisible(current))
        return;
    for (int g = current + 1; g < FrameCount; ++g)
        if (IsVisible(g)) {
            Host.GoToFrame(g);
            return;
        }
    for (int g = current - 1; g >= 0; --g)
        if (IsVisible(g)) {
            Host.GoToFrame(g);
            return;
        }
}

bool TMontage::ApplyShifts(const TIntegerDynArray& shifts)
{
    if (static_cast<int>(shifts.size()) != FrameCount)
        return false;
    for (std::size_t f = 0; f < shifts.size(); ++f)
        TimeShift[f] = ClampShift(shifts[f]);
    if (Host.ResultsOutOfDate)
        Host.ResultsOutOfDate();
    if (OnChange)
        OnChange();
    return true;
}

bool TMontage::Load(const TIniFile& ini)
{
    const QString& s = SectionMontage;
    const long long stored = ini.ReadInt64(s, KeyFrameCount, 1);
    const long long runs = ini.ReadInt64(s, KeyRunCount, 0);
    const long long shiftCount = ini.ReadInt64(s, KeyShiftCount, 0);
    const long long entries = ini.ReadInt64(s, KeyEntryCount, 0);
    if (stored < 0 || runs < 0 || shiftCount < 0 || entries < 0)
        return false;
    long long n = FrameCount;
    if (n <= 0) {
        if (stored > MaxLoadedFrames)
            return false;
        n = stored;
    }
    const auto size = static_cast<std::size_t>(n);

    // Visibility: every frame visible; at the first frame of each run the run's value takes over. Runs start
    // at distinct frames, so only the first n of them can start inside the video.
    std::vector<signed char> takeOver(size, -1);
    const long long runsRead = std::min(runs, n);
    for (long long i = 0; i < runsRead; ++i) {
        const long long start = ini.ReadInt64(s, IndexedKey(KeyRunStart, i), i);
        if (start >= 0 && start < n)
            takeOver[static_cast<std::size_t>(start)] =
                ini.ReadBool(s, IndexedKey(KeyRunVisible, i), true) ? 1 : 0;
    }
    TBooleanDynArray visible(size, true);
    bool current = true;
    for (std::size_t f = 0; f < size; ++f) {
        if (takeOver[f] >= 0)
            current = takeOver[f] == 1;
        visible[f] = current;
    }

    // Shifts: entries in frame order; an entry sets the shift of its frame, and a negative marker starts a
    // ramp that lowers the shift by one on each following frame up to the next entry.
    std::vector<std::pair<long long, long long>> list; // (frame, shift), negative frame for a ramp start
    const long long entriesRead = std::min(entries, n);
    list.reserve(static_cast<std::size_t>(entriesRead));
    for (long long i = 0; i < entriesRead; ++i) {
        const long long marker = ini.ReadInt64(s, IndexedKey(KeyEntryMarker, i), i);
        const long long shift = ini.ReadInt64(s, IndexedKey(KeyEntryShift, i), 0);
        list.emplace_back(marker, shift);
    }
    TIntegerDynArray shifts(size, 0);
    std::size_t next = 0;
    long long shift = 0;
    bool ramp = false;
    for (std::size_t f = 0; f < size; ++f) {
        const auto frame = static_cast<long long>(f);
        // An entry naming a frame already passed (out of order, or marker 0) is skipped.
        while (next < list.size() && MarkerFrame(list[next].first) < frame)
            ++next;
        if (next < list.size() && MarkerFrame(list[next].first) == frame) {
            shift = ClampShift(list[next].second);
            ramp = list[next].first < 0;
            ++next;
        } else if (ramp) {
            shift = ClampShift(shift - 1);
        }
        shifts[f] = static_cast<int>(shift);
    }

    FrameCount = static_cast<int>(n);
    Visible = std::move(visible);
    TimeShift = std::move(shifts);
    RebuildMaps();
    if (VisibleCount == 0 && FrameCount > 0) {
        Visible.assign(size, true);
        RebuildMaps();
    }
    return true;
}

void TMontage::Save(TIniFile& ini) const
{
    ini.WriteInteger(SectionMontage, KeyFrameCount, FrameCount);
    WriteVisibility(ini, Visible);
    ini.WriteInteger(SectionMontage, KeyShiftCount, static_cast<long long>(TimeShift.size()));
    WriteShifts(ini, TimeShift);
}

void TMontage::WriteVisibility(TIniFile& ini, const TBooleanDynArray& visible)
{
    // A run starts at frame 0 and wherever the visibility changes.
    std::vector<std::size_t> starts;
    for (std::size_t f = 0; f < visible.size(); ++f)
        if (f == 0 || visible[f] != visible[f - 1])
            starts.push_back(f);
    ini.WriteInteger(SectionMontage, KeyRunCount, static_cast<long long>(starts.size()));
    for (std::size_t i = 0; i < starts.size(); ++i) {
        const auto index = static_cast<long long>(i);
        ini.WriteInteger(SectionMontage, IndexedKey(KeyRunStart, index), static_cast<long long>(starts[i]));
        ini.WriteBool(SectionMontage, IndexedKey(KeyRunVisible, index), visible[starts[i]]);
    }
}

void TMontage::WriteShifts(TIniFile& ini, const TIntegerDynArray& shifts)
{
    // A run starts at frame 0 and wherever the shift changes. Starts on consecutive frames whose shift falls
    // by exactly one from each to the next (the frames after hidden ones) become one ramp: its first start
    // with a negative marker, its last start as an ordinary entry, those between left out.
    std::vector<long long> starts;
    for (std::size_t f = 0; f < shifts.size(); ++f)
        if (f == 0 || shifts[f] != shifts[f - 1])
            starts.push_back(static_cast<long long>(f));
    auto shiftAt = [&shifts](long long f) {
        return static_cast<long long>(shifts[static_cast<std::size_t>(f)]);
    };
    std::vector<std::pair<long long, long long>> entries; // (marker, shift)
    for (std::size_t i = 0; i < starts.size();) {
        std::size_t j = i;
        while (j + 1 < starts.size() && starts[j + 1] == starts[j] + 1 &&
               shiftAt(starts[j + 1]) == shiftAt(starts[j]) - 1)
            ++j;
        if (j > i) {
            entries.emplace_back(-(starts[i] + 1), shiftAt(starts[i]));
            entries.emplace_back(starts[j] + 1, shiftAt(starts[j]));
        } else {
            entries.emplace_back(starts[i] + 1, shiftAt(starts[i]));
        }
        i = j + 1;
    }
    ini.WriteInteger(SectionMontage, KeyEntryCount, static_cast<long long>(entries.size()));
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const auto index = static_cast<long long>(i);
        ini.WriteInteger(SectionMontage, IndexedKey(KeyEntryMarker, index), entries[i].first);
        ini.WriteInteger(SectionMontage, IndexedKey(KeyEntryShift, index), entries[i].second);
    }
}
