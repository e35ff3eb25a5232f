#include "app/LogLimiter.h"

#include <algorithm>

namespace {
constexpr int kindLength = 32;
const QString sharedKind = QStringLiteral("(other)");
} // namespace

QString LogLimiter::kindOf(const QString& message)
{
    QString kind;
    for (const QChar c : message) {
        if (kind.size() == kindLength)
            break;
        if (!c.isDigit())
            kind += c;
    }
    return kind;
}

QStringList LogLimiter::admit(const QString& message, qint64 nowMs)
{
    QString kind = kindOf(message);
    if (!buckets.contains(kind) && buckets.size() >= maxKinds)
        kind = sharedKind;
    auto it = buckets.find(kind);
    if (it == buckets.end()) {
        it = buckets.insert(kind, Bucket{});
        it->refilledMs = nowMs;
    }
    Bucket& bucket = *it;
    const qint64 earned = (nowMs - bucket.refilledMs) / refillMs;
    bucket.refilledMs += earned * refillMs;
    bucket.tokens = int(std::min<qint64>(burst, bucket.tokens + earned));
    if (bucket.tokens == 0) {
        ++bucket.suppressed;
        return {};
    }
    --bucket.tokens;

    QStringList lines;
    if (bucket.suppressed > 0) {
        lines.append(QStringLiteral("Vidlet: suppressed %1 lines like \"%2\"")
                         .arg(bucket.suppressed)
                         .arg(kind));
        bucket.suppressed = 0;
    }
    lines.append(message.size() > maxLineLength
                     ? message.left(maxLineLength) + QStringLiteral("...")
                     : message);
    return lines;
}
