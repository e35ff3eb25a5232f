#pragma once

#include <QtGlobal>

// Waits up to `timeoutMs` for the process `pid` to end; true when it has ended (or never ran).
// For a caller that must not touch what that process holds (its program files, its camera)
// until it is gone.
bool waitForProcessEnd(qint64 pid, int timeoutMs);
