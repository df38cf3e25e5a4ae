// Saving and opening projects through the main window: dialogs, questions and messages, a moved video
// found again, and files that cannot be read leaving the work as it was.
#include "shell/UnitMainForm.h"

#include "common/UnitIni.h"
#include "common/UnitOptions.h"
#include "editing/UnitMontage.h"
#include "formula/UnitFormules.h"
#include "measurement/UnitData.h"
#include "measurement/UnitEchelle.h"
#include "measurement/UnitMarques.h"
#include "project/KtrFixture.h"
#include "shell/UnitMRUFiles.h"
#include "support/TestSupport.h"
#include "video/UnitVideo.h"
#include "video/VideoFixtures.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

namespace {

struct FlowFixture : ::testing::Test
{
    TScriptedUserDlgScope Messages;
    TScriptedDialogsScope Dialogs;
    QTemporaryDir Dir;
    std::unique_ptr<TMainForm> Form;
    QString Video;

    void SetUp() override
    {
        const QString fixture = FixtureVideo(TFixtureKind::H264Mp4);
        ASSERT_FALSE(fixture.isEmpty());
        ASSERT_TRUE(QDir(Dir.path()).mkpath(QStringLiteral("videos")));
        Video = Dir.filePath(QStringLiteral("videos/clip.mp4"));
        ASSERT_TRUE(QFile::copy(fixture, Video));
        Form = std::make_unique<TMainForm>(Dir.filePath(QStringLiteral("Kinotra.ini")));
        Form->Options().CheckBox4ConfirmationFileChange = false;
        Form->resize(900, 700);
        Form->show();
        QApplication::processEvents();
    }

    void TearDown() override
    {
        Form->Options().CheckBox3ConfirmationQuit = false;
        Form.reset();
        EXPECT_TRUE(Messages->Unexpected.empty());
    }

    // Opens the video and leaves some work on it.
    void Work()
    {
        Form->OpenVideoFile(Video);
        ASSERT_TRUE(Form->Video().IsOpen());
        TData& d = Form->Data();
        d.SetNbObjets(2);
        for (int frame : {2, 4, 6, 9})
            for (int object = 0; object < 2; ++object)
                d.MarquesRep->SetMarkAt(object, frame, {0.2 + 0.05 * frame, 0.3 + 0.2 * object});
        d.MarquesRep->Renumber();
        d.Echelle->ScalePointsNumber = 2;
        d.Echelle->Points[teNormale] = {TPointRel{0.1, 0.9}, TPointRel{0.6, 0.9}};
        d.Echelle->ScaleLength = 0.5;
        d.RepereFixe->OriginePointsNumber = 1;
        d.SetGridAngle(-0.3);
        Form->Montage().Visible[3] = false;
        Form->Montage().RebuildMaps();
        Form->Video().ShowFrame(6);
    }

    QString State() const
    {
        TIniFile ini{QString()};
        Form->Data().Save(ini);
        Form->Montage().Save(ini);
        return ini.ToText();
    }

    // Saves through the File menu to name (the dialog's answer); answers the success box.
    void Save(const QString& name)
    {
        Dialogs->FileAnswers.push_back({true, name, 1});
        Messages->Answer(0);
        Form->MenuItem(cmMenuFichierEnregistrer)->trigger();
    }

    QStringList Lines(std::size_t fromEnd = 0)
    {
        QStringList lines;
        for (const TUserLine& line : Messages->Shown[Messages->Shown.size() - 1 - fromEnd].Lines)
            lines << line.Text;
        return lines;
    }
};

} // namespace

