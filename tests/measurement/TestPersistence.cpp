// Saving the measurement data in a project's "Data" section and reading it back, damaged files included.
#include "measurement/DataFixture.h"

#include "common/UnitIni.h"

#include <QImage>
#include <QPainter>

namespace {

QString Saved(const TData& data)
{
    TIniFile ini(QString{});
    data.Save(ini);
    return ini.ToText();
}

TIniFile Profile(const QString& text)
{
    TIniFile ini(QString{});
    ini.SetText(text);
    return ini;
}

} // namespace

class PersistenceTest : public DataTest
{
protected:
    TFakeView OtherView;
    TData Other{nullptr, &OtherView};

    // Fills the data with something of every kind.
    void Build()
    {
        Data.SetRequiredDuration(0.04);
        Data.SetFramesBetweenMarks(3);
        Data.SetOutil(otEchelle);
        Click(100, 100);
        Click(200, 180);
        Data.Echelle->SetScaleLength(0.75);
        DefineGrid(320, 240);
        Data.SetGridAngle(0.5);
        Data.InverserAxeY();
        Data.SetNbObjets(3);
        Data.SetObjectName(1, QStringLiteral("of the ball"));
        Data.SetObjectColour(2, clBlue);
        Data.SetObjectVisible(1, false);
        for (int frame : {4, 2}) {
            View.FrameShown = frame;
            for (int object = 0; object < 3; ++object)
                Point(50 + 100 * object, 60 + frame);
        }
        Data.SetOutil(otEffacer);
        Click(150, 64); // object 1 on frame 4
        Data.ElementColor = clLime;
        Data.Transparent->LayerStage = 2;
        Data.Transparent->LayerWidth = 0.3;
        auto origine = std::make_unique<TOrigine>(Data);
        origine->OrigineImageNumber = 7;
        origine->Position = {0.4, 0.6};
        Data.Transparent->AddOrigine(std::move(origine), haAddOrigine);
    }
};

TEST_F(PersistenceTest, SaveAndReloadGiveTheSameData)
{
    Build();
    const QString text = Saved(Data);
    ASSERT_TRUE(Other.Load(Profile(text)));
    EXPECT_TRUE(Other.MarquesRep->Equals(*Data.MarquesRep));
    EXPECT_TRUE(Other.RepereFixe->Equals(*Data.RepereFixe));
    EXPECT_TRUE(Other.Echelle->Equals(*Data.Echelle));
    EXPECT_TRUE(Other.Transparent->Equals(*Data.Transparent));
    EXPECT_EQ(Other.Echelle->ScaleLength, 0.75);
    EXPECT_EQ(Other.MarkColors, Data.MarkColors);
    EXPECT_EQ(Other.MarkVisibilities, Data.MarkVisibilities);
    EXPECT_EQ(Other.ElementColor, clLime);
    EXPECT_EQ(Other.FramesNumberBetweenTwoMarks, 3);
    EXPECT_EQ(Other.RequiredDuration, 0.04);
    EXPECT_EQ(Other.Transparent->LayerStage, 2);
    EXPECT_EQ(Other.MarquesRep->Name(1), QStringLiteral("of the ball"));
    EXPECT_EQ(Other.MarquesRep->ContainerOf(4)->MarkOf(2)->Pixel, QPoint(250, 64));
    // Saving the reloaded data gives the same text.
    EXPECT_EQ(Saved(Other), text);
    // The reloaded marks are undoable objects like the others.
    Other.SetOutil(otEffacer);
    OtherView.FrameShown = 2;
    Other.MouseDown(mbRight, Qt::NoModifier, 0, 0);
    EXPECT_EQ(Other.MarksCount(), 2);
    Other.Undo();
    EXPECT_EQ(Other.MarksCount(), 5);
}

