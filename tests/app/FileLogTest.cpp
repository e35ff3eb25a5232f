#include "app/FileLog.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>

#include <optional>

namespace {

void writeFileOfSize(const QString& path, qint64 size)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(QByteArray(size, 'x')), size);
}

QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

class FileLogTest : public QObject {
    Q_OBJECT

    std::optional<QTemporaryDir> dir; // fresh for every test

    // Runs the real handler in a child process of its own, so its once-per-run set-up happens anew.
    struct Run {
        int exitCode;
        QByteArray standardError;
    };
    Run runChild(const QStringList& messages, const QProcessEnvironment& env)
    {
        QProcess child;
        child.setProcessEnvironment(env);
        child.start(QCoreApplication::applicationDirPath() + "/filelog-child", messages);
        if (!child.waitForFinished(30000))
            child.kill();
        return {child.exitStatus() == QProcess::NormalExit ? child.exitCode() : -1,
                child.readAllStandardError()};
    }

    QProcessEnvironment envWithStateHome(const QString& value)
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("XDG_STATE_HOME", value);
        return env;
    }

private Q_SLOTS:
    void init()
    {
        dir.emplace();
        QVERIFY(dir->isValid());
    }

    void folderIsTheUsersStateFolder_data()
    {
        QTest::addColumn<QByteArray>("stateHome");
        QTest::addColumn<QString>("expected");
        QTest::newRow("set") << QByteArray("/home/sam/state") << "/home/sam/state/Vidlet";
        QTest::newRow("empty") << QByteArray() << QDir::homePath() + "/.local/state/Vidlet";
        QTest::newRow("relative, so ignored")
            << QByteArray("state") << QDir::homePath() + "/.local/state/Vidlet";
    }

    void folderIsTheUsersStateFolder()
    {
        QFETCH(QByteArray, stateHome);
        QFETCH(QString, expected);
        const QByteArray saved = qgetenv("XDG_STATE_HOME");
        qputenv("XDG_STATE_HOME", stateHome);
        const QString folder = FileLog::folder();
        qputenv("XDG_STATE_HOME", saved);
        QCOMPARE(folder, expected);
    }

    void prepareKeepsALogUpToTheLimit_data()
    {
        QTest::addColumn<qint64>("size");
        QTest::addColumn<bool>("kept");
        QTest::newRow("empty") << qint64(0) << true;
        QTest::newRow("at the limit") << qint64(524288) << true;
        QTest::newRow("one byte over") << qint64(524289) << false;
    }

    void prepareKeepsALogUpToTheLimit()
    {
        QFETCH(qint64, size);
        QFETCH(bool, kept);
        const QString folder = dir->filePath(QTest::currentDataTag());
        QVERIFY(QDir().mkpath(folder));
        writeFileOfSize(folder + "/vidlet.log", size);

        QCOMPARE(FileLog::prepare(folder), folder + "/vidlet.log");
        QCOMPARE(QFile::exists(folder + "/vidlet.log"), kept);
    }

    void prepareCreatesMissingFolders()
    {
        const QString folder = dir->filePath("a/b/Vidlet");
        QCOMPARE(FileLog::prepare(folder), folder + "/vidlet.log");
        QVERIFY(QDir(folder).exists());
    }

    void writesEachMessageUnchangedToFileAndStandardError()
    {
        const QString message = "Vidlet: stall cleared -> live feed resumed";
        const Run run =
            runChild({message, "  second, with %s and spaces  "}, envWithStateHome(dir->path()));
        QCOMPARE(run.exitCode, 0);
        const QByteArray expected = message.toUtf8() + "\n  second, with %s and spaces  \n";
        QCOMPARE(readAll(dir->filePath("Vidlet/vidlet.log")), expected);
        QCOMPARE(run.standardError, expected);
    }

    // Not in the shared temporary folder: in the home, in a folder only the user may enter.
    void withoutStateHomeLogsPrivatelyUnderHome()
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove("XDG_STATE_HOME");
        env.insert("HOME", dir->filePath("home"));
        env.insert("TMPDIR", dir->filePath("tmp"));
        QVERIFY(QDir().mkpath(dir->filePath("tmp")));

        QCOMPARE(runChild({"Vidlet: hello"}, env).exitCode, 0);
        const QString folder = dir->filePath("home/.local/state/Vidlet");
        QCOMPARE(readAll(folder + "/vidlet.log"), QByteArray("Vidlet: hello\n"));
        QCOMPARE(QFileInfo(folder).permissions() & 0x0077, QFile::Permissions());
        QVERIFY(QDir(dir->filePath("tmp")).isEmpty());
    }

    // Someone who made the folder or planted a link first gains nothing: the folder is made
    // private and a link in the log's place is not followed.
    void refusesALinkInPlaceOfTheLog()
    {
        const QString folder = dir->filePath("Vidlet");
        QVERIFY(QDir().mkpath(folder));
        QVERIFY(QFile::setPermissions(folder, QFile::Permissions(0x7777)));
        const QString victim = dir->filePath("victim.txt");
        writeFileOfSize(victim, 3);
        QVERIFY(QFile::link(victim, folder + "/vidlet.log"));

        const Run run = runChild({"Vidlet: not for you"}, envWithStateHome(dir->path()));
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(run.standardError, QByteArray("Vidlet: not for you\n"));
        QCOMPARE(readAll(victim), QByteArray("xxx"));
        QCOMPARE(QFileInfo(folder).permissions() & 0x0077, QFile::Permissions());
    }

    void sizeIsCheckedOnlyAtTheFirstMessageOfARun()
    {
        const QString log = dir->filePath("Vidlet/vidlet.log");
        QVERIFY(QDir().mkpath(dir->filePath("Vidlet")));
        writeFileOfSize(log, FileLog::sizeLimit);

        // At the limit: kept, and it grows past the limit while the run goes on.
        QCOMPARE(runChild({"Vidlet: one", "Vidlet: two"}, envWithStateHome(dir->path())).exitCode,
                 0);
        QCOMPARE(readAll(log), QByteArray(FileLog::sizeLimit, 'x') + "Vidlet: one\nVidlet: two\n");

        // Now over the limit: the next run starts a fresh log.
        QCOMPARE(runChild({"Vidlet: three"}, envWithStateHome(dir->path())).exitCode, 0);
        QCOMPARE(readAll(log), QByteArray("Vidlet: three\n"));
    }

    void unwritableFolderStillReachesStandardError()
    {
        // A regular file where the folder should be: neither mkpath nor open can succeed.
        const QString blocker = dir->filePath("blocker");
        writeFileOfSize(blocker, 1);
        const Run run = runChild({"Vidlet: still heard"}, envWithStateHome(blocker));
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(run.standardError, QByteArray("Vidlet: still heard\n"));
        QCOMPARE(QFileInfo(blocker).size(), 1);
    }

    void messagesFromTwoThreadsStayWholeLines()
    {
        const Run run = runChild({"--threads"}, envWithStateHome(dir->path()));
        QVERIFY2(run.exitCode == 0, run.standardError.constData());

        const QList<QByteArray> lines = readAll(dir->filePath("Vidlet/vidlet.log")).split('\n');
        QCOMPARE(lines.size(), 401); // the last line end leaves an empty tail
        QSet<QByteArray> distinct;
        for (const QByteArray& line : lines.first(400)) {
            QVERIFY2(line.size() == 25 && line.startsWith("Vidlet: thread "), line.constData());
            distinct.insert(line);
        }
        QCOMPARE(distinct.size(), 400);
    }
};

QTEST_GUILESS_MAIN(FileLogTest)
#include "FileLogTest.moc"
