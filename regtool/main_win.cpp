#include "regtool/RegTool_win.h"
#include "regtool/RegToolExit_win.h"

#include <windows.h>
#include <shellapi.h>

// A windowless program: the GUI subsystem keeps a console from flashing up.
int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    int count = 0;
    wchar_t** words = CommandLineToArgvW(GetCommandLineW(), &count);
    if (!words)
        return ExitBadCommandLine;
    const std::vector<std::wstring> arguments(words + (count > 0 ? 1 : 0), words + count);
    LocalFree(words);
    return RegTool::ofThisProcess().run(arguments);
}
