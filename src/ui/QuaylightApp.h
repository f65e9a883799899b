#pragma once

#include <QObject>

#include <memory>

class QMainWindow;

// The application: builds its one window and keeps it for the life of the process.
class QuaylightApp : public QObject
{
    Q_OBJECT

public:
    explicit QuaylightApp(QObject *parent = nullptr);
    ~QuaylightApp() override;

    [[nodiscard]] QMainWindow *window() const;

private:
    std::unique_ptr<QMainWindow> m_window;
};
