// The file-search window: looks through a folder and its subfolders for files matching a mask and hands
// the chosen one to its receiver.
#pragma once

#include <QDialog>
#include <QStringList>
#include <functional>

class QLineEdit;
class QListWidget;
class QLabel;

class TFileSearch : public QDialog
{
public:
    explicit TFileSearch(QWidget* parent = nullptr);

    // The masks from an open-dialog filter ("Video file (*.avi;*.mp4)|*.avi;*.mp4|...": every pattern).
    void SetFilter(const QString& filter);
    QStringList Masks() const { return FMasks; }
    // Lists the files under folder that match the masks (subfolders included, at most MaxResults).
    void Search(const QString& folder);
    QStringList Results() const;
    // Opens the entry: the window hides and the receiver gets its path (folder + name).
    void OpenEntry(int index);

    static constexpr int MaxResults = 2000;
    std::function<void(const QString& path)> OnOpen;

private:
    QLineEdit* FFolder;
    QListWidget* FList;
    QLabel* FCount;
    QStringList FMasks;
};
