// The editing mode's dialogs and the file dialog driven through their widgets, as the keyboard reaches
// them: Escape cancels, the series box takes what it shows, the chosen file type names the file.
#include "editing/UnitRecordMontage.h"
#include "shell/UnitBoiteBasculer.h"
#include "shell/UnitBoiteRecordMontage.h"
#include "shell/UnitBoiteTemps.h"
#include "shell/UnitUserDlgQt.h"

#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTimer>

namespace {

// A key pressed and released on a widget, through the application as a real key reaches it.
void Key(QWidget* widget, int key, const QString& text = QString())
{
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
    QApplication::sendEvent(widget, &press);
    QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, text);
    QApplication::sendEvent(widget, &release);
}

// Printable ASCII typed key by key (Qt's key codes of these characters are their upper-case codes).
void Type(QWidget* widget, const QString& text)
{
    for (const QChar ch : text)
        Key(widget, ch.toUpper().unicode(), QString(ch));
}

QStringList Items(const QComboBox* box)
{
    QStringList items;
    for (int i = 0; i < box->count(); ++i)
        items << box->itemText(i);
    return items;
}

TEST(BoiteTemps, ShowsTheFilesRateAsItIsAndEscapeOrTheCloseBoxCancel)
{
    struct Case
    {
        double FramesPerSecond;
        const char* Shown;
    };
    for (const Case c : {Case{29.75, "29.75"}, Case{30.0, "30"}, Case{30000.0 / 1001.0, "29.97"}}) {
        TBoiteTemps box(1.0 / c.FramesPerSecond, 1.0 / c.FramesPerSecond);
        EXPECT_TRUE(
            box.Text->text().contains(QStringLiteral("frame rate of %1 images / second.").arg(c.Shown)))
            << box.Text->text().toStdString();
    }

    const double file = 1.0 / 29.75;
    for (const bool closeBox : {false, true}) {
        TBoiteTemps box(file, file);
        box.show();
        box.Edit->setFocus();
        box.Edit->selectAll();
        Type(box.Edit, QStringLiteral("0.05"));
        ASSERT_EQ(box.Edit->text().size(), 4);
        EXPECT_TRUE(box.OtherButton->isChecked());
        if (closeBox)
            box.close();
        else
            Key(box.Edit, Qt::Key_Escape);
        EXPECT_FALSE(box.isVisible()) << closeBox;
        EXPECT_EQ(box.result(), QDialog::Rejected) << closeBox;
        EXPECT_DOUBLE_EQ(box.Interval(), file) << closeBox;
    }
}

// "Use the default value" applies at once: Escape afterwards keeps the default, even after something else
// was typed; a typed value alone still needs Ok.
TEST(BoiteTemps, TheDefaultValueAppliesAtOnce)
{
    const double file = 0.04, other = 0.05;
    for (const bool typedAfter : {false, true}) {
        TBoiteTemps box(file, other);
        box.show();
        EXPECT_TRUE(box.OtherButton->isChecked());
        EXPECT_FALSE(box.Applied());
        box.DefaultButton->setFocus();
        Key(box.DefaultButton, Qt::Key_Space); // the keyboard's way to choose it
        EXPECT_TRUE(box.DefaultButton->isChecked());
        if (typedAfter) {
            box.Edit->setFocus();
            box.Edit->selectAll();
            Type(box.Edit, QStringLiteral("0.5"));
            EXPECT_TRUE(box.OtherButton->isChecked());
        }
        Key(typedAfter ? static_cast<QWidget*>(box.Edit) : box.DefaultButton, Qt::Key_Escape);
        EXPECT_FALSE(box.isVisible()) << typedAfter;
        EXPECT_TRUE(box.Applied()) << typedAfter;
        EXPECT_DOUBLE_EQ(box.Interval(), file) << typedAfter;
    }
}

