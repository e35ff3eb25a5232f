#include "controller/AppController.h"
#include "video/FrameLimits.h"

#include <QDebug>
#include <QMetaMethod>

#include <chrono>
#include <cstring>

// The session: idle (the idle card goes to the camera), live (decoded frames do) and paused
// (live, but the active phone stopped sending; the paused card goes to the camera).

namespace {
constexpr double cameraFps = 30.0;
constexpr std::size_t maxPendingFrames = 5;
constexpr std::size_t maxSpareFrames = 2;
constexpr int stallLimitMs = 1500;
constexpr int cropTolerance = 15; // H.264 pads to 16-pixel macroblocks

// What the decoder and the camera take; a larger announced size would only fail there after
// the camera had been given up.
bool plausibleSize(int width, int height)
{
    return FrameLimits::accepts(width, height);
}
} // namespace

void AppController::start()
{
    if (workerRunning.load() || live_)
        return;
    // Phones are served even without a camera: the window shows that the camera is
    // unavailable, and the preview and recording still work.
    const bool cameraStarted = sink.start(outputWidth, outputHeight, cameraFps);
    if (server.listen(places.port) || server.listen(0)) {
        serverInfo_ = QStringLiteral("Listening on ") + QString::number(server.port());
        qInfo("Vidlet: listening for phones on port %d", int(server.port()));
    } else {
        serverInfo_ = QStringLiteral("Failed to listen");
        qWarning("Vidlet: cannot listen for phones");
    }
    refreshPairing();
    refreshFirewallBlocked();
    renderIdleCard(outputWidth, outputHeight);
    startWorker();
    status_ = cameraStarted ? QStringLiteral("Idle (ready to pair)")
                            : QStringLiteral("softcam.dll not found or camera unavailable");
    statsTimer.start(500);
    emit changed();
}

void AppController::stop()
{
    const bool wasRunning = status_ != QStringLiteral("Stopped");
    stopRecording();
    stopWorker();
    decoder.reset();
    sink.stop();
    statsTimer.stop();
    status_ = QStringLiteral("Stopped");
    if (wasRunning)
        qInfo("Vidlet: session stopped");
    emit changed();
}

void AppController::startWorker()
{
    if (workerRunning.exchange(true))
        return;
    worker = std::thread(&AppController::pumpCards, this);
}

void AppController::stopWorker()
{
    if (workerRunning.exchange(false) && worker.joinable())
        worker.join();
}

void AppController::pumpCards()
{
    using namespace std::chrono;
    const std::size_t n = std::size_t(outputWidth) * std::size_t(outputHeight) * 3;
    const Frame blank(n, 0x12);
    auto next = steady_clock::now();
    while (workerRunning.load()) {
        if (outputEnabled_.load()) {
            std::lock_guard<std::mutex> guard(cardLock);
            sink.sendFrame(cardFrame.size() == n ? cardFrame.data() : blank.data());
            ++framesSent_;
        }
        // Advance a deadline rather than sleep a fixed time, so the rate stays at 30 per second.
        next += nanoseconds(33'333'000);
        std::this_thread::sleep_until(next);
    }
}

void AppController::onStreamInfo(int id, int width, int height, int fps)
{
    // A connection that never passed the handshake leaves no disconnect to clean up after it,
    // so only phones on the roster have their size remembered.
    if (rosterIndex(id) < 0)
        return;
    // A repeat of the announced size changes nothing: restarting the session for it would drop
    // the frames in flight, and a phone repeating it could keep the GUI thread busy.
    const auto previous = streamSizes.constFind(id);
    const bool repeated = previous != streamSizes.cend() && *previous == qMakePair(width, height);
    streamSizes.insert(id, qMakePair(width, height));
    if (fps >= 1 && fps <= 120) {
        paceIntervalMs = 1000 / fps;
        lowLatencyPacing.setPeriodMs(paceIntervalMs);
        if (paceTimer.isActive() && !lowLatency_)
            paceTimer.setInterval(paceIntervalMs);
    }
    if (id == activeId_ && !(repeated && live_))
        goLive(width, height);
}

void AppController::goLive(int width, int height)
{
    // A size no camera can have is treated as unknown: keep the current output and let the
    // first decoded picture set the size.
    if (!plausibleSize(width, height)) {
        width = outputWidth;
        height = outputHeight;
    }
    stopWorker();
    if (recorder.isOpen() && (recorder.width() != width || recorder.height() != height))
        stopRecording();
    if (width != outputWidth || height != outputHeight || !sink.isRunning()) {
        sink.stop();
        sink.start(width, height, cameraFps);
        outputWidth = width;
        outputHeight = height;
    }
    decoder.initialize(width, height);
    pendingFrames.clear();
    paceTimer.stop();
    lowLatencyPacing.reset();

    activeIsUsb = false;
    const int i = rosterIndex(activeId_);
    if (i >= 0)
        activeIsUsb = phones_.at(i).toMap().value(QStringLiteral("usb")).toBool();

    live_ = true;
    pausedCardShown = false;
    decodedSinceLive = false;
    lastSeenDecodedCount = framesDecoded_.load();
    lastProgressMs = stallClock.elapsed();
    status_ = QStringLiteral("Live (decoding phone stream)");
    emit changed();
}

