#include "core/ByteFormat.h"
#include "core/DateFormat.h"

#include <QProcess>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>
#include <QTimeZone>

#include <clocale>
#include <limits>
#include <time.h>

class TestFormatting : public QObject
{
    Q_OBJECT

private slots:
    void byteFormat_data()
    {
        QTest::addColumn<qint64>("bytes");
        QTest::addColumn<QString>("expected");
        QTest::newRow("negative") << qint64(-5) << "0 B";
        QTest::newRow("zero") << qint64(0) << "0 B";
        QTest::newRow("most bytes") << qint64(1023) << "1023 B";
        QTest::newRow("one KB") << qint64(1024) << "1.0 KB";
        QTest::newRow("one and a half") << qint64(1536) << "1.5 KB";
        QTest::newRow("tie rounds to even (1.25)") << qint64(1280) << "1.2 KB";
        QTest::newRow("tie rounds to even (1.75)") << qint64(1792) << "1.8 KB";
        QTest::newRow("just under a MB") << qint64(1048575) << "1024.0 KB";
        QTest::newRow("one MB") << qint64(1048576) << "1.0 MB";
        QTest::newRow("one GB") << qint64(1073741824) << "1.0 GB";
        QTest::newRow("one TB") << qint64(1099511627776) << "1.0 TB";
        QTest::newRow("no petabytes") << qint64(1125899906842624) << "1024.0 TB";
        QTest::newRow("largest") << std::numeric_limits<qint64>::max() << "8388608.0 TB";
        QTest::newRow("smallest") << std::numeric_limits<qint64>::min() << "0 B";
    }

    void byteFormat()
    {
        QFETCH(qint64, bytes);
        QFETCH(QString, expected);
        QCOMPARE(ByteFormat::string(bytes), expected);
    }

    void byteFormatIgnoresTheNumericLocale()
    {
        // A German LC_NUMERIC writes 1,5 with printf; the text must keep its point.
        QTemporaryDir locales;
        const QString localePath = locales.path() + QStringLiteral("/de_DE.UTF-8");
        if (QProcess::execute(QStringLiteral("localedef"),
                              {QStringLiteral("-i"), QStringLiteral("de_DE"), QStringLiteral("-f"),
                               QStringLiteral("UTF-8"), localePath})
            != 0)
            QSKIP("localedef or the de_DE locale source is not installed");
        qputenv("LOCPATH", QFile::encodeName(locales.path()));
        const char *set = std::setlocale(LC_NUMERIC, "de_DE.UTF-8");
        const auto restore = qScopeGuard([] {
            std::setlocale(LC_NUMERIC, "C");
            qunsetenv("LOCPATH");
        });
        if (!set)
            QSKIP("the compiled locale could not be loaded");
        char printed[16];
        std::snprintf(printed, sizeof printed, "%.1f", 1.5);
        QCOMPARE(QByteArray(printed), QByteArray("1,5"));
        QCOMPARE(ByteFormat::string(1536), QStringLiteral("1.5 KB"));
    }

    void dateFormat()
    {
        const QDateTime past = DateFormat::distantPast();
        QVERIFY(past.isValid());
        QCOMPARE(DateFormat::string(past), QStringLiteral("\u2014"));
        QCOMPARE(DateFormat::string(past.addSecs(-1)), QStringLiteral("\u2014"));
        QCOMPARE(DateFormat::string(QDateTime()), QStringLiteral("\u2014"));
        QVERIFY(DateFormat::string(past.addSecs(60)) != QStringLiteral("\u2014"));
        QCOMPARE(DateFormat::string(QDateTime(QDate(2024, 3, 7), QTime(14, 5, 59))),
                 QStringLiteral("2024-03-07 14:05"));
        QCOMPARE(DateFormat::string(past.addYears(1)).size(), 16);
    }

    void dateFormatShowsLocalTime()
    {
        const QByteArray savedTz = qgetenv("TZ");
        const auto restore = qScopeGuard([&] {
            if (savedTz.isNull())
                qunsetenv("TZ");
            else
                qputenv("TZ", savedTz);
            tzset();
        });
        // A POSIX rule needs no time-zone database: five and a half hours east of UTC.
        qputenv("TZ", "IST-5:30");
        tzset();
        const QDateTime utc(QDate(2024, 3, 7), QTime(8, 35), QTimeZone::utc());
        QCOMPARE(DateFormat::string(utc), QStringLiteral("2024-03-07 14:05"));
        qputenv("TZ", "UTC0");
        tzset();
        QCOMPARE(DateFormat::string(utc), QStringLiteral("2024-03-07 08:35"));
    }
};

QTEST_GUILESS_MAIN(TestFormatting)
#include "tst_formatting.moc"
