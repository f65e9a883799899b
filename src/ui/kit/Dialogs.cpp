#include "ui/kit/Dialogs.h"

#include <QGridLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>

namespace Dialogs {

namespace {

constexpr int s_minimumWidth = 440;

QMessageBox *build(QWidget *parent, QMessageBox::Icon icon, const QString &title, const QString &message)
{
    auto *box = new QMessageBox(parent);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setIcon(icon);
    box->setTextFormat(Qt::PlainText);
    box->setText(title);
    if (!message.isEmpty())
        box->setInformativeText(message);
    // QMessageBox guesses rich text from the content; a path with "<" must stay plain.
    if (auto *label = box->findChild<QLabel *>(QStringLiteral("qt_msgbox_informativelabel")))
        label->setTextFormat(Qt::PlainText);
    if (auto *label = box->findChild<QLabel *>(QStringLiteral("qt_msgbox_label"))) {
        QFont bold = label->font();
        bold.setWeight(QFont::DemiBold);
        label->setFont(bold);
    }
    // QMessageBox sizes itself to its title; process and folder lines need more room
    // than that before they wrap.
    if (auto *grid = qobject_cast<QGridLayout *>(box->layout()))
        grid->addItem(new QSpacerItem(s_minimumWidth, 0, QSizePolicy::Minimum, QSizePolicy::Minimum),
                      grid->rowCount(), 0, 1, grid->columnCount());
    return box;
}

} // namespace

QMessageBox *confirm(QWidget *parent, const QString &title, const QString &message,
                     const QString &destructiveLabel, QObject *context, std::function<void()> onConfirm)
{
    QMessageBox *box = build(parent, QMessageBox::Warning, title, message);
    QPushButton *destructive = box->addButton(destructiveLabel, QMessageBox::DestructiveRole);
    QPushButton *cancel = box->addButton(QStringLiteral("Cancel"), QMessageBox::RejectRole);
    box->setDefaultButton(cancel);
    box->setEscapeButton(cancel);
    QObject::connect(box, &QMessageBox::buttonClicked, context,
                     [destructive, onConfirm = std::move(onConfirm)](QAbstractButton *clicked) {
                         if (clicked == destructive && onConfirm)
                             onConfirm();
                     });
    box->open();
    return box;
}

QMessageBox *alert(QWidget *parent, const QString &title, const QString &message)
{
    QMessageBox *box = build(parent, QMessageBox::Warning, title, message);
    box->setDefaultButton(box->addButton(QStringLiteral("OK"), QMessageBox::AcceptRole));
    box->open();
    return box;
}

QMessageBox *inform(QWidget *parent, const QString &title, const QString &message, const QPixmap &icon)
{
    QMessageBox *box = build(parent, QMessageBox::Information, title, message);
    if (!icon.isNull())
        box->setIconPixmap(icon);
    box->setDefaultButton(box->addButton(QStringLiteral("OK"), QMessageBox::AcceptRole));
    box->open();
    return box;
}

QList<QMessageBox *> openMessageBoxes(const QWidget *window)
{
    QList<QMessageBox *> open;
    if (!window)
        return open;
    for (QMessageBox *box : window->findChildren<QMessageBox *>()) {
        if (box->isVisible())
            open << box;
    }
    return open;
}

} // namespace Dialogs
