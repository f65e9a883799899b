#include "ui/support/ScreenActions.h"

#include <QAbstractButton>
#include <QAction>
#include <QWidget>

namespace ScreenActions {

QAction *make(QObject *owner, const QString &name, const QString &text, const QIcon &icon,
              const QList<QKeySequence> &keys, const QList<QWidget *> &widgets)
{
    auto *action = new QAction(icon, text, owner);
    action->setObjectName(name);
    action->setShortcuts(keys);
    action->setShortcutContext(Qt::WidgetShortcut);
    // Context menus show the command alone; the keys are the desktop's usual ones.
    action->setShortcutVisibleInContextMenu(false);
    for (QWidget *widget : widgets)
        widget->addAction(action);
    return action;
}

void bind(QAbstractButton *button, QAction *action)
{
    button->setEnabled(action->isEnabled());
    QObject::connect(action, &QAction::enabledChanged, button, &QWidget::setEnabled);
    QObject::connect(button, &QAbstractButton::clicked, action, [action] { action->trigger(); });
}

} // namespace ScreenActions