void AppController::goIdle()
{
    if (!live_)
        return;
    live_ = false;
    pausedCardShown = false;
    paceTimer.stop();
    pendingFrames.clear();
    stopRecording();
    decoder.reset();
    stopWorker();
    status_ = QStringLiteral("Idle (ready to pair)");
    renderIdleCard(outputWidth, outputHeight);
    startWorker();
    emit changed();
}

void AppController::onVideoConfig(int id, const QByteArray& config)
{
    if (id == activeId_ && decoder.isInitialized())
        decoder.decode(reinterpret_cast<const unsigned char*>(config.constData()),
                       std::size_t(config.size()), 0);
}

void AppController::onVideoFrame(int id, const QByteArray& accessUnit, qulonglong ptsUsec, bool)
{
    if (id != activeId_ || !decoder.isInitialized())
        return;
    const auto begin = std::chrono::steady_clock::now();
    decoder.decode(reinterpret_cast<const unsigned char*>(accessUnit.constData()),
                   std::size_t(accessUnit.size()), ptsUsec);
    const auto spent = std::chrono::steady_clock::now() - begin;
    decodeNsSum +=
        std::uint64_t(std::chrono::duration_cast<std::chrono::nanoseconds>(spent).count());
    ++decodeCalls;
}

// A picture of the output size is converted straight into a buffer of the controller's, which
// then travels through the pacing queue into the camera without being copied. One cropped or
// adopted first stays in the decoder's buffer.
unsigned char* AppController::queueSlot(int width, int height)
{
    if (!live_ || width != outputWidth || height != outputHeight)
        return nullptr;
    if (decodeSlot.empty() && !spareFrames.empty()) {
        decodeSlot = std::move(spareFrames.back());
        spareFrames.pop_back();
    }
    decodeSlot.resize(std::size_t(width) * std::size_t(height) * 3);
    return decodeSlot.data();
}

void AppController::onDecodedFrame(const unsigned char* pixels, int width, int height)
{
    if (!live_ || width < 1 || height < 1)
        return;
    // Stop the paused-card pump before the output size may change under it.
    if (pausedCardShown)
        resumeFromStall();
    const unsigned char* frame = pixels;
    if (width != outputWidth || height != outputHeight) {
        const bool padded = width >= outputWidth && height >= outputHeight
            && width - outputWidth <= cropTolerance && height - outputHeight <= cropTolerance;
        if (padded) {
            const std::size_t row = std::size_t(outputWidth) * 3;
            cropBuffer.resize(row * std::size_t(outputHeight));
            for (int y = 0; y < outputHeight; ++y)
                std::memcpy(cropBuffer.data() + row * y, pixels + std::size_t(width) * 3 * y, row);
            frame = cropBuffer.data();
        } else {
            adoptDecoderSize(width, height);
        }
    }

    ++framesDecoded_;
    decodedSinceLive = true;

    const std::size_t bytes = std::size_t(outputWidth) * std::size_t(outputHeight) * 3;
    const bool inSlot = frame == decodeSlot.data() && decodeSlot.size() == bytes;
    if (activeIsUsb) {
        // Over USB there is no network jitter to smooth out: output at once.
        if (inSlot)
            outputFrame(decodeSlot);
        else
            outputFrame(frame);
        return;
    }
    // Buffers come back from the ticks that output them, so the queue allocates nothing.
    BgrBuffer queued;
    if (inSlot) {
        queued = std::move(decodeSlot);
        decodeSlot = BgrBuffer();
    } else {
        if (!spareFrames.empty()) {
            queued = std::move(spareFrames.back());
            spareFrames.pop_back();
        }
        queued.assign(frame, frame + bytes);
    }
    pendingFrames.push_back(std::move(queued));
    while (pendingFrames.size() > maxPendingFrames) {
        if (spareFrames.size() < maxSpareFrames)
            spareFrames.push_back(std::move(pendingFrames.front()));
        pendingFrames.pop_front();
    }
    armPacing();
}

void AppController::adoptDecoderSize(int width, int height)
{
    qInfo("Vidlet: virtual camera adopts decoder output %dx%d (STREAM_INFO said %dx%d)", width,
          height, outputWidth, outputHeight);
    sink.stop();
    sink.start(width, height, cameraFps);
    outputWidth = width;
    outputHeight = height;
    pendingFrames.clear();
}

void AppController::setLowLatency(bool on)
{
    if (on == lowLatency_)
        return;
    lowLatency_ = on;
    settings.setValue(QStringLiteral("options/lowLatency"), on);
    // The frames waiting now go on under the new rule.
    paceTimer.stop();
    armPacing();
    emit changed();
}

