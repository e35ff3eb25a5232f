// The Vidlet side of the camera tests: a separate process that makes the camera and sends
// frames through softcam.dll's exports, driven line by line on standard input:
//
//   create W H        -> ok | fail      scCreateCamera(W, H, 30)
//   pattern SEED      -> ok             scSendFrame with framePattern(W, H, SEED)
//   colour B G R      -> ok             scSendFrame with one colour everywhere
//   connected         -> 1 | 0          scIsConnected
//   delete            -> ok             scDeleteCamera
//
// It ends at the end of its input, deleting a camera that is still alive.
#include "softcam/softcam.h"
#include "tests/win/softcam/FramePattern.h"

#include <cstdio>
#include <cstring>

int main()
{
    void* camera = nullptr;
    int width = 0;
    int height = 0;
    char line[256];
    while (std::fgets(line, sizeof line, stdin)) {
        int a = 0, b = 0, c = 0;
        const char* answer = "ok";
        if (std::sscanf(line, "create %d %d", &a, &b) == 2) {
            camera = scCreateCamera(a, b, 30.0f);
            width = a;
            height = b;
            answer = camera ? "ok" : "fail";
        } else if (std::sscanf(line, "pattern %d", &a) == 1) {
            scSendFrame(camera, framePattern(width, height, a).data());
        } else if (std::sscanf(line, "colour %d %d %d", &a, &b, &c) == 3) {
            scSendFrame(camera, uniformFrame(width, height, a, b, c).data());
        } else if (std::strncmp(line, "connected", 9) == 0) {
            answer = scIsConnected(camera) ? "1" : "0";
        } else if (std::strncmp(line, "delete", 6) == 0) {
            scDeleteCamera(camera);
            camera = nullptr;
        } else {
            answer = "?";
        }
        std::printf("%s\n", answer);
        std::fflush(stdout);
    }
    scDeleteCamera(camera);
    return 0;
}
