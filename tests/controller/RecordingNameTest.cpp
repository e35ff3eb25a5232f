#include "controller/RecordingName.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

// Recording names never replace a file: a taken name gets the next free suffix.
class RecordingNameTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void takenNamesGetASuffixAndKeepTheirContent()
    {
        QTemporaryDir dir;
        const QDateTime when(QDate(2026, 1, 2), QTime(3, 4, 5));
        const QString first = dir.filePath("Vidlet_20260102_030405.mp4");
        QFile old(first);
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write("an earlier recording");
        old.close();

        QCOMPARE(RecordingName::reserve(dir.path(), when),
                 dir.filePath("Vidlet_20260102_030405_2.mp4"));
        QCOMPARE(RecordingName::reserve(dir.path(), when),
                 dir.filePath("Vidlet_20260102_030405_3.mp4"));
        QVERIFY(old.open(QIODevice::ReadOnly));
        QCOMPARE(old.readAll(), QByteArray("an earlier recording"));
        QCOMPARE(RecordingName::reserve(dir.filePath("new/folder"), when),
                 dir.filePath("new/folder/Vidlet_20260102_030405.mp4"));
    }

    void folderThatCannotHoldFilesGivesNoName()
    {
        QTemporaryDir dir;
        QFile blocker(dir.filePath("blocker"));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        QVERIFY(RecordingName::reserve(blocker.fileName(), QDateTime::currentDateTime()).isEmpty());
    }
};

QTEST_GUILESS_MAIN(RecordingNameTest)
#include "RecordingNameTest.moc"