// The quality and key-frame settings are offered for every codec that takes them, whatever its framework,
// and reach the save; "without" and lossless codecs do not show them.
TEST(BoiteRecordMontage, QualityIsOfferedForEveryCodecThatTakesIt)
{
    TRecordMontage record;
    TBoiteRecordMontage box(record);
    box.SourceChanged(160, 120);
    box.Prepare();
    const int ffmpeg = int(Items(box.ComboBoxFramework).indexOf(QStringLiteral("FFMpeg")));
    ASSERT_GE(ffmpeg, 0);
    box.ComboBoxFramework->setCurrentIndex(ffmpeg);
    const QStringList codecs = Items(box.ComboBoxVideoCodec);
    struct Case
    {
        const char* Codec;
        bool Shown;
    };
    for (const Case c : {Case{"without", false}, Case{"FFMpeg internal MPEG4 codec", true},
                         Case{"Motion JPEG", true}, Case{"FFV1 lossless", false}}) {
        const int index = int(codecs.indexOf(QString::fromLatin1(c.Codec)));
        if (index < 0)
            continue; // not in this build of the library
        box.ComboBoxVideoCodec->setCurrentIndex(index);
        EXPECT_EQ(!box.QualityPanel->isHidden(), c.Shown) << c.Codec;
    }
    box.ComboBoxVideoCodec->setCurrentIndex(1);
    box.UpDownCompressionQuality->setValue(20);
    EXPECT_EQ(box.QualityPercent(), 20);
    EXPECT_FALSE(box.ButtonConf->isEnabled()); // no codec here has a dialog of its own
}

TEST(BoiteBasculer, TheKeysOfTheBoxTakeOnlySeriesAndOnlyAcceptedSeriesEnterTheList)
{
    TScriptedUserDlgScope dlg;
    {
        TBoiteBasculer box(QStringLiteral("Show or hide a series of images"), 20);
        box.show();
        // Keys reach the combo box (its line edit is its focus proxy).
        Type(box.Entry, QStringLiteral("2-4; 7x"));
        EXPECT_EQ(box.Entry->currentText(), QStringLiteral("2-4; 7"));
        // Text that comes through an input method (how many desktops deliver keys) or the clipboard
        // holds the same characters only.
        QInputMethodEvent composed;
        composed.setCommitString(QStringLiteral("y"));
        QApplication::sendEvent(box.Entry->lineEdit(), &composed);
        QApplication::clipboard()->setText(QStringLiteral("8z"));
        box.Entry->lineEdit()->paste();
        EXPECT_EQ(box.Entry->currentText(), QStringLiteral("2-4; 7"));
        // A rejected series: its error, the box stays open, and the list does not keep it.
        box.Entry->setEditText(QString());
        Type(box.Entry, QStringLiteral("3-99"));
        dlg->Answer(0);
        Key(box.Entry, Qt::Key_Return);
        ASSERT_EQ(dlg->Shown.size(), 1u);
        EXPECT_EQ(dlg->Shown[0].Text(), QStringLiteral("The image group at hide is incorrect"));
        EXPECT_TRUE(box.isVisible());
        EXPECT_EQ(Items(box.Entry), QStringList({"All even image numbers", "All odd image numbers"}));
        // What is typed is what is checked: nothing completes it onto an item.
        EXPECT_EQ(box.Entry->completer(), nullptr);
        Type(box.Entry, QStringLiteral("3-9"));
        EXPECT_EQ(box.Entry->currentText(), QStringLiteral("3-9"));
        Key(box.Entry, Qt::Key_Return);
        EXPECT_FALSE(box.isVisible());
        EXPECT_EQ(box.result(), QDialog::Accepted);
        const TBooleanDynArray& selection = box.Selection();
        ASSERT_EQ(selection.size(), 20u);
        for (int f = 0; f < 20; ++f)
            EXPECT_EQ(bool(selection[std::size_t(f)]), f >= 2 && f <= 8) << f;
    }
    {
        // The accepted series is offered at the next opening; Escape cancels there.
        TBoiteBasculer box(QStringLiteral("Show or hide a series of images"), 20);
        EXPECT_EQ(Items(box.Entry), QStringList({"All even image numbers", "All odd image numbers", "3-9"}));
        EXPECT_TRUE(box.Entry->currentText().isEmpty());
        box.show();
        Type(box.Entry, QStringLiteral("1-5"));
        Key(box.Entry, Qt::Key_Escape);
        EXPECT_FALSE(box.isVisible());
        EXPECT_EQ(box.result(), QDialog::Rejected);
        EXPECT_EQ(dlg->Shown.size(), 1u);
    }
}

