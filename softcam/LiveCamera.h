#pragma once

#include <atomic>
#include <memory>
#include <mutex>

namespace softcam {

// The one camera a process may have alive behind softcam.h's C functions, on either platform.
// Creation and deletion come from the controlling thread; the per-frame calls, from another,
// read the live camera through an atomic so that they never wait behind either. `Camera` has
// sendFrame(const unsigned char*), isConnected() and seesEveryReader().
template <typename Camera> class LiveCamera {
public:
    // `make` returns a std::unique_ptr<Camera>, null on failure. Null while one lives.
    template <typename Make> void* create(Make make)
    {
        std::lock_guard<std::mutex> guard(lifecycle);
        if (live)
            return nullptr;
        live = make();
        current.store(live.get(), std::memory_order_release);
        return live.get();
    }

    // Replaces `camera` by what `make` returns, given the camera it replaces; null, and no
    // camera alive, when `make` fails. Null for handles it did not make.
    template <typename Make> void* replace(void* camera, Make make)
    {
        std::lock_guard<std::mutex> guard(lifecycle);
        if (!camera || camera != live.get())
            return nullptr;
        current.store(nullptr, std::memory_order_release);
        live = make(std::move(live));
        current.store(live.get(), std::memory_order_release);
        return live.get();
    }

    // Ignores null and handles it did not make.
    void remove(void* camera)
    {
        std::lock_guard<std::mutex> guard(lifecycle);
        if (!camera || camera != live.get())
            return;
        current.store(nullptr, std::memory_order_release);
        live.reset();
    }

    void sendFrame(void* camera, const void* bgr)
    {
        Camera* alive = current.load(std::memory_order_acquire);
        if (camera && bgr && camera == alive)
            alive->sendFrame(static_cast<const unsigned char*>(bgr));
    }

    // Linux's: `planes` is an I420Planes.
    template <typename Planes> void sendI420(void* camera, const Planes& planes)
    {
        Camera* alive = current.load(std::memory_order_acquire);
        if (camera && camera == alive)
            alive->sendI420(planes);
    }

    bool isConnected(void* camera)
    {
        Camera* alive = current.load(std::memory_order_acquire);
        return camera && camera == alive && alive->isConnected();
    }

    bool isOnPipewire(void* camera)
    {
        Camera* alive = current.load(std::memory_order_acquire);
        return camera && camera == alive && alive->isOnPipewire();
    }

    bool isReadThroughPipewire(void* camera)
    {
        Camera* alive = current.load(std::memory_order_acquire);
        return camera && camera == alive && alive->isReadThroughPipewire();
    }

    bool segmentWasCutShort(void* camera)
    {
        Camera* alive = current.load(std::memory_order_acquire);
        return camera && camera == alive && alive->segmentWasCutShort();
    }

    bool readerHoldsSize(void* camera)
    {
        Camera* alive = current.load(std::memory_order_acquire);
        return camera && camera == alive && alive->readerHoldsSize();
    }

    bool seesEveryReader(void* camera)
    {
        Camera* alive = current.load(std::memory_order_acquire);
        return camera && camera == alive && alive->seesEveryReader();
    }

    // Runs `work` under the lock that creation and deletion take.
    template <typename Work> void locked(Work work)
    {
        std::lock_guard<std::mutex> guard(lifecycle);
        work();
    }

private:
    std::mutex lifecycle; // guards live
    std::unique_ptr<Camera> live;
    std::atomic<Camera*> current{nullptr};
};

} // namespace softcam
