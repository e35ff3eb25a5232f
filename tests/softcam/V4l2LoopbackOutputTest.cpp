#include "softcam/V4l2LoopbackOutput.h"

#include <QtTest>

using namespace softcam;

class V4l2LoopbackOutputTest : public QObject {
    Q_OBJECT

    static void addDevice(const QTemporaryDir& root, const QString& node, const QByteArray& name)
    {
        QVERIFY(QDir(root.path()).mkpath(node));
        QFile file(root.filePath(node + QStringLiteral("/name")));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(name);
    }

private Q_SLOTS:
    void findsTheDeviceByItsLabel()
    {
        QTemporaryDir root;
        addDevice(root, QStringLiteral("video0"), "Integrated Camera\n");
        addDevice(root, QStringLiteral("video7"), "Vidlet Camera\n");
        addDevice(root, QStringLiteral("video8"), "Vidlet Camera 2\n");
        QCOMPARE(V4l2LoopbackOutput::findDevice(root.path().toStdString(), "Vidlet Camera"),
                 std::string("/dev/video7"));
    }

    void findsNothingWithoutTheLabel_data()
    {
        QTest::addColumn<bool>("rootExists");
        QTest::addColumn<QByteArray>("name");
        QTest::newRow("no video4linux folder") << false << QByteArray();
        QTest::newRow("other cameras only") << true << QByteArray("Integrated Camera\n");
        QTest::newRow("label as a prefix") << true << QByteArray("Vidlet Camera (old)\n");
    }

    void findsNothingWithoutTheLabel()
    {
        QFETCH(bool, rootExists);
        QFETCH(QByteArray, name);
        QTemporaryDir root;
        if (rootExists)
            addDevice(root, QStringLiteral("video0"), name);
        const std::string path = rootExists
            ? root.path().toStdString()
            : root.filePath(QStringLiteral("missing")).toStdString();
        QVERIFY(V4l2LoopbackOutput::findDevice(path, "Vidlet Camera").empty());
    }

    void refusesWhatIsNotALoopbackOutput_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<int>("width");
        QTest::newRow("not a video device") << QStringLiteral("/dev/null") << 64;
        QTest::newRow("missing device") << QStringLiteral("/dev/vidlet-no-such-video") << 64;
    }

    void refusesWhatIsNotALoopbackOutput()
    {
        QFETCH(QString, path);
        QFETCH(int, width);
        V4l2LoopbackOutput output;
        QVERIFY(!output.open(path.toStdString(), width, 48, 30.0f));
        // A refused device leaves an output that ignores frames and reports no reader.
        std::vector<unsigned char> bgr(std::size_t(width) * 48 * 3);
        output.write(bgr.data());
        std::vector<unsigned char> i420(std::size_t(width) * 48 * 3 / 2);
        output.writeI420(i420.data());
        QVERIFY(!output.hasConsumers());
    }
};

QTEST_GUILESS_MAIN(V4l2LoopbackOutputTest)
#include "V4l2LoopbackOutputTest.moc"
