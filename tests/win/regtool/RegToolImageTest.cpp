#include "tests/win/WinMachine.h"
#include "tests/win/WinTest.h"

#include <windows.h>

// What vidlet-regtool.exe carries besides code: the version record, the manifest that makes
// Windows elevate it, the icon, and the windowless subsystem.

namespace {

const std::wstring helper = WinMachine::binFolder() + L"vidlet-regtool.exe";

std::wstring versionString(const std::vector<BYTE>& record, const wchar_t* name)
{
    wchar_t* value = nullptr;
    UINT length = 0;
    const std::wstring path = std::wstring(L"\\StringFileInfo\\040904B0\\") + name;
    if (!VerQueryValueW(record.data(), path.c_str(), reinterpret_cast<void**>(&value), &length))
        return {};
    return value;
}

} // namespace

WIN_TEST(versionRecordNamesTheHelper)
{
    DWORD unused = 0;
    const DWORD size = GetFileVersionInfoSizeW(helper.c_str(), &unused);
    CHECK(size > 0);
    std::vector<BYTE> record(size);
    CHECK(GetFileVersionInfoW(helper.c_str(), 0, size, record.data()));
    CHECK_EQ(versionString(record, L"FileDescription"),
             std::wstring(L"Vidlet - virtual camera registrar"));
    CHECK_EQ(versionString(record, L"InternalName"), std::wstring(L"vidlet-regtool"));
    CHECK_EQ(versionString(record, L"OriginalFilename"), std::wstring(L"vidlet-regtool.exe"));
    CHECK_EQ(versionString(record, L"FileVersion"), std::wstring(L"1.1"));
    CHECK_EQ(versionString(record, L"ProductVersion"), std::wstring(L"1.1"));
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    CHECK(VerQueryValueW(record.data(), L"\\", reinterpret_cast<void**>(&fixed), &length));
    CHECK_EQ(fixed->dwFileVersionMS, DWORD(0x00010001));
    CHECK_EQ(fixed->dwProductVersionMS, DWORD(0x00010001));
}

WIN_TEST(manifestDemandsAdministratorAndIconIsThere)
{
    HMODULE image = LoadLibraryExW(helper.c_str(), nullptr,
                                   LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    CHECK(image != nullptr);
    HRSRC found = FindResourceW(image, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(24));
    CHECK(found != nullptr);
    const char* bytes = static_cast<const char*>(LockResource(LoadResource(image, found)));
    const std::string manifest(bytes, SizeofResource(image, found));
    // Resource types 24 and 14: the manifest and the icon group.
    const bool hasIcon = FindResourceW(image, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(14)) != nullptr;
    FreeLibrary(image);

    for (const char* part : {"level=\"requireAdministrator\" uiAccess=\"false\"",
                             "name=\"Vidlet.RegTool\" version=\"1.0.0.0\" "
                             "processorArchitecture=\"amd64\"",
                             "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"})
        CHECK(manifest.find(part) != std::string::npos);
    CHECK(hasIcon);
}

WIN_TEST(helperIsWindowless)
{
    HANDLE file = CreateFileW(helper.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              0, nullptr);
    CHECK(file != INVALID_HANDLE_VALUE);
    std::vector<BYTE> header(4096);
    DWORD got = 0;
    ReadFile(file, header.data(), DWORD(header.size()), &got, nullptr);
    CloseHandle(file);
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(header.data());
    CHECK(got == header.size() && dos->e_magic == IMAGE_DOS_SIGNATURE);
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS64*>(header.data() + dos->e_lfanew);
    CHECK_EQ(nt->FileHeader.Machine, WORD(IMAGE_FILE_MACHINE_AMD64));
    CHECK_EQ(nt->OptionalHeader.Subsystem, WORD(IMAGE_SUBSYSTEM_WINDOWS_GUI));
}
