#include "ui/kit/Dialogs.h"

#include "ui/kit/Icons.h"
#include "ui/kit/Theme.h"

#include <QEvent>
#include <QGridLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPainter>
#include <QPointer>
#include <QPushButton>
#include <QStyle>

namespace Dialogs {

namespace {

constexpr int s_minimumWidth = 440;

// Paints an icon over the message box's icon label, for the device it is painted on: the
// label itself only holds a bitmap made once for the screen the box opened on.
class IconPainter : public QObject
{
public:
    IconPainter(const QIcon &icon, QLabel *label)
        : QObject(label)
        , m_icon(icon)
    {
        label->installEventFilter(this);
        label->update();
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() != QEvent::Paint)
            return false;
        auto *label = static_cast<QLabel *>(watched);
        // In the place the box laid out for the style's own bitmap.
        const QSize size =
            label->pixmap().isNull() ? label->contentsRect().size() : label->pixmap().deviceIndependentSize().toSize();
        const QRect area =
            QStyle::alignedRect(label->layoutDirection(), label->alignment(), size, label->contentsRect());
        QPainter painter(label);
        m_icon.paint(&painter, area);
        return true;
    }

private:
    QIcon m_icon;
};

// Fusion with no icon theme has only 32-pixel bitmaps for the warning and the information,
// blurred when a 2× screen stretches them. The desktop theme's "dialog-warning" or
// "dialog-information", else our own symbol, is drawn sharp at any scale; the box keeps its
// standard icon for everything else (its accessible role, the alert sound).
void sharpenIcon(QMessageBox *box, QMessageBox::Icon icon)
{
    auto *label = box->findChild<QLabel *>(QStringLiteral("qt_msgboxex_icon_label"));
    if (!label)
        return;
    if (icon == QMessageBox::Warning)
        new IconPainter(Icons::themed(QStringLiteral("exclamationmark.triangle.fill"), Theme::warning()), label);
    else if (icon == QMessageBox::Information)
        new IconPainter(Icons::themed(QStringLiteral("info.circle.fill"), box->palette().color(QPalette::Highlight)),
                        label);
}

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
        grid->addItem(new QSpacerItem(s_minimumWidth, 0, QSizePolicy::Minimum, QSizePolicy::Minimum), grid->rowCount(),
                      0, 1, grid->columnCount());
    return box;
}

} // namespace

QMessageBox *confirm(QWidget *parent, const QString &title, const QString &message, const QString &destructiveLabel,
                     QObject *context, std::function<void()> onConfirm)
{
    QMessageBox *box = build(parent, QMessageBox::Warning, title, message);
    sharpenIcon(box, QMessageBox::Warning);
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
    sharpenIcon(box, QMessageBox::Warning);
    box->setDefaultButton(box->addButton(QStringLiteral("OK"), QMessageBox::AcceptRole));
    box->open();
    return box;
}

QMessageBox *inform(QWidget *parent, const QString &title, const QString &message, const QPixmap &icon)
{
    QMessageBox *box = build(parent, QMessageBox::Information, title, message);
    if (!icon.isNull())
        box->setIconPixmap(icon);
    else
        sharpenIcon(box, QMessageBox::Information);
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
