#include "controller/AppController.h"
#include "video/FrameLimits.h"

#include <QDebug>

// The session's states and their changes: starting and stopping, going live when the active
// phone announces its stream, idle when it leaves, and paused while it sends nothing.

namespace {
constexpr double cameraFps = 30.0;
} // namespace

QString AppController::status() const
{
    switch (session) {
    case Session::NotStarted:
        return QStringLiteral("Idle");
    case Session::Idle:
        return QStringLiteral("Idle (ready to pair)");
    case Session::NoCamera:
        return QStringLiteral("softcam.dll not found or camera unavailable");
    case Session::Live:
        return QStringLiteral("Live (decoding phone stream)");
    case Session::Paused:
        return QStringLiteral("Phone paused (no video)");
    case Session::Stopped:
        return QStringLiteral("Stopped");
    }
    return {};
}

void AppController::enterSession(Session next, QSize cameraSize)
{
    stopCardPump();
    if (next == Session::Stopped)
        sink->stop();
    else if (cameraSize.isValid())
        restartCamera(cameraSize.width(), cameraSize.height());
    session = next;
    if (next == Session::Idle || next == Session::NoCamera || next == Session::Paused) {
        renderCard();
        startCardPump();
    }
    emit changed();
}

// Only while the card pump is stopped: it reads the camera and the output size.
void AppController::restartCamera(int width, int height)
{
    if (width == outputWidth && height == outputHeight && sink->isRunning())
        return;
    sink->stop();
    sink->start(width, height, cameraFps);
    outputWidth = width;
    outputHeight = height;
}

void AppController::start()
{
    if (session != Session::NotStarted && session != Session::Stopped)
        return;
    // Phones are served even without a camera: the window shows that the camera is
    // unavailable, and the preview and recording still work.
    const bool cameraStarted = sink->start(outputWidth, outputHeight, cameraFps);
    if (server.listen(places.port) || server.listen(0)) {
        serverInfo_ = QStringLiteral("Listening on ") + QString::number(server.port());
        qInfo("Vidlet: listening for phones on port %d", int(server.port()));
    } else {
        serverInfo_ = QStringLiteral("Failed to listen");
        qWarning("Vidlet: cannot listen for phones");
    }
    refreshPairing();
    refreshFirewallBlocked();
    statsTimer.start(intervals.statsMs);
    enterSession(cameraStarted ? Session::Idle : Session::NoCamera);
}

void AppController::stop()
{
    const bool wasRunning = session != Session::Stopped;
    stopRecording();
    decoder.reset();
    paceTimer.stop();
    pendingFrames.clear();
    statsTimer.stop();
    enterSession(Session::Stopped);
    if (wasRunning)
        qInfo("Vidlet: session stopped");
}

void AppController::setIntervals(const Intervals& chosen)
{
    intervals = chosen;
    stallTimer.setInterval(intervals.stallCheckMs);
    server.setSizeChangeIntervalMs(intervals.resizeMs);
    if (statsTimer.isActive())
        statsTimer.start(intervals.statsMs);
    if (paceTimer.isActive() && !paceTimer.isSingleShot())
        paceTimer.setInterval(paceTickMs());
}

void AppController::onStreamInfo(int id, int width, int height, int fps)
{
    // A connection that never passed the handshake leaves no disconnect to clean up after it,
    // so only phones on the roster have their size remembered.
    ConnectedPhone* phone = findPhone(id);
    if (!phone)
        return;
    // A repeat of the announced size changes nothing: restarting the session for it would drop
    // the frames in flight, and a phone repeating it could keep the GUI thread busy.
    const bool repeated = phone->streamSize == QSize(width, height);
    phone->streamSize = QSize(width, height);
    paceIntervalMs = LowLatencyPacing::framePeriodMs(fps, paceIntervalMs);
    lowLatencyPacing.setPeriodMs(paceIntervalMs);
    if (paceTimer.isActive() && !lowLatency_)
        paceTimer.setInterval(paceTickMs());
    if (id == activeId_ && !(repeated && live()))
        goLive(width, height);
}

void AppController::goLive(int width, int height)
{
    // A size no camera can have is treated as unknown: keep the current output and let the
    // first decoded picture set the size.
    if (!FrameLimits::accepts(width, height)) {
        width = outputWidth;
        height = outputHeight;
    }
    if (recorder.isOpen() && (recorder.width() != width || recorder.height() != height))
        stopRecording();
    decoder.initialize(width, height);
    pendingFrames.clear();
    paceTimer.stop();
    lowLatencyPacing.reset();
    const ConnectedPhone* active = findPhone(activeId_);
    activeIsUsb = active && active->usb;
    decodedSinceLive = false;
    lastPictureMs.reset(); // the camera shows the phone's first picture
    lastSeenDecodedCount = framesDecoded_.load();
    lastProgressMs = stallClock.elapsed();
    enterSession(Session::Live, QSize(width, height));
}

void AppController::goIdle()
{
    if (!live())
        return;
    paceTimer.stop();
    pendingFrames.clear();
    stopRecording();
    decoder.reset();
    enterSession(Session::Idle);
}

void AppController::checkStall()
{
    const std::uint64_t decoded = framesDecoded_.load();
    const qint64 now = stallClock.elapsed();
    const std::uint64_t previous = lastSeenDecodedCount;
    lastSeenDecodedCount = decoded;
    if (previous != decoded)
        lastProgressMs = now;
    if (session == Session::Paused && previous != decoded)
        resumeFromStall();
    else if (session == Session::Live && decodedSinceLive
             && now - lastProgressMs > intervals.stallLimitMs)
        pauseForStall();
}

void AppController::pauseForStall()
{
    paceTimer.stop();
    pendingFrames.clear();
    qInfo("Vidlet: stall -> paused card (active phone stopped sending video)");
    enterSession(Session::Paused);
}

void AppController::resumeFromStall()
{
    qInfo("Vidlet: stall cleared -> live feed resumed");
    enterSession(Session::Live);
}
