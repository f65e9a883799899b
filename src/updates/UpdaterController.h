#pragma once

#include <QObject>
#include <QPointer>
#include <QWidget>

// The application's one updater. Linux has no update framework: a packaged Quaylight is
// updated by the system's package manager, so starting does nothing beyond marking the
// updater started, and a check tells the user where updates come from. GUI thread.
class UpdaterController : public QObject
{
    Q_OBJECT

public:
    // Starts the updater.
    explicit UpdaterController(QObject *parent = nullptr);

    [[nodiscard]] bool isStarted() const { return m_started; }
    // The window the check's message opens over; without one the message is its own window.
    void setWindow(QWidget *window);
    // A user-initiated check. Every call shows its own message, opened without blocking.
    void checkForUpdates();

private:
    void start();

    bool m_started = false;
    QPointer<QWidget> m_window;
};
