#include "controller/AppController.h"

// The active phone's stream into the live pipeline, and the figures the window shows of it.

void AppController::onVideoConfig(int id, const QByteArray& config)
{
    if (id == activeId_ && pipeline.isRunning())
        afterDecode(pipeline.configure(config));
}

void AppController::onVideoFrame(int id, const QByteArray& accessUnit, qulonglong ptsUsec, bool)
{
    if (id == activeId_ && pipeline.isRunning())
        afterDecode(pipeline.decode(accessUnit, ptsUsec));
}

// Runs after the decoder has returned, so that stopping the card pump or restarting the camera
// never happens inside it.
void AppController::afterDecode(int pictures)
{
    if (pictures == 0 || !live())
        return;
    decodedSinceLive = true;
    // The paused card's pump stops before live pictures reach the camera.
    if (session == Session::Paused)
        resumeFromStall();
    pipeline.pass();
}

void AppController::setLowLatency(bool on)
{
    if (on == lowLatency_)
        return;
    lowLatency_ = on;
    settings.setValue(QStringLiteral("options/lowLatency"), on);
    pipeline.setLowLatency(on);
    emit changed();
}

void AppController::setPreviewShown(bool shown)
{
    pipeline.fanOut().setPreviewShown(shown);
}

void AppController::updateStats()
{
    appConnected_ = pipeline.camera().isConnected();
    const qint64 elapsed = fpsClock.restart();
    const std::uint64_t decoded = pipeline.framesDecoded();
    fps_ = elapsed > 0 ? int((decoded - lastDecodedCount) * 1000 / std::uint64_t(elapsed)) : 0;
    lastDecodedCount = decoded;
    if (const std::optional<int> ms = pipeline.takeDecodeMs())
        decodeMs_ = *ms;
    if (roster.empty())
        countIdleTick();
    emit changed();
}
