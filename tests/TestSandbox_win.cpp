#include "tests/TestSandbox.h"

#include <QSettings>

#include <cstdlib>
#include <filesystem>
#include <string>

#include <windows.h>

namespace {

// Windows keeps the program's settings in the roaming profile and its log in LOCALAPPDATA:
// both point into a fresh folder here, as do the temporary folders.
struct Sandbox {
    std::filesystem::path root;

    Sandbox()
    {
        root = std::filesystem::temp_directory_path()
            / ("vidlet-test-" + std::to_string(GetCurrentProcessId()));
        std::filesystem::create_directories(root / "config");
        for (const char* variable : {"LOCALAPPDATA", "APPDATA", "USERPROFILE", "TEMP", "TMP"}) {
            const auto folder = root / variable;
            std::filesystem::create_directories(folder);
            SetEnvironmentVariableW(std::wstring(variable, variable + strlen(variable)).c_str(),
                                    folder.wstring().c_str());
            _wputenv_s(std::wstring(variable, variable + strlen(variable)).c_str(),
                       folder.wstring().c_str());
        }
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope,
                           QString::fromStdWString((root / "config").wstring()));
    }

    ~Sandbox()
    {
        std::error_code ignored;
        std::filesystem::remove_all(root, ignored);
    }
} sandbox;

} // namespace

QString TestSandbox::path()
{
    return QString::fromStdWString(sandbox.root.wstring());
}
