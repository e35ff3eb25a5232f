#include "controller/AppController.h"
#include "controller/StatusCard.h"

#include <chrono>
#include <cstring>

// The card pump: while no live video flows, a thread of its own sends the session's status card
// to the camera, 30 times a second.

void AppController::startCardPump()
{
    if (cardPumpRunning.exchange(true))
        return;
    cardPump = std::thread(&AppController::pumpCards, this);
}

void AppController::stopCardPump()
{
    if (cardPumpRunning.exchange(false) && cardPump.joinable())
        cardPump.join();
}

void AppController::pumpCards()
{
    using namespace std::chrono;
    const std::size_t n = std::size_t(outputWidth) * std::size_t(outputHeight) * 3;
    const Frame blank(n, 0x12);
    auto next = steady_clock::now();
    while (cardPumpRunning.load()) {
        if (outputEnabled_.load()) {
            std::lock_guard<std::mutex> guard(cardLock);
            sink->sendFrame(cardFrame.size() == n ? cardFrame.data() : blank.data());
            ++framesSent_;
        }
        // Advance a deadline rather than sleep a fixed time, so the rate stays at 30 per second.
        next += nanoseconds(33'333'000);
        std::this_thread::sleep_until(next);
    }
}

// Draws the card of the current state at the output size; states without one keep the last.
void AppController::renderCard()
{
    const QSize size(outputWidth, outputHeight);
    if (session == Session::Paused) {
        storeCard(StatusCard::paused(size));
    } else if (session == Session::Idle || session == Session::NoCamera) {
        storeCard(StatusCard::idle(size, lanAddressFound ? pairAddress_ : QString()));
    }
}

void AppController::storeCard(const QImage& card)
{
    const std::size_t row = std::size_t(card.width()) * 3;
    std::lock_guard<std::mutex> guard(cardLock);
    cardFrame.resize(row * std::size_t(card.height()));
    for (int y = 0; y < card.height(); ++y)
        std::memcpy(cardFrame.data() + row * y, card.constScanLine(y), row);
}
