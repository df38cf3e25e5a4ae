// Times the loading of large project sections at N and 10 N items: the mark lists (containers), the edited
// sequence (runs, loaded and saved) and the re-encoding of an older layout's per-frame keys. Prints the
// growth between the two sizes: about 10 for a linear load, about 100 for a quadratic one. As a reference
// measured in the same run, the per-frame container search that the mark lists used before is timed too.
// The check for unsaved work (the work written out and compared) is timed at the same sizes.
#include "common/UnitIni.h"
#include "editing/UnitMontage.h"
#include "measurement/UnitData.h"
#include "measurement/UnitMarques.h"
#include "project/UnitKtr.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <memory>
#include <time.h>
#include <vector>

namespace {

// Processor time of this thread in milliseconds. The steps run on one thread: its processor time is their
// cost, whatever else the machine runs meanwhile (a long step shared with other processes would otherwise be
// interrupted more often than a short one and look worse than linear).
double ThreadMs()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

// Best of a few runs of the step, in milliseconds of processor time; prepare runs before each, outside the
// timing.
double Measure(const std::function<void()>& prepare, const std::function<bool()>& step, int runs = 3)
{
    double best = 1e300;
    for (int i = 0; i < runs; ++i) {
        if (prepare)
            prepare();
        const double start = ThreadMs();
        const bool ok = step();
        const double stop = ThreadMs();
        if (!ok)
            std::printf("  the step failed\n");
        best = std::min(best, stop - start);
    }
    return best;
}

// A "Data" section with one grid mark on each of n frames, listed in reverse frame order.
QString MarksText(int n)
{
    QString text = QStringLiteral("[Data]\nRequiredDuration=0.04\nMarksNumberPerFrame_Grid=1\n"
                                  "MarksContainersNumber_Grid=%1\n")
                       .arg(n);
    for (int i = 0; i < n; ++i) {
        const QString c = IndexedKey(QStringLiteral("Grid"), i);
        const int frame = n - 1 - i;
        text += DataKey(QStringLiteral("MarksContainerFrameNumber"), c) + QLatin1Char('=') +
                QString::number(frame) + QLatin1Char('\n');
        text += DataKey(QStringLiteral("MarksContainerMarkNumber"), c) + QLatin1Char('=') +
                QString::number(frame) + QLatin1Char('\n');
        text += DataKey(QStringLiteral("MarksContainerMarksNumber"), c) + QStringLiteral("=1\n");
        const QString m = IndexedKey(c, 0);
        text += DataKey(QStringLiteral("MarkOrderNumber"), m) + QStringLiteral("=0\n");
        text += DataKey(QStringLiteral("MarkXCoordinate"), m) + QStringLiteral("=0.25\n");
        text += DataKey(QStringLiteral("MarkYCoordinate"), m) + QStringLiteral("=0.75\n");
    }
    return text;
}

double LoadMarks(int n)
{
    const QString text = MarksText(n);
    return Measure(nullptr, [&] {
        TIniFile ini{QString()};
        ini.SetText(text);
        TData data;
        return data.Load(ini) && data.MarquesRep->MarksCount() == n;
    });
}

// The window's check for unsaved work (the work written out in memory and compared with the saved one),
// which runs at most every 200 ms while the data change.
double CompareWork(int n)
{
    TIniFile ini{QString()};
    ini.SetText(MarksText(n));
    TData data;
    if (!data.Load(ini))
        return -1;
    TKtrHost host;
    host.Data = &data;
    host.VideoOpen = [] { return true; };
    TKtr ktr(std::move(host));
    ktr.MarkSaved();
    return Measure(nullptr, [&] { return !ktr.Modified(); });
}

// The search that the mark lists made for each container read: every container read before it, in turn.
double FormerContainerSearch(int n)
{
    std::vector<std::unique_ptr<int>> frames;
    return Measure([&] { frames.clear(); },
                   [&] {
                       for (int i = 0; i < n; ++i) {
                           const int frame = n - 1 - i;
                           const bool found = std::any_of(frames.begin(), frames.end(),
                                                          [frame](const auto& f) { return *f == frame; });
                           if (!found)
                               frames.push_back(std::make_unique<int>(frame));
                       }
                       return int(frames.size()) == n;
                   });
}

// An edited sequence of 2 n frames where every other frame is hidden: n runs of each kind.
TMontage ManyRuns(int n)
{
    TMontage m;
    m.Init(2 * n);
    // As the editing mode hides a frame: the frames after it come one interval earlier.
    for (int f = 0; f < m.FrameCount; ++f) {
        m.Visible[std::size_t(f)] = f % 2 == 0;
        m.TimeShift[std::size_t(f)] = -(f / 2);
    }
    m.RebuildMaps();
    return m;
}

double SaveRuns(const TMontage& m)
{
    return Measure(nullptr, [&] {
        TIniFile ini{QString()};
        m.Save(ini);
        return ini.KeyCount(SectionMontage) > 0;
    });
}

double LoadRuns(const TMontage& m)
{
    TIniFile saved{QString()};
    m.Save(saved);
    return Measure(nullptr, [&] {
        TMontage loaded;
        loaded.Init(m.FrameCount);
        return loaded.Load(saved) && loaded.VisibleCount == m.VisibleCount;
    });
}

// An older layout's per-frame keys for n frames, read and re-encoded as runs when the project is opened.
double Reencode(int n, const QString& folder)
{
    QString text = QStringLiteral("[Main]\nVersion=340000\nVideoFileName=/v.avi\n[Montage]\n"
                                  "VisibleImagesNumber=%1\nTimeShiftsNumber=%1\n")
                       .arg(n);
    for (int f = 0; f < n; ++f)
        text += IndexedKey(QStringLiteral("VisibleImage"), f) +
                (f % 100 == 7 ? QStringLiteral("=0\n") : QStringLiteral("=1\n"));
    for (int f = 0; f < n; ++f)
        text += IndexedKey(QStringLiteral("TimeShift"), f) + QLatin1Char('=') + QString::number(-(f / 100)) +
                QLatin1Char('\n');
    const QString path = QDir(folder).filePath(QStringLiteral("older_%1.ktr").arg(n));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(text.toUtf8()) < 0)
        return -1.0;
    file.close();
    std::unique_ptr<TKtr> ktr;
    return Measure(
        [&] {
            ktr = std::make_unique<TKtr>();
            ktr->Prepare(path);
        },
        [&] {
            ktr->Upgrade();
            return !ktr->Ini()->ValueExists(SectionMontage, QStringLiteral("TimeShift_5000"));
        });
}

