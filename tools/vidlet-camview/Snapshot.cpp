#include "tools/vidlet-camview/Snapshot.h"

#include "softcam/CameraReader.h"

#include <QElapsedTimer>
#include <QImage>
#include <QThread>

#include <cstdio>

int takeSnapshot(softcam::CameraReader& reader, const QString& file, int timeoutMs)
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
    const QImage image(frame.bgr.data(), frame.width, frame.height, frame.width * 3,
                       QImage::Format_BGR888);
    if (!image.save(file)) {
        std::fprintf(stderr, "vidlet-camview: cannot write %s\n", qPrintable(file));
        return 2;
    }
    std::printf("saved %dx%d frame %llu to %s\n", frame.width, frame.height,
                static_cast<unsigned long long>(frame.number), qPrintable(file));
    return 0;
}
