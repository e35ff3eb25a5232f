#include <windows.h>

#include <string>

// Stands in for an elevated child: sleeps for VIDLET_TEST_CHILD_SLEEP_MS milliseconds, then
// writes its command line to child-ran.txt beside itself and exits with code 3.
int main()
{
    wchar_t text[32] = {};
    if (GetEnvironmentVariableW(L"VIDLET_TEST_CHILD_SLEEP_MS", text, 32) > 0)
        Sleep(DWORD(_wtoi(text)));
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring record = path;
    record = record.substr(0, record.rfind(L'\\') + 1) + L"child-ran.txt";
    const std::wstring line = GetCommandLineW();
    const std::string bytes(line.begin(), line.end()); // the tests use ASCII paths only
    HANDLE file = CreateFileW(record.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    DWORD written = 0;
    WriteFile(file, bytes.data(), DWORD(bytes.size()), &written, nullptr);
    CloseHandle(file);
    return 3;
}
