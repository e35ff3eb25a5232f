#include "pipeline/LivePipeline.h"
#include "pipeline/FrameFitter.h"
#include "pipeline/FrameLayout.h"
#include "pipeline/FrameMirror.h"
#include "pipeline/FrameRotation.h"

#include <QDebug>

#include <chrono>

// The stages are wired here, source first.
LivePipeline::LivePipeline(std::unique_ptr<IVirtualCameraSink> sink, const Clock& clock)
    : clock(clock),
      cameraStage(std::move(sink), clock),
      fanOutStage(cameraStage, recorderStage,
                  [this](const QImage& picture) { Q_EMIT frameReady(picture); }),
      staleFrames(clock)
{
    // The decoder converts a picture of the camera's size straight into a buffer of ours, which
    // then travels through the pacer into the camera without being copied.
    decoder.pictureWanted = [this] { return convert; };
    decoder.frameTarget = [this](int width, int height) {
        return slotFor(QSize(width, height), FrameLayout::bgrBytes(QSize(width, height)));
    };
    // Where the camera takes them and nothing else wants BGR, the decoder's planes are only
    // copied out, and reach a program that reads YUV without a conversion.
    decoder.planesTarget = [this](int width, int height) {
        const QSize size(width, height);
        return planes && cameraSizeFor(size) == size ? slotFor(size, FrameLayout::i420Bytes(size))
                                                     : nullptr;
    };
    decoder.frameCallback = [this](const unsigned char* pixels, int width, int height,
                                   unsigned long long) { take(pixels, QSize(width, height)); };
}

void LivePipeline::begin(QSize size, bool paced)
{
    streamSize = size;
    decoder.initialize(size.width(), size.height());
    completed.clear();
    lastConvertedMs.reset(); // the camera shows the stream's first picture
    staleFrames.clear();
    pacer.reset();
    if (!paced)
        return;
    pacer = std::make_unique<FramePacer>(clock, pool,
                                         [this](BgrBuffer& frame) { fanOutStage.pass(frame); });
    pacer->setAnnouncedPeriodUs(phonePeriodUs);
    pacer->setTickMs(paceTickMs);
    pacer->setLowLatency(lowLatency);
}

void LivePipeline::end()
{
    decoder.reset();
    completed.clear();
    pacer.reset();
}

void LivePipeline::dropWaiting()
{
    if (pacer)
        pacer->clear();
}

int LivePipeline::configure(const QByteArray& parameterSets)
{
    return feed(parameterSets, 0, false, false);
}

int LivePipeline::decode(const QByteArray& accessUnit, std::uint64_t ptsUsec, bool behind)
{
    const auto begin = std::chrono::steady_clock::now();
    const int pictures = feed(accessUnit, ptsUsec, behind, staleFrames.arrived(ptsUsec));
    const auto spent = std::chrono::steady_clock::now() - begin;
    decodeNsSum +=
        std::uint64_t(std::chrono::duration_cast<std::chrono::nanoseconds>(spent).count());
    ++decodeCalls;
    return pictures;
}

int LivePipeline::feed(const QByteArray& bytes, std::uint64_t ptsUsec, bool behind, bool stale)
{
    completed.clear();
    decodedBehind = behind;
    decodedStale = stale;
    convert = pictureWanted();
    planes = convert && planesWanted();
    decoder.decode(reinterpret_cast<const unsigned char*>(bytes.constData()),
                   std::size_t(bytes.size()), ptsUsec);
    decoded += completed.size();
    return int(completed.size());
}

// A picture is converted only when someone may see it: a program reading the camera, the
// window's preview, a recording; and, while nobody looks, once every unreadRefreshMs. A
// recording keeps every picture; the camera and the preview only the newest.
bool LivePipeline::pictureWanted() const
{
    if (recorderStage.isOpen() && !recorderStage.isOriginal())
        return true;
    if ((decodedBehind && !pacer) || decodedStale)
        return false;
    return fanOutStage.previewWanted() || (cameraStage.enabled() && cameraStage.mayBeRead())
        || !lastConvertedMs || clock.nowMs() - *lastConvertedMs >= unreadRefreshMs;
}

// The camera and, where its encoder takes them, a recording take planes; the preview BGR.
bool LivePipeline::planesWanted() const
{
    return cameraStage.takesPlanes() && !fanOutStage.previewWanted()
        && !(recorderStage.isOpen() && !recorderStage.isOriginal() && !Mp4Recorder::takesPlanes());
}

QSize LivePipeline::cameraSizeFor(QSize size) const
{
    return fixedSize.isValid() ? fixedSize : FrameRotation::turned(size, quarterTurns);
}

QSize LivePipeline::wantedCameraSize() const
{
    if (fixedSize.isValid())
        return fixedSize;
    return isRunning() ? cameraSizeFor(streamSize) : cameraStage.size();
}

