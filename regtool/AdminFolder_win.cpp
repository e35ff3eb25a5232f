#include "regtool/AdminFolder_win.h"

#include <windows.h>
#include <aclapi.h>
#include <sddl.h>

#include <memory>

namespace {

// Owner Administrators; full control for the system and administrators, read and run for users
// and for app containers (as Program Files has); P: nothing inherited from ProgramData.
constexpr wchar_t folderRules[] = L"O:BAD:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)"
                                  L"(A;OICI;0x1200a9;;;BU)(A;OICI;0x1200a9;;;AC)";

struct LocalFreer {
    void operator()(void* memory) const { LocalFree(memory); }
};

// Lets an administrator take a folder another account owns, whatever its rules say.
void enableTakeOwnership()
{
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &token))
        return;
    TOKEN_PRIVILEGES privileges = {};
    privileges.PrivilegeCount = 1;
    privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
    if (LookupPrivilegeValueW(nullptr, L"SeTakeOwnershipPrivilege", &privileges.Privileges[0].Luid))
        AdjustTokenPrivileges(token, FALSE, &privileges, 0, nullptr, nullptr);
    CloseHandle(token);
}

} // namespace

bool AdminFolder::secure(const std::wstring& folder)
{
    PSECURITY_DESCRIPTOR raw = nullptr;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(folderRules, SDDL_REVISION_1, &raw,
                                                              nullptr))
        return false;
    const std::unique_ptr<void, LocalFreer> descriptor(raw);
    SECURITY_ATTRIBUTES attributes = {sizeof attributes, raw, FALSE};
    if (CreateDirectoryW(folder.c_str(), &attributes))
        return true;
    if (GetLastError() != ERROR_ALREADY_EXISTS)
        return false;
    // A link or a junction at the name would hand the rules to whatever it points at.
    const DWORD found = GetFileAttributesW(folder.c_str());
    if (found == INVALID_FILE_ATTRIBUTES || !(found & FILE_ATTRIBUTE_DIRECTORY)
        || (found & FILE_ATTRIBUTE_REPARSE_POINT))
        return false;

    PSID owner = nullptr;
    PACL rules = nullptr;
    BOOL present = FALSE;
    BOOL defaulted = FALSE;
    if (!GetSecurityDescriptorOwner(raw, &owner, &defaulted)
        || !GetSecurityDescriptorDacl(raw, &present, &rules, &defaulted))
        return false;
    enableTakeOwnership();
    // The folder's files that carry inherited rules get the new ones too.
    return SetNamedSecurityInfoW(const_cast<wchar_t*>(folder.c_str()), SE_FILE_OBJECT,
                                 OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION
                                     | PROTECTED_DACL_SECURITY_INFORMATION,
                                 owner, nullptr, rules, nullptr)
        == ERROR_SUCCESS;
}
