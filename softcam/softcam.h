#pragma once

// The camera component's C interface: libsoftcam.so on Linux, softcam.dll on Windows. Both have
// the five camera functions; the log callback and the segment's name are Linux's. The program
// resolves them by name at run time; tests and tools may also link against the library.
#ifdef _WIN32
// softcam.def names the exports.
#define SOFTCAM_API extern "C"
#else
#define SOFTCAM_API extern "C" __attribute__((visibility("default")))
#endif

// An opaque camera, or null when none could be made: a bad size, or another camera alive in
// this process or on this segment.
SOFTCAM_API void* scCreateCamera(int width, int height, float framerate);
// Ignores null and handles it did not make.
SOFTCAM_API void scDeleteCamera(void* camera);
// `bgr` is one frame of the created size: width * height * 3 bytes, blue, green, red, top row
// first. It is copied before the call returns.
SOFTCAM_API void scSendFrame(void* camera, const void* bgr);
// Some program is reading. Linux: a shared-memory reader polled within the last few seconds,
// or the loopback device reports a reader. Windows: a program's graph is running on the camera.
SOFTCAM_API bool scIsConnected(void* camera);
// Whether scIsConnected() would notice every program that reads: false while an output cannot
// tell (a loopback device whose module reports no readers), and the sender must then take the
// camera as read. Optional: the program takes a component without it as unable to tell.
SOFTCAM_API bool scSeesEveryReader(void* camera);
// A program that cannot follow a change of the camera's size reads it now: a PipeWire stream or
// a reader of the loopback device on Linux, a graph on Windows (each fixed its format when it
// started). Readers of the shared memory follow a change, so they do not count on Linux.
// Optional: the program takes a component without it as held by every reader.
SOFTCAM_API bool scReaderHoldsSize(void* camera);

// Sends the component's diagnostics, one line each with the "Vidlet: " prefix, to `callback`
// instead of standard error; it may be called from any thread that meets the trouble, and never
// after it has been replaced. Null goes back to standard error.
SOFTCAM_API void scSetLogCallback(void (*callback)(const char* line, void* context), void* context);

#ifndef _WIN32
// Chooses the shared-memory segment that cameras created later in this process publish to;
// null goes back to the default: the segment named by the environment variable
// VIDLET_CAMERA_SEGMENT when set, otherwise the user's camera. Only the user's camera also
// feeds the "Vidlet Camera" loopback device. Lets tests keep apart from a running program.
SOFTCAM_API void scSetSegmentName(const char* name);
// PipeWire lists the camera now (its node is published); false without PipeWire, and while the
// daemon is away until the node is published again.
SOFTCAM_API bool scIsOnPipewire(void* camera);
// A program streams the camera through PipeWire now.
SOFTCAM_API bool scIsReadThroughPipewire(void* camera);
// Deletes `camera` and makes one of another size in its place, as scDeleteCamera() and
// scCreateCamera() would, except that the PipeWire node stays, its formats changed, when no
// program streams from it: programs that listed the camera keep finding it by the same node.
// Returns the new camera, or null (then none is alive) when it cannot be made. Optional.
SOFTCAM_API void* scRemakeCamera(void* camera, int width, int height, float framerate);
// Another program cut the camera's shared-memory segment short since the camera was created;
// the camera made it again. Optional.
SOFTCAM_API bool scSegmentWasCutShort(void* camera);
// One picture of the created size as a decoder's own limited-range BT.601 I420 planes: Y at
// full size, U and V at half size each way; each stride is the bytes from one row to the next,
// at least that plane's width. Copied before the call returns. Only for a camera of even width
// and height: one of an odd side ignores it, as it does planes it cannot read. A PipeWire
// reader or loopback device taking I420 gets the planes copied, one taking NV12 or YUY2 gets
// them repacked; only the shared-memory segment, which is BGR, converts them. Optional.
SOFTCAM_API void scSendFrameI420(void* camera, const unsigned char* y, int yStride,
                                 const unsigned char* u, int uStride, const unsigned char* v,
                                 int vStride);
#endif
