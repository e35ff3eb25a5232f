#include "tools/vidlet-phone/PhoneSession.h"

#include "tools/common/FrameStamp.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QTcpSocket>
#include <QtEndian>

#include <cstdio>

namespace {

// A live stream must not queue seconds of video behind a PC that stops reading. The kernel's
// send buffer is kept small (its autotuning would let it grow to megabytes) and past about half
// a second of video waiting in the socket, frames are dropped; the next one sent is an IDR so
// that the PC's decoder recovers.
constexpr int kKernelSendBuffer = 128 * 1024;

qint64 maxQueuedBytes(int bitrateKbps)
{
    return qMax<qint64>(64 * 1024, qint64(bitrateKbps) * 1000 / 16);
}

QByteArray json(const QJsonObject& object)
{
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

QJsonObject parseObject(const QByteArray& payload)
{
    return QJsonDocument::fromJson(payload).object();
}

} // namespace

PhoneSession::PhoneSession(QTcpSocket* socket, bool usb, const PhoneOptions& options,
                           QObject* parent)
    : QObject(parent),
      socket(socket),
      usb(usb),
      options(options),
      token(options.token),
      pattern(options.width, options.height),
      jitter(options.jitterMs, options.stallMs, options.stallEveryMs)
{
    socket->setParent(this);
    socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
    socket->setSocketOption(QAbstractSocket::SendBufferSizeSocketOption, kKernelSendBuffer);
    encoderOpen = encoder.open(options.width, options.height, options.fps, options.bitrateKbps,
                               options.gopFrames);
    frameTimer.setSingleShot(true);
    frameTimer.setTimerType(Qt::PreciseTimer);
    connect(&frameTimer, &QTimer::timeout, this, &PhoneSession::sendFrame);
    heldTimer.setSingleShot(true);
    heldTimer.setTimerType(Qt::PreciseTimer);
    connect(&heldTimer, &QTimer::timeout, this, &PhoneSession::releaseHeld);
    connect(socket, &QTcpSocket::readyRead, this, &PhoneSession::onReadyRead);
    connect(socket, &QTcpSocket::disconnected, this, &PhoneSession::onDisconnected);
    streamClock.start();
    if (!usb)
        sendHello();
    // Bytes may have arrived before this object listened (PAIR_INFO comes at once over USB).
    QMetaObject::invokeMethod(this, &PhoneSession::onReadyRead, Qt::QueuedConnection);
}

void PhoneSession::say(const QString& line) const
{
    if (!options.verbose)
        return;
    std::fprintf(stdout, "vidlet-phone: %s\n", line.toUtf8().constData());
    std::fflush(stdout);
}

void PhoneSession::send(quint8 type, const QByteArray& payload, quint8 flags)
{
    socket->write(LinkFramer::encode(type, flags, payload));
}

// Video passes the simulated network, which may hold it back; nothing overtakes what it holds.
void PhoneSession::sendVideo(quint8 type, const QByteArray& payload, quint8 flags)
{
    if (options.jitterMs == 0 && options.stallMs == 0 && held.empty()) {
        send(type, payload, flags);
        return;
    }
    held.push_back({jitter.arrivalUsec(streamClock.nsecsElapsed() / 1000),
                    LinkFramer::encode(type, flags, payload)});
    releaseHeld();
}

void PhoneSession::releaseHeld()
{
    const qint64 now = streamClock.nsecsElapsed() / 1000;
    while (!held.empty() && held.front().arrivalUsec <= now) {
        socket->write(held.front().bytes);
        held.pop_front();
    }
    if (!held.empty() && !heldTimer.isActive())
        heldTimer.start(int((held.front().arrivalUsec - now + 999) / 1000));
}

// Before BYE or a close, everything held arrives.
void PhoneSession::flushHeld()
{
    heldTimer.stop();
    for (const Held& message : held)
        socket->write(message.bytes);
    held.clear();
}

void PhoneSession::sendHello()
{
    helloSent = true;
    send(LinkFramer::Hello,
         json({{"v", options.protocolVersion},
               {"token", token},
               {"deviceId", options.deviceId},
               {"name", options.name},
               {"modelName", options.model},
               {"osVersion", options.os}}));
}

void PhoneSession::onReadyRead()
{
    if (reportedEnd)
        return;
    framer.append(socket->readAll());
    while (auto frame = framer.take()) {
        handle(*frame);
        if (reportedEnd)
            return;
    }
    if (framer.broken()) {
        std::fprintf(stderr, "vidlet-phone: the PC announced a frame over 16 MiB\n");
        reportedEnd = true;
        frameTimer.stop();
        Q_EMIT lost(QStringLiteral("oversized frame from the PC"));
        socket->abort();
    }
}

void PhoneSession::handle(const LinkFramer::Frame& frame)
{
    switch (frame.type) {
    case LinkFramer::PairInfo: {
        const QJsonObject info = parseObject(frame.payload);
        say(QStringLiteral("PAIR_INFO pcName=%1 transport=%2")
                .arg(info.value("pcName").toString(), info.value("transport").toString()));
        if (usb && !helloSent) {
            if (!options.tokenGiven)
                token = info.value("token").toString();
            sendHello();
        }
        break;
    }
    case LinkFramer::Welcome:
        say(QStringLiteral("WELCOME %1").arg(QString::fromUtf8(frame.payload)));
        if (!welcomeReceived) {
            welcomeReceived = true;
            Q_EMIT welcomed();
        }
        updateStreaming();
        break;
    case LinkFramer::Reject: {
        const QJsonObject reject = parseObject(frame.payload);
        const QString code = reject.value("code").toString();
        const QString message = reject.value("message").toString();
        std::fprintf(stderr, "vidlet-phone: REJECT %s: %s\n", code.toUtf8().constData(),
                     message.toUtf8().constData());
        reportedEnd = true;
        frameTimer.stop();
        Q_EMIT rejected(code, message);
        break;
    }
    case LinkFramer::SetActive:
        active = parseObject(frame.payload).value("active").toBool();
        say(QStringLiteral("SET_ACTIVE %1").arg(active ? "true" : "false"));
        announced = false;
        updateStreaming();
        break;
    case LinkFramer::KeyframeRequest:
        say(QStringLiteral("KEYFRAME_REQUEST"));
        forceKey = true;
        break;
    case LinkFramer::Ping:
        say(QStringLiteral("PING %1").arg(QString::fromUtf8(frame.payload)));
        send(LinkFramer::Pong, frame.payload);
        break;
    default:
        say(QStringLiteral("ignored message type 0x%1").arg(frame.type, 2, 16, QLatin1Char('0')));
        break;
    }
}

void PhoneSession::setPaused(bool pause)
{
    paused = pause;
    updateStreaming();
}

void PhoneSession::updateStreaming()
{
    const bool should = welcomeReceived && active && !paused && !finishing && !reportedEnd;
    if (should == streaming)
        return;
    streaming = should;
    if (!streaming) {
        frameTimer.stop();
        return;
    }
    // A phone that has just been made active announces its stream and starts it with the
    // parameter sets and an IDR; one that resumes after a pause simply goes on.
    if (!announced) {
        announced = true;
        send(LinkFramer::StreamInfo,
             json({{"width", options.infoWidth},
                   {"height", options.infoHeight},
                   {"fps", options.fps}}));
        needConfig = true;
        forceKey = true;
    }
    // Not at once: a KEYFRAME_REQUEST read in the same batch is then honoured by this frame.
    frameTimer.start(0);
}

qint64 PhoneSession::phoneUsec() const
{
    return streamClock.nsecsElapsed() / 1000 * (1'000'000 + options.skewPpm) / 1'000'000;
}

qint64 PhoneSession::pcUsec(qint64 phoneTimeUsec) const
{
    return phoneTimeUsec * 1'000'000 / (1'000'000 + options.skewPpm);
}

void PhoneSession::scheduleNextFrame()
{
    const qint64 nextUsec = pcUsec((lastSlot + 1) * 1000000 / options.fps);
    const qint64 waitUsec = nextUsec - streamClock.nsecsElapsed() / 1000;
    frameTimer.start(int(qMax<qint64>(0, (waitUsec + 999) / 1000)));
}

void PhoneSession::sendFrame()
{
    if (!streaming)
        return;
    // Frames belong to fixed slots of the session's clock; a late timer skips the slots it
    // missed, as a camera does, so the stream keeps real time.
    const qint64 slot = phoneUsec() * options.fps / 1000000;
    if (slot <= lastSlot) {
        scheduleNextFrame();
        return;
    }
    lastSlot = slot;
    if (socket->bytesToWrite() > maxQueuedBytes(options.bitrateKbps)) {
        if (!dropping)
            say(QStringLiteral("the PC is not reading: dropping video"));
        dropping = true;
        forceKey = true;
        scheduleNextFrame();
        return;
    }
    dropping = false;
    if (!encoderOpen) {
        reportedEnd = true;
        streaming = false;
        Q_EMIT lost(QStringLiteral("the encoder could not be opened"));
        socket->abort();
        return;
    }
    const X264Encoder::Picture picture = encoder.picture();
    if (!picture.y) {
        scheduleNextFrame();
        return;
    }
    pattern.draw(picture, slot);
    if (!options.noStamp) {
        const FrameStamp stamp{framesMade, FrameStamp::nowUsec()};
        stamp.encodeI420(picture.y, picture.yStride, picture.u, picture.uStride, picture.v,
                         picture.vStride, options.width, options.height);
    }
    const qint64 ptsUsec = slot * 1000000 / options.fps;
    const auto unit = encoder.encode(ptsUsec, forceKey);
    if (!unit) {
        forceKey = true;
        scheduleNextFrame();
        return;
    }
    if (unit->keyframe)
        forceKey = false;
    if (needConfig && unit->keyframe) {
        sendVideo(LinkFramer::VideoConfig, X264Encoder::parameterSets(unit->annexB));
        needConfig = false;
    }
    QByteArray payload(8, Qt::Uninitialized);
    qToLittleEndian<quint64>(quint64(ptsUsec), payload.data());
    payload.append(unit->annexB);
    if (options.cutAfterFrames > 0 && framesMade == options.cutAfterFrames)
        return cutMidFrame(LinkFramer::encode(LinkFramer::VideoFrame, 0, payload));
    sendVideo(LinkFramer::VideoFrame, payload, unit->keyframe ? 0x01 : 0x00);
    ++framesMade;
    if (options.deafAfterFrames > 0 && framesMade == options.deafAfterFrames)
        stopReading();
    Q_EMIT frameSent();
    if (streaming)
        scheduleNextFrame();
}

// What the PC sends from now on stays in the kernel's buffers: Qt reads no more once its own
// one-byte buffer is full, so the PC's writes back up as towards a hung app.
void PhoneSession::stopReading()
{
    say(QStringLiteral("no longer reading what the PC sends"));
    disconnect(socket, &QTcpSocket::readyRead, this, &PhoneSession::onReadyRead);
    socket->setReadBufferSize(1);
}

// Half of the message reaches the PC, then the connection is gone without a word.
void PhoneSession::cutMidFrame(const QByteArray& message)
{
    flushHeld();
    socket->write(message.left(message.size() / 2));
    socket->waitForBytesWritten(1000);
    reportedEnd = true;
    streaming = false;
    frameTimer.stop();
    Q_EMIT lost(QStringLiteral("the connection was cut in the middle of a video frame"));
    socket->abort();
}

void PhoneSession::finish(bool sendBye)
{
    if (finishing)
        return;
    finishing = true;
    updateStreaming();
    if (socket->state() != QAbstractSocket::ConnectedState) {
        QMetaObject::invokeMethod(this, &PhoneSession::closed, Qt::QueuedConnection);
        return;
    }
    flushHeld();
    if (sendBye)
        send(LinkFramer::Bye, QByteArray());
    // disconnected() follows once the queued bytes are out, and it may come right away.
    socket->disconnectFromHost();
}

void PhoneSession::onDisconnected()
{
    streaming = false;
    frameTimer.stop();
    heldTimer.stop();
    held.clear();
    if (finishing) {
        Q_EMIT closed();
    } else if (!reportedEnd) {
        reportedEnd = true;
        Q_EMIT lost(QStringLiteral("connection closed by the PC"));
    }
}
