#include "app/ProcessEnd.h"

#include <windows.h>

bool waitForProcessEnd(qint64 pid, int timeoutMs)
{
    HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, DWORD(pid));
    if (!process)
        return GetLastError() == ERROR_INVALID_PARAMETER; // no such process
    const bool ended = WaitForSingleObject(process, DWORD(timeoutMs)) == WAIT_OBJECT_0;
    CloseHandle(process);
    return ended;
}
