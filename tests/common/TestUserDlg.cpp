// The message box: composed messages reach the service, answers come back as button indices.
#include "common/UnitUserDlg.h"
#include "support/TestSupport.h"

#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

TEST(UserDlg, ScriptedServiceRecordsMessagesAndAnswersFromItsQueue)
{
    TScriptedUserDlgScope script;
    script->Answer(2, true);
    TUserDlg& box = TUserDlg::Instance();
    const int pressed = box.Begin(icConfirmation)
                            .Line(QStringLiteral("Save project to file"))
                            .Blank()
                            .Line(QStringLiteral("/tmp/a.avi"), true, clBlue)
                            .Button(QStringLiteral("Save"), btEnregistrer)
                            .Button(QStringLiteral("Cancel"), btAnnuler)
                            .Button(QStringLiteral("Quit"), btQuitter)
                            .CheckBox(QStringLiteral("Do not show this dialog again"))
                            .Execute();
    EXPECT_EQ(pressed, 2);
    EXPECT_TRUE(box.Checked());
    ASSERT_EQ(script->Shown.size(), 1u);
    const TUserMessage& m = script->Shown[0];
    EXPECT_EQ(m.Icon, icConfirmation);
    EXPECT_EQ(m.Text(), QStringLiteral("Save project to file /  / /tmp/a.avi"));
    EXPECT_TRUE(m.Lines[2].Bold);
    EXPECT_EQ(m.Lines[2].Color, clBlue);
    EXPECT_EQ(m.ButtonCaptions(), (QStringList{"Save", "Cancel", "Quit"}));
    EXPECT_EQ(m.Buttons[0].Kind, btEnregistrer);
    EXPECT_EQ(m.CheckBoxCaption, QStringLiteral("Do not show this dialog again"));
}

TEST(UserDlg, MutedBoxShowsNothingAndOutOfRangeAnswersStayInRange)
{
    TScriptedUserDlgScope script;
    TUserDlg& box = TUserDlg::Instance();
    box.SetMute(true);
    EXPECT_EQ(box.Message(icWarning, {QStringLiteral("hidden")}), -1);
    EXPECT_TRUE(script->Shown.empty());
    box.SetMute(false);

    script->Answer(7); // a service answering an index the message does not have
    EXPECT_EQ(box.Message(icWarning, {QStringLiteral("Wrong password.")}), 0);
    EXPECT_EQ(script->Shown.back().ButtonCaptions(), QStringList{QStringLiteral("Ok")});
}

TEST(UserDlg, UnexpectedMessageFailsTheTest)
{
    EXPECT_NONFATAL_FAILURE(
        {
            TScriptedUserDlgScope script;
            TUserDlg::Instance().Message(icError, {QStringLiteral("nobody expects this")});
        },
        "unexpected message: nobody expects this");
}

TEST(UserDlg, ClosingWithoutAButtonAnswersTheButtonThatLosesNothing)
{
    struct Case
    {
        std::vector<TUserButton> Buttons;
        int Escape;
    };
    const TUserButton save{QStringLiteral("Save"), btEnregistrer, true};
    const TUserButton cancel{QStringLiteral("Cancel"), btAnnuler, true};
    const TUserButton quit{QStringLiteral("Quit"), btQuitter, true};
    const TUserButton ignore{QStringLiteral("Ignore"), btIgnorer, true};
    const TUserButton yes{QStringLiteral("Yes"), btOk, true};
    const TUserButton no{QStringLiteral("No"), btCustom, true};
    const TUserButton ok{QStringLiteral("Ok"), btOk, true};
    const TUserButton name{QStringLiteral("Give a name"), btCustom, false};
    const Case cases[] = {
        {{save, cancel, quit}, 1},   // the quit confirmation: the window stays
        {{save, cancel, ignore}, 1}, // the save confirmation: the opening or closing stops
        {{cancel, quit}, 0},         {{yes, no}, 1}, {{ok}, 0},
        {{name, ignore}, 1}, // a disabled button is never the answer
    };
    TScriptedUserDlgScope script;
    TUserDlg& box = TUserDlg::Instance();
    for (const Case& c : cases) {
        TUserMessage m;
        m.Buttons = c.Buttons;
        EXPECT_EQ(m.EscapeButton(), c.Escape) << m.ButtonCaptions().join(',').toStdString();
        script->Escape();
        box.Begin(icConfirmation).Line(QStringLiteral("?"));
        for (const TUserButton& b : c.Buttons)
            box.Button(b.Caption, b.Kind, b.Enabled);
        EXPECT_EQ(box.Execute(), c.Escape) << m.ButtonCaptions().join(',').toStdString();
    }
    // A service answering a disabled button gets the escape answer too.
    script->Answer(0);
    EXPECT_EQ(box.Begin(icCustom)
                  .Button(QStringLiteral("Give a name"), btCustom, false)
                  .Button(QStringLiteral("Cancel"), btAnnuler)
                  .Button(QStringLiteral("Ignore"), btIgnorer)
                  .Execute(),
              1);
    EXPECT_FALSE(script->Shown.back().Buttons[0].Enabled);
    // A caller may name the answer of a closed box: it wins over the rule while it is enabled.
    script->Escape();
    EXPECT_EQ(box.Begin(icWarning)
                  .Button(QStringLiteral("Continue"), btCustom)
                  .Escape()
                  .Button(QStringLiteral("Cancel"), btAnnuler)
                  .Execute(),
              0);
    script->Escape();
    EXPECT_EQ(box.Begin(icWarning)
                  .Button(QStringLiteral("Continue"), btCustom, false)
                  .Escape()
                  .Button(QStringLiteral("Cancel"), btAnnuler)
                  .Execute(),
              1);
}
