// The program's fixed folders: where the settings file lives and where the help pages are.
#pragma once

#include <QString>

// $XDG_CONFIG_HOME/kinotra/ (default ~/.config/kinotra/), created when missing; ends with "/".
// Empty when it cannot be created.
QString WorkFolder();
// Full path of the settings file "Kinotra.ini" in the work folder (empty when there is none).
QString SettingsFileName();
// The "help" folder beside the executable (build tree) or share/kinotra/help of the installation;
// ends with "/". The first candidate when none exists.
QString HelpFolder();