// By default a repeating tick at the phone's rate drains the queue, one frame a tick; under
// "Low latency" a single-shot timer is set for the moment the oldest frame may leave.
void AppController::armPacing()
{
    if (lowLatency_) {
        drainWithLowLatency();
    } else if (!paceTimer.isActive() && !pendingFrames.empty()) {
        paceTimer.setSingleShot(false);
        paceTimer.start(paceIntervalMs);
    }
}

void AppController::drainWithLowLatency()
{
    paceTimer.stop();
    while (!pendingFrames.empty()) {
        const std::int64_t wait =
            lowLatencyPacing.waitMs(pendingFrames.size(), stallClock.elapsed());
        if (wait > 0) {
            paceTimer.setSingleShot(true);
            paceTimer.start(int(wait));
            return;
        }
        outputOldestPending();
    }
}

void AppController::onPaceTick()
{
    if (lowLatency_)
        drainWithLowLatency();
    else if (!pendingFrames.empty())
        outputOldestPending();
}

void AppController::outputOldestPending()
{
    BgrBuffer frame = std::move(pendingFrames.front());
    pendingFrames.pop_front();
    lowLatencyPacing.passed(stallClock.elapsed());
    outputFrame(frame);
    // One spare covers the steady state, a frame in and a frame out per period; what a burst
    // leaves beyond two is freed.
    if (spareFrames.size() < maxSpareFrames)
        spareFrames.push_back(std::move(frame));
}

void AppController::outputFrame(const unsigned char* frame)
{
    const bool preview = copyForPreview(frame);
    record(frame);
    if (outputEnabled_.load()) {
        sink.sendFrame(frame);
        ++framesSent_;
    }
    if (preview)
        emit frameReady(previewImage);
}

// A frame in a buffer of the controller's goes to the camera last, by swapping buffers: `frame`
// comes back with the camera's previous buffer, for a later frame.
void AppController::outputFrame(BgrBuffer& frame)
{
    const bool preview = copyForPreview(frame.data());
    record(frame.data());
    if (outputEnabled_.load()) {
        sink.handFrame(frame);
        ++framesSent_;
    }
    if (preview)
        emit frameReady(previewImage);
}

void AppController::record(const unsigned char* frame)
{
    if (recorder.isOpen() && recorder.width() == outputWidth && recorder.height() == outputHeight) {
        recorder.writeFrame(frame);
        ++recordedFrames;
    }
}

// The preview gets its own copy, since the window keeps the picture until it draws the next.
// The copy goes into the image the last frame used when nothing holds that any more, and is
// skipped altogether while no window shows the preview (hidden, minimised, another screen).
bool AppController::copyForPreview(const unsigned char* frame)
{
    if (!previewShown_ || !isSignalConnected(QMetaMethod::fromSignal(&AppController::frameReady)))
        return false;
    const QSize size(outputWidth, outputHeight);
    if (previewImage.size() != size || !previewImage.isDetached())
        previewImage = QImage(size, QImage::Format_BGR888);
    const std::size_t row = std::size_t(outputWidth) * 3;
    for (int y = 0; y < outputHeight; ++y)
        std::memcpy(previewImage.scanLine(y), frame + row * std::size_t(y), row);
    return true;
}

void AppController::setPreviewShown(bool shown)
{
    previewShown_ = shown;
}

void AppController::updateStats()
{
    appConnected_ = sink.isConnected();
    const qint64 elapsed = fpsClock.restart();
    const std::uint64_t decoded = framesDecoded_.load();
    fps_ = elapsed > 0 ? int((decoded - lastDecodedCount) * 1000 / std::uint64_t(elapsed)) : 0;
    lastDecodedCount = decoded;
    if (decodeCalls != 0) {
        decodeMs_ = int(decodeNsSum / decodeCalls / 1'000'000);
        decodeNsSum = 0;
        decodeCalls = 0;
    }
    if (phones_.isEmpty())
        countIdleTick();
    emit changed();
}

void AppController::checkStall()
{
    const std::uint64_t decoded = framesDecoded_.load();
    const qint64 now = stallClock.elapsed();
    const std::uint64_t previous = lastSeenDecodedCount;
    lastSeenDecodedCount = decoded;
    if (previous != decoded)
        lastProgressMs = now;
    if (!live_)
        return;
    if (pausedCardShown) {
        if (previous != decoded)
            resumeFromStall();
    } else if (decodedSinceLive && now - lastProgressMs > stallLimitMs) {
        showPausedCard();
    }
}

void AppController::showPausedCard()
{
    pausedCardShown = true;
    paceTimer.stop();
    pendingFrames.clear();
    renderPausedCard(outputWidth, outputHeight);
    startWorker();
    status_ = QStringLiteral("Phone paused (no video)");
    qInfo("Vidlet: stall -> paused card (active phone stopped sending video)");
    emit changed();
}

void AppController::resumeFromStall()
{
    pausedCardShown = false;
    stopWorker();
    status_ = QStringLiteral("Live (decoding phone stream)");
    qInfo("Vidlet: stall cleared -> live feed resumed");
    emit changed();
}
