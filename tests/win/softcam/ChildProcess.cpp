#include "tests/win/softcam/ChildProcess.h"

#include <vector>

ChildProcess::~ChildProcess()
{
    if (toChild)
        CloseHandle(toChild);
    if (process.hProcess) {
        if (WaitForSingleObject(process.hProcess, 10000) != WAIT_OBJECT_0)
            TerminateProcess(process.hProcess, 1);
        CloseHandle(process.hProcess);
        CloseHandle(process.hThread);
    }
    if (fromChild)
        CloseHandle(fromChild);
}

bool ChildProcess::start(const std::wstring& commandLine)
{
    SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    HANDLE childIn = nullptr;
    HANDLE childOut = nullptr;
    if (!CreatePipe(&childIn, &toChild, &inherit, 0)
        || !CreatePipe(&fromChild, &childOut, &inherit, 0))
        return false;
    SetHandleInformation(toChild, HANDLE_FLAG_INHERIT, 0);
    SetHandleInformation(fromChild, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = childIn;
    startup.hStdOutput = childOut;
    startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    std::vector<wchar_t> line(commandLine.begin(), commandLine.end());
    line.push_back(L'\0');
    const bool started = CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr,
                                        nullptr, &startup, &process);
    CloseHandle(childIn);
    CloseHandle(childOut);
    return started;
}

std::string ChildProcess::ask(const std::string& line)
{
    const std::string sent = line + "\n";
    DWORD written = 0;
    if (!WriteFile(toChild, sent.data(), DWORD(sent.size()), &written, nullptr))
        return {};
    std::string answer;
    char byte = 0;
    DWORD got = 0;
    while (ReadFile(fromChild, &byte, 1, &got, nullptr) && got == 1 && byte != '\n')
        if (byte != '\r')
            answer += byte;
    return answer;
}

void ChildProcess::kill()
{
    if (!process.hProcess)
        return;
    TerminateProcess(process.hProcess, 1);
    WaitForSingleObject(process.hProcess, INFINITE);
}

int runProgram(const std::wstring& commandLine)
{
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    std::vector<wchar_t> line(commandLine.begin(), commandLine.end());
    line.push_back(L'\0');
    if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process))
        return -1;
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD code = 0;
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hProcess);
    CloseHandle(process.hThread);
    return int(code);
}

std::wstring programFolder()
{
    wchar_t path[MAX_PATH];
    const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring folder(path, length);
    return folder.substr(0, folder.find_last_of(L'\\') + 1);
}