void LivePipeline::refitCamera()
{
    const QSize wanted = wantedCameraSize();
    if (wanted != cameraStage.size() && moveCamera(wanted))
        qInfo("Vidlet: virtual camera takes %dx%d, as the settings now give", wanted.width(),
              wanted.height());
}

// Only a picture that goes to the camera as it is.
unsigned char* LivePipeline::slotFor(QSize size, std::size_t bytes)
{
    if (size != cameraStage.size() || quarterTurns != 0)
        return nullptr;
    if (slot.empty())
        slot = pool.take();
    slot.resize(bytes);
    return slot.data();
}

// Inside decode(): the picture is only kept, cropped to the stream's size when it is a few
// pixels larger. One of another size is kept whole until pass() has moved the camera to it or
// fitted it into the camera.
void LivePipeline::take(const unsigned char* pixels, QSize size)
{
    Picture picture{size, {}};
    if (pixels) {
        lastConvertedMs = clock.nowMs();
        const std::size_t whole = FrameLayout::bgrBytes(size);
        if (pixels == slot.data()) { // BGR or planes of the camera's size
            picture.frame = std::move(slot);
            slot = BgrBuffer();
        } else if (FrameFitter::fit(size, streamSize) == FrameFitter::Fit::Crop) {
            picture.frame = pool.take();
            FrameFitter::crop(pixels, size.width(), streamSize, picture.frame);
            picture.size = streamSize;
        } else {
            picture.frame = pool.take();
            picture.frame.assign(pixels, pixels + whole);
        }
    }
    completed.push_back(std::move(picture));
}

void LivePipeline::pass()
{
    for (Picture& picture : completed) {
        // The camera may refuse a new size (see CameraOutput::resize): each picture asks again.
        streamSize = picture.size;
        if (cameraSizeFor(streamSize) != cameraStage.size())
            adopt(cameraSizeFor(streamSize));
        if (picture.frame.empty())
            continue; // decoded, not converted
        shape(picture);
        if (mirrored && FrameLayout::holdsI420(picture.frame, picture.size))
            FrameMirror::flipPlanes(picture.frame.data(), picture.size.width(),
                                    picture.size.height());
        else if (mirrored)
            FrameMirror::flip(picture.frame.data(), picture.size.width(), picture.size.height());
        if (pacer) {
            pacer->push(std::move(picture.frame), decodedBehind || decodedStale);
        } else {
            fanOutStage.pass(picture.frame);
            pool.give(std::move(picture.frame));
        }
    }
    completed.clear();
}

void LivePipeline::shape(Picture& picture)
{
    if (quarterTurns != 0) {
        BgrBuffer turned = pool.take();
        turned.resize(picture.frame.size());
        FrameRotation::turn(picture.frame.data(), picture.size.width(), picture.size.height(),
                            quarterTurns, turned.data());
        pool.give(std::move(picture.frame));
        picture.frame = std::move(turned);
        picture.size = FrameRotation::turned(picture.size, quarterTurns);
    }
    const QSize camera = cameraStage.size();
    if (picture.size == camera)
        return;
    // The camera keeps another size (a program reads it, its last remake is too recent, or
    // the user chose its size): the picture goes into it whole between bars, or covering it.
    BgrBuffer fitted = pool.take();
    fitted.resize(cameraStage.frameBytes());
    if (filled)
        fitter.fill(picture.frame.data(), picture.size.width(), picture.size.height(),
                    fitted.data(), camera.width(), camera.height());
    else
        fitter.fit(picture.frame.data(), picture.size.width(), picture.size.height(), fitted.data(),
                   camera.width(), camera.height());
    pool.give(std::move(picture.frame));
    picture.frame = std::move(fitted);
    picture.size = camera;
}

void LivePipeline::adopt(QSize size)
{
    const QSize announced = cameraStage.size();
    if (moveCamera(size))
        qInfo("Vidlet: virtual camera adopts decoder output %dx%d (STREAM_INFO said %dx%d)",
              size.width(), size.height(), announced.width(), announced.height());
}

bool LivePipeline::moveCamera(QSize size)
{
    if (!cameraStage.resize(size))
        return false;
    if (pacer)
        pacer->clear();
    Q_EMIT cameraResized(size);
    return true;
}

void LivePipeline::setPhoneFps(int fps)
{
    phonePeriodUs = FramePacer::announcedPeriodUs(fps).value_or(phonePeriodUs);
    if (pacer)
        pacer->setAnnouncedPeriodUs(phonePeriodUs);
}

void LivePipeline::setLowLatency(bool on)
{
    lowLatency = on;
    if (pacer)
        pacer->setLowLatency(on);
}

void LivePipeline::setPaceTickMs(int ms)
{
    paceTickMs = ms;
    if (pacer)
        pacer->setTickMs(ms);
}

std::optional<int> LivePipeline::takeDecodeMs()
{
    if (decodeCalls == 0)
        return std::nullopt;
    const int ms = int(decodeNsSum / decodeCalls / 1'000'000);
    decodeNsSum = 0;
    decodeCalls = 0;
    return ms;
}