TEST_F(FlowFixture, SaveAndOpenThroughTheWindowGiveTheSameWork)
{
    Work();
    const QString before = State();
    ASSERT_TRUE(Form->MenuItem(cmMenuFichierEnregistrer)->isEnabled());
    Save(Dir.filePath(QStringLiteral("work")));
    const QString path = Dir.filePath(QStringLiteral("work.ktr"));
    ASSERT_EQ(Dialogs->FileRequests.size(), 1u);
    const TFileDialogRequest& request = Dialogs->FileRequests[0];
    EXPECT_EQ(request.Title, QStringLiteral("Save work to KTR file"));
    EXPECT_EQ(request.Filter, QStringLiteral("Kinotra file (*.ktr)|*.ktr"));
    EXPECT_EQ(request.DefaultExt, QStringLiteral("ktr"));
    EXPECT_EQ(request.FileName, QStringLiteral("clip.ktr"));
    EXPECT_EQ(Lines(), (QStringList{"File successfully saved:", "", path}));
    EXPECT_TRUE(Messages->Shown.back().Lines[2].Bold);
    EXPECT_TRUE(Form->Recent().Files().contains(path));
    const TIniFile file(path);
    EXPECT_EQ(file.ReadInteger(QStringLiteral("Main"), QStringLiteral("Version"), 0), 351000);
    EXPECT_EQ(file.ReadString(QStringLiteral("Main"), QStringLiteral("VideoFileName"), {}), Video);
    EXPECT_EQ(file.ReadInteger(QStringLiteral("Video"), QStringLiteral("ImageNumber"), -1), 6);

    // Another video, then the project again.
    Form->OpenVideoFile(FixtureVideo(TFixtureKind::MjpegAvi));
    ASSERT_NE(State(), before);
    Form->OpenProject(path);
    ASSERT_TRUE(Form->Video().IsOpen());
    EXPECT_EQ(Form->Video().Sources().VideoFileName(), Video);
    EXPECT_EQ(State().toStdString(), before.toStdString());
    EXPECT_EQ(Form->Video().CurrentFrame(), 6);
    EXPECT_EQ(Form->Recent().Directory, Dir.path());

    // Saving again proposes the same file and asks before replacing it.
    Dialogs->FileAnswers.push_back({true, path, 1});
    Messages->Answer(1); // Ok
    Messages->Answer(0);
    Form->SaveProject();
    EXPECT_EQ(Dialogs->FileRequests.back().FileName, QStringLiteral("work.ktr"));
    EXPECT_EQ(Dialogs->FileRequests.back().InitialDir, Dir.path());
    EXPECT_EQ(Lines(1), (QStringList{path, "", "A file with the same name already exists. Overwrite ?"}));
    EXPECT_EQ(Messages->Shown[Messages->Shown.size() - 2].ButtonCaptions(), (QStringList{"Cancel", "Ok"}));
    EXPECT_EQ(Lines()[0], QStringLiteral("File successfully saved:"));
}

TEST_F(FlowFixture, FormulasTravelWithTheirProject)
{
    Work();
    TFormules& formules = Form->Formules();
    formules.AddConstant(QStringLiteral("m"), QString(), QStringLiteral("kg"), QStringLiteral("0.25"));
    formules.AddFormula(QStringLiteral("Ec = 0.5*m*vx1^2"), QStringLiteral("kinetic energy"), QStringLiteral("J"));
    Save(Dir.filePath(QStringLiteral("work")));
    const QString path = Dir.filePath(QStringLiteral("work.ktr"));

    // Another video starts without them; the project brings them back.
    Form->OpenVideoFile(FixtureVideo(TFixtureKind::MjpegAvi));
    EXPECT_TRUE(formules.Formulas.empty());
    EXPECT_TRUE(formules.Constants.empty());
    Form->OpenProject(path);
    ASSERT_EQ(formules.Formulas.size(), 1u);
    EXPECT_EQ(formules.Formulas[0]->Name, QStringLiteral("Ec"));
    EXPECT_EQ(formules.Formulas[0]->Phrase, QStringLiteral("0.5*m*vx1^2"));
    EXPECT_EQ(formules.Formulas[0]->Unit, QStringLiteral("J"));
    ASSERT_EQ(formules.Constants.size(), 1u);
    EXPECT_EQ(formules.Constants[0]->Name, QStringLiteral("m"));
}