// Clicks the dialog's accepting button (Save or Open).
void ClickAccept(QFileDialog& dialog)
{
    auto* buttons = dialog.findChild<QDialogButtonBox*>(QStringLiteral("buttonBox"));
    ASSERT_NE(buttons, nullptr);
    for (QAbstractButton* button : buttons->buttons())
        if (buttons->buttonRole(button) == QDialogButtonBox::AcceptRole) {
            button->click();
            return;
        }
    FAIL() << "no accepting button";
}

TEST(FileDialog, TheChosenFileTypeGivesTheExtensionOfATypedName)
{
    EXPECT_EQ(FilterSuffix(QStringLiteral("Bitmap file (*.bmp)")), QStringLiteral("bmp"));
    EXPECT_EQ(FilterSuffix(QStringLiteral("Image file (*.png *.bmp)")), QString());
    EXPECT_EQ(FilterSuffix(QStringLiteral("All (*)")), QString());

    QTemporaryDir dir;
    TFileDialogRequest request;
    request.Kind = TFileDialogKind::Save;
    request.Filter = QStringLiteral("PNG image (*.png)|*.png|Bitmap file (*.bmp)|*.bmp");
    request.DefaultExt = QStringLiteral("png");
    request.InitialDir = dir.path();
    request.FileName = QStringLiteral("shot.png");
    struct Case
    {
        int Downs; // presses of Down in the file-type list
        const char* Typed;
        const char* Saved;
        int FilterIndex;
    };
    for (const Case c : {Case{1, "picture", "picture.bmp", 2}, Case{0, "picture", "picture.png", 1},
                         Case{1, "picture.png", "picture.png", 2}}) {
        SCOPED_TRACE(c.Typed);
        TFileDialog dialog(nullptr, request);
        dialog.setOption(QFileDialog::DontUseNativeDialog);
        dialog.show();
        auto* types = dialog.findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
        auto* name = dialog.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        ASSERT_TRUE(types && name);
        for (int i = 0; i < c.Downs; ++i)
            Key(types, Qt::Key_Down);
        name->clear();
        Type(name, QString::fromLatin1(c.Typed));
        ClickAccept(dialog);
        const TFileDialogResult result = dialog.Result();
        ASSERT_TRUE(result.Accepted);
        EXPECT_EQ(result.FileName, QDir(dir.path()).filePath(QString::fromLatin1(c.Saved)));
        EXPECT_EQ(result.FilterIndex, c.FilterIndex);
    }
}

TEST(FileDialog, ASaveWhoseCallerChecksExistingFilesDoesNotOfferToReplace)
{
    QTemporaryDir dir;
    const QString taken = QDir(dir.path()).filePath(QStringLiteral("taken.avi"));
    QFile file(taken);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    TFileDialog dialog(nullptr, AviSaveRequest(QStringLiteral("Save a video file"), dir.path(), "taken.avi"));
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.show();
    // Any question the dialog asks is answered with its close box and counted.
    int questions = 0;
    QTimer answer;
    QObject::connect(&answer, &QTimer::timeout, [&] {
        if (QWidget* modal = QApplication::activeModalWidget(); modal && modal != &dialog) {
            ++questions;
            modal->close();
        }
    });
    answer.start(20);
    ClickAccept(dialog);
    answer.stop();
    EXPECT_EQ(questions, 0);
    // The name goes back to the caller, which tells the user that the file exists.
    const TFileDialogResult result = dialog.Result();
    ASSERT_TRUE(result.Accepted);
    EXPECT_EQ(result.FileName, taken);
}

} // namespace
