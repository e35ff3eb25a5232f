#include "controller/AppController.h"
#include "settings/AppSettings.h"

// The active phone's stream into the live pipeline, and the figures the window shows of it.

void AppController::onVideoConfig(int id, const QByteArray& config)
{
    if (id == activeId_ && pipeline.isRunning())
        afterDecode(pipeline.configure(config));
}

void AppController::onVideoFrame(int id, const QByteArray& accessUnit, qulonglong ptsUsec, bool,
                                 bool newerWaiting)
{
    if (id == activeId_ && pipeline.isRunning())
        afterDecode(pipeline.decode(accessUnit, ptsUsec, newerWaiting));
}

// Runs after the decoder has returned, so that stopping the card pump or restarting the camera
// never happens inside it.
void AppController::afterDecode(int pictures)
{
    if (pictures == 0 || !live())
        return;
    stall.pictureArrived();
    // The paused card's pump stops before live pictures reach the camera.
    if (session == Session::Paused)
        resumeFromStall();
    pipeline.pass();
}

bool AppController::cameraReady() const
{
    return pipeline.camera().isRunning();
}

bool AppController::outputEnabled() const
{
    return pipeline.camera().enabled();
}

qulonglong AppController::framesSent() const
{
    return pipeline.camera().sent();
}

qulonglong AppController::framesDecoded() const
{
    return pipeline.framesDecoded();
}

bool AppController::lowLatency() const
{
    return settings.lowLatency();
}

void AppController::setLowLatency(bool on)
{
    if (on == lowLatency())
        return;
    settings.setLowLatency(on);
    pipeline.setLowLatency(on);
    Q_EMIT changed();
}

bool AppController::mirrored() const
{
    return settings.mirrored();
}

void AppController::setMirrored(bool on)
{
    if (on == mirrored())
        return;
    settings.setMirrored(on);
    pipeline.setMirrored(on);
    Q_EMIT changed();
}

bool AppController::previewShown() const
{
    return pipeline.fanOut().previewShown();
}

void AppController::setPreviewShown(bool shown)
{
    pipeline.fanOut().setPreviewShown(shown);
}

void AppController::updateStats()
{
    appConnected_ = pipeline.camera().isConnected();
    cameraSegmentCutShort_ = cameraSegmentCutShort_ || pipeline.camera().segmentWasCutShort();
    if (pipeline.camera().isReadThroughPipewire() && !settings.pipewireReaderSeen())
        settings.setPipewireReaderSeen();
    stats.tick(pipeline.framesDecoded(), pipeline.takeDecodeMs());
    if (roster.empty())
        countIdleTick();
    Q_EMIT changed();
}
