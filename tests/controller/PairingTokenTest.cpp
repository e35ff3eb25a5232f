#include "controller/PairingToken.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>

class PairingTokenTest : public QObject {
    Q_OBJECT

private slots:
    void tokensAreUrlSafeBase64OfSixteenBytes()
    {
        const QRegularExpression alphabet("^[A-Za-z0-9_-]{22}$");
        QSet<QString> seen;
        for (int i = 0; i < 200; ++i) {
            const QString token = PairingToken::make();
            QVERIFY2(alphabet.match(token).hasMatch(), qPrintable(token));
            const auto decoded = QByteArray::fromBase64Encoding(
                token.toLatin1(), QByteArray::Base64UrlEncoding | QByteArray::AbortOnBase64DecodingErrors);
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

        const QString program = dir.filePath("bin");
        QVERIFY(QDir().mkpath(program));
        QVERIFY(QFile::setPermissions(program, QFile::ReadOwner | QFile::ExeOwner));
        if (QFileInfo(program).isWritable())
            QSKIP("running as root: every folder counts as writable");
        QCOMPARE(PairingToken::fileFolder(program, user), user);
    }
};

QTEST_GUILESS_MAIN(PairingTokenTest)
#include "PairingTokenTest.moc"
