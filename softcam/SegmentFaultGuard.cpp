#include "softcam/SegmentFaultGuard.h"

#include <atomic>
#include <cstdint>
#include <mutex>

#include <signal.h>
#include <sys/mman.h>

namespace softcam {
namespace {

// The handler reads these without locks: a range is published by storing its end last and
// withdrawn by clearing its end first.
struct GuardedRange {
    std::atomic<std::uintptr_t> begin{0};
    std::atomic<std::uintptr_t> end{0};
    std::atomic<bool> tripped{false};
    std::atomic<bool> taken{false};
};

GuardedRange ranges[SegmentFaultGuard::kMaxGuards];
struct sigaction previous {};

// A signal sent with kill() or sigqueue() rather than raised by an access.
bool sentByAProcess(const siginfo_t* info)
{
    return info->si_code <= 0;
}

// Everything but a fault in a guarded range: as if the guard were not there. The guard stays
// installed whatever happens here, so a later truncation is still caught.
void passOn(int signal, siginfo_t* info, void* context)
{
    if (previous.sa_flags & SA_SIGINFO) {
        if (previous.sa_sigaction) {
            previous.sa_sigaction(signal, info, context);
            return;
        }
    } else if (previous.sa_handler != SIG_DFL && previous.sa_handler != SIG_IGN) {
        previous.sa_handler(signal);
        return;
    }
    if (sentByAProcess(info) && previous.sa_handler == SIG_IGN)
        return;
    // The default action: the process ends as it would have without the guard. A fault
    // ends it when the access runs again; a sent signal is raised again. (An ignored fault would
    // only fault for ever.)
    struct sigaction fallback {};
    fallback.sa_handler = SIG_DFL;
    sigemptyset(&fallback.sa_mask);
    sigaction(SIGBUS, &fallback, nullptr);
    if (sentByAProcess(info))
        raise(SIGBUS);
}

// Whether `address` lies in a guarded range, which then gets private zero pages, so that the
// access that faulted runs again into memory nobody reads.
bool replaceGuardedRange(std::uintptr_t address)
{
    for (GuardedRange& range : ranges) {
        const std::uintptr_t end = range.end.load(std::memory_order_acquire);
        const std::uintptr_t begin = range.begin.load(std::memory_order_relaxed);
        if (end == 0 || address < begin || address >= end)
            continue;
        // mmap is a plain system call, safe in a signal handler.
        if (mmap(reinterpret_cast<void*>(begin), end - begin, PROT_READ | PROT_WRITE,
                 MAP_PRIVATE | MAP_ANONYMOUS | MAP_FIXED, -1, 0)
            == MAP_FAILED)
            return false;
        range.tripped.store(true, std::memory_order_release);
        return true;
    }
    return false;
}

void onBusError(int signal, siginfo_t* info, void* context)
{
    // A sent signal's address means nothing, whatever it holds.
    if (!sentByAProcess(info)
        && replaceGuardedRange(reinterpret_cast<std::uintptr_t>(info->si_addr)))
        return;
    passOn(signal, info, context);
}

void installHandler()
{
    static std::once_flag installed;
    std::call_once(installed, [] {
        struct sigaction action {};
        action.sa_sigaction = onBusError;
        action.sa_flags = SA_SIGINFO | SA_ONSTACK;
        sigemptyset(&action.sa_mask);
        sigaction(SIGBUS, &action, &previous);
    });
}

} // namespace

SegmentFaultGuard::~SegmentFaultGuard()
{
    release();
}

bool SegmentFaultGuard::watch(void* base, std::size_t bytes)
{
    release();
    installHandler();
    for (int i = 0; i < kMaxGuards; ++i) {
        if (ranges[i].taken.exchange(true, std::memory_order_acq_rel))
            continue;
        const auto begin = reinterpret_cast<std::uintptr_t>(base);
        ranges[i].tripped.store(false, std::memory_order_relaxed);
        ranges[i].begin.store(begin, std::memory_order_relaxed);
        ranges[i].end.store(begin + bytes, std::memory_order_release);
        index = i;
        return true;
    }
    return false;
}

void SegmentFaultGuard::release()
{
    if (index < 0)
        return;
    ranges[index].end.store(0, std::memory_order_release);
    ranges[index].taken.store(false, std::memory_order_release);
    index = -1;
}

bool SegmentFaultGuard::tripped() const
{
    return index >= 0 && ranges[index].tripped.load(std::memory_order_acquire);
}

} // namespace softcam
