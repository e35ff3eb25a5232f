#pragma once

#include <QString>
#include <QtGlobal>

// Copies every Qt message to "vidlet.log" in the user's local application data folder and to
// standard error. Installed by main with qInstallMessageHandler(FileLog::handler) before the
// application object exists; may be called from any thread.
namespace FileLog {

// A log larger than this is started afresh by the next run.
constexpr qint64 sizeLimit = 0x80000;

// The log folder for the given LOCALAPPDATA value: "<value>/Vidlet", or the temporary folder's
// "Vidlet" when the value is empty.
QString folder(const QString& localAppData);

// Creates `folder` and removes a log there that is over the size limit. Returns the log's path.
QString prepare(const QString& folder);

// Appends `message` and a newline to the log and echoes it to standard error. The path is fixed
// by the first message of the run, and only then is the size checked: a log grows while the
// program runs, but a flood of one kind of line is held back (LogLimiter).
void handler(QtMsgType type, const QMessageLogContext& context, const QString& message);

}
