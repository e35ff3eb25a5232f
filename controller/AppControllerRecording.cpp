#include "controller/AppController.h"

#include <QDateTime>
#include <QDir>

// Recording: the live feed goes to an MP4 file in the chosen folder. The file is opened at the
// output size; the session closes it when it goes idle, stops or changes size.

void AppController::toggleRecording()
{
    if (recorder.isOpen()) {
        recorder.stop();
        emit changed();
        return;
    }
    if (!live_ || !outputEnabled_.load())
        return;
    QDir().mkpath(recordingFolder_);
    const QString path = recordingFolder_ + QStringLiteral("/Vidlet_")
        + QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd_HHmmss"))
        + QStringLiteral(".mp4");
    if (recorder.start(path, outputWidth, outputHeight, 30)) {
        lastRecordingPath_ = path;
        qInfo("Vidlet: recording to %s", qPrintable(path));
    }
    emit changed();
}
