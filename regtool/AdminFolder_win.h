#pragma once

#include <string>

// The folder the elevated helper stages the camera in. Every user's camera programs load the
// camera from it and the helper runs what it finds there as an administrator, so only the
// system and administrators may change it; other users may read it. ProgramData lets any user
// create folders and files, so a folder found there may have been made by anyone.
namespace AdminFolder {

// Creates `folder` owned by the Administrators group with those rules, not inherited from its
// parent; a folder that exists is given the same owner and rules, whoever made it. False when
// neither can be done: the helper then stages nothing there.
bool secure(const std::wstring& folder);

} // namespace AdminFolder
