#include "system/TaskbarStyles.h"

#include <QWindow>

#include <windows.h>

void addTaskbarStyles(QWindow* window)
{
    if (!window)
        return;
    HWND handle = reinterpret_cast<HWND>(window->winId());
    const LONG_PTR style = GetWindowLongPtrW(handle, GWL_STYLE);
    SetWindowLongPtrW(handle, GWL_STYLE, style | WS_MINIMIZEBOX | WS_SYSMENU);
    // The frame must be recomputed for the new styles to show.
    SetWindowPos(handle, nullptr, 0, 0, 0, 0,
                 SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
}
