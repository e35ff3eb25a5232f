#pragma once

#include <QString>

// Files that hold secrets (the pairing token, the trusted phones' tokens in the settings) are
// the user's alone, whatever the umask: another user of the machine could pair with them.
namespace PrivateFiles {

// Creates `folder` (and its missing parents) and makes the last one 0700 when it is created
// here; a folder that already exists keeps its mode. False when it cannot be created.
bool makeFolder(const QString& folder);

// Makes `file` 0600 before anything is written to it: created empty when missing (its folder
// made private as above), narrowed when it exists. Writers that replace the file (QSaveFile)
// keep the mode they find.
bool restrictFile(const QString& file);

} // namespace PrivateFiles
