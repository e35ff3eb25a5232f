#include "tools/vidlet-camview/Snapshot.h"

#include <QImage>

int saveSnapshot(const softcam::CameraFrame& frame, const QString& file)
{
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
