#include "app/HeapPolicy.h"

#include <QTimer>

#include <malloc.h>

namespace {
// Often enough that the memory follows what the program holds. A trim took under a millisecond
// with a 1080p phone live (a few the first time), plus the faults of the pages given back when
// a block of their size is next allocated.
constexpr int trimIntervalMs = 10'000;
} // namespace

void useHeapPolicy(QObject* owner)
{
    auto* timer = new QTimer(owner);
    QObject::connect(timer, &QTimer::timeout, [] { malloc_trim(0); });
    timer->start(trimIntervalMs);
}
