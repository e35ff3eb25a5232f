#include "regtool/RegToolLog_win.h"

#include <windows.h>

#include <cstdarg>
#include <cstdio>

namespace {

constexpr int maxCharacters = 1023;
constexpr int maxBytes = 2048;

} // namespace

void RegToolLog::line(const wchar_t* format, ...)
{
    if (path.empty())
        return;
    // The Microsoft runtime's own formatter: %s means a wide string in a wide format there.
    wchar_t message[maxCharacters + 1] = {};
    va_list arguments;
    va_start(arguments, format);
    _vsnwprintf_s(message, maxCharacters + 1, _TRUNCATE, format, arguments);
    va_end(arguments);

    char bytes[maxBytes + 2];
    const int length = WideCharToMultiByte(CP_UTF8, 0, message, int(wcslen(message)), bytes,
                                           maxBytes, nullptr, nullptr);
    if (length <= 0 && message[0] != L'\0')
        return; // does not fit in UTF-8
    bytes[length] = '\r';
    bytes[length + 1] = '\n';

    // The helper runs elevated: a link planted at the log's name must not make it append to
    // the file the link points at.
    HANDLE file =
        CreateFileW(path.c_str(), FILE_APPEND_DATA | FILE_READ_ATTRIBUTES, FILE_SHARE_READ, nullptr,
                    OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return;
    BY_HANDLE_FILE_INFORMATION information = {};
    if (!GetFileInformationByHandle(file, &information)
        || (information.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)
        || information.nNumberOfLinks != 1) {
        CloseHandle(file);
        return;
    }
    DWORD written = 0;
    WriteFile(file, bytes, DWORD(length + 2), &written, nullptr);
    CloseHandle(file);
}
