// Where the camera output finds softcam.dll: beside the program first, then on the search path.
// Copies of LoaderProbe.exe in scratch folders play the program.
#include "tests/win/WinTest.h"
#include "tests/win/softcam/ChildProcess.h"

#include <string>
#include <vector>

namespace {

// A scratch folder, removed with what the case put in it.
class Folder {
public:
    explicit Folder(const wchar_t* name)
    {
        wchar_t temp[MAX_PATH];
        GetTempPathW(MAX_PATH, temp);
        path = std::wstring(temp) + L"vidlet-loader-" + std::to_wstring(GetCurrentProcessId())
            + L"-" + name + L"\\";
        CreateDirectoryW(path.c_str(), nullptr);
    }
    ~Folder()
    {
        for (const std::wstring& file : files)
            DeleteFileW(file.c_str());
        RemoveDirectoryW(path.c_str());
    }
    void copy(const wchar_t* name)
    {
        files.push_back(path + name);
        CHECK(CopyFileW((programFolder() + name).c_str(), files.back().c_str(), FALSE));
    }
    std::wstring path;

private:
    std::vector<std::wstring> files;
};

// Runs the probe in `folder` with `searchFolder` first on PATH; its answer.
std::string probe(const Folder& folder, const std::wstring& searchFolder)
{
    wchar_t saved[32767] = {};
    GetEnvironmentVariableW(L"PATH", saved, 32767);
    SetEnvironmentVariableW(L"PATH", (searchFolder + L";" + saved).c_str());
    ChildProcess child;
    const bool started = child.start(L"\"" + folder.path + L"LoaderProbe.exe\"");
    SetEnvironmentVariableW(L"PATH", saved);
    CHECK(started);
    return child.ask("go");
}

} // namespace

WIN_TEST(copyBesideTheProgramWinsOverTheSearchPath)
{
    Folder program(L"program");
    Folder elsewhere(L"elsewhere");
    program.copy(L"LoaderProbe.exe");
    program.copy(L"softcam.dll");
    elsewhere.copy(L"softcam.dll");
    CHECK_EQ(probe(program, elsewhere.path), WinTest::narrow(program.path + L"softcam.dll"));
}

WIN_TEST(searchPathServesWhenNoCopyIsBesideTheProgram)
{
    Folder program(L"bare");
    Folder elsewhere(L"path");
    program.copy(L"LoaderProbe.exe");
    elsewhere.copy(L"softcam.dll");
    CHECK_EQ(probe(program, elsewhere.path), WinTest::narrow(elsewhere.path + L"softcam.dll"));
}

WIN_TEST(missingComponentIsReported)
{
    Folder program(L"alone");
    Folder empty(L"empty");
    program.copy(L"LoaderProbe.exe");
    const std::string answer = probe(program, empty.path);
    CHECK(answer.rfind("missing: ", 0) == 0);
    CHECK(answer.find("softcam.dll") != std::string::npos);
}
