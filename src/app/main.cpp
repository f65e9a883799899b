#include "ui/shell/QuaylightApp.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quaylight"));
    QApplication::setApplicationVersion(QStringLiteral(QUAYLIGHT_VERSION));
    // Lets the desktop find the installed entry (and its icon) for the window.
    QGuiApplication::setDesktopFileName(QStringLiteral(QUAYLIGHT_APP_ID));
    QuaylightApp quaylight;
    return QApplication::exec();
}
