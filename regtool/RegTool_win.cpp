#include "regtool/RegTool_win.h"

#include "regtool/AdminFolder_win.h"
#include "regtool/RegToolExit_win.h"
#include "regtool/RegToolVersion.h"
#include "regtool/StagedCopy_win.h"
#include "system/FirewallRules.h"

#include <windows.h>
#include <objbase.h>
#include <shlobj.h>

#include <optional>

namespace {

constexpr wchar_t productWord[] = L"Vidlet";
constexpr wchar_t cameraVersion[] = L"" VIDLET_VERSION_TEXT;
constexpr wchar_t sourceDllName[] = L"softcam.dll";
constexpr wchar_t staleCopyPattern[] = L"softcam*.dll";
// The camera's Media Foundation source, which Windows 11's Frame Server loads for Vidlet's
// virtual camera. It is staged and registered beside the DirectShow camera, from the same
// folder, for the same reasons: the Frame Server's account reads the data folder, and nobody
// but an administrator can change what is there.
constexpr wchar_t mediaSourceDllName[] = L"vidlet-mfcamera.dll";
constexpr wchar_t staleMediaSourcePattern[] = L"vidlet-mfcamera*.dll";
constexpr wchar_t mainProgramName[] = L"Vidlet.exe";
constexpr wchar_t logFileName[] = L"regtool.log";
constexpr wchar_t registryKey[] = L"SOFTWARE\\Vidlet";
constexpr DWORD pathCharacters = MAX_PATH;

bool fileExists(const std::wstring& path)
{
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool setString(HKEY key, const wchar_t* name, const std::wstring& value)
{
    const DWORD bytes = DWORD((value.size() + 1) * sizeof(wchar_t));
    return RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()), bytes)
        == ERROR_SUCCESS;
}

// A registered copy's path (CameraPath, MediaSourcePath) as the last --register wrote it;
// empty when there is none.
std::wstring recordedPath(const wchar_t* name)
{
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, registryKey, 0, KEY_READ | KEY_WOW64_64KEY, &key)
        != ERROR_SUCCESS)
        return {};
    // One spare character keeps a value stored without its terminator terminated.
    wchar_t value[pathCharacters + 1] = {};
    DWORD type = 0;
    DWORD bytes = pathCharacters * sizeof(wchar_t);
    const LSTATUS status =
        RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(value), &bytes);
    RegCloseKey(key);
    if (status != ERROR_SUCCESS || type != REG_SZ)
        return {};
    return value;
}

} // namespace

RegTool::RegTool(std::wstring helperFolder, std::wstring programDataFolder)
    : helperFolder(std::move(helperFolder)),
      programDataFolder(std::move(programDataFolder))
{
}

RegTool RegTool::ofThisProcess()
{
    std::wstring helper;
    wchar_t module[pathCharacters] = {};
    const DWORD length = GetModuleFileNameW(nullptr, module, pathCharacters);
    // A name that fills the whole buffer may have been cut.
    if (length > 0 && length < pathCharacters) {
        helper = module;
        const size_t slash = helper.rfind(L'\\');
        helper = slash == std::wstring::npos ? std::wstring() : helper.substr(0, slash + 1);
    }
    std::wstring data;
    wchar_t common[MAX_PATH] = {};
    if (SHGetFolderPathW(nullptr, CSIDL_COMMON_APPDATA, nullptr, 0, common) == S_OK)
        data = std::wstring(common) + L"\\" + productWord;
    return RegTool(helper, data);
}

int RegTool::run(const std::vector<std::wstring>& arguments)
{
    if (arguments.size() != 1)
        return ExitBadCommandLine;
    const std::wstring& command = arguments.front();
    if (command == L"--register")
        return registerCamera();
    if (command == L"--unregister")
        return unregisterCamera();
    if (command == L"--firewall")
        return updateFirewall(true);
    if (command == L"--unfirewall")
        return updateFirewall(false);
    return ExitBadCommandLine;
}

std::wstring RegTool::stagedDllPath() const
{
    return programDataFolder + L"\\softcam-" + cameraVersion + L".dll";
}

std::wstring RegTool::stagedMediaSourcePath() const
{
    return programDataFolder + L"\\vidlet-mfcamera-" + cameraVersion + L".dll";
}

int RegTool::registerCamera()
{
    const std::wstring source = helperFolder + sourceDllName;
    if (programDataFolder.empty())
        return ExitDataFolder;
    const std::wstring destination = stagedDllPath();
    if (!AdminFolder::secure(programDataFolder))
        return ExitDataFolder;
    log.setPath(programDataFolder + L"\\" + logFileName);
    log.line(L"--- register: src=%s dst=%s", source.c_str(), destination.c_str());

    if (!fileExists(source)) {
        log.line(L"source dll missing");
        return ExitFileMissing;
    }
    // Held until the registration is done, so what is registered is what was checked.
    const StagedCopy staged = StagedCopy::make(source, destination, log);
    if (!staged.isHeld())
        return ExitCopyFailed;
    if (const int result = callRegistrationEntry(destination, true))
        return result;
    const std::wstring mediaSource = helperFolder + mediaSourceDllName;
    const std::wstring mediaDestination = stagedMediaSourcePath();
    const bool withMediaSource = fileExists(mediaSource);
    if (!withMediaSource)
        log.line(L"no %s beside the helper: the DirectShow camera alone", mediaSourceDllName);
    std::optional<StagedCopy> stagedSource; // held like the camera's, until the end
    if (withMediaSource) {
        stagedSource.emplace(StagedCopy::make(mediaSource, mediaDestination, log));
        if (!stagedSource->isHeld())
            return ExitCopyFailed;
        if (const int result = callRegistrationEntry(mediaDestination, true))
            return result;
    }

    HKEY key = nullptr;
    bool written = RegCreateKeyExW(HKEY_LOCAL_MACHINE, registryKey, 0, nullptr, 0,
                                   KEY_WRITE | KEY_WOW64_64KEY, nullptr, &key, nullptr)
        == ERROR_SUCCESS;
    written = written && setString(key, L"CameraPath", destination)
        && setString(key, L"CameraVersion", cameraVersion)
        && (!withMediaSource || setString(key, L"MediaSourcePath", mediaDestination));
    if (key)
        RegCloseKey(key);
    if (!written) {
        log.line(L"HKLM\\%s write failed", registryKey);
        return ExitRegistryFailed;
    }
    sweepStaleCopies(staleCopyPattern, destination);
    sweepStaleCopies(staleMediaSourcePattern, withMediaSource ? mediaDestination : std::wstring());
    log.line(L"registered, version %s", cameraVersion);
    return ExitSuccess;
}

