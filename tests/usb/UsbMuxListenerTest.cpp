#include "usb/UsbMuxListener.h"

#include <QTest>

// Whose listener on Apple's port is handed the pairing token, decided from what Windows tells
// of it: Apple's service, or a program file whose verified signature is Apple's (the Microsoft
// Store versions of iTunes and Apple Devices run the multiplexer in the user's session).
class UsbMuxListenerTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void onlyApplesMultiplexerIsTrusted_data()
    {
        const QString store =
            QStringLiteral("C:\\Program Files\\WindowsApps\\AppleInc.AppleDevices_1.0_x64\\"
                           "AppleMobileDeviceProcess.exe");
        const QString impostor = QStringLiteral("C:\\Users\\u\\AppData\\Local\\tool.exe");
        QTest::addColumn<qulonglong>("process");
        QTest::addColumn<qulonglong>("appleService");
        QTest::addColumn<QString>("image");
        QTest::addColumn<QString>("signer");
        QTest::addColumn<QString>("refusal");
        QTest::newRow("Apple's service") << 812ull << 812ull << QString() << QString() << "";
        QTest::newRow("the Store's process") << 4242ull << 0ull << store << "Apple Inc."
                                             << "";
        QTest::newRow("the Store's process beside the service")
            << 4242ull << 812ull << store << "Apple Inc."
            << "";
        QTest::newRow("unknown listener") << 0ull << 812ull << QString() << QString()
                                          << "cannot tell which process listens there";
        QTest::newRow("unsigned program") << 4242ull << 812ull << impostor << QString()
                                          << impostor
                + " (process 4242) listens there, neither Apple's service nor signed by "
                  "Apple";
        // The name alone is anyone's to take.
        QTest::newRow("unsigned program with Apple's name") << 4242ull << 0ull << store << QString()
                                                            << store
                + " (process 4242) listens there, neither Apple's service nor signed by "
                  "Apple";
        QTest::newRow("signed by another")
            << 4242ull << 0ull << impostor << "Apple Inc, Ltd."
            << impostor + " (process 4242) listens there, signed by Apple Inc, Ltd., not by Apple";
        QTest::newRow("unreadable program")
            << 4242ull << 0ull << QString() << QString()
            << "process 4242 listens there, neither Apple's service nor signed by Apple";
    }

    void onlyApplesMultiplexerIsTrusted()
    {
        QFETCH(qulonglong, process);
        QFETCH(qulonglong, appleService);
        QFETCH(QString, image);
        QFETCH(QString, signer);
        QFETCH(QString, refusal);
        UsbMuxListener listener;
        listener.process = static_cast<unsigned long>(process);
        listener.appleService = static_cast<unsigned long>(appleService);
        listener.image = image;
        listener.signer = signer;
        QCOMPARE(listener.refusal(), refusal);
    }
};

QTEST_GUILESS_MAIN(UsbMuxListenerTest)
#include "UsbMuxListenerTest.moc"
