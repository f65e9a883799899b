#pragma once

#include <QKeySequence>
#include <QList>

class QAbstractButton;
class QAction;
class QIcon;
class QObject;
class QString;
class QWidget;

// The commands of a screen are QActions made once: the screen's buttons, its context menus
// and its keys all trigger the same action, and whether a command can run is set on the
// action alone. GUI thread.
namespace ScreenActions {

// An action named name (its text is what menus show), with keys that work while one of
// widgets has the focus.
QAction *make(QObject *owner, const QString &name, const QString &text, const QIcon &icon,
              const QList<QKeySequence> &keys, const QList<QWidget *> &widgets);

// Makes button one face of action: a click triggers the action, and the button is enabled
// exactly when the action is. The button keeps its own label and icon.
void bind(QAbstractButton *button, QAction *action);

} // namespace ScreenActions
