#include "controller/AppController.h"
#include "settings/AppSettings.h"

#include "controller/RecordingName.h"
#include "video/H264Sps.h"

#include <QDateTime>
#include <QFile>

#include <algorithm>
#include <climits>

// Recording: the live feed goes to an MP4 file in the chosen folder. The file is opened at the
// output size; the session closes it when it goes idle, stops or changes size (announced or
// taken from the decoder), and in the last case the window says so. An Original recording
// stores the active phone's stream as it came instead: it follows the phone's parameter sets
// from file to file and knows nothing of the camera's size.

void AppController::toggleRecording()
{
    if (pipeline.recorder().isOpen()) {
        stopRecording();
        Q_EMIT changed();
        return;
    }
    if (!live() || !outputEnabled())
        return;
    const QString path = RecordingName::reserve(recordingFolder(), QDateTime::currentDateTime());
    if (path.isEmpty()) {
        qWarning("Vidlet: cannot create the recording in %s", qUtf8Printable(recordingFolder()));
        Q_EMIT recordingRefused();
    } else if (startRecordingFile(path)) {
        lastRecordingPath_ = path;
        pipeline.fanOut().takeRecordedFrames();
        recordingFailure_ = 0;
        qInfo("Vidlet: recording to %s", qPrintable(path));
    } else {
        QFile::remove(path); // the empty file reserve() made for this start, if still there
        qWarning("Vidlet: recording could not start: %s", qUtf8Printable(path));
        Q_EMIT recordingRefused();
    }
    Q_EMIT changed();
}

bool AppController::startRecordingFile(const QString& path)
{
    Mp4Recorder& recorder = pipeline.recorder();
    if (recordingQuality() != 2)
        return recorder.start(path.toStdWString(), pipeline.camera().size().width(),
                              pipeline.camera().size().height(), 30);
    const ConnectedPhone* active = findPhone(activeId_);
    H264Sps sps;
    if (!active
        || !sps.parse(reinterpret_cast<const std::uint8_t*>(active->parameterSets.constData()),
                      std::size_t(active->parameterSets.size())))
        return false;
    const QByteArray& sets = active->parameterSets;
    if (!recorder.startOriginal(path.toStdWString(), sps.width, sps.height, active->streamFps,
                                std::vector<unsigned char>(sets.begin(), sets.end()),
                                quarterTurns()))
        return false;
    recordedParameterSets_ = sets;
    return true;
}

void AppController::continueOriginal()
{
    stopRecording();
    const QString path = RecordingName::reserve(recordingFolder(), QDateTime::currentDateTime());
    // The phone's record holds the new sets already.
    if (!path.isEmpty() && startRecordingFile(path)) {
        lastRecordingPath_ = path;
        qInfo("Vidlet: the phone's stream changed; recording goes on in %s", qPrintable(path));
    } else {
        QFile::remove(path);
        qWarning("Vidlet: the recording could not go on after the phone's stream changed");
        recordingFailure_ = 3;
    }
    Q_EMIT changed();
}

void AppController::stopRecording()
{
    if (!pipeline.recorder().isOpen())
        return;
    const std::uint64_t dropped = pipeline.recorder().framesDropped();
    pipeline.recorder().stop();
    qInfo("Vidlet: recording stopped: %s, %llu frames, %llu left out by a slow disk",
          qUtf8Printable(lastRecordingPath_),
          static_cast<unsigned long long>(pipeline.fanOut().takeRecordedFrames()),
          static_cast<unsigned long long>(dropped));
}

bool AppController::finishRecordings(std::chrono::milliseconds bound)
{
    if (pipeline.recorder().waitForFinished(bound))
        return true;
    qWarning("Vidlet: recordings still being completed after %lld ms",
             static_cast<long long>(bound.count()));
    return false;
}

// The file stops taking frames, so the recording stops, and the window says why instead of
// showing a recording that no longer grows. What was written up to then stays.
void AppController::onRecordingFailed()
{
    const Mp4Recorder::Failure failure = pipeline.recorder().failure();
    if (failure == Mp4Recorder::Failure::None)
        return; // a file stopped since, or already handled
    recordingFailure_ = failure == Mp4Recorder::Failure::FileRemoved ? 2 : 1;
    stopRecording();
    Q_EMIT changed();
}

// Said only of the last recording, while no other runs: the strip tells of that one.
void AppController::onRecordingKeptFragmented(const QString& path)
{
    if (path != lastRecordingPath_ || recording() || recordingFailure_ != 0)
        return;
    recordingFailure_ = 4;
    Q_EMIT changed();
}

void AppController::endRecordingOfOtherSize(QSize size)
{
    const Mp4Recorder& recorder = pipeline.recorder();
    if (!recorder.isOpen() || recorder.isOriginal()
        || QSize(recorder.width(), recorder.height()) == size)
        return;
    recordingFailure_ = 3;
    stopRecording();
    Q_EMIT changed();
}

bool AppController::recording() const
{
    return pipeline.recorder().isOpen();
}

int AppController::recordingDropped() const
{
    return int(std::min<std::uint64_t>(pipeline.recorder().framesDropped(), INT_MAX));
}

int AppController::recordingQuality() const
{
    const int quality = settings.recordingQuality();
    return quality == 2 && !originalRecordingAvailable() ? 0 : quality;
}

// A minute takes about 22 MB at Standard and 45 MB at High, the rate the phone sends at.
void AppController::applyRecordingQuality()
{
    pipeline.recorder().setBitRate(recordingQuality() == 1 ? 6'000'000 : 3'000'000);
}

bool AppController::originalRecordingAvailable() const
{
    return Mp4Recorder::supportsOriginal();
}

bool AppController::recordingWaitsForKeyframe() const
{
    return pipeline.recorder().waitsForKeyframe();
}

void AppController::setRecordingQuality(int quality)
{
    const int most = originalRecordingAvailable() ? 2 : 1;
    if (quality < 0 || quality > most || quality == recordingQuality())
        return;
    settings.setRecordingQuality(quality);
    applyRecordingQuality();
    Q_EMIT changed();
}
