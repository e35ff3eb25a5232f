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

}

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

    QProcessEnvironment envWithLocalAppData(const QString& value)
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("LOCALAPPDATA", value);
        return env;
    }

private slots:
    void init()
    {
        dir.emplace();
        QVERIFY(dir->isValid());
    }

    void folderFollowsLocalAppData_data()
    {
        QTest::addColumn<QString>("localAppData");
        QTest::addColumn<QString>("expected");
        QTest::newRow("set") << "C:/Users/sam/AppData/Local" << "C:/Users/sam/AppData/Local/Vidlet";
        QTest::newRow("empty") << "" << QDir::tempPath() + "/Vidlet";
    }

    void folderFollowsLocalAppData()
    {
        QFETCH(QString, localAppData);
        QFETCH(QString, expected);
        QCOMPARE(FileLog::folder(localAppData), expected);
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
        const Run run = runChild({message, "  second, with %s and spaces  "},
                                 envWithLocalAppData(dir->path()));
        QCOMPARE(run.exitCode, 0);
        const QByteArray expected = message.toUtf8() + "\n  second, with %s and spaces  \n";
        QCOMPARE(readAll(dir->filePath("Vidlet/vidlet.log")), expected);
        QCOMPARE(run.standardError, expected);
    }

    void withoutLocalAppDataLogsUnderTheTemporaryFolder_data()
    {
        QTest::addColumn<bool>("unset");
        QTest::newRow("unset") << true;
        QTest::newRow("empty") << false;
    }

    void withoutLocalAppDataLogsUnderTheTemporaryFolder()
    {
        QFETCH(bool, unset);
        QProcessEnvironment env = envWithLocalAppData("");
        if (unset)
            env.remove("LOCALAPPDATA");
        const QString temp = dir->filePath(QTest::currentDataTag());
        QVERIFY(QDir().mkpath(temp));
        env.insert("TMPDIR", temp); // what QDir::tempPath() reads on Unix
        env.insert("TMP", temp);    // and on Windows
        env.insert("TEMP", temp);

        QCOMPARE(runChild({"Vidlet: hello"}, env).exitCode, 0);
        QCOMPARE(readAll(temp + "/Vidlet/vidlet.log"), QByteArray("Vidlet: hello\n"));
    }

    void sizeIsCheckedOnlyAtTheFirstMessageOfARun()
    {
        const QString log = dir->filePath("Vidlet/vidlet.log");
        QVERIFY(QDir().mkpath(dir->filePath("Vidlet")));
        writeFileOfSize(log, FileLog::sizeLimit);

        // At the limit: kept, and it grows past the limit while the run goes on.
        QCOMPARE(runChild({"Vidlet: one", "Vidlet: two"}, envWithLocalAppData(dir->path())).exitCode, 0);
        QCOMPARE(readAll(log), QByteArray(FileLog::sizeLimit, 'x') + "Vidlet: one\nVidlet: two\n");

        // Now over the limit: the next run starts a fresh log.
        QCOMPARE(runChild({"Vidlet: three"}, envWithLocalAppData(dir->path())).exitCode, 0);
        QCOMPARE(readAll(log), QByteArray("Vidlet: three\n"));
    }

    void unwritableFolderStillReachesStandardError()
    {
        // A regular file where the folder should be: neither mkpath nor open can succeed.
        const QString blocker = dir->filePath("blocker");
        writeFileOfSize(blocker, 1);
        const Run run = runChild({"Vidlet: still heard"}, envWithLocalAppData(blocker));
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(run.standardError, QByteArray("Vidlet: still heard\n"));
        QCOMPARE(QFileInfo(blocker).size(), 1);
    }

    void messagesFromTwoThreadsStayWholeLines()
    {
        const Run run = runChild({"--threads"}, envWithLocalAppData(dir->path()));
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
