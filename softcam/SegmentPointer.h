#pragma once

#include <optional>
#include <string>

namespace softcam {

// Every user can create names beside the camera's fixed ones, so all of them can be taken in
// advance. The camera then takes a name nobody can guess and tells this user's readers through
// a file in the user's runtime folder, where no other user can create or change anything.
namespace SegmentPointer {

// `name` with a random part no other user can predict; none when the system gives no
// randomness.
std::optional<std::string> unguessableName(const std::string& name);
// Points `name`'s readers to `segment`; false where the user has no private runtime folder.
bool point(const std::string& name, const std::string& segment);
// The segment `name`'s readers are pointed to, if any.
std::optional<std::string> target(const std::string& name);
// Removes the pointer if it still points to `segment`.
void remove(const std::string& name, const std::string& segment);

} // namespace SegmentPointer
} // namespace softcam
