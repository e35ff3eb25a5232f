#pragma once

#include <QString>

// Every test program runs in a sandbox of its own, made before main: HOME, the XDG folders,
// TMPDIR and the camera segment (VIDLET_CAMERA_SEGMENT, read by the camera component and its
// readers) point into a fresh folder that is removed at exit. Settings, logs, recordings and
// the camera then never meet the user's, a running Vidlet's or another test run's.
namespace TestSandbox {

QString path();

}
