#include "ui/support/DialogSlot.h"

void DialogSlot::show(QMessageBox *box, QObject *context, std::function<void()> onClosed)
{
    if (QMessageBox *shown = m_box) {
        m_box = nullptr;
        shown->close();
    }
    m_box = box;
    QObject::connect(box, &QDialog::finished, context, [this, box, onClosed = std::move(onClosed)] {
        if (m_box != box)
            return;
        m_box = nullptr;
        if (onClosed)
            onClosed();
    });
}
