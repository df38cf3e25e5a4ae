// The value dialog: texts and bounds of each kind, the key filter, the closing checks and their messages.
#include "shell/UnitBoiteValeur.h"

#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <QLocale>
#include <numbers>

namespace {

struct ValeurFixture : ::testing::Test
{
    TScriptedUserDlgScope Messages;
    TScriptedDialogsScope Dialogs;
    TBoiteValeur Box;
    int Frames = 120;

    void SetUp() override
    {
        QLocale::setDefault(QLocale::c());
        Box.Context.IsOpen = [] { return true; };
        Box.Context.FrameCountVisible = [this] { return Frames; };
        Box.Context.CurrentPosition = [] { return 4; };
        Box.Context.ScaleLength = [](TTypeSaisieLongueur which) { return which == slLongueurN ? 1.25 : 0.0; };
    }

    // Types each entry in turn and runs the dialog; answers every message box with its only button.
    bool Run(TTypeSaisie kind, std::initializer_list<const char*> typing, int messages = 0)
    {
        for (const char* keys : typing)
            Dialogs->ValueTyping.push_back(QString::fromUtf8(keys));
        for (int i = 0; i < messages; ++i)
            Messages->Answer(0);
        Box.SetTypeSaisie(kind);
        return Box.Execute();
    }
};

} // namespace

TEST_F(ValeurFixture, CommaAndPointGiveTheSameLengthWhateverTheLocale)
{
    for (const QLocale& locale : {QLocale(QLocale::French), QLocale(QLocale::English)}) {
        QLocale::setDefault(locale);
        for (const char* typed : {"1,5", "1.5"}) {
            ASSERT_TRUE(Run(tsLongueur, {typed})) << typed;
            EXPECT_DOUBLE_EQ(Box.ValueAsDouble(), 1.5);
        }
    }
    QLocale::setDefault(QLocale::c());
    EXPECT_TRUE(Messages->Shown.empty());
}

TEST_F(ValeurFixture, BoundsOfEachKindAreExact)
{
    struct Case
    {
        TTypeSaisie Kind;
        const char* Typed;
        bool Accepted;
    };
    const Case cases[] = {
        {tsAngle, "-180", true},      {tsAngle, "180", true},       {tsAngle, "180.0001", false},
        {tsLongueur, "0.001", false}, {tsLongueur, "0.0011", true}, {tsLongueur, "1.5e13", false},
        {tsLongueur, "1.4e13", true}, {tsCadence, "1", true},       {tsCadence, "100.5", false},
        {tsDMax, "9", false},         {tsDMax, "100", true},        {tsNbMqParImg, "33", false},
        {tsNbMqParImg, "32", true},   {tsNumImg, "0", false},       {tsNumImg, "120", true},
        {tsNumImg, "121", false},     {tsNbMqDrawn, "0", false},    {tsNbImgStep, "119", true},
        {tsNbImgStep, "120", false},
    };
    for (const Case& c : cases) {
        Messages->Shown.clear();
        Box.SetTypeSaisie(c.Kind);
        if (!c.Accepted)
            Messages->Answer(0);
        EXPECT_EQ(Box.TryClose(QString::fromLatin1(c.Typed)), c.Accepted) << int(c.Kind) << " " << c.Typed;
        EXPECT_EQ(Messages->Shown.size(), c.Accepted ? 0u : 1u);
        if (!c.Accepted && !Messages->Shown.empty()) {
            EXPECT_EQ(Messages->Shown[0].Icon, icInformation);
        }
    }
}

TEST_F(ValeurFixture, RefusalsShowTheirMessagesAndTheDialogStaysOpen)
{
    // "0" as a frame number: the interval box filled with 1 and the frame count, then a good value.
    ASSERT_TRUE(Run(tsNumImg, {"0", "7"}, 1));
    EXPECT_EQ(Box.ValueAsInteger(), 6); // typed 1-based, returned 0-based
    ASSERT_EQ(Messages->Shown.size(), 1u);
    EXPECT_EQ(
        Messages->Shown[0].Text(),
        QStringLiteral("Inputted value: 0 /  / Type a value in the given interval: /  / 1 <= number <= 120"));

    Messages->Shown.clear();
    ASSERT_TRUE(Run(tsAngle, {"200", "90"}, 1));
    EXPECT_EQ(Messages->Shown[0].Lines[0].Text, QString::fromUtf8("Inputted value: 200°"));
    EXPECT_DOUBLE_EQ(Box.ValueAsDouble(), std::numbers::pi / 2);

    Messages->Shown.clear();
    ASSERT_TRUE(Run(tsLongueur, {"1e", "2"}, 1));
    EXPECT_EQ(Messages->Shown[0].Icon, icWarning);
    EXPECT_EQ(Messages->Shown[0].Lines[2].Text, QStringLiteral("This string is not a  suitable real."));

    Messages->Shown.clear();
    ASSERT_TRUE(Run(tsNumImg, {"", "3"}, 1));
    EXPECT_EQ(Messages->Shown[0].Text(),
              QStringLiteral("Inputted value:  /  / This string is not a  suitable integer."));
}

TEST_F(ValeurFixture, KeyFilterAndLengthLimit)
{
    // A minus sign cannot be typed into an integer field: "-5" arrives as "5".
    ASSERT_TRUE(Run(tsNbMqDrawn, {"-5"}));
    EXPECT_EQ(Dialogs->ValueTexts.back(), QStringLiteral("5"));
    // Letters other than the exponent are dropped from a real.
    ASSERT_TRUE(Run(tsLongueur, {"x2a.5E-1m"}));
    EXPECT_DOUBLE_EQ(Box.ValueAsDouble(), 0.25);
    // The 17th character is not taken.
    ASSERT_TRUE(Run(tsLongueur, {"0.123456789012345678"}));
    EXPECT_EQ(Dialogs->ValueTexts.back(), QStringLiteral("0.12345678901234"));
}

TEST_F(ValeurFixture, DefaultsAndTheOpenVideoRule)
{
    Box.SetTypeSaisie(tsNumImg);
    EXPECT_EQ(Box.DefaultText, QStringLiteral("5"));
    EXPECT_EQ(Box.Prompt, QStringLiteral("New image number :"));
    Box.SetTypeSaisie(tsLongueur);
    EXPECT_EQ(Box.DefaultText, QLocale().toString(1.25, 'g', 10));
    // Untouched default text closes the dialog with it.
    ASSERT_TRUE(Run(tsLongueur, {"\n"}));
    EXPECT_DOUBLE_EQ(Box.ValueAsDouble(), 1.25);

    // A two-frame video accepts only 1 frame of advance.
    Frames = 2;
    EXPECT_TRUE(Run(tsNbImgStep, {"1"}));
    Messages->Answer(0);
    EXPECT_FALSE(Box.TryClose(QStringLiteral("2")));

    // Without a video nothing is asked, except the frame rate; the previous value is not reported.
    Box.Context.IsOpen = [] { return false; };
    Box.SetTypeSaisie(tsNumImg);
    EXPECT_FALSE(Box.Execute());
    EXPECT_FALSE(Box.Accepted);
    EXPECT_TRUE(Run(tsCadence, {"25"}));
}
