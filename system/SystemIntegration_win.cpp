#include "system/SystemIntegration_win.h"

#include "system/FirewallRules.h"

#include <windows.h>
#include <shellapi.h>

namespace {

constexpr wchar_t cameraKey[] = L"CLSID\\{276143AA-B755-440E-834A-93CDEBCA334B}\\InprocServer32";
constexpr wchar_t cameraDllName[] = L"softcam.dll";
constexpr wchar_t helperName[] = L"vidlet-regtool.exe";

bool fileExists(const std::wstring& path)
{
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

} // namespace

WindowsSystemIntegration::WindowsSystemIntegration(std::wstring programPath,
                                                   unsigned long maxWaitMs)
    : programPath(std::move(programPath)),
      maxWaitMs(maxWaitMs)
{
}

bool WindowsSystemIntegration::isCameraRegistered() const
{
    // Only the 64-bit view counts: a 32-bit registration serves no 64-bit program.
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CLASSES_ROOT, cameraKey, 0, KEY_READ | KEY_WOW64_64KEY, &key)
        != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

bool WindowsSystemIntegration::isInboundBlocked() const
{
    return FirewallRules::isInboundBlocked(programPath);
}

void WindowsSystemIntegration::registerCamera(std::function<void()> done)
{
    runRegsvr32(false);
    done();
}

void WindowsSystemIntegration::unregisterCamera(std::function<void()> done)
{
    runRegsvr32(true);
    done();
}

void WindowsSystemIntegration::allowThroughFirewall(std::function<void()> done)
{
    const std::wstring folder = programFolder();
    if (!folder.empty() && fileExists(folder + helperName))
        launchElevated(folder + helperName, L"--firewall");
    done();
}

void WindowsSystemIntegration::runRegsvr32(bool unregister) const
{
    const std::wstring folder = programFolder();
    if (folder.empty() || !fileExists(folder + cameraDllName))
        return;
    // Silent, so the tool shows no message box.
    const std::wstring quoted = L"\"" + folder + cameraDllName + L"\"";
    launchElevated(L"regsvr32", (unregister ? L"/s /u " : L"/s ") + quoted);
}

void WindowsSystemIntegration::launchElevated(const std::wstring& file,
                                              const std::wstring& parameters) const
{
    SHELLEXECUTEINFOW request = {};
    request.cbSize = sizeof request;
    request.fMask = SEE_MASK_NOCLOSEPROCESS;
    request.lpVerb = L"runas";
    request.lpFile = file.c_str();
    request.lpParameters = parameters.c_str();
    request.nShow = SW_HIDE;
    // Refused when the user declines the consent prompt: nothing changes then.
    if (!ShellExecuteExW(&request) || !request.hProcess)
        return;
    // The caller re-reads the state afterwards, so the exit code is not used; a child that
    // takes longer keeps running and its effect shows at a later re-read.
    WaitForSingleObject(request.hProcess, maxWaitMs);
    DWORD exitCode = 0;
    GetExitCodeProcess(request.hProcess, &exitCode);
    CloseHandle(request.hProcess);
}

std::wstring WindowsSystemIntegration::programFolder() const
{
    const size_t slash = programPath.rfind(L'\\');
    return slash == std::wstring::npos ? std::wstring() : programPath.substr(0, slash + 1);
}

std::unique_ptr<SystemIntegration> createSystemIntegration()
{
    wchar_t path[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
    // A path that fills the whole buffer may have been cut.
    const bool read = length > 0 && length < MAX_PATH;
    return std::make_unique<WindowsSystemIntegration>(read ? std::wstring(path) : std::wstring());
}
