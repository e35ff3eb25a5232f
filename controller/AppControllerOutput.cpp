#include "controller/AppController.h"
#include "settings/AppSettings.h"

// The active phone's stream into the live pipeline, and the figures the window shows of it.

void AppController::onVideoConfig(int id, const QByteArray& config)
{
    if (ConnectedPhone* phone = findPhone(id))
        phone->parameterSets = config;
    if (id != activeId_ || !pipeline.isRunning())
        return;
    if (pipeline.recorder().isOriginal() && config != recordedParameterSets_)
        continueOriginal();
    afterDecode(pipeline.configure(config));
}

void AppController::onVideoFrame(int id, const QByteArray& accessUnit, qulonglong ptsUsec,
                                 bool keyframe, bool newerWaiting)
{
    if (id != activeId_ || !pipeline.isRunning())
        return;
    // An Original file takes only the stream whose parameter sets it holds: a phone made
    // active goes into the next file, once its own sets have come.
    if (const ConnectedPhone* phone = findPhone(id);
        phone && phone->parameterSets == recordedParameterSets_)
        pipeline.fanOut().passUnit(accessUnit, keyframe);
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

int AppController::cameraSize() const
{
    return settings.cameraSize();
}

int AppController::quarterTurns() const
{
    return settings.quarterTurns();
}

bool AppController::filled() const
{
    return settings.filled();
}

void AppController::setCameraSize(int choice)
{
    if (choice < 0 || choice > 2 || choice == cameraSize())
        return;
    settings.setCameraSize(choice);
    applyCameraShape();
}

void AppController::setQuarterTurns(int turns)
{
    if (turns < 0 || turns > 3 || turns == quarterTurns())
        return;
    settings.setQuarterTurns(turns);
    applyCameraShape();
}

void AppController::setFilled(bool on)
{
    if (on == filled())
        return;
    settings.setFilled(on);
    applyCameraShape();
}

// The shape the settings give, at once: the camera takes the size it now wants (unless a
// program holds it at its own), a card shows at it, and a recording of another size ends.
void AppController::applyCameraShape()
{
    static const QSize chosen[] = {QSize(), QSize(1280, 720), QSize(1920, 1080)};
    pipeline.setFixedCameraSize(chosen[settings.cameraSize()]);
    pipeline.setQuarterTurns(settings.quarterTurns());
    pipeline.setFilled(settings.filled());
    if (session == Session::NotStarted || session == Session::Stopped)
        return;
    if (session == Session::Live)
        pipeline.refitCamera();
    else
        enterSession(session, pipeline.wantedCameraSize());
    endRecordingOfOtherSize(pipeline.camera().size());
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
