#include "app/LogLimiter.h"

#include <QTest>

// The flood guard of the log, on an injected clock.
class LogLimiterTest : public QObject {
    Q_OBJECT

    static QString reject(int n)
    {
        return QStringLiteral("Vidlet: REJECT NEEDS_PAIR to 10.0.0.%1:5000").arg(n);
    }

private Q_SLOTS:
    void burstPassesThenOneLinePerRefill()
    {
        LogLimiter limiter;
        for (int i = 0; i < LogLimiter::burst; ++i)
            QCOMPARE(limiter.admit(reject(i % 250), 0), QStringList{reject(i % 250)});
        for (int i = 0; i < 30; ++i)
            QVERIFY(limiter.admit(reject(i), 10).isEmpty());
        // Another kind is not held back by this one.
        QCOMPARE(limiter.admit("Vidlet: phone 3 disconnected: BYE", 20).size(), 1);

        QVERIFY(limiter.admit(reject(1), LogLimiter::refillMs - 1).isEmpty());
        const QStringList lines = limiter.admit(reject(2), LogLimiter::refillMs);
        QCOMPARE(lines.size(), 2);
        QCOMPARE(lines.at(0),
                 "Vidlet: suppressed 31 lines like \"" + LogLimiter::kindOf(reject(0)) + "\"");
        QCOMPARE(lines.at(1), reject(2));
        QVERIFY(limiter.admit(reject(3), LogLimiter::refillMs + 10).isEmpty());
    }

    void longLinesAreCut()
    {
        LogLimiter limiter;
        const QString line = "Vidlet: " + QString(5000, 'x');
        const QStringList lines = limiter.admit(line, 0);
        QCOMPARE(lines.size(), 1);
        QCOMPARE(lines.at(0), line.left(LogLimiter::maxLineLength) + "...");
    }

    void kindsBeyondTheTableShareOneBucket()
    {
        LogLimiter limiter;
        for (int k = 0; k < LogLimiter::maxKinds; ++k)
            QCOMPARE(limiter.admit(QStringLiteral("Vidlet: kind %1").arg(QChar('A' + k)), 0).size(),
                     1);
        // Every further kind draws on the shared bucket, so varied texts cannot escape the limit.
        int written = 0;
        for (int i = 0; i < 2 * LogLimiter::burst; ++i)
            written += int(
                limiter.admit(QStringLiteral("Vidlet: new %1").arg(QChar(0x100 + i)), 0).size());
        QCOMPARE(written, LogLimiter::burst);
    }
};

QTEST_GUILESS_MAIN(LogLimiterTest)
#include "LogLimiterTest.moc"
