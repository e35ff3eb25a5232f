#include <windows.h>

// A DLL without registration entry points.
BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID)
{
    return TRUE;
}
