#pragma once

#include "tools/vidlet-phone/LinkFramer.h"
#include "tools/vidlet-phone/NetworkJitter.h"
#include "tools/vidlet-phone/PhoneOptions.h"
#include "tools/vidlet-phone/TestPattern.h"
#include "tools/vidlet-phone/X264Encoder.h"

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

#include <deque>

class QTcpSocket;

// The phone's side of one phone-link connection. Over the LAN the phone speaks first with
// HELLO; over USB the PC speaks first with PAIR_INFO, whose token the HELLO then carries.
// After WELCOME the session streams while the PC has made it active and the video is not
// paused: STREAM_INFO, then VIDEO_CONFIG and an IDR, then one VIDEO_FRAME per frame period.
// Everything runs on the thread of the event loop.
class PhoneSession : public QObject {
    Q_OBJECT
public:
    // Takes the connected socket over. The encoder settings come from the options.
    PhoneSession(QTcpSocket* socket, bool usb, const PhoneOptions& options, QObject* parent);

    // Pauses or resumes the video; control messages keep flowing either way.
    void setPaused(bool paused);

    // Ends the session: BYE (when sendBye) and a graceful close; closed() follows.
    void finish(bool sendBye);

Q_SIGNALS:
    void welcomed();
    void frameSent();
    void rejected(const QString& code, const QString& message);
    // The PC closed or broke the connection while the session was not finishing.
    void lost(const QString& reason);
    void closed();

private:
    void onReadyRead();
    void onDisconnected();
    void handle(const LinkFramer::Frame& frame);
    void sendHello();
    void send(quint8 type, const QByteArray& payload, quint8 flags = 0);
    void sendVideo(quint8 type, const QByteArray& payload, quint8 flags = 0);
    void releaseHeld();
    void flushHeld();
    void updateStreaming();
    void scheduleNextFrame();
    void sendFrame();
    void cutMidFrame(const QByteArray& message);
    void stopReading();
    void say(const QString& line) const;

    QTcpSocket* socket; // a child of this session
    const bool usb;
    const PhoneOptions options;
    QString token;
    LinkFramer framer;
    X264Encoder encoder;
    TestPattern pattern;
    QTimer frameTimer;
    QElapsedTimer streamClock;
    // The phone's own clock, which paces its frames: streamClock, skewed by --skew-ppm.
    qint64 phoneUsec() const;
    qint64 pcUsec(qint64 phoneTimeUsec) const;
    // Video messages the simulated network still holds back (--jitter-ms, --stall-ms), oldest first, each
    // with the time on streamClock at which it reaches the PC.
    struct Held {
        qint64 arrivalUsec;
        QByteArray bytes;
    };
    NetworkJitter jitter;
    std::deque<Held> held;
    QTimer heldTimer;

    bool helloSent = false;
    bool welcomeReceived = false;
    bool active = false;
    // STREAM_INFO was sent since the PC last changed this phone's active state.
    bool announced = false;
    bool paused = false;
    bool streaming = false;
    bool finishing = false;
    // rejected() or lost() was emitted: nothing more is read or sent.
    bool reportedEnd = false;
    bool needConfig = true;
    bool forceKey = true;
    bool dropping = false;
    bool encoderOpen = false;
    qint64 lastSlot = -1;
    quint32 framesMade = 0;
};