TEST_F(PersistenceTest, KeysAreTheProjectFileKeys)
{
    Build();
    const TIniFile ini = Profile(Saved(Data));
    const char* keys[] = {
        "RequiredDuration",
        "FramesNumberBetweenTwoMarks",
        "MarkColorsNumber",
        "MarkColor_2",
        "MarkVisibiltiesNumber",
        "MarkVisibility_1",
        "ElementColor",
        "ElementSize",
        "DirectYAxisDirection_Grid",
        "DirectXAxisDirection_Grid",
        "OrigineCurrentXCoordinate_Grid",
        "OrigineCurrentYCoordinate_Grid",
        "OriginePointsNumber_Grid",
        "XAxisAngle_Grid",
        "YAxisAngle_Grid",
        "DirectYAxisDirection_Layer",
        "OrigineCurrentXCoordinate_Layer",
        "LayerStage",
        "LayerWidth",
        "LayerHeight",
        "OriginePositionsNumber_Layer",
        "OrigineImageNumber_Layer_0",
        "OrigineXCoordinate_Layer_0",
        "OrigineYCoordinate_Layer_0",
        "ScalePointsNumber",
        "ScalePoint1XCoordinate",
        "ScalePoint2YCoordinate",
        "ScaleLength",
        "ScaleHorizPointsNumber",
        "ScaleHorizPoint2XCoordinate",
        "ScaleHorizLength",
        "ScaleVertPointsNumber",
        "ScaleVertPoint1YCoordinate",
        "ScaleVertLength",
        "MarksNumberPosition_Grid",
        "MarksIsAllDrawn_Grid",
        "MarksNumberToDraw_Grid",
        "CurrentMarkOrderNumber_Grid",
        "MarksNumberPerFrame_Grid",
        "SystemNamesNumber_Grid",
        "SystemName_Grid_2",
        "MarksContainersNumber_Grid",
        "MarksContainerFrameNumber_Grid_1",
        "MarksContainerMarkNumber_Grid_1",
        "MarksContainerMarksNumber_Grid_0",
        "MarkOrderNumber_Grid_0_1",
        "MarkXCoordinate_Grid_1_2",
        "MarkYCoordinate_Grid_1_2",
        "MarksContainersNumber_Layer",
        "SystemName_Layer_1",
    };
    for (const char* key : keys)
        EXPECT_TRUE(ini.ValueExists(QStringLiteral("Data"), QString::fromLatin1(key))) << key;
    // The stage is stored with its own numbering: 2 stays 2, dragging would be 0, waiting 1.
    EXPECT_EQ(ini.ReadInteger(QStringLiteral("Data"), QStringLiteral("LayerStage"), -1), 2);
    // Containers in creation order: frame 4 first; its object 1 was erased.
    EXPECT_EQ(ini.ReadInteger(QStringLiteral("Data"), QStringLiteral("MarksContainerFrameNumber_Grid_0"), -1),
              4);
    EXPECT_EQ(ini.ReadInteger(QStringLiteral("Data"), QStringLiteral("MarksContainerMarksNumber_Grid_0"), -1),
              2);
    EXPECT_EQ(ini.ReadInteger(QStringLiteral("Data"), QStringLiteral("MarkOrderNumber_Grid_0_1"), -1), 2);
}

TEST_F(PersistenceTest, DamagedFilesReadSafely)
{
    struct Case
    {
        const char* name;
        const char* text;
        bool ok;
    };
    const Case cases[] = {
        {"missing duration", "[Data]\nFramesNumberBetweenTwoMarks=2\n", false},
        {"unreadable float", "[Data]\nRequiredDuration=0.04\nXAxisAngle_Grid=abc\n", false},
        {"unreadable mark",
         "[Data]\nRequiredDuration=0.04\nMarksContainersNumber_Grid=1\n"
         "MarksContainerMarksNumber_Grid_0=1\nMarkXCoordinate_Grid_0_0=1,2,3\n",
         false},
        {"comma decimal", "[Data]\nRequiredDuration=0,04\n", true},
        {"huge counts",
         "[Data]\nRequiredDuration=0.04\nMarksContainersNumber_Grid=2000000000\n"
         "MarkColorsNumber=999999999\nOriginePositionsNumber_Layer=2147483647\n"
         "SystemNamesNumber_Grid=1000000\nMarksContainerMarksNumber_Grid_0=100000000\n",
         true},
        {"negative values",
         "[Data]\nRequiredDuration=0.04\nMarksContainersNumber_Grid=-5\nElementSize=-3\n"
         "MarksNumberPerFrame_Grid=-2\nFramesNumberBetweenTwoMarks=-4\n",
         true},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Other.Load(Profile(QString::fromLatin1(c.text))), c.ok) << c.name;
        EXPECT_LE(Other.MarquesRep->Containers.size(), 10u) << c.name;
        EXPECT_LE(Other.MarkColors.size(), 10u) << c.name;
        EXPECT_GE(Other.NbObjets(), 1) << c.name;
        EXPECT_GE(Other.FramesNumberBetweenTwoMarks, 1) << c.name;
        EXPECT_GE(Other.ElementSize, 0) << c.name;
    }
    EXPECT_EQ(Other.RequiredDuration, 0.04);
}

