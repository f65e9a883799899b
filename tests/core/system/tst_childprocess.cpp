#include "core/system/ChildProcess.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <atomic>
#include <cerrno>
#include <thread>

#include <sys/resource.h>
#include <sys/wait.h>

class TestChildProcess : public QObject
{
    Q_OBJECT

private slots:
    void runLaunchesNothingForMissingOrNonExecutablePaths()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString marker = dir.filePath("ran");
        const QString script = dir.filePath("tool.sh");
        QFile file(script);
        QVERIFY(file.open(QIODevice::WriteOnly)
                && file.write(QStringLiteral("#!/bin/sh\necho hi\ntouch '%1'\n").arg(marker).toUtf8()) > 0);
        file.close();
        QVERIFY(file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner));

        for (const QString &path : {dir.filePath("missing"), script, dir.path(), QString()}) {
            QCOMPARE(ChildProcess::run(path, {}), QString());
            QVERIFY2(!QFile::exists(marker), qPrintable(path));
        }

        // Made executable, the same script does run: the check above can fail.
        QVERIFY(file.setPermissions(file.permissions() | QFileDevice::ExeOwner));
        QCOMPARE(ChildProcess::run(script, {}), QString("hi\n"));
        QVERIFY(QFile::exists(marker));
    }

    // Arguments go through as they are; stdout only, whatever the exit status.
    void runReturnsStdoutOnly()
    {
        QCOMPARE(ChildProcess::run("/usr/bin/printf", {"%s|", "a  b", "$HOME", "*", "'q'"}),
                 QString("a  b|$HOME|*|'q'|"));
        QCOMPARE(ChildProcess::run("/bin/sh", {"-c", "echo out; echo err >&2; exit 3"}), QString("out\n"));
        QCOMPARE(ChildProcess::run("/usr/bin/printf", {"a\\377b\\n"}), QString("a\ufffdb\n"));
        // Output cut off in the middle of a two-byte character.
        QCOMPARE(ChildProcess::run("/usr/bin/printf", {"caf\\303"}), QString("caf\ufffd"));
        QCOMPARE(ChildProcess::run("/usr/bin/printf", {"caf\\303\\251"}), QString("café"));
    }

    void runReadsLargeOutputWhileStderrFloods()
    {
        // Both streams far beyond a pipe's buffer, written at the same time.
        const QString text =
            ChildProcess::run("/bin/sh", {"-c", "yes err | head -c 12000000 >&2 & yes out | head -c 12000000; wait"});
        QCOMPARE(text.size(), 12000000);
        QCOMPARE(text.count(QLatin1String("out\n")), 3000000);
    }

    // A tool that outstays its time limit, also one that closed its output early, or whose run is
    // stopped, is killed and reaped at once; a stopped run keeps nothing.
    void runEndsAToolThatWouldRunOn_data()
    {
        QTest::addColumn<QString>("script");
        QTest::addColumn<int>("timeLimit");
        QTest::addColumn<bool>("stopped");
        QTest::addColumn<QString>("output");
        QTest::newRow("time limit") << "echo partial; exec sleep 60" << 300 << false << "partial\n";
        QTest::newRow("output closed early") << "echo x; exec sleep 60 >&-" << 300 << false << "x\n";
        QTest::newRow("stopped") << "echo partial; exec sleep 60" << 60000 << true << "";
    }

    void runEndsAToolThatWouldRunOn()
    {
        QFETCH(QString, script);
        QFETCH(int, timeLimit);
        QFETCH(bool, stopped);
        QFETCH(QString, output);
        std::atomic<bool> stop = false;
        std::thread stopper([&stop, stopped] {
            std::this_thread::sleep_for(std::chrono::milliseconds(200));
            stop = stopped;
        });
        QElapsedTimer timer;
        timer.start();
        const QString text = ChildProcess::run("/bin/sh", {"-c", script}, timeLimit, ChildProcess::s_maxOutput, &stop);
        stopper.join();
        QCOMPARE(text, output);
        QVERIFY2(timer.elapsed() < 30000, "run() waited for the tool instead of stopping it");
        errno = 0;
        QCOMPARE(::waitpid(-1, nullptr, WNOHANG), -1);
        QCOMPARE(errno, ECHILD);
    }

    // A runaway tool is cut off at the cap, killed and reaped; only whole lines are kept.
    void runCapsAFloodingTool()
    {
        QTemporaryDir dir;
        const QString flood = dir.filePath("ps");
        QFile script(flood);
        QVERIFY(script.open(QIODevice::WriteOnly));
        script.write("#!/bin/sh\nexec yes '4242 1 00:01 10 node flood.js'\n");
        script.close();
        QVERIFY(script.setPermissions(script.permissions() | QFileDevice::ExeOwner));

        const QString text = ChildProcess::run(flood, {});
        const qsizetype line = QString("4242 1 00:01 10 node flood.js\n").size();
        QCOMPARE(text.size(), ChildProcess::s_maxOutput / line * line);
        QCOMPARE(text.count(u'\n'), text.size() / line);
        QCOMPARE(::waitpid(-1, nullptr, WNOHANG), -1);
        QCOMPARE(errno, ECHILD);
    }

    void runLowersTheOpenFileLimit()
    {
        rlimit limit{};
        QCOMPARE(::getrlimit(RLIMIT_NOFILE, &limit), 0);
        const rlimit saved = limit;
        if (limit.rlim_cur <= 1024 && (limit.rlim_max == RLIM_INFINITY || limit.rlim_max > 1024)) {
            limit.rlim_cur = limit.rlim_max == RLIM_INFINITY ? 65536 : limit.rlim_max;
            QCOMPARE(::setrlimit(RLIMIT_NOFILE, &limit), 0);
        }
        if (limit.rlim_cur <= 1024)
            QSKIP("the hard open-file limit is 1024 or less; nothing to lower");
        const QString text = ChildProcess::run("/bin/sh", {"-c", "ulimit -Sn; ulimit -Hn"});
        ::setrlimit(RLIMIT_NOFILE, &saved);
        // The soft limit comes down; the hard limit is left alone.
        const QString hard = limit.rlim_max == RLIM_INFINITY ? "unlimited" : QString::number(limit.rlim_max);
        QCOMPARE(text, QString("1024\n%1\n").arg(hard));
    }
};

QTEST_GUILESS_MAIN(TestChildProcess)
#include "tst_childprocess.moc"
