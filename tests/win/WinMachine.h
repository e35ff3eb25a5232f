#pragma once

#include <windows.h>

#include <string>
#include <vector>

// What the Windows tests look at and clean up in the Wine prefix's machine: files, registry keys
// and child programs.
namespace WinMachine {

// The folder of the running test program, which the build also puts the helper and the test
// DLLs in; with its trailing backslash.
std::wstring binFolder();
// C:\ProgramData\Vidlet, the helper's data folder.
std::wstring dataFolder();

bool fileExists(const std::wstring& path);
bool copyFile(const std::wstring& from, const std::wstring& to);
bool writeFile(const std::wstring& path, const std::string& bytes);
// The file's lines without their CR LF; empty when it cannot be read.
std::vector<std::string> readLines(const std::wstring& path);
// The whole file; empty when it cannot be read.
std::string readBytes(const std::wstring& path);
// Creates the folder with the rules of an SDDL string ("O:BUD:(A;;FA;;;WD)").
bool makeFolderWithRules(const std::wstring& folder, const wchar_t* rules);
// The folder's owner and rules as an SDDL string; empty when they cannot be read.
std::wstring folderRules(const std::wstring& folder);
// Deletes the folder's files (read-only ones too) and then the folder; it has no subfolders.
void removeFolder(const std::wstring& folder);

// Both in the 64-bit view.
bool keyExists(HKEY root, const std::wstring& path);
std::wstring readString(HKEY root, const std::wstring& path, const wchar_t* name);
void deleteKey(HKEY root, const std::wstring& path);

// Runs the command line to its end and gives the exit code, or -1 when it cannot start.
int run(const std::wstring& commandLine);

} // namespace WinMachine
