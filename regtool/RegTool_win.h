#pragma once

#include "regtool/RegToolLog_win.h"

#include <string>
#include <vector>

// vidlet-regtool.exe: one machine-wide change per run, reported through the exit code
// (RegToolExit_win.h) and a few lines in the data folder's regtool.log. Runs elevated.
class RegTool {
public:
    // The helper's own folder (with its trailing backslash; empty when unknown) and the
    // machine's data folder for Vidlet (ProgramData\Vidlet; empty when unknown).
    RegTool(std::wstring helperFolder, std::wstring programDataFolder);
    // The folders of the running helper.
    static RegTool ofThisProcess();

    // `arguments` without the program's name: exactly one command.
    int run(const std::vector<std::wstring>& arguments);

    int registerCamera();
    int unregisterCamera();
    int updateFirewall(bool allow);

private:
    int callRegistrationEntry(const std::wstring& dllPath, bool registering);
    void deleteOrSchedule(const std::wstring& path);
    // Deletes the copies in the data folder that match `pattern`, all but `keptPath`.
    void sweepStaleCopies(const wchar_t* pattern, const std::wstring& keptPath);
    std::wstring stagedDllPath() const;
    std::wstring stagedMediaSourcePath() const;

    const std::wstring helperFolder;
    const std::wstring programDataFolder;
    RegToolLog log;
};