int RegTool::unregisterCamera()
{
    if (programDataFolder.empty())
        return ExitDataFolder;
    const std::wstring logPath = programDataFolder + L"\\" + logFileName;
    log.setPath(logPath);
    std::wstring dllPath = recordedPath(L"CameraPath");
    if (dllPath.empty())
        dllPath = stagedDllPath();
    std::wstring mediaSourcePath = recordedPath(L"MediaSourcePath");
    if (mediaSourcePath.empty())
        mediaSourcePath = stagedMediaSourcePath();
    log.line(L"--- unregister: %s", dllPath.c_str());

    int result = fileExists(dllPath) ? callRegistrationEntry(dllPath, false) : ExitSuccess;
    if (fileExists(mediaSourcePath)) {
        const int mediaResult = callRegistrationEntry(mediaSourcePath, false);
        if (result == ExitSuccess)
            result = mediaResult;
    }
    RegDeleteKeyExW(HKEY_LOCAL_MACHINE, registryKey, KEY_WOW64_64KEY, 0);
    deleteOrSchedule(dllPath);
    deleteOrSchedule(mediaSourcePath);
    sweepStaleCopies(staleCopyPattern, std::wstring());
    sweepStaleCopies(staleMediaSourcePattern, std::wstring());
    if (result == ExitSuccess) {
        log.clearPath();
        DeleteFileW(logPath.c_str());
        RemoveDirectoryW(programDataFolder.c_str()); // only when nothing else is left
    }
    return result;
}

int RegTool::updateFirewall(bool allow)
{
    if (!programDataFolder.empty() && AdminFolder::secure(programDataFolder)) {
        log.setPath(programDataFolder + L"\\" + logFileName);
    }
    const std::wstring target = helperFolder + mainProgramName;
    log.line(L"--- %s: %s", allow ? L"firewall" : L"unfirewall", target.c_str());
    if (!fileExists(target)) {
        log.line(L"Vidlet.exe not found next to the helper");
        return ExitFileMissing;
    }
    const bool updated = allow ? FirewallRules::addAllowRule(target, productWord)
                               : FirewallRules::removeRulesFor(target);
    log.line(updated ? L"firewall rules updated" : L"firewall update failed");
    return updated ? ExitSuccess : ExitFirewallFailed;
}

int RegTool::callRegistrationEntry(const std::wstring& dllPath, bool registering)
{
    // Its dependencies are searched in its own folder first.
    HMODULE dll = LoadLibraryExW(dllPath.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    if (!dll) {
        log.line(L"LoadLibraryEx failed on %s (err %lu)", dllPath.c_str(), GetLastError());
        return ExitLoadFailed;
    }
    const char* entryName = registering ? "DllRegisterServer" : "DllUnregisterServer";
    using Entry = HRESULT(STDAPICALLTYPE*)();
    const auto entry =
        reinterpret_cast<Entry>(reinterpret_cast<void (*)()>(GetProcAddress(dll, entryName)));
    if (!entry) {
        log.line(L"%hs not exported", entryName);
        FreeLibrary(dll);
        return ExitEntryFailed;
    }
    // A DirectShow filter registers itself through COM objects, so COM must be ready, as it is
    // when regsvr32 calls the same entry point.
    const bool com = SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
    const HRESULT result = entry();
    if (com)
        CoUninitialize();
    FreeLibrary(dll);
    if (FAILED(result)) {
        log.line(L"%hs returned 0x%08lX", entryName, static_cast<unsigned long>(result));
        return ExitEntryFailed;
    }
    log.line(L"%hs ok", entryName);
    return ExitSuccess;
}

void RegTool::deleteOrSchedule(const std::wstring& path)
{
    if (DeleteFileW(path.c_str()))
        return;
    const DWORD error = GetLastError();
    if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND)
        return;
    // A DLL that some program has loaded cannot be deleted until it is unloaded.
    if (MoveFileExW(path.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT))
        log.line(L"DeleteFile %s failed (err %lu), delete scheduled for next reboot", path.c_str(),
                 error);
    else
        log.line(L"DeleteFile %s failed (err %lu) AND could not schedule it (err %lu)",
                 path.c_str(), error, GetLastError());
}

void RegTool::sweepStaleCopies(const wchar_t* pattern, const std::wstring& keptPath)
{
    WIN32_FIND_DATAW found;
    const std::wstring wanted = programDataFolder + L"\\" + pattern;
    HANDLE search = FindFirstFileW(wanted.c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return;
    do {
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            continue;
        const std::wstring path = programDataFolder + L"\\" + found.cFileName;
        if (keptPath.empty() || _wcsicmp(path.c_str(), keptPath.c_str()) != 0) {
            log.line(L"sweeping stale %s", found.cFileName);
            deleteOrSchedule(path);
        }
    } while (FindNextFileW(search, &found));
    FindClose(search);
}
