#pragma once

#include <QString>

namespace softcam {
class CameraReader;
}

// Waits up to `timeoutMs` for a frame from the camera and saves it as an image file (the
// format follows the suffix). Returns the process exit code; says what failed on stderr.
int takeSnapshot(softcam::CameraReader& reader, const QString& file, int timeoutMs);
