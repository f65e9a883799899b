#pragma once

#include <QList>
#include <QPixmap>
#include <QString>

#include <functional>

class QMessageBox;
class QObject;
class QWidget;

// Every dialog of the application is a QMessageBox opened with open(): modal to its window
// without a nested event loop (never exec()), and deleted once closed. The title is the
// box's bold first line, the message below it in plain text (paths and commands are never
// read as markup). Tests find the open boxes with openMessageBoxes and click their buttons.
namespace Dialogs {
// A confirmation: the destructive button, then "Cancel", which is the default and the
// Escape button. onConfirm runs only when the destructive button is chosen, and not at all
// once context is gone; connect to the box's finished() to hear of any other ending.
QMessageBox *confirm(QWidget *parent, const QString &title, const QString &message, const QString &destructiveLabel,
                     QObject *context, std::function<void()> onConfirm);
// A warning with one "OK" button, for problems that remain after an action.
QMessageBox *alert(QWidget *parent, const QString &title, const QString &message);
// A message with one "OK" button; icon replaces the standard information icon when given.
QMessageBox *inform(QWidget *parent, const QString &title, const QString &message, const QPixmap &icon = {});
// The message boxes currently shown over window, oldest first.
[[nodiscard]] QList<QMessageBox *> openMessageBoxes(const QWidget *window);
} // namespace Dialogs