TEST_F(FlowFixture, SaveRefusalsAndFailuresLeaveThePreviousFile)
{
    // No video.
    Messages->Answer(0);
    EXPECT_FALSE(Form->SaveProject());
    EXPECT_EQ(Lines(), QStringList{"First open a video file."});
    EXPECT_EQ(Messages->Shown.back().Icon, icInformation);

    Work();
    const QString path = Dir.filePath(QStringLiteral("keep.ktr"));
    ASSERT_TRUE(WriteFile(path, "[Main]\nVersion=351000\n"));
    // Cancel in the dialog, Cancel to the overwrite question: nothing written.
    Dialogs->FileAnswers.push_back({false, {}, 1});
    EXPECT_FALSE(Form->SaveProject());
    Dialogs->FileAnswers.push_back({true, path, 1});
    Messages->Answer(0);
    EXPECT_FALSE(Form->SaveProject());
    EXPECT_EQ(ReadFile(path), QByteArray("[Main]\nVersion=351000\n"));

    // A folder that cannot hold the file.
    const QString nowhere = Dir.filePath(QStringLiteral("keep.ktr/inside.ktr"));
    Dialogs->FileAnswers.push_back({true, nowhere, 1});
    Messages->Answer(0);
    EXPECT_FALSE(Form->SaveProject());
    EXPECT_EQ(Lines(), (QStringList{"File saving has failed.", nowhere}));

    // A file in the way that cannot be read as a project: it stays as it is.
    const QString big = Dir.filePath(QStringLiteral("big.ktr"));
    {
        QFile file(big);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        ASSERT_TRUE(file.resize(TKtr::MaxFileSize + 1));
    }
    Dialogs->FileAnswers.push_back({true, big, 1});
    Messages->Answer(1); // overwrite
    Messages->Answer(0);
    EXPECT_FALSE(Form->SaveProject());
    EXPECT_EQ(Lines(),
              (QStringList{"Saving has failed.", big, "", "Check that the drive is not write-protected."}));
    EXPECT_EQ(QFileInfo(big).size(), TKtr::MaxFileSize + 1);
    EXPECT_FALSE(Form->Recent().Files().contains(big));
}

TEST_F(FlowFixture, AMovedVideoIsFoundAgainByItsName)
{
    Work();
    const QString before = State();
    const QString path = Dir.filePath(QStringLiteral("moved.ktr"));
    Save(path);
    Form->CloseVideo();
    ASSERT_TRUE(QDir(Dir.path()).mkpath(QStringLiteral("elsewhere")));
    const QString moved = Dir.filePath(QStringLiteral("elsewhere/clip.mp4"));
    const QString other = Dir.filePath(QStringLiteral("elsewhere/other.mp4"));
    ASSERT_TRUE(QFile::rename(Video, moved));
    ASSERT_TRUE(QFile::copy(moved, other));
    const QByteArray saved = ReadFile(path);

    // A name that differs: the question, "Cancel" searches again; a file that does not exist: again;
    // then the same name in another folder opens without a further question.
    Messages->Answer(1); // Search
    Dialogs->FileAnswers.push_back({true, other, 1});
    Messages->Answer(1); // Cancel: another search
    Messages->Answer(1); // Search
    Dialogs->FileAnswers.push_back({true, Dir.filePath(QStringLiteral("elsewhere/gone.mp4")), 1});
    Messages->Answer(1); // Search
    Dialogs->FileAnswers.push_back({true, moved, 1});
    Form->OpenProject(path);
    ASSERT_TRUE(Form->Video().IsOpen());
    EXPECT_EQ(Form->Video().Sources().VideoFileName(), moved);
    EXPECT_EQ(State().toStdString(), before.toStdString());

    ASSERT_EQ(Messages->Shown.size(), 5u); // the save, then four of the search
    EXPECT_EQ(Lines(3), (QStringList{Video, "", "Unable to open this video file.",
                                     "Check that it has not been moved."}));
    EXPECT_EQ(Messages->Shown[1].ButtonCaptions(), (QStringList{"Cancel", "Search"}));
    EXPECT_EQ(Lines(2), (QStringList{"The selected file and the awaited file have different names.", "",
                                     "Selected file:", other, "", "Expected file:", Video}));
    EXPECT_EQ(Lines(1)[0], QStringLiteral("Selected file:"));
    EXPECT_EQ(Lines(1)[1], other);
    EXPECT_EQ(Lines(0)[1], Dir.filePath(QStringLiteral("elsewhere/gone.mp4")));
    EXPECT_EQ(Dialogs->FileRequests.back().FileName, QStringLiteral("clip.mp4"));

    // The new place is recorded, and only that line of the file changed.
    QByteArray expected = saved;
    expected.replace("VideoFileName=" + Video.toUtf8(), "VideoFileName=" + moved.toUtf8());
    EXPECT_EQ(ReadFile(path), expected);

    // A different name accepted with "Ok" opens too; "Cancel" in the first box opens nothing.
    ASSERT_TRUE(QFile::rename(moved, Dir.filePath(QStringLiteral("elsewhere/away.mp4"))));
    Messages->Answer(0); // Cancel
    Form->OpenProject(path);
    EXPECT_EQ(Form->Video().Sources().VideoFileName(), moved); // the work stays as it was
    EXPECT_EQ(State().toStdString(), before.toStdString());
    Messages->Answer(1);
    Dialogs->FileAnswers.push_back({true, other, 1});
    Messages->Answer(0); // Ok
    Form->OpenProject(path);
    EXPECT_EQ(Form->Video().Sources().VideoFileName(), other);
    EXPECT_EQ(TIniFile(path).ReadString(QStringLiteral("Main"), QStringLiteral("VideoFileName"), {}), other);
}

