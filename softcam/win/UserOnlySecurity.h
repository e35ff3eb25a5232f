#pragma once

#include <windows.h>

#include <vector>

namespace softcam {

// The camera's named objects carry every frame, so only the user who runs Vidlet may open
// them: they are made with a DACL that admits that user and SYSTEM alone, and an object of the
// same name that already exists is used only when this user owns it. "Local\" names already
// keep other sessions out; this keeps out another user's process inside the same session
// (started with runas, or a service impersonating one) that made the name first.
class UserOnlySecurity {
public:
    UserOnlySecurity();
    ~UserOnlySecurity();
    UserOnlySecurity(const UserOnlySecurity&) = delete;
    UserOnlySecurity& operator=(const UserOnlySecurity&) = delete;

    // For the Create* calls; null when the token could not be read (the default DACL, which
    // also admits only the user on a standard account, then applies).
    SECURITY_ATTRIBUTES* attributes();
    // Whether `object` is owned by this user, by the owner this user's objects get, or by the
    // Administrators, whom nothing on the machine keeps out.
    bool ownedByUser(HANDLE object) const;

private:
    std::vector<unsigned char> user;
    std::vector<unsigned char> defaultOwner;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    SECURITY_ATTRIBUTES security{};
};

} // namespace softcam
