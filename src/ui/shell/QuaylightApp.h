#pragma once

#include "core/processes/ProcessStore.h"

#include <QObject>
#include <QUrl>

#include <memory>

class MainWindow;
class ScanStore;
class UpdaterController;

// The application: creates the scan store, then the process store, then the updater, once,
// keeps them for its whole life and hands them to the one window, which it shows. Closing
// the window quits (QApplication's default when the last window closes). GUI thread.
class QuaylightApp : public QObject
{
    Q_OBJECT

public:
    // The real application: processes from the system, the product page set at build time.
    explicit QuaylightApp(QObject *parent = nullptr);
    // scan feeds the process store; productPage empty leaves Help and Home out.
    QuaylightApp(ProcessStore::ScanFunction scan, const QUrl &productPage, QObject *parent = nullptr);
    ~QuaylightApp() override;

    // The address set with the QUAYLIGHT_HOMEPAGE build option; empty when none (or one
    // that is not an http or https address) was set.
    [[nodiscard]] static QUrl configuredProductPage();

    [[nodiscard]] ScanStore &scanStore() const { return *m_scan; }
    [[nodiscard]] ProcessStore &processStore() const { return *m_processes; }
    [[nodiscard]] UpdaterController &updater() const { return *m_updater; }
    [[nodiscard]] MainWindow *window() const { return m_window.get(); }

private:
    // Declared in creation order; destroyed in reverse, so the window goes before the
    // stores it reads.
    std::unique_ptr<ScanStore> m_scan;
    std::unique_ptr<ProcessStore> m_processes;
    std::unique_ptr<UpdaterController> m_updater;
    std::unique_ptr<MainWindow> m_window;
};
