#pragma once

#include "softcam/CameraReader.h"

#include <QElapsedTimer>
#include <QString>
#include <QThread>

#include <cstdio>

// Saves `frame` as an image file (the format follows the suffix); the process exit code.
int saveSnapshot(const softcam::CameraFrame& frame, const QString& file);

// Waits up to `timeoutMs` for a frame from the camera and saves it. `Reader` reads the shared
// memory (CameraReader) or the PipeWire node (PipewireCameraReader). Returns the process exit
// code; says what failed on stderr.
template <typename Reader> int takeSnapshot(Reader& reader, const QString& file, int timeoutMs)
{
    QElapsedTimer clock;
    clock.start();
    softcam::CameraFrame frame;
    bool cameraSeen = false;
    while (!reader.readNewFrame(frame)) {
        cameraSeen = cameraSeen || reader.attach();
        if (clock.elapsed() >= timeoutMs) {
            std::fprintf(stderr,
                         cameraSeen ? "vidlet-camview: the camera sent no frame within %d ms\n"
                                    : "vidlet-camview: no camera found within %d ms "
                                      "(is Vidlet running?)\n",
                         timeoutMs);
            return 1;
        }
        QThread::msleep(5);
    }
    return saveSnapshot(frame, file);
}
