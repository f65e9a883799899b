#include "core/processes/NodeProcess.h"
#include "support/ProcessFeed.h"

#include <QTest>

using Kind = NodeProcess::Kind;

class TestNodeProcess : public QObject
{
    Q_OBJECT

private slots:
    void portsText()
    {
        QCOMPARE(record(1, Kind::node).portsText(), QString("—"));
        QCOMPARE(record(1, Kind::node, {3000, 5173, 9999}).portsText(), QString("3000, 5173, 9999"));
    }

    void elapsedText_data()
    {
        QTest::addColumn<qint64>("seconds");
        QTest::addColumn<QString>("text");
        QTest::newRow("zero") << qint64(0) << "0s";
        QTest::newRow("59") << qint64(59) << "59s";
        QTest::newRow("60") << qint64(60) << "1m 0s";
        QTest::newRow("3599") << qint64(3599) << "59m 59s";
        QTest::newRow("3600") << qint64(3600) << "1h 0m";
        QTest::newRow("86399") << qint64(86399) << "23h 59m";
        QTest::newRow("86400") << qint64(86400) << "1d 0h";
        QTest::newRow("400 days") << qint64(400) * 86400 + 3599 << "400d 0h";
    }

    void elapsedText()
    {
        QFETCH(qint64, seconds);
        QFETCH(QString, text);
        QCOMPARE(record(1, Kind::node, {}, 1000, seconds).elapsedText(), text);
    }

    void hangingReason_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("command");
        QTest::addColumn<QList<int>>("ports");
        QTest::addColumn<qint64>("elapsed");
        QTest::addColumn<QString>("reason"); // empty: none

        const int node = int(Kind::node);
        const int npm = int(Kind::packageManager);
        const QList<int> none;
        QTest::newRow("vite without ports, 1s") << int(Kind::vite) << "vite" << none << qint64(1) << "Vite dev server";
        QTest::newRow("nodemon on 9999") << int(Kind::nodemon) << "nodemon x" << QList<int>{9999} << qint64(5)
                                         << "nodemon dev server";
        QTest::newRow("next wins over a dev port")
            << int(Kind::next) << "next-server" << QList<int>{3000} << qint64(5) << "Next.js dev server";
        QTest::newRow("first dev port in order")
            << node << "node server.js" << QList<int>{8080, 9999} << qint64(5) << "listening on port 8080";
        QTest::newRow("non-dev port before dev port")
            << node << "node s.js" << QList<int>{1233, 24678} << qint64(5) << "listening on port 24678";
        QTest::newRow("only a non-dev port") << node << "node server.js" << QList<int>{9999} << qint64(5) << "";
        // " serve" is a plain substring, so "server.js" counts once it has run long enough.
        QTest::newRow("server.js after 1801s")
            << node << "node server.js" << QList<int>{9999} << qint64(1801) << "running `node server.js` for 30m 1s";
        QTest::newRow("npm run dev at 1800s") << npm << "npm run dev" << none << qint64(1800) << "";
        QTest::newRow("npm run dev at 1801s")
            << npm << "npm run dev" << none << qint64(1801) << "running `npm run dev` for 30m 1s";
        QTest::newRow("devserver word") << node << "node x.js devserver" << none << qint64(5000)
                                        << "running `node x.js devserver` for 1h 23m";
        QTest::newRow("upper case keeps its case")
            << npm << "yarn DEV" << none << qint64(5000) << "running `yarn DEV` for 1h 23m";
        QTest::newRow("start") << node << "node app.js start" << none << qint64(2000)
                               << "running `node app.js start` for 33m 20s";
        QTest::newRow("hyphen before dev") << node << "node app.js --devtools" << none << qint64(5000) << "";
        QTest::newRow("dev at the very start") << node << "dev.js" << none << qint64(5000) << "";
        QTest::newRow("control characters escaped")
            << npm << "npm start \u202Esj.lave\n"
            << none << qint64(2000) << "running `npm start \\u202Esj.lave\\u000A` for 33m 20s";
    }

    void hangingReason()
    {
        QFETCH(int, kind);
        QFETCH(QString, command);
        QFETCH(QList<int>, ports);
        QFETCH(qint64, elapsed);
        QFETCH(QString, reason);
        const std::optional<QString> expected = reason.isEmpty() ? std::nullopt : std::optional(reason);
        QCOMPARE(record(1, Kind(kind), ports, 1000, elapsed, {}, command).hangingReason(), expected);
    }

    void printableEscapesControlAndBidiCharacters_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("shown");
        QTest::newRow("plain, emoji, accents") << "node café/\U0001F600 a\\b.js"
                                               << "node café/\U0001F600 a\\b.js";
        QTest::newRow("C0, DEL") << "a\tb\x1b[2Jc\x7f"
                                 << "a\\u0009b\\u001B[2Jc\\u007F";
        QTest::newRow("C1") << "x\u0085\u009by"
                            << "x\\u0085\\u009By";
        QTest::newRow("bidi overrides and isolates") << "\u202Egpj.exe\u202C \u2066a\u2069 \u200F\u061C"
                                                     << "\\u202Egpj.exe\\u202C \\u2066a\\u2069 \\u200F\\u061C";
        QTest::newRow("line separators") << "a\u2028b\u2029"
                                         << "a\\u2028b\\u2029";
    }

    void printableEscapesControlAndBidiCharacters()
    {
        QFETCH(QString, text);
        QFETCH(QString, shown);
        QCOMPARE(NodeProcess::printable(text), shown);
    }
};

QTEST_GUILESS_MAIN(TestNodeProcess)
#include "tst_nodeprocess.moc"
