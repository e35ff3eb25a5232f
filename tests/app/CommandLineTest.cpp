#include "tests/e2e/Processes.h"

#include <QTest>

// The real program started with options that must not start it: it prints, exits, and neither
// listens nor writes a pairing token.
class CommandLineTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void answersWithoutStarting_data();
    void answersWithoutStarting();
    void helpExplainsEveryOption();
};

void CommandLineTest::answersWithoutStarting_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("out"); // on standard output
    QTest::addColumn<QString>("err"); // on standard error
    QTest::newRow("help") << QStringList{"--help"} << 0 << "usage: Vidlet [options]"
                          << "";
    QTest::newRow("version") << QStringList{"--version"} << 0 << "Vidlet 1.1\n"
                             << "";
    QTest::newRow("help among Qt's and our options")
        << QStringList{"-platform", "offscreen", "--lang", "de", "--help", "--shot"} << 0
        << "usage: Vidlet [options]"
        << "";
    QTest::newRow("unknown option")
        << QStringList{"--hepl"} << 2 << ""
        << "Vidlet: unknown option \"--hepl\"\n\nusage: Vidlet [options]";
    QTest::newRow("stray argument") << QStringList{"video.mp4"} << 2 << ""
                                    << "Vidlet: unexpected argument \"video.mp4\"";
    QTest::newRow("missing value") << QStringList{"--help", "--lang"} << 2 << ""
                                   << "Vidlet: --lang needs a value (CODE)";
    QTest::newRow("port not a number")
        << QStringList{"--port", "88o8"} << 2 << ""
        << "Vidlet: --port takes a port number from 0 to 65535, not \"88o8\"";
    QTest::newRow("port too large") << QStringList{"--port", "65536"} << 2 << ""
                                    << "Vidlet: --port takes a port number from 0 to 65535";
}

void CommandLineTest::answersWithoutStarting()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, exitCode);
    QFETCH(QString, out);
    QFETCH(QString, err);
    VidletProcess vidlet;
    vidlet.process.setProcessChannelMode(QProcess::SeparateChannels);
    // The program's options go last, so a wrongly started program keeps to the throw-away home.
    vidlet.process.start(binPath("Vidlet"), vidlet.options(arguments));
    QVERIFY(vidlet.process.waitForFinished(15000));
    // Windows writes text with CR LF line ends.
    const QString stdOut =
        QString::fromLocal8Bit(vidlet.process.readAllStandardOutput()).replace("\r\n", "\n");
    const QString stdErr =
        QString::fromLocal8Bit(vidlet.process.readAllStandardError()).replace("\r\n", "\n");
    QCOMPARE(vidlet.process.exitStatus(), QProcess::NormalExit);
    QCOMPARE(vidlet.process.exitCode(), exitCode);
    QVERIFY2(out.isEmpty() ? stdOut.isEmpty() : stdOut.startsWith(out), qPrintable(stdOut));
    QVERIFY2(err.isEmpty() ? stdErr.isEmpty() : stdErr.startsWith(err), qPrintable(stdErr));
    QVERIFY(vidlet.token().isEmpty());
}

void CommandLineTest::helpExplainsEveryOption()
{
    QProcess vidlet;
    vidlet.start(binPath("Vidlet"), {"--help"});
    QVERIFY(vidlet.waitForFinished(15000));
    const QStringList lines =
        QString::fromLocal8Bit(vidlet.readAllStandardOutput()).replace("\r\n", "\n").split('\n');
    const QStringList options{"--help",         "--version",   "--lang",      "--port",
                              "--token-folder", "--usbmux",    "--record",    "--stop-recording",
                              "--shot",         "--out",       "--shot-view", "--shot-active",
                              "--shot-delay",   "--shot-theme"};
    for (const QString& option : options) {
        QStringList found;
        for (const QString& line : lines)
            if (line.startsWith("  " + option + ' '))
                found << line;
        // One line each, with its explanation after the option column.
        QVERIFY2(found.size() == 1, qPrintable(option));
        QVERIFY2(found[0].mid(31).simplified().count(' ') >= 2, qPrintable(found[0]));
    }
}

QTEST_MAIN(CommandLineTest)
#include "CommandLineTest.moc"
