#include "Screenshotter.h"

#include <QApplication>
#include <QDir>
#include <QTextStream>

// quaylight_screenshots [FOLDER]: writes <screen>.png and <screen>-dark.png for each screen,
// in the Fusion style at 1× and (as <screen>@2x.png) at 2×, into FOLDER (build/screenshots
// when not given), rendered offscreen.
int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    QApplication::setStyle(QStringLiteral("Fusion"));
    QApplication::setApplicationName(QStringLiteral("Quaylight"));
    QApplication::setApplicationVersion(QStringLiteral(QUAYLIGHT_VERSION));

    const QStringList arguments = QApplication::arguments();
    const QString folder = arguments.size() > 1 ? arguments.at(1) : QStringLiteral("build/screenshots");
    QDir output(folder);
    if (!output.mkpath(QStringLiteral("."))) {
        QTextStream(stderr) << "cannot create " << folder << '\n';
        return 1;
    }

    Screenshotter screenshotter(output);
    const QPalette light = QApplication::palette();
    bool written = screenshotter.renderAll(light, {});
    written = screenshotter.renderAll(Screenshotter::darkPalette(), QStringLiteral("-dark")) && written;
    if (!written) {
        QTextStream(stderr) << "could not write every screenshot into " << folder << '\n';
        return 1;
    }
    QTextStream(stdout) << "screenshots written to " << output.absolutePath() << '\n';
    return 0;
}
