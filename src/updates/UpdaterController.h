#pragma once

#include <QObject>
#include <QString>

// The application's one updater. Linux has no update framework: a packaged Quaylight is
// updated by the system's package manager, so starting does nothing beyond marking the
// updater started, and a check tells the user where updates come from: the window shows
// each answer in a message of its own. GUI thread.
class UpdaterController : public QObject
{
    Q_OBJECT

public:
    // Starts the updater.
    explicit UpdaterController(QObject *parent = nullptr);

    [[nodiscard]] bool isStarted() const { return m_started; }
    // A user-initiated check. Every call answers once.
    void checkForUpdates();

signals:
    void answered(const QString &title, const QString &message);

private:
    void start();

    bool m_started = false;
};
