// The temporary file a video writer fills beside its destination, and the rename that finishes it.
#pragma once

#include <QString>

// Creates a new empty file beside destination ("~NAME.part", numbered when taken), so that the final
// rename stays on one file system and nothing appears under the destination's name before the end. Empty,
// with the reason in error, when the destination is a folder or no file can be created there.
QString CreateTempBeside(const QString& destination, QString& error);
// Renames temp over destination in one step (an older file of that name is replaced). False with the reason.
bool ReplaceWithTemp(const QString& temp, const QString& destination, QString& error);
