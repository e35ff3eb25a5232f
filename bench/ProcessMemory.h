#pragma once

#include <QByteArray>
#include <QFile>

// This process's memory as the kernel counts it, from /proc/self.
namespace ProcessMemory {

// A "kB" field of /proc/self/status, such as "VmRSS:" or "VmHWM:".
inline qint64 statusKiB(const QByteArray& field)
{
    QFile status("/proc/self/status");
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith(field))
            return line.mid(field.size()).trimmed().split(' ').value(0).toLongLong();
    }
    return 0;
}

// Starts a new peak: the kernel forgets the resident high-water mark.
inline void resetPeak()
{
    QFile clearRefs("/proc/self/clear_refs");
    if (clearRefs.open(QIODevice::WriteOnly))
        clearRefs.write("5");
}

} // namespace ProcessMemory
