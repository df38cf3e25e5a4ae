// The pictures of the main window's buttons and the application icon, kept as SVG resources.
#pragma once

#include <QIcon>
#include <QImage>
#include <QString>

// Pictures that a button swaps with its state, by their number in the tool-button picture list.
enum TButtonPicture : int
{
    picFrameVisible = 9,  // ButtonMontageBasculer: the current frame stays in the edited video
    picFrameHidden = 10,  // ButtonMontageBasculer: the current frame is left out
    picNotRecording = 15, // ButtonCapEnregistrer: ready to record
    picRecording = 18,    // ButtonCapEnregistrer: recording, a click stops
};

// Makes the pictures of the shell library known to Qt (a static library's resources are not registered
// on their own). Further calls do nothing; every function below calls it.
void InitResources();

// The icon of a button named as in the main window ("ButtonOutilMarque", "ButtonVideoLecture"); a null
// icon for a name without a picture.
QIcon ButtonIcon(const QString& buttonName);

// The picture of a button as a 32 x 32 image on a transparent background, for message boxes; a null
// image for a name without a picture.
QImage ButtonPicture(const QString& buttonName);

// The resource name of a numbered picture (9, 10, 15, 18), empty for another number, and its icon.
QString PictureName(int number);
QIcon PictureIcon(int number);

// The program's own icon, for the windows and the desktop.
QIcon ApplicationIcon();
