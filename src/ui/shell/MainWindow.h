#pragma once

#include <QMainWindow>
#include <QPointer>
#include <QUrl>

class ProcessStore;
class QMessageBox;
class RootView;
class ScanStore;
class UpdaterController;

// The application's one window, "Quaylight", its title naming the screen shown ("Ports —
// Quaylight"): the root view as its content, at least 940 by 620, and the menus. There is
// no command for a second window. Closing it while a deletion runs asks first ("Wait"
// keeps it open); quitting then stops the deletion between two entries.
class MainWindow : public QMainWindow
{
    Q_OBJECT

public:
    static constexpr QSize s_minimumContentSize{940, 620};

    // productPage empty leaves "Quaylight Help" (and the status bar's home link) out.
    MainWindow(ProcessStore &processes, ScanStore &scan, UpdaterController &updater, const QUrl &productPage,
               QWidget *parent = nullptr);

    [[nodiscard]] RootView *rootView() const { return m_rootView; }

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void buildMenus(UpdaterController &updater);
    void showAbout();
    void showTitle();

    ScanStore &m_scan;
    QUrl m_productPage;
    RootView *m_rootView;
    QPointer<QMessageBox> m_quitQuestion;
    bool m_quitConfirmed = false;
};
