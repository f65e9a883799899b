#pragma once

#include <QMainWindow>
#include <QUrl>

class ProcessStore;
class RootView;
class ScanStore;
class UpdaterController;

// The application's one window, "Quaylight", its title naming the screen shown ("Ports —
// Quaylight"): the root view as its content, at least 940 by 620, and the menus. There is no command for a second window.
class MainWindow : public QMainWindow
{
    Q_OBJECT

public:
    static constexpr QSize s_minimumContentSize{940, 620};

    // productPage empty leaves "Quaylight Help" (and the status bar's home link) out.
    MainWindow(ProcessStore &processes, ScanStore &scan, UpdaterController &updater,
               const QUrl &productPage, QWidget *parent = nullptr);

    [[nodiscard]] RootView *rootView() const { return m_rootView; }

private:
    void buildMenus(UpdaterController &updater);
    void showAbout();
    void showTitle();

    QUrl m_productPage;
    RootView *m_rootView;
};
