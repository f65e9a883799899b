#include "ui/QuaylightApp.h"

#include <QMainWindow>

QuaylightApp::QuaylightApp(QObject *parent)
    : QObject(parent)
    , m_window(std::make_unique<QMainWindow>())
{
    m_window->setWindowTitle(QStringLiteral("Quaylight"));
    m_window->resize(1100, 720);
    m_window->show();
}

QuaylightApp::~QuaylightApp() = default;

QMainWindow *QuaylightApp::window() const
{
    return m_window.get();
}
