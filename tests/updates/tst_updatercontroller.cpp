#include "updates/CheckForUpdatesCommand.h"
#include "updates/UpdaterController.h"

#include <QSignalSpy>
#include <QTest>

class TestUpdaterController : public QObject
{
    Q_OBJECT

private slots:
    // Its text, and the box each answer opens, are checked through the window in tst_shell.
    void everyCheckTellsWhereUpdatesComeFrom()
    {
        UpdaterController updater;
        CheckForUpdatesCommand command(updater);
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
