#include "tests/e2e/Processes.h"
#include "tests/video/Mp4Probe.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QTest>

// The real program started twice for one user and session: the second start shows the first
// one's window (or starts or ends its recording) and exits; a screenshot run is let through; a
// crashed first run is replaced.
class SingleInstanceTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void secondStartShowsTheRunningWindow();
    void quitEndsTheRunningProgram();
    void aSecondStartStartsAndEndsARecording();
};

namespace {

// Vidlet in the environment of `first`: the same home, settings and runtime folder.
void startBeside(QProcess& process, VidletProcess& first, const QStringList& arguments)
{
    process.setProcessEnvironment(first.process.processEnvironment());
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(binPath("Vidlet"), first.options(arguments));
}

bool waitForLine(QProcess& process, QByteArray& output, const QByteArray& line, int timeoutMs)
{
    const QDeadlineTimer deadline(timeoutMs);
    while (!output.contains(line) && !deadline.hasExpired()) {
        process.waitForReadyRead(200);
        output += process.readAll();
    }
    return output.contains(line);
}

} // namespace

void SingleInstanceTest::secondStartShowsTheRunningWindow()
{
    VidletProcess first;
    QVERIFY(first.start());

    QProcess second;
    startBeside(second, first, {"--lang", "de"});
    QVERIFY(second.waitForFinished(15000));
    const QString secondLog = QString::fromUtf8(second.readAll());
    QCOMPARE(second.exitCode(), 0);
    QVERIFY2(secondLog.contains("Vidlet: already running"), qPrintable(secondLog));
    // The options it was given are not lost in silence.
    QVERIFY2(secondLog.contains(QRegularExpression(
                 "already running; these options apply only to a new start: --lang de ")),
             qPrintable(secondLog));
    QVERIFY2(!secondLog.contains("listening for phones"), qPrintable(secondLog));
    QTRY_VERIFY_WITH_TIMEOUT(first.log().contains("another start asked for the window"), 5000);

    // Screenshot runs are not turned away.
    QProcess shot;
    startBeside(shot, first, {"--shot", "--out", "/dev/null/none.png", "--shot-delay", "300"});
    QVERIFY(shot.waitForFinished(20000));
    QVERIFY(
        QString::fromUtf8(shot.readAll()).contains("Vidlet: shot FAILED for /dev/null/none.png"));

    // A crash leaves the lock and the socket file behind; the next start takes both over.
    first.process.kill();
    QVERIFY(first.process.waitForFinished(5000));
    QProcess after;
    startBeside(after, first, {});
    QByteArray afterLog;
    QVERIFY2(waitForLine(after, afterLog, "listening for phones", 20000), afterLog.constData());
    after.terminate();
    QVERIFY(after.waitForFinished(5000));
}

// The installer runs "Vidlet --quit" before it replaces or removes the program: the running one
// quits as from its menu, and the call returns only once that process has ended.
void SingleInstanceTest::quitEndsTheRunningProgram()
{
    VidletProcess first;
    QVERIFY(first.start());
    QProcess quit;
    startBeside(quit, first, {"--quit"});
    QVERIFY(quit.waitForFinished(45000));
    QCOMPARE(quit.exitCode(), 0);
    // It has ended already (a zombie until this test collects its exit), not merely agreed to.
    QFile stat(QStringLiteral("/proc/%1/stat").arg(first.process.processId()));
    QVERIFY(stat.open(QIODevice::ReadOnly));
    const QByteArray fields = stat.readAll();
    QCOMPARE(fields.mid(fields.lastIndexOf(')') + 2, 1), QByteArray("Z"));
    QVERIFY(first.process.waitForFinished(5000));
    QVERIFY2(first.log().contains("Vidlet: quitting, as another start asked"),
             qPrintable(first.log()));
    QVERIFY2(first.log().contains("Vidlet: session stopped"), qPrintable(first.log()));

    // With none running, nothing starts.
    QProcess again;
    startBeside(again, first, {"--quit"});
    QVERIFY(again.waitForFinished(15000));
    QCOMPARE(again.exitCode(), 0);
    QVERIFY(!QString::fromUtf8(again.readAll()).contains("listening for phones"));
}

// A script or a keyboard shortcut records through a second start: "--record" starts the running
// program's recording once video flows, "--stop-recording" ends it, and the file plays.
void SingleInstanceTest::aSecondStartStartsAndEndsARecording()
{
    VidletProcess first;
    QVERIFY(first.start());
    const auto ask = [&first](const QStringList& arguments) {
        QProcess second;
        startBeside(second, first, arguments);
        if (!second.waitForFinished(15000))
            return -1;
        return second.exitCode();
    };
    // Asked before any phone is live, the recording waits for the video.
    QCOMPARE(ask({"--record"}), 0);
    QVERIFY(!first.log().contains("recording to"));
    PhoneProcess phone;
    phone.start(first, {"--size", "320x240", "--duration-ms", "30000"});
    static const QRegularExpression recording("recording to (\\S+\\.mp4)");
    QString file;
    QTRY_VERIFY_WITH_TIMEOUT(!(file = recording.match(first.log()).captured(1)).isEmpty(), 20000);
    QTRY_VERIFY_WITH_TIMEOUT(Mp4Probe::framesPlayed(file) >= 15, 20000);
    // Asked again while it records: the one recording goes on.
    QCOMPARE(ask({"--record"}), 0);
    QTRY_VERIFY_WITH_TIMEOUT(first.log().contains("asked to record; a recording already runs"),
                             5000);

    QCOMPARE(ask({"--stop-recording"}), 0);
    QTRY_VERIFY_WITH_TIMEOUT(first.log().contains("recording stopped: " + file), 10000);
    // The ordinary file replaces the fragmented one after the stop, once it is written.
    QTRY_VERIFY_WITH_TIMEOUT(first.log().contains("recording complete: " + file), 10000);
    QVERIFY(Mp4Probe::isOrdinary(Mp4Probe::topLevelBoxes(file)));
    QVERIFY(Mp4Probe::framesPlayed(file) >= 15);
    QCOMPARE(first.log().count("recording to "), 1);
    QCOMPARE(ask({"--stop-recording"}), 0);
    QTRY_VERIFY_WITH_TIMEOUT(first.log().contains("asked to end the recording; none runs"), 5000);

    // With none running, the request fails rather than starting a program.
    first.process.terminate();
    QVERIFY(first.process.waitForFinished(20000));
    QProcess none;
    startBeside(none, first, {"--stop-recording"});
    QVERIFY(none.waitForFinished(15000));
    QCOMPARE(none.exitCode(), 1);
    QVERIFY(!QString::fromUtf8(none.readAll()).contains("listening for phones"));
}

QTEST_GUILESS_MAIN(SingleInstanceTest)
#include "SingleInstanceTest.moc"
