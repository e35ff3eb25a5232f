#include "controller/PairingToken.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

class PairingTokenTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void tokensAreUrlSafeBase64OfSixteenBytes()
    {
        const QRegularExpression alphabet("^[A-Za-z0-9_-]{22}$");
        QSet<QString> seen;
        for (int i = 0; i < 200; ++i) {
            const QString token = PairingToken::make();
            QVERIFY2(alphabet.match(token).hasMatch(), qPrintable(token));
            const auto decoded = QByteArray::fromBase64Encoding(
                token.toLatin1(),
                QByteArray::Base64UrlEncoding | QByteArray::AbortOnBase64DecodingErrors);
            QVERIFY(decoded);
            QCOMPARE(decoded.decoded.size(), 16);
            seen.insert(token);
        }
        QCOMPARE(seen.size(), 200);
    }

    void savingReplacesTheFileWithTheBareToken()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        QFile file(dir.filePath("pairing-token.txt"));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("an older and much longer token with a line end\n");
        file.close();

        const QString token = PairingToken::make();
        PairingToken::save(token, dir.path());

        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), token.toUtf8());
    }

    // Another user of the machine must not read the secret, whatever the umask or the mode an
    // older file was left with.
    void tokenFileAndTheFolderMadeForItArePrivate()
    {
#ifdef Q_OS_WIN
        QSKIP("POSIX file modes; on Windows the profile's own access rules keep the file private");
#endif
        QTemporaryDir dir;
        const mode_t saved = umask(0);
        QFile old(dir.filePath("pairing-token.txt"));
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.close();
        QVERIFY(old.setPermissions(QFile::Permissions(0x6644)));
        PairingToken::save(PairingToken::make(), dir.path());
        const QString user =
            PairingToken::fileFolder(dir.filePath("none"), dir.filePath("u/Vidlet"));
        PairingToken::save(PairingToken::make(), user);
        umask(saved);

        struct stat st;
        QCOMPARE(stat(qPrintable(old.fileName()), &st), 0);
        QCOMPARE(st.st_mode & 07777, mode_t(0600));
        QCOMPARE(stat(qPrintable(user + "/pairing-token.txt"), &st), 0);
        QCOMPARE(st.st_mode & 07777, mode_t(0600));
        QCOMPARE(stat(qPrintable(user), &st), 0);
        QCOMPARE(st.st_mode & 07777, mode_t(0700));
    }

    void savingToAMissingFolderIsHarmless()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString missing = dir.filePath("gone");
        PairingToken::save(PairingToken::make(), missing);
        QVERIFY(!QFile::exists(missing + "/pairing-token.txt"));
    }

    void tokenFileStaysBesideAWritableProgram()
    {
        QTemporaryDir dir;
        const QString user = dir.filePath("user/Vidlet");
        QCOMPARE(PairingToken::fileFolder(dir.path(), user), dir.path());
        QVERIFY(!QFileInfo::exists(user));
    }

    void tokenFileMovesToTheUserFolderFromAReadOnlyProgram()
    {
        QTemporaryDir dir;
        const QString user = dir.filePath("user/Vidlet");
        QCOMPARE(PairingToken::fileFolder(dir.filePath("no-such-folder"), user), user);
        QVERIFY(QFileInfo(user).isDir());

        // A folder that refuses the write although its attributes may say it can be written, as
        // Program Files does to a standard user on Windows; Linux's /sys refuses root too.
#ifdef Q_OS_WIN
        const QString refusing = QStringLiteral("Z:/sys/kernel");
#else
        const QString refusing = QStringLiteral("/sys/kernel");
#endif
        if (!QFileInfo(refusing).isDir())
            QSKIP("needs Linux's /sys (under Wine, its Z: drive)");
        QCOMPARE(PairingToken::fileFolder(refusing, user), user);
        PairingToken::save(PairingToken::make(), PairingToken::fileFolder(refusing, user));
        QVERIFY(QFile::exists(user + "/pairing-token.txt"));
    }
};

QTEST_GUILESS_MAIN(PairingTokenTest)
#include "PairingTokenTest.moc"
