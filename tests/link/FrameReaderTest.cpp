#include "link/FrameReader.h"
#include "link/PhoneLink.h"

#include <QTest>

namespace {

QByteArray frameBytes(quint8 type, quint8 flags, const QByteArray& payload)
{
    return PhoneLink::header(type, flags, quint32(payload.size())) + payload;
}

// Feeds `stream` in pieces of `chunk` bytes and collects every frame, stopping at the first
// oversized header.
QList<FrameReader::Frame> readAll(FrameReader& reader, const QByteArray& stream, int chunk,
                                  bool* oversized = nullptr)
{
    QList<FrameReader::Frame> frames;
    FrameReader::Frame frame;
    for (qsizetype pos = 0; pos < stream.size(); pos += chunk) {
        reader.append(stream.mid(pos, chunk));
        for (;;) {
            const auto status = reader.next(frame);
            if (status == FrameReader::Status::Oversized) {
                if (oversized)
                    *oversized = true;
                return frames;
            }
            if (status == FrameReader::Status::NeedMore)
                break;
            frames.append(frame);
        }
    }
    return frames;
}

} // namespace

class FrameReaderTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void reassemblesFramesWhateverTheChunking_data()
    {
        QTest::addColumn<int>("chunk");
        QTest::newRow("one byte at a time") << 1;
        QTest::newRow("header split") << 4;
        QTest::newRow("odd pieces") << 7;
        QTest::newRow("all in one read") << 0;
    }
    void reassemblesFramesWhateverTheChunking()
    {
        QFETCH(int, chunk);
        const QByteArray stream = frameBytes(0x01, 0x00, "{\"v\":1}")
            + frameBytes(0x11, 0x03, QByteArray(40, 'x')) + frameBytes(0x40, 0x00, QByteArray())
            + frameBytes(0x13, 0xFF, QByteArray(3, '\0'));
        FrameReader reader;
        const auto frames = readAll(reader, stream, chunk == 0 ? int(stream.size()) : chunk);
        QCOMPARE(frames.size(), 4);
        QCOMPARE(frames[0].type, quint8(0x01));
        QCOMPARE(frames[0].payload, QByteArray("{\"v\":1}"));
        QCOMPARE(frames[1].type, quint8(0x11));
        QCOMPARE(frames[1].flags, quint8(0x03));
        QCOMPARE(frames[1].payload, QByteArray(40, 'x'));
        QCOMPARE(frames[2].type, quint8(0x40));
        QVERIFY(frames[2].payload.isEmpty());
        QCOMPARE(frames[3].flags, quint8(0xFF));
        QCOMPARE(frames[3].payload, QByteArray(3, '\0'));
        QCOMPARE(reader.buffered(), 0);
    }

    void keepsOnlyTheUnfinishedFrame()
    {
        FrameReader reader;
        const QByteArray first = frameBytes(0x10, 0, QByteArray(100, 'a'));
        const QByteArray second = frameBytes(0x10, 0, QByteArray(1000, 'b'));
        reader.append(first + second.left(10));
        FrameReader::Frame frame;
        QCOMPARE(reader.next(frame), FrameReader::Status::Frame);
        QCOMPARE(reader.next(frame), FrameReader::Status::NeedMore);
        QCOMPARE(reader.buffered(), 10);
        reader.append(second.mid(10));
        QCOMPARE(reader.next(frame), FrameReader::Status::Frame);
        QCOMPARE(frame.payload, QByteArray(1000, 'b'));
    }

    // Only a whole frame of the type counts, wherever it waits behind others.
    void tellsWhetherAWholeFrameOfATypeWaits()
    {
        FrameReader reader;
        const QByteArray video = frameBytes(PhoneLink::VIDEO_FRAME, 0, QByteArray(50, 'v'));
        reader.append(frameBytes(PhoneLink::VIDEO_FRAME, 0, "first")
                      + frameBytes(PhoneLink::PING, 0, "{}") + video.left(20));
        FrameReader::Frame frame;
        QCOMPARE(reader.next(frame), FrameReader::Status::Frame);
        QVERIFY(!reader.holdsWhole(PhoneLink::VIDEO_FRAME));
        QVERIFY(reader.holdsWhole(PhoneLink::PING));
        reader.append(video.mid(20));
        QVERIFY(reader.holdsWhole(PhoneLink::VIDEO_FRAME));
        QCOMPARE(reader.next(frame), FrameReader::Status::Frame);
        QCOMPARE(reader.next(frame), FrameReader::Status::Frame);
        QVERIFY(!reader.holdsWhole(PhoneLink::VIDEO_FRAME));
    }

    void payloadIsIndependentOfLaterInput()
    {
        FrameReader reader;
        reader.append(frameBytes(0x13, 0, "jpeg") + frameBytes(0x13, 0, "next").left(3));
        FrameReader::Frame frame;
        QCOMPARE(reader.next(frame), FrameReader::Status::Frame);
        const QByteArray kept = frame.payload;
        QCOMPARE(reader.next(frame), FrameReader::Status::NeedMore);
        reader.append(QByteArray(5000, 'z'));
        QCOMPARE(kept, QByteArray("jpeg"));

        // A frame that fills the buffer exactly is handed over without a copy.
        FrameReader exact;
        exact.append(frameBytes(0x10, 0, "sps-pps"));
        QCOMPARE(exact.next(frame), FrameReader::Status::Frame);
        const QByteArray whole = frame.payload;
        exact.append(frameBytes(0x10, 0, "overwrite"));
        QCOMPARE(exact.next(frame), FrameReader::Status::Frame);
        QCOMPARE(whole, QByteArray("sps-pps"));
        QCOMPARE(frame.payload, QByteArray("overwrite"));
    }

    void enforcesTheLargestPayload_data()
    {
        QTest::addColumn<quint32>("length");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("exactly 16 MiB") << quint32(0x1000000) << true;
        QTest::newRow("one byte over") << quint32(0x1000001) << false;
        QTest::newRow("largest 32-bit length") << quint32(0xFFFFFFFF) << false;
    }
    void enforcesTheLargestPayload()
    {
        QFETCH(quint32, length);
        QFETCH(bool, accepted);
        FrameReader reader;
        reader.append(frameBytes(0x30, 0, "ok") + PhoneLink::header(0x10, 0, length));
        FrameReader::Frame frame;
        QCOMPARE(reader.next(frame), FrameReader::Status::Frame);
        QCOMPARE(frame.payload, QByteArray("ok"));
        if (!accepted) {
            QCOMPARE(reader.next(frame), FrameReader::Status::Oversized);
            return;
        }
        QCOMPARE(reader.next(frame), FrameReader::Status::NeedMore);
        const QByteArray payload(qsizetype(length), 'p');
        reader.append(payload.left(length - 1));
        QCOMPARE(reader.next(frame), FrameReader::Status::NeedMore);
        reader.append(payload.right(1));
        QCOMPARE(reader.next(frame), FrameReader::Status::Frame);
        QCOMPARE(frame.payload.size(), qsizetype(length));
        QCOMPARE(reader.buffered(), 0);
    }

    void writesHeaderLittleEndian()
    {
        QCOMPARE(PhoneLink::header(0x20, 0x00, 15), QByteArray::fromHex("20000f000000"));
        QCOMPARE(PhoneLink::header(0x11, 0x01, 0x01020304), QByteArray::fromHex("110104030201"));
    }
};

QTEST_GUILESS_MAIN(FrameReaderTest)
#include "FrameReaderTest.moc"
