// The list of recently opened files, kept in the section "RecentFiles" of the settings file.
#pragma once

#include <QString>
#include <QStringList>
#include <functional>

class TIniFile;

class TMRUFiles
{
public:
    // The most recent first; each path at most once (compared ignoring case).
    const QStringList& Files() const { return FFiles; }
    int MaxEntries() const { return FMaxEntries; }
    // 0 or the current value: ignored; otherwise stored and the list cut to the new size.
    void SetMaxEntries(int value);
    bool Numbered = true;
    QString Directory; // folder of the last video opened

    // Puts the path first (ignored when empty), removing an equal entry and the entries beyond the size.
    void Add(const QString& path);
    // Reads "File1" ... "File<MaxEntries>"; keeps only existing files, each once.
    void Load(const TIniFile& ini, const QString& section);
    // Erases the section and writes the list in order.
    void Save(TIniFile& ini, const QString& section) const;

    // The caption of entry i (0-based) in the submenu: "&<i+1> " then " :  " and the file name (or the
    // whole path when not numbered).
    QString Caption(int i) const;

    // Called after every change, to rebuild the submenu.
    std::function<void()> OnChange;
    // A click on an entry; the list itself does not move the entry.
    std::function<void(const QString&)> OnClick;

private:
    void Changed();
    QStringList FFiles;
    int FMaxEntries = 9;
};
