#include "controller/AppController.h"
#include "controller/StatusCard.h"
#include "video/FrameLimits.h"

#include <QDebug>

// The session's states and their changes: starting and stopping, going live when the active
// phone announces its stream, idle when it leaves, and paused while it sends nothing.

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
    cardPump.stop();
    if (next == Session::Stopped)
        pipeline.camera().stop();
    else if (cameraSize.isValid())
        pipeline.camera().resize(cameraSize);
    session = next;
    if (next == Session::Idle || next == Session::NoCamera || next == Session::Paused) {
        renderCard();
        cardPump.start();
    }
    Q_EMIT changed();
}

// Draws the card of the current state at the camera's size; states without one keep the last.
void AppController::renderCard()
{
    const QSize size = pipeline.camera().size();
    if (session == Session::Paused)
        cardPump.setCard(StatusCard::paused(size));
    else if (session == Session::Idle || session == Session::NoCamera)
        cardPump.setCard(StatusCard::idle(size, hasLanAddress() ? pairing.pairAddress : QString()));
}

void AppController::start()
{
    if (session != Session::NotStarted && session != Session::Stopped)
        return;
    // Phones are served even without a camera: the window shows that the camera is
    // unavailable, and the preview and recording still work.
    const bool cameraStarted = pipeline.camera().start(pipeline.wantedCameraSize());
    const bool onItsPort = server.listen(places.port);
    if (onItsPort || server.listen(0)) {
        portTaken_ = onItsPort ? 0 : places.port;
        serverInfo_ = QStringLiteral("Listening on ") + QString::number(server.port());
        qInfo("Vidlet: listening for phones on port %d", int(server.port()));
    } else {
        serverInfo_ = QStringLiteral("Failed to listen");
        qWarning("Vidlet: cannot listen for phones");
    }
    refreshPairing();
    refreshFirewallBlocked();
    unfinished.look(recordingFolder());
    statsTimer.start(intervals.statsMs);
    enterSession(cameraStarted ? Session::Idle : Session::NoCamera);
}

void AppController::stop()
{
    const bool wasRunning = session != Session::Stopped;
    stopRecording();
    pipeline.end();
    statsTimer.stop();
    enterSession(Session::Stopped);
    // The phones go with the session, so that a program started next takes the port at once.
    roster.clear();
    activeId_ = -1;
    server.close();
    if (wasRunning)
        qInfo("Vidlet: session stopped");
}

void AppController::setIntervals(const Intervals& chosen)
{
    intervals = chosen;
    stallTimer.setInterval(intervals.stallCheckMs);
    server.setSizeChangeIntervalMs(intervals.resizeMs);
    pipeline.camera().setRemakeIntervalMs(intervals.resizeMs);
    pipeline.setPaceTickMs(intervals.paceMs);
    pipeline.setUnreadRefreshMs(intervals.unreadRefreshMs);
    if (statsTimer.isActive())
        statsTimer.start(intervals.statsMs);
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
    phone->streamFps = fps;
    if (id != activeId_)
        return;
    // Only a first guess for the pacer, which then measures the frames' own rate; another
    // phone's word has no say in it.
    pipeline.setPhoneFps(fps);
    if (!(repeated && live()))
        goLive(width, height);
}

void AppController::goLive(int width, int height)
{
    // A size no camera can have is treated as unknown: keep the current one and let the first
    // decoded picture set the size.
    const QSize size =
        FrameLimits::accepts(width, height) ? QSize(width, height) : pipeline.camera().size();
    endRecordingOfOtherSize(pipeline.cameraSizeFor(size));
    const ConnectedPhone* active = findPhone(activeId_);
    if (active)
        pipeline.setPhoneFps(active->streamFps);
    pipeline.begin(size, !(active && active->usb));
    stall.restart(pipeline.framesDecoded());
    enterSession(Session::Live, pipeline.cameraSizeFor(size));
}

void AppController::goIdle()
{
    if (!live())
        return;
    stopRecording();
    pipeline.end();
    enterSession(Session::Idle);
}

void AppController::checkStall()
{
    const bool moved = stall.moved(pipeline.framesDecoded());
    if (session == Session::Paused && moved)
        resumeFromStall();
    else if (session == Session::Live && stall.stalled(intervals.stallLimitMs))
        pauseForStall();
}

void AppController::pauseForStall()
{
    pipeline.dropWaiting();
    qInfo("Vidlet: stall -> paused card (active phone stopped sending video)");
    enterSession(Session::Paused);
}

void AppController::resumeFromStall()
{
    qInfo("Vidlet: stall cleared -> live feed resumed");
    enterSession(Session::Live);
}
