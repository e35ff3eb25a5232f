// Loads softcam.dll the way the program's camera output does (DynamicLibrary::loadBesideProgram)
// and answers, after one line on standard input, with the path of the copy it loaded, or
// "missing: " and the reason. A loaded copy must make, feed and delete a camera.
#include "system/DynamicLibrary.h"

#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

int main()
{
    char line[16];
    std::fgets(line, sizeof line, stdin);
    DynamicLibrary library;
    if (!library.loadBesideProgram("softcam.dll")) {
        std::printf("missing: %s\n", library.errorText().c_str());
        return 1;
    }
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(GetModuleHandleW(L"softcam.dll"), path, MAX_PATH);
    const auto create =
        reinterpret_cast<void* (*)(int, int, float)>(library.symbol("scCreateCamera"));
    const auto remove = reinterpret_cast<void (*)(void*)>(library.symbol("scDeleteCamera"));
    const auto send = reinterpret_cast<void (*)(void*, const void*)>(library.symbol("scSendFrame"));
    const auto connected = reinterpret_cast<bool (*)(void*)>(library.symbol("scIsConnected"));
    void* camera = create && remove && send && connected ? create(64, 48, 30.0f) : nullptr;
    if (!camera) {
        std::printf("no camera\n");
        return 2;
    }
    const std::vector<unsigned char> frame(64 * 48 * 3, 128);
    send(camera, frame.data());
    // Nothing reads this camera.
    const bool read = connected(camera);
    remove(camera);
    if (read) {
        std::printf("a reader reported\n");
        return 3;
    }
    std::printf("%ls\n", path);
    return 0;
}
