#include "core/Concurrency.h"

#include <QObject>
#include <QSemaphore>
#include <QTest>
#include <QThread>

class TestConcurrency : public QObject
{
    Q_OBJECT

private slots:
    void resultArrivesOnTheOwnersThread()
    {
        QThreadPool pool;
        QObject owner;
        auto mailbox = std::make_shared<Mailbox>(&owner);
        QThread *worker = nullptr;
        QThread *done = nullptr;
        const QFuture<int> future = handBack(
            pool, mailbox,
            [&worker] {
                worker = QThread::currentThread();
                return 41;
            },
            [&done](int value) {
                done = QThread::currentThread();
                return value + 1;
            });
        QTRY_VERIFY(future.isFinished());
        QCOMPARE(future.result(), 42);
        QVERIFY(worker != QThread::currentThread());
        QCOMPARE(done, QThread::currentThread());
    }

    void nothingComesBackOnceClosed()
    {
        QThreadPool pool;
        QObject owner;
        auto mailbox = std::make_shared<Mailbox>(&owner);
        bool ran = false;
        QSemaphore started;
        QSemaphore go;
        const QFuture<void> future = handBack(
            pool, mailbox,
            [&] {
                started.release();
                go.acquire();
                return 0;
            },
            [&ran](int) { ran = true; });
        started.acquire();
        mailbox->close();
        go.release();
        pool.waitForDone();
        QCoreApplication::processEvents();
        QVERIFY(!ran);
        QVERIFY(future.isCanceled());
    }
};

QTEST_GUILESS_MAIN(TestConcurrency)
#include "tst_concurrency.moc"