TEST_F(PersistenceTest, ValuesOutsideTheirRangeAreClampedOrDropped)
{
    const char* text =
        "[Data]\nRequiredDuration=0.04\nElementSize=7\nOrigineCurrentXCoordinate_Grid=3.5\n"
        "XAxisAngle_Grid=0.5\nMarksNumberPerFrame_Grid=2\nMarksContainersNumber_Grid=2\n"
        "MarksContainerFrameNumber_Grid_0=-6\nMarksContainerMarksNumber_Grid_0=3\n"
        "MarkOrderNumber_Grid_0_0=1\nMarkXCoordinate_Grid_0_0=0.5\nMarkYCoordinate_Grid_0_0=0.5\n"
        "MarkOrderNumber_Grid_0_1=1\nMarkXCoordinate_Grid_0_1=0.7\n"
        "MarkOrderNumber_Grid_0_2=9\n"
        "MarksContainerFrameNumber_Grid_1=0\nMarksContainerMarksNumber_Grid_1=1\n"
        "MarkOrderNumber_Grid_1_0=0\nMarkXCoordinate_Grid_1_0=-4\nMarkYCoordinate_Grid_1_0=9\n";
    ASSERT_TRUE(Other.Load(Profile(QString::fromLatin1(text))));
    EXPECT_EQ(Other.ElementSize, 2);
    EXPECT_EQ(Other.RepereFixe->OrigineCurrent.X, 1.0);
    EXPECT_EQ(Other.RepereFixe->YAxisAngle, 0.0); // a missing y angle reads as 0
    // The negative frame becomes frame 0; the second container of frame 0 joins the first; the second
    // mark of object 1 and the mark of an object beyond the list are dropped.
    ASSERT_EQ(Other.MarquesRep->Containers.size(), 1u);
    const TContainer& c = *Other.MarquesRep->Containers[0];
    EXPECT_EQ(c.MarksContainerFrameNumber, 0);
    ASSERT_EQ(c.Marks.size(), 2u);
    EXPECT_EQ(c.MarkOf(1)->GetPosition(), (TPointRel{0.5, 0.5}));
    EXPECT_EQ(c.MarkOf(0)->GetPosition(), (TPointRel{0.0, 1.0}));
    EXPECT_EQ(Other.MarkColors.size(), 2u);
    EXPECT_EQ(Other.ObjectName(1), QStringLiteral("of point n°2"));
}

TEST_F(PersistenceTest, StoredColoursSurviveTheObjectCount)
{
    Data.SetNbObjets(4);
    Data.SetObjectColour(3, clBlue);
    Data.SetObjectVisible(2, false);
    ASSERT_TRUE(Other.Load(Profile(Saved(Data))));
    EXPECT_EQ(Other.ObjectColour(3), clBlue);
    EXPECT_FALSE(Other.ObjectVisible(2));
}

TEST_F(PersistenceTest, OnlyTheLastMarksInFileOrderAreDrawnAfterLoading)
{
    // Frames pointed out of order: the file lists frame 6's container first.
    for (int frame : {6, 1, 3}) {
        View.FrameShown = frame;
        Point(10 * frame, 20);
    }
    ASSERT_TRUE(Other.Load(Profile(Saved(Data))));
    Other.SetMarksIsAllDrawn(false);
    Other.SetMarksNumberToDraw(2);
    // Last two in file order: frames 1 and 3 (not the two latest frames 3 and 6).
    ASSERT_EQ(Other.MarquesRep->AllMarks.size(), 3u);
    EXPECT_EQ(Other.MarquesRep->AllMarks[1]->Frame(), 1);
    EXPECT_EQ(Other.MarquesRep->AllMarks[2]->Frame(), 3);
    QImage image(640, 480, QImage::Format_RGB32);
    image.fill(Qt::black);
    {
        QPainter painter(&image);
        Other.Paint(painter);
    }
    EXPECT_EQ(image.pixelColor(60, 20), QColor(0, 0, 0));
    EXPECT_EQ(image.pixelColor(10, 20), QColor(255, 0, 0));
    EXPECT_EQ(image.pixelColor(30, 20), QColor(255, 0, 0));
}
