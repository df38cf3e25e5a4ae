// The main window's menus (menu bar and pop-up tool menu), built from the command table and kept by
// command id.
#pragma once

#include "shell/UnitCommands.h"

#include <array>
#include <functional>

class QAction;
class QMenu;
class QMenuBar;
class QObject;

class TMenus
{
public:
    // Builds every menu row of the table into bar and the pop-up rows into a pop-up menu owned by
    // owner. run is called with the id of a triggered item (not for submenus).
    TMenus(QMenuBar& bar, QObject& owner, std::function<void(TCommandId)> run);

    // The action of a menu row (a submenu's own action for a submenu). Never null for a row placed in a
    // menu; asserts otherwise.
    QAction* Action(TCommandId id) const;
    // The menu of a menu-bar or submenu row.
    QMenu* Menu(TCommandId id) const;
    QMenu* Popup() const { return FPopup; }

    // Visibility, enabling, checks and captions of every menu item, as opening a menu recomputes them.
    void Apply(const TCommandState& state);
    // The same for the pop-up items only.
    void ApplyPopup(const TCommandState& state);

    // Called before a menu of the menu bar opens, so that the owner may Apply the current state.
    std::function<void()> OnAboutToShow;

private:
    void ApplyRow(const TCommandRow& c, const TCommandState& state);

    std::array<QAction*, cmCount> FActions{};
    std::array<QMenu*, cmCount> FMenus{};
    QMenu* FPopup = nullptr;
};
