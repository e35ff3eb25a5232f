// Plays Windows ending the user's session for one program: WM_QUERYENDSESSION and then
// WM_ENDSESSION to each of its top-level windows, each sent and waited for as Windows does, and
// then ends the process at once, as Windows may as soon as WM_ENDSESSION has been handled:
//   SessionEnd.exe PROGRAM.exe
// Exit 0 when a window of the program took both messages, 1 when none was found.
#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

namespace {

struct Search {
    std::wstring program;
    std::vector<HWND> windows;
    DWORD processId = 0;
};

bool isProgram(DWORD processId, const std::wstring& program)
{
    HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId);
    if (!process)
        return false;
    wchar_t path[MAX_PATH] = {};
    DWORD size = MAX_PATH;
    const bool named = QueryFullProcessImageNameW(process, 0, path, &size);
    CloseHandle(process);
    const std::wstring image(path, size);
    return named && image.size() >= program.size()
        && _wcsicmp(image.c_str() + image.size() - program.size(), program.c_str()) == 0;
}

BOOL CALLBACK collect(HWND window, LPARAM context)
{
    auto* search = reinterpret_cast<Search*>(context);
    DWORD processId = 0;
    GetWindowThreadProcessId(window, &processId);
    if (isProgram(processId, search->program)) {
        search->windows.push_back(window);
        search->processId = processId;
    }
    return TRUE;
}

} // namespace

int wmain(int argc, wchar_t** argv)
{
    if (argc != 2)
        return 2;
    Search search{argv[1], {}, 0};
    EnumWindows(collect, reinterpret_cast<LPARAM>(&search));
    if (search.windows.empty()) {
        std::printf("no window of %ls\n", argv[1]);
        return 1;
    }
    for (HWND window : search.windows) {
        DWORD_PTR agreed = 0;
        SendMessageTimeoutW(window, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF, SMTO_NORMAL, 15000,
                            &agreed);
    }
    for (HWND window : search.windows) {
        DWORD_PTR ignored = 0;
        SendMessageTimeoutW(window, WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF, SMTO_NORMAL, 15000,
                            &ignored);
    }
    HANDLE process = OpenProcess(PROCESS_TERMINATE, FALSE, search.processId);
    if (process) {
        TerminateProcess(process, 1);
        CloseHandle(process);
    }
    std::printf("ended the session of %ls (%zu windows)\n", argv[1], search.windows.size());
    return 0;
}
