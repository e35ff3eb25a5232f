#include "tools/vidlet-phone/NetworkJitter.h"

#include <QTest>

#include <vector>

// The phone simulator's Wi-Fi: jitter that keeps the frames' order, and power-saving silences
// after which what was held arrives at once.
class NetworkJitterTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void silencesHoldFramesUntilTheirEnd()
    {
        NetworkJitter wifi(0, 300, 3000);
        std::vector<qint64> arrivals;
        for (qint64 made = 0; made < 6'000'000; made += 100'000)
            arrivals.push_back(wifi.arrivalUsec(made));
        for (std::size_t i = 0; i < arrivals.size(); ++i) {
            const qint64 made = qint64(i) * 100'000;
            const qint64 intoCycle = made % 3'000'000;
            const qint64 expected = intoCycle >= 2'700'000 ? made - intoCycle + 3'000'000 : made;
            QCOMPARE(arrivals[i], expected);
        }
    }

    void jitterKeepsTheOrderAndItsBound()
    {
        NetworkJitter wifi(10, 300, 3000);
        qint64 last = 0;
        for (qint64 made = 0; made < 10'000'000; made += 33'333) {
            const qint64 arrival = wifi.arrivalUsec(made);
            QVERIFY(arrival >= last);
            QVERIFY(arrival >= made);
            QVERIFY(arrival <= made + 310'000); // at most the jitter and one silence
            last = arrival;
        }
    }
};

QTEST_GUILESS_MAIN(NetworkJitterTest)
#include "NetworkJitterTest.moc"
