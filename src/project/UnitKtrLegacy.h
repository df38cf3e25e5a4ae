// The first project layout (one value per line, no sections) and its conversion into keys.
#pragma once

#include <QString>
#include <QStringList>

class TIniFile;

// Splits a file's text into lines at CR LF, LF or a lone CR, as the first layout was read.
QStringList SplitTextLines(const QString& text);

// Writes the values of a file in the first layout into the keys of the current layout, in the fixed
// order of that layout. Lines are taken in order; a count line that is not an integer, or the end of
// the lines before the layout is complete, stops the conversion: false then, and the keys written up to
// that point stay. A Main/VideoFileName that the profile already holds (a video found again after it had
// moved) is kept instead of the path in the first line.
bool ConvertLegacyLayout(const QStringList& lines, TIniFile& ini);
