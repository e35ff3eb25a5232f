#pragma once

#include <QHash>
#include <QString>
#include <QStringList>

// Keeps a flood of log lines from filling the disk: a stranger who knocks at the phone port
// again and again, or a phone that keeps sending bad data. Each kind of line (its text without
// digits, cut to a short prefix) has a token bucket: a burst passes whole, after that one line
// per refill period; the lines held back are counted and summed up in one line before the next
// line of that kind that passes. Not thread-safe: the log handler serialises the calls.
class LogLimiter {
public:
    static constexpr int burst = 200;
    static constexpr qint64 refillMs = 3000;
    static constexpr int maxLineLength = 1000;
    static constexpr int maxKinds = 64; // later kinds share one bucket

    // The lines to write for `message` logged at `nowMs` (a monotonic clock in milliseconds):
    // none while its kind is over budget; otherwise the summary of what was held back, if
    // anything, then the message, cut to maxLineLength.
    QStringList admit(const QString& message, qint64 nowMs);

    static QString kindOf(const QString& message);

private:
    struct Bucket {
        int tokens = burst;
        qint64 refilledMs = 0; // time up to which tokens have been added
        qint64 suppressed = 0;
    };
    QHash<QString, Bucket> buckets;
};
