#include "core/Concurrency.h"

#include <QObject>
#include <QTest>
#include <QThread>

class TestConcurrency : public QObject
{
    Q_OBJECT

private slots:
    void resultArrivesOnReceiverThread()
    {
        QThreadPool pool;
        QThread *worker = nullptr;
        QThread *publisher = nullptr;
        int published = 0;
        QObject receiver;
        runInPool(&pool, [&worker] {
            worker = QThread::currentThread();
            return 42;
        }).then(&receiver, [&](int value) {
            publisher = QThread::currentThread();
            published = value;
        });
        QTRY_COMPARE(published, 42);
        QVERIFY(worker != QThread::currentThread());
        QCOMPARE(publisher, QThread::currentThread());
    }
};

QTEST_GUILESS_MAIN(TestConcurrency)
#include "tst_concurrency.moc"