// A linear load grows about 10 times; the goal allows a little for caches and memory.
void Row(const char* name, double small, double large, bool goal = true)
{
    std::printf("%-44s %11.1f ms %11.1f ms %7.1fx%s\n", name, small, large, large / small,
                goal ? "   (target <= 12)" : "");
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    QTemporaryDir folder;

    std::printf("Project sections: best of 3 at N and 10 N items, processor time of the loading thread\n");
    std::printf("%-44s %14s %14s %8s\n", "step", "N", "10 N", "growth");
    Row("mark list, N = 5,000 containers", LoadMarks(5000), LoadMarks(50000));
    // The former search at smaller sizes: at the sizes above it alone would take minutes.
    Row("unsaved-work check, N = 5,000 marks", CompareWork(5000), CompareWork(50000), false);
    Row("  reference: former search, N = 1,000", FormerContainerSearch(1000), FormerContainerSearch(10000),
        false);
    const TMontage small = ManyRuns(800);
    const TMontage large = ManyRuns(8000);
    Row("edited sequence saved, N = 800 runs", SaveRuns(small), SaveRuns(large));
    Row("edited sequence loaded, N = 800 runs", LoadRuns(small), LoadRuns(large));
    Row("older per-frame keys re-encoded, N = 10,000", Reencode(10000, folder.path()),
        Reencode(100000, folder.path()));
    std::printf("A growth near 10 means a linear load; the former search grows about 100 times.\n");
    return 0;
}
