#include "softcam/win/UserOnlySecurity.h"

#include <aclapi.h>
#include <sddl.h>

#include <string>

namespace softcam {
namespace {

// The SID of one of the token's information classes that hold a SID first (TokenUser,
// TokenOwner), copied out; empty when it cannot be read.
std::vector<unsigned char> tokenSid(HANDLE token, TOKEN_INFORMATION_CLASS kind)
{
    DWORD size = 0;
    GetTokenInformation(token, kind, nullptr, 0, &size);
    std::vector<unsigned char> info(size);
    if (size == 0 || !GetTokenInformation(token, kind, info.data(), size, &size))
        return {};
    PSID sid = *reinterpret_cast<PSID*>(info.data()); // TOKEN_USER and TOKEN_OWNER lead with it
    std::vector<unsigned char> copy(GetLengthSid(sid));
    if (!CopySid(DWORD(copy.size()), copy.data(), sid))
        return {};
    return copy;
}

} // namespace

UserOnlySecurity::UserOnlySecurity()
{
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token))
        return;
    user = tokenSid(token, TokenUser);
    defaultOwner = tokenSid(token, TokenOwner);
    CloseHandle(token);
    wchar_t* text = nullptr;
    if (user.empty() || !ConvertSidToStringSidW(user.data(), &text))
        return;
    // Protected, so nothing is inherited; generic all to the user and to SYSTEM only.
    const std::wstring sddl = L"D:P(A;;GA;;;" + std::wstring(text) + L")(A;;GA;;;SY)";
    LocalFree(text);
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl.c_str(), SDDL_REVISION_1,
                                                              &descriptor, nullptr))
        descriptor = nullptr;
    security.nLength = sizeof security;
    security.lpSecurityDescriptor = descriptor;
    security.bInheritHandle = FALSE;
}

UserOnlySecurity::~UserOnlySecurity()
{
    if (descriptor)
        LocalFree(descriptor);
}

SECURITY_ATTRIBUTES* UserOnlySecurity::attributes()
{
    return descriptor ? &security : nullptr;
}

bool UserOnlySecurity::ownedByUser(HANDLE object) const
{
    PSID owner = nullptr;
    PSECURITY_DESCRIPTOR held = nullptr;
    if (GetSecurityInfo(object, SE_KERNEL_OBJECT, OWNER_SECURITY_INFORMATION, &owner, nullptr,
                        nullptr, nullptr, &held)
        != ERROR_SUCCESS)
        return false;
    const bool ours = owner
        && ((!user.empty() && EqualSid(owner, PSID(user.data())))
            || (!defaultOwner.empty() && EqualSid(owner, PSID(defaultOwner.data())))
            || IsWellKnownSid(owner, WinBuiltinAdministratorsSid));
    LocalFree(held);
    return ours;
}

} // namespace softcam
