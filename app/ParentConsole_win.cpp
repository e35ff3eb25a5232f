#include "app/ParentConsole.h"

#include <cstdio>

#include <windows.h>

void attachParentConsole()
{
    const HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
    if (out != nullptr && out != INVALID_HANDLE_VALUE)
        return; // redirected by the caller: the handles already work
    if (!AttachConsole(ATTACH_PARENT_PROCESS))
        return; // started from Explorer: there is no console to write to
    std::freopen("CONOUT$", "w", stdout);
    std::freopen("CONOUT$", "w", stderr);
}
