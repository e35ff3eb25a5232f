#include "softcam/softcam.h"
#include "tests/win/WinTest.h"

#include <windows.h>
#include <aclapi.h>
#include <sddl.h>

// Who may open the camera's named objects, and what the camera does with a name another user
// made first.

namespace {

constexpr wchar_t kDirectory[] = L"Local\\VidletCameraDirectory";

bool isUserOrSystem(PSID sid)
{
    HANDLE token = nullptr;
    OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token);
    unsigned char buffer[256];
    DWORD size = 0;
    const bool read = GetTokenInformation(token, TokenUser, buffer, sizeof buffer, &size);
    CloseHandle(token);
    return IsWellKnownSid(sid, WinLocalSystemSid)
        || (read && EqualSid(sid, reinterpret_cast<TOKEN_USER*>(buffer)->User.Sid));
}

} // namespace

WIN_TEST(cameraObjectsAdmitOnlyTheUserAndSystem)
{
    void* camera = scCreateCamera(64, 48, 30.0f);
    CHECK(camera);
    HANDLE directory = OpenFileMappingW(FILE_MAP_READ | READ_CONTROL, FALSE, kDirectory);
    CHECK(directory);
    PACL dacl = nullptr;
    PSECURITY_DESCRIPTOR held = nullptr;
    CHECK(GetSecurityInfo(directory, SE_KERNEL_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr,
                          &dacl, nullptr, &held)
          == ERROR_SUCCESS);
    CHECK(dacl);
    CHECK_EQ(int(dacl->AceCount), 2);
    for (DWORD i = 0; i < dacl->AceCount; ++i) {
        ACCESS_ALLOWED_ACE* ace = nullptr;
        CHECK(GetAce(dacl, i, reinterpret_cast<void**>(&ace)));
        CHECK_EQ(int(ace->Header.AceType), int(ACCESS_ALLOWED_ACE_TYPE));
        CHECK(isUserOrSystem(&ace->SidStart));
    }
    LocalFree(held);
    CloseHandle(directory);
    scDeleteCamera(camera);
}

WIN_TEST(aNameAnotherUserMadeFirstIsNotUsed)
{
    // Owned by SYSTEM and open to everyone, as a squatter would leave it.
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    CHECK(ConvertStringSecurityDescriptorToSecurityDescriptorW(
        L"O:SYD:(A;;GA;;;WD)", SDDL_REVISION_1, &descriptor, nullptr));
    SECURITY_ATTRIBUTES foreign{sizeof foreign, descriptor, FALSE};
    HANDLE squatted =
        CreateFileMappingW(INVALID_HANDLE_VALUE, &foreign, PAGE_READWRITE, 0, 4096, kDirectory);
    const bool fresh = GetLastError() != ERROR_ALREADY_EXISTS;
    LocalFree(descriptor);
    if (!squatted)
        WinTest::skip("this account may not make an object that another user owns");
    CHECK(fresh);
    void* camera = scCreateCamera(64, 48, 30.0f);
    const bool refused = camera == nullptr;
    if (camera)
        scDeleteCamera(camera);
    CloseHandle(squatted);
    CHECK(refused);
    // With the name free again the camera comes.
    camera = scCreateCamera(64, 48, 30.0f);
    CHECK(camera);
    scDeleteCamera(camera);
}
