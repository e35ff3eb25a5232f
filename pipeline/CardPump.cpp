#include "pipeline/CardPump.h"
#include "pipeline/CameraOutput.h"

#include <chrono>
#include <cstring>

CardPump::CardPump(CameraOutput& camera)
    : camera(camera)
{
}

void CardPump::start()
{
    if (running.exchange(true))
        return;
    thread = std::thread(&CardPump::run, this);
}

void CardPump::stop()
{
    if (running.exchange(false) && thread.joinable())
        thread.join();
}

void CardPump::setCard(const QImage& picture)
{
    const std::size_t row = std::size_t(picture.width()) * 3;
    std::lock_guard<std::mutex> guard(cardLock);
    card.resize(row * std::size_t(picture.height()));
    for (int y = 0; y < picture.height(); ++y)
        std::memcpy(card.data() + row * std::size_t(y), picture.constScanLine(y), row);
}

void CardPump::run()
{
    using namespace std::chrono;
    const std::size_t n = camera.frameBytes();
    const std::vector<unsigned char> blank(n, 0x12);
    auto next = steady_clock::now();
    while (running.load()) {
        {
            std::lock_guard<std::mutex> guard(cardLock);
            camera.send(card.size() == n ? card.data() : blank.data());
        }
        // Advance a deadline rather than sleep a fixed time, so the rate stays at 30 per second.
        next += nanoseconds(33'333'000);
        std::this_thread::sleep_until(next);
    }
}
