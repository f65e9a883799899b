#pragma once

#include <QMessageBox>
#include <QPointer>

#include <functional>

// The one box a piece of view state is shown in (a pending confirmation, an error text):
// showing a new box closes the one still open, and when the box shown closes, by any
// button or otherwise, its onClosed runs to clear the state. GUI thread.
class DialogSlot
{
public:
    // Takes over box (already open); the one open before closes without running its
    // onClosed, since its state is being replaced.
    void show(QMessageBox *box, QObject *context, std::function<void()> onClosed);
    [[nodiscard]] QMessageBox *box() const { return m_box; }

private:
    QPointer<QMessageBox> m_box;
};
