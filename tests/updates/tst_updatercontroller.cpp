#include "updates/CheckForUpdatesCommand.h"
#include "updates/UpdaterController.h"

#include <QSignalSpy>
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

    // The window shows each answer (tst_shell: a box per check, none blocking).
    void everyCheckTellsWhereUpdatesComeFrom()
    {
        UpdaterController updater;
        CheckForUpdatesCommand command(updater);
        QCOMPARE(command.text(), QStringLiteral("Check for Updates…"));
        QVERIFY(command.isEnabled());

        QSignalSpy answers(&updater, &UpdaterController::answered);
        command.trigger();
        command.trigger();
        QCOMPARE(answers.size(), 2);
        for (const QList<QVariant> &answer : answers)
            QVERIFY(answer.at(1).toString().contains(QStringLiteral("package manager")));
    }
};

QTEST_MAIN(TestUpdaterController)
#include "tst_updatercontroller.moc"
