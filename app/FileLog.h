#pragma once

#include <QByteArray>
#include <QString>
#include <QtGlobal>

// Copies every Qt message to "vidlet.log" in the user's own log folder and to standard error.
// Installed by main with qInstallMessageHandler(FileLog::handler) before the application object
// exists; may be called from any thread.
namespace FileLog {

// A log larger than this is started afresh by the next run.
constexpr qint64 sizeLimit = 0x80000;

// The log folder, from the environment. Windows: "<LOCALAPPDATA>/Vidlet", or the temporary
// folder's "Vidlet" when LOCALAPPDATA is empty. Elsewhere the user's state folder, never a
// shared one: "<XDG_STATE_HOME>/Vidlet", or "<HOME>/.local/state/Vidlet" when XDG_STATE_HOME is
// unset or not an absolute path.
QString folder();

// Creates `folder` with its missing parents. Where folders have modes, `folder` itself is
// made private to the user, and one that belongs to someone else, or is no folder, is refused.
bool makeFolder(const QString& folder);

// Makes the folder and removes a log there that is over the size limit. Returns the log's path,
// or an empty string when the folder cannot be used.
QString prepare(const QString& folder);

// Appends `line` to the file at `path`, creating it when missing. Where links exist, a link in
// the file's place is refused, so that whoever planted it cannot make the program write
// elsewhere. False when nothing was written.
bool append(const QString& path, const QByteArray& line);

// Appends `message` and a newline to the log and echoes it to standard error. The path is fixed
// by the first message of the run, and only then is the size checked: a log grows while the
// program runs, but a flood of one kind of line is held back (LogLimiter).
void handler(QtMsgType type, const QMessageLogContext& context, const QString& message);

} // namespace FileLog
