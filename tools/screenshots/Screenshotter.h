#pragma once

#include <QDir>
#include <QPalette>
#include <QString>

// Builds the real window with sample records and writes one PNG of each screen, of the Ports
// screen in its other states (a selection, all clear, a lookup with no match), of the Disk
// cleanup screen with sample records (flat with a selection, grouped, empty), of the
// Breakdown screen with the same records and before any scan, of the dialogs, and of the
// visual kit's gallery.
class Screenshotter
{
public:
    explicit Screenshotter(const QDir &outputFolder);

    // Renders every screen under palette; files are named after the screen and suffix.
    // False when a file could not be written.
    [[nodiscard]] bool renderAll(const QPalette &palette, const QString &suffix);

    [[nodiscard]] static QPalette darkPalette();

private:
    QDir m_outputFolder;
};
