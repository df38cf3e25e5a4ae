// The main window's layout and recent-files list.
#include "shell/UnitLayout.h"
#include "shell/UnitMRUFiles.h"

#include "common/UnitIni.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

TEST(Layout, SmallVideoIsEnlargedWithItsAspectAndCentredOnTheWholeWidth)
{
    TLayoutInput in;
    in.Client = QSize(1280, 900);
    in.ToolsBarWidth = 40;
    in.ResultsBarWidth = 80; // side bars of different widths
    in.ModeBarHeight = 40;
    in.StatusBarHeight = 20;
    in.PanelHeight = 40;
    in.ButtonWidth = 30;
    in.Video = QSize(160, 120);
    const TLayoutResult r = LayoutView(in);
    // Free area 1160 x 800: f = min(1160/160, 799/120) = 6.658..., so 1065 x 799.
    EXPECT_EQ(r.View.size(), QSize(1065, 799));
    EXPECT_NEAR(double(r.View.width()) / r.View.height(), 160.0 / 120.0, 0.002);
    EXPECT_EQ(r.View.left(), (1280 - 1065) / 2);
    EXPECT_EQ(r.View.top(), (900 + 40 - 799 - 20 - 40) / 2);

    in.Video = QSize();
    const TLayoutResult none = LayoutView(in);
    EXPECT_EQ(none.View, QRect(40, 40, 1160, 800));
    EXPECT_EQ(none.TitleSize, QSize(1160, 800));
    // The panel: fields from the right edge, the track bar at most 200 wide between the buttons.
    EXPECT_EQ(none.EditAngle, QRect(1230, 8, 50, 26));
    EXPECT_EQ(none.EditImage.left(), 1280 - 215);
    EXPECT_EQ(none.TrackBar.width(), 200);
    EXPECT_EQ(none.TrackBar.left(), none.Buttons[3].right() + 1 + 2);
    EXPECT_EQ(none.Buttons[4].left(), none.TrackBar.right() + 1 + 2);
}

TEST(RecentFiles, AddLoadSaveAndSize)
{
    QTemporaryDir dir;
    auto touch = [&](const char* name) {
        const QString path = dir.filePath(QString::fromLatin1(name));
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        return path;
    };
    const QString a = touch("a.avi"), b = touch("b.mp4"), c = touch("c.ktr");
    TMRUFiles mru;
    mru.SetMaxEntries(2);
    mru.Add(a);
    mru.Add(b);
    mru.Add(b.toUpper()); // the same path in other letters replaces the entry and comes first
    EXPECT_EQ(mru.Files(), (QStringList{b.toUpper(), a}));
    mru.Add(a);
    mru.Add(c);
    EXPECT_EQ(mru.Files(), (QStringList{c, a}));
    EXPECT_EQ(mru.Caption(1), QStringLiteral("&2  :  a.avi"));
    mru.Add(QString());
    EXPECT_EQ(mru.Files().size(), 2);

    TIniFile ini{QString()};
    ini.SetText(QStringLiteral("[RecentFiles]\nFile9=old\n"));
    mru.Save(ini, QStringLiteral("RecentFiles"));
    EXPECT_EQ(ini.ReadSection(QStringLiteral("RecentFiles")), (QStringList{"File1", "File2"}));

    // A deleted file disappears at the next load; duplicates are read once.
    QFile::remove(c);
    ini.WriteString(QStringLiteral("RecentFiles"), QStringLiteral("File3"), a);
    TMRUFiles again;
    again.Load(ini, QStringLiteral("RecentFiles"));
    EXPECT_EQ(again.Files(), QStringList{a});
    again.SetMaxEntries(0); // ignored
    EXPECT_EQ(again.MaxEntries(), 9);
}
