#include "system/SystemIntegration_win.h"

#include "system/FirewallRules.h"

#include <QWinEventNotifier>

#include <memory>
#include <system_error>
#include <thread>

#include <windows.h>
#include <objbase.h>
#include <shellapi.h>

namespace {

constexpr wchar_t cameraKey[] = L"CLSID\\{276143AA-B755-440E-834A-93CDEBCA334B}\\InprocServer32";
constexpr wchar_t helperName[] = L"vidlet-regtool.exe";

bool fileExists(const std::wstring& path)
{
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// One start of the elevated helper. The launching thread fills `process` (or `error`) and then
// sets `started`, which orders its writes before the GUI thread's reads; after that only the
// GUI thread touches it. Whoever lets go last closes the handles.
struct Launch {
    HANDLE started = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    HANDLE process = nullptr;
    DWORD error = 0;

    ~Launch()
    {
        if (process)
            CloseHandle(process);
        if (started)
            CloseHandle(started);
    }
};

void launchElevated(const std::shared_ptr<Launch>& launch, const std::wstring& file,
                    const std::wstring& parameters)
{
    // The shell may hand the request to its extensions, which want COM on the calling thread.
    const bool com =
        SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE));
    SHELLEXECUTEINFOW request = {};
    request.cbSize = sizeof request;
    request.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_NOASYNC;
    request.lpVerb = L"runas";
    request.lpFile = file.c_str();
    request.lpParameters = parameters.c_str();
    request.nShow = SW_HIDE;
    // Refused when the user declines the consent prompt: nothing changes then.
    if (ShellExecuteExW(&request) && request.hProcess)
        launch->process = request.hProcess;
    else
        launch->error = GetLastError();
    if (com)
        CoUninitialize();
    SetEvent(launch->started);
}

} // namespace

WindowsSystemIntegration::WindowsSystemIntegration(std::wstring programPath)
    : programPath(std::move(programPath))
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
    runHelper(L"--register", std::move(done));
}

void WindowsSystemIntegration::unregisterCamera(std::function<void()> done)
{
    runHelper(L"--unregister", std::move(done));
}

void WindowsSystemIntegration::allowThroughFirewall(std::function<void()> done)
{
    runHelper(L"--firewall", std::move(done));
}

void WindowsSystemIntegration::runHelper(const std::wstring& command, std::function<void()> done)
{
    const size_t slash = programPath.rfind(L'\\');
    const std::wstring helper = slash == std::wstring::npos
        ? std::wstring()
        : programPath.substr(0, slash + 1) + helperName;
    if (helper.empty() || !fileExists(helper)) {
        qWarning("Vidlet: %ls not found beside the program", helperName);
        return done();
    }
    if (running) {
        qWarning("Vidlet: %ls is still running; %ls waits for another try", helperName,
                 command.c_str());
        return done();
    }
    const auto launch = std::make_shared<Launch>();
    if (!launch->started)
        return done();
    try {
        std::thread(launchElevated, launch, helper, command).detach();
    } catch (const std::system_error&) {
        qWarning("Vidlet: no thread to start %ls from", helperName);
        return done();
    }
    running = true;

    // Both handles stay signalled once set: each notifier reports once and goes.
    auto* started = new QWinEventNotifier(launch->started, &lifetime);
    QObject::connect(started, &QWinEventNotifier::activated, started, [=, this] {
        started->setEnabled(false);
        started->deleteLater();
        if (!launch->process) {
            qWarning("Vidlet: %ls %ls was not started (error %lu)", helperName, command.c_str(),
                     launch->error);
            running = false;
            return done();
        }
        auto* ended = new QWinEventNotifier(launch->process, &lifetime);
        QObject::connect(ended, &QWinEventNotifier::activated, ended, [=, this] {
            ended->setEnabled(false);
            ended->deleteLater();
            // The state is read afresh whatever this says; the log keeps it for support.
            DWORD code = 0;
            GetExitCodeProcess(launch->process, &code);
            qInfo("Vidlet: %ls %ls ended with exit code %lu", helperName, command.c_str(), code);
            running = false;
            done();
        });
    });
}

std::unique_ptr<SystemIntegration> createSystemIntegration()
{
    wchar_t path[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
    // A path that fills the whole buffer may have been cut.
    const bool read = length > 0 && length < MAX_PATH;
    return std::make_unique<WindowsSystemIntegration>(read ? std::wstring(path) : std::wstring());
}
