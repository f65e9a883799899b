#include "ui/kit/Dialogs.h"
#include "updates/CheckForUpdatesCommand.h"
#include "updates/UpdaterController.h"

#include <QAbstractButton>
#include <QMessageBox>
#include <QTest>

class TestUpdaterController : public QObject
{
    Q_OBJECT

private slots:
    void startsWhenCreated()
    {
        UpdaterController updater;
        QVERIFY(updater.isStarted());
    }

    void everyCheckTellsWhereUpdatesComeFrom()
    {
        QWidget window;
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        UpdaterController updater;
        updater.setWindow(&window);
        CheckForUpdatesCommand command(updater);
        QCOMPARE(command.text(), QStringLiteral("Check for Updates…"));
        QVERIFY(command.isEnabled());

        command.trigger();
        command.trigger();
        const QList<QMessageBox *> boxes = Dialogs::openMessageBoxes(&window);
        QCOMPARE(boxes.size(), 2);
        for (QMessageBox *box : boxes) {
            QVERIFY(box->informativeText().contains(QStringLiteral("package manager")));
            box->buttons().first()->click();
        }
        QTRY_VERIFY(Dialogs::openMessageBoxes(&window).isEmpty());
    }
};

QTEST_MAIN(TestUpdaterController)
#include "tst_updatercontroller.moc"
