#include "controller/AppController.h"

#include <QMetaMethod>

#include <chrono>
#include <cstring>

// Live output: decoded pictures fitted to the camera's size, paced, and handed to the preview,
// the recorder and the camera.

namespace {
constexpr std::size_t maxPendingFrames = 5;
constexpr std::size_t maxSpareFrames = 2;
constexpr int cropTolerance = 15; // H.264 pads to 16-pixel macroblocks
} // namespace

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
    if (!live() || width != outputWidth || height != outputHeight)
        return nullptr;
    if (decodeSlot.empty() && !spareFrames.empty()) {
        decodeSlot = std::move(spareFrames.back());
        spareFrames.pop_back();
    }
    decodeSlot.resize(std::size_t(width) * std::size_t(height) * 3);
    return decodeSlot.data();
}

// A picture is converted only when someone may see it: a program reading the camera, the
// window's preview, a recording. While nobody looks, the camera still gets a picture a second,
// so that a program that opens it starts on a recent one.
bool AppController::pictureWanted()
{
    const std::int64_t now = stallClock.elapsed();
    const bool wanted = recorder.isOpen() || previewWanted()
        || (outputEnabled_.load() && sink->mayBeRead()) || !lastPictureMs
        || now - *lastPictureMs >= intervals.unreadRefreshMs;
    if (wanted)
        lastPictureMs = now;
    return wanted;
}

void AppController::onDecodedFrame(const unsigned char* pixels, int width, int height)
{
    if (!live() || width < 1 || height < 1)
        return;
    // Stop the paused-card pump before the output size may change under it.
    if (session == Session::Paused)
        resumeFromStall();
    ++framesDecoded_;
    decodedSinceLive = true;
    if (!pixels) { // decoded but not converted: only its size matters
        if (!fitsOutput(width, height))
            adoptDecoderSize(width, height);
        return;
    }
    const unsigned char* frame = fitToOutput(pixels, width, height);

    const std::size_t bytes = std::size_t(outputWidth) * std::size_t(outputHeight) * 3;
    const bool inSlot = frame == decodeSlot.data() && decodeSlot.size() == bytes;
    if (!activeIsUsb) {
        queueFrame(frame, inSlot);
    } else if (inSlot) {
        // Over USB there is no network jitter to smooth out: output at once.
        outputFrame(decodeSlot);
    } else {
        outputFrame(frame);
    }
}

// A picture a few pixels larger than the output is the codec's padding and is cropped; one of
// any other size becomes the output's size.
bool AppController::fitsOutput(int width, int height) const
{
    return width >= outputWidth && height >= outputHeight && width - outputWidth <= cropTolerance
        && height - outputHeight <= cropTolerance;
}

const unsigned char* AppController::fitToOutput(const unsigned char* pixels, int width, int height)
{
    if (width == outputWidth && height == outputHeight)
        return pixels;
    if (!fitsOutput(width, height)) {
        adoptDecoderSize(width, height);
        return pixels;
    }
    const std::size_t row = std::size_t(outputWidth) * 3;
    cropBuffer.resize(row * std::size_t(outputHeight));
    for (int y = 0; y < outputHeight; ++y)
        std::memcpy(cropBuffer.data() + row * y, pixels + std::size_t(width) * 3 * y, row);
    return cropBuffer.data();
}

// Buffers come back from the ticks that output them, so the queue allocates nothing.
void AppController::queueFrame(const unsigned char* frame, bool inSlot)
{
    BgrBuffer queued;
    if (inSlot) {
        queued = std::move(decodeSlot);
        decodeSlot = BgrBuffer();
    } else {
        if (!spareFrames.empty()) {
            queued = std::move(spareFrames.back());
            spareFrames.pop_back();
        }
        queued.assign(frame, frame + std::size_t(outputWidth) * std::size_t(outputHeight) * 3);
    }
    pendingFrames.push_back(std::move(queued));
    while (pendingFrames.size() > maxPendingFrames) {
        if (spareFrames.size() < maxSpareFrames)
            spareFrames.push_back(std::move(pendingFrames.front()));
        pendingFrames.pop_front();
    }
    armPacing();
}

// Live, so the card pump is not running.
void AppController::adoptDecoderSize(int width, int height)
{
    qInfo("Vidlet: virtual camera adopts decoder output %dx%d (STREAM_INFO said %dx%d)", width,
          height, outputWidth, outputHeight);
    restartCamera(width, height);
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

int AppController::paceTickMs() const
{
    return intervals.paceMs > 0 ? intervals.paceMs : paceIntervalMs;
}

// By default a repeating tick at the phone's rate drains the queue, one frame a tick; under
// "Low latency" a single-shot timer is set for the moment the oldest frame may leave.
void AppController::armPacing()
{
    if (lowLatency_) {
        drainWithLowLatency();
    } else if (!paceTimer.isActive() && !pendingFrames.empty()) {
        paceTimer.setSingleShot(false);
        paceTimer.start(paceTickMs());
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
        sink->sendFrame(frame);
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
        sink->handFrame(frame);
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

// A window shows the preview: not hidden, minimised or on another screen.
bool AppController::previewWanted() const
{
    return previewShown_ && isSignalConnected(QMetaMethod::fromSignal(&AppController::frameReady));
}

// The preview gets its own copy, since the window keeps the picture until it draws the next.
// The copy goes into the image the last frame used when nothing holds that any more, and is
// skipped altogether while no window shows the preview.
bool AppController::copyForPreview(const unsigned char* frame)
{
    if (!previewWanted())
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
    appConnected_ = sink->isConnected();
    const qint64 elapsed = fpsClock.restart();
    const std::uint64_t decoded = framesDecoded_.load();
    fps_ = elapsed > 0 ? int((decoded - lastDecodedCount) * 1000 / std::uint64_t(elapsed)) : 0;
    lastDecodedCount = decoded;
    if (decodeCalls != 0) {
        decodeMs_ = int(decodeNsSum / decodeCalls / 1'000'000);
        decodeNsSum = 0;
        decodeCalls = 0;
    }
    if (roster.empty())
        countIdleTick();
    emit changed();
}
