// The main window's menus: built from the command table, their rules applied each time one opens.
#include "shell/UnitMenus.h"

#include <QActionGroup>
#include <QMenu>
#include <QMenuBar>

TMenus::TMenus(QMenuBar& bar, QObject& owner, std::function<void(TCommandId)> run)
{
    FPopup = new QMenu(bar.parentWidget());
    FPopup->setObjectName(QStringLiteral("PopupMenu"));
    std::array<QActionGroup*, cmCount> groups{}; // the radio group of each submenu, made on first use
    for (const TCommandRow& c : Commands()) {
        QMenu* into = nullptr;
        switch (c.Place) {
        case TCommandPlace::MenuBar: {
            QMenu* menu = bar.addMenu(QString::fromUtf8(c.Caption));
            menu->setObjectName(QString::fromLatin1(c.Name));
            menu->menuAction()->setObjectName(QString::fromLatin1(c.Name));
            QObject::connect(menu, &QMenu::aboutToShow, &owner, [this] {
                if (OnAboutToShow)
                    OnAboutToShow();
            });
            FMenus[c.Id] = menu;
            FActions[c.Id] = menu->menuAction();
            continue;
        }
        case TCommandPlace::Menu:
            into = FMenus[c.Parent];
            break;
        case TCommandPlace::Popup:
            into = FPopup;
            break;
        default:
            continue; // buttons belong to the window's bars
        }
        Q_ASSERT(into); // a parent comes before its items in the table
        if (c.SeparatorBefore)
            into->addSeparator();
        QAction* action = nullptr;
        if (c.Kind == TCommandKind::Submenu) {
            QMenu* menu = into->addMenu(QString::fromUtf8(c.Caption));
            menu->setObjectName(QString::fromLatin1(c.Name));
            FMenus[c.Id] = menu;
            action = menu->menuAction();
        } else {
            action = into->addAction(QString::fromUtf8(c.Caption));
            const TCommandId id = c.Id;
            QObject::connect(action, &QAction::triggered, &owner, [run, id] { run(id); });
        }
        action->setObjectName(QString::fromLatin1(c.Name));
        if (*c.Hint)
            action->setStatusTip(LongHint(c));
        if (*c.Shortcut)
            action->setShortcut(QKeySequence(QString::fromLatin1(c.Shortcut)));
        if (c.Kind == TCommandKind::Check || c.Kind == TCommandKind::Radio)
            action->setCheckable(true);
        if (c.Kind == TCommandKind::Radio) {
            const int parent = c.Parent;
            if (!groups[parent])
                groups[parent] = new QActionGroup(into);
            groups[parent]->addAction(action);
        }
        FActions[c.Id] = action;
    }
}

QAction* TMenus::Action(TCommandId id) const
{
    Q_ASSERT(id > cmNone && id < cmCount && FActions[id]);
    return FActions[id];
}

QMenu* TMenus::Menu(TCommandId id) const
{
    Q_ASSERT(id > cmNone && id < cmCount && FMenus[id]);
    return FMenus[id];
}

void TMenus::ApplyRow(const TCommandRow& c, const TCommandState& state)
{
    QAction* a = FActions[c.Id];
    a->setVisible(CommandVisible(c.Id, state));
    a->setEnabled(CommandEnabled(c.Id, state));
    if (c.Checked)
        a->setChecked(CommandChecked(c.Id, state));
    if (c.Id == cmMenuAffichageAnnuler)
        a->setText(CommandCaption(c.Id, state));
}

void TMenus::Apply(const TCommandState& state)
{
    for (const TCommandRow& c : Commands())
        if (c.Place == TCommandPlace::MenuBar || c.Place == TCommandPlace::Menu)
            ApplyRow(c, state);
}

void TMenus::ApplyPopup(const TCommandState& state)
{
    for (const TCommandRow& c : Commands())
        if (c.Place == TCommandPlace::Popup)
            ApplyRow(c, state);
}
