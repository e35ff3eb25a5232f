#pragma once

#include <QDateTime>
#include <QString>

// Names recordings after the moment they start, "Vidlet_yyyyMMdd_HHmmss.mp4", and claims the
// name by creating the file: a name already taken (a second start within the same second, a
// clock that stepped back) gets a suffix, "_2", "_3", ..., so no recording is ever replaced.
namespace RecordingName {

// Creates `folder` if needed and an empty file of a free name in it; returns its path, or an
// empty string when no file can be created there.
QString reserve(const QString& folder, const QDateTime& when);

} // namespace RecordingName