TEST_F(FlowFixture, AFileThatCannotBeReadLeavesTheWorkAsItWas)
{
    Work();
    const QString before = State();
    struct Case
    {
        const char* Name;
        QByteArray Bytes;
        QStringList Message;
    };
    const QByteArray head = "[Main]\nVersion=351000\nVideoFileName=" + Video.toUtf8() + "\n[Data]\n";
    const Case cases[] = {
        {"missing file", QByteArray(), {}},
        {"number that does not read", head + "RequiredDuration=0,04,1\n", {"Error reading file."}},
        {"no frame interval", head + "ElementSize=1\n", {"Error reading file."}},
        {"negative run count",
         head + "RequiredDuration=0.04\n[Montage]\nTimeShiftScalesNumber=-2\n",
         {"Error reading file."}},
    };
    for (const Case& c : cases) {
        const QString path = Dir.filePath(QStringLiteral("bad.ktr"));
        QFile::remove(path);
        if (!c.Bytes.isEmpty()) {
            ASSERT_TRUE(WriteFile(path, c.Bytes));
        }
        Messages->Answer(0);
        Form->OpenProject(path);
        const QStringList expected =
            c.Message.isEmpty()
                ? QStringList{path, "", "Unable to open backup file.", "Check that it has not been moved."}
                : c.Message;
        EXPECT_EQ(Lines(), expected) << c.Name;
        EXPECT_EQ(Messages->Shown.back().Icon, icWarning) << c.Name;
        ASSERT_TRUE(Form->Video().IsOpen()) << c.Name;
        EXPECT_EQ(Form->Video().Sources().VideoFileName(), Video) << c.Name;
        EXPECT_EQ(State(), before) << c.Name;
        EXPECT_FALSE(Form->Recent().Files().contains(path)) << c.Name;
    }

    // Frame numbers out of the video open the project all the same.
    for (const char* frame : {"-5", "99999999"}) {
        const QString path = Dir.filePath(QStringLiteral("frame.ktr"));
        ASSERT_TRUE(WriteFile(path, head + "RequiredDuration=0.04\n[Video]\nImageNumber=" + frame +
                                        "\nMarkingMode=7\n"));
        Form->OpenProject(path);
        EXPECT_TRUE(Form->Video().IsOpen()) << frame;
        EXPECT_EQ(Form->Data().MarksCount(), 0) << frame;
    }
}
