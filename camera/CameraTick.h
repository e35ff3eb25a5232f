#pragma once

#include "video/ArrivalRate.h"

#include <algorithm>
#include <cstdint>
#include <optional>

// When the camera's pacing thread sends next. A reader expects pictures at the camera's rate,
// whatever the phone's, so the newest frame is sent again when no new one comes; but a fixed
// tick on a clock of its own makes each new frame wait for it, half a period on average.
//
// Here a new frame goes out at once unless that would outrun the camera's rate: sends may come
// at most 2 % faster than the camera's rate on average, with a slack of three tenths of a
// frame, so that an early frame after a late one passes without waiting while a phone faster
// than the camera gets every other frame sent. The newest is repeated when nothing was sent for
// 1.02 periods, unless the frames come at about the camera's rate and the next is not yet half
// a period overdue: a late frame then finds the camera free rather than just taken by a repeat.
// So a phone at about the camera's rate (a steady one, a jittery one, one whose clock runs a
// little fast or slow) reaches the reader without waiting for a tick, and the rate a reader
// sees stays within 5 % of the camera's or the phone's over any second.
// Not thread-safe: the pacing thread's lock guards it.
class CameraTick {
public:
    explicit CameraTick(std::int64_t periodUs)
        : periodUs(periodUs),
          spacingUs(periodUs * 50 / 51),
          slackUs(spacingUs * 3 / 10)
    {
    }

    // A new frame is there to send.
    void frameCame(std::int64_t nowUs)
    {
        arrivals.arrived(nowUs);
        fresh = true;
    }
    // When to send next; none before the first frame.
    std::optional<std::int64_t> nextSendUs() const
    {
        if (!lastSentUs)
            return fresh ? arrivals.lastUs() : std::nullopt;
        if (fresh)
            return paceUs - slackUs;
        const std::int64_t repeat = *lastSentUs + periodUs * 51 / 50;
        const std::optional<std::int64_t> phonePeriod = arrivals.periodUs();
        if (!phonePeriod || *phonePeriod > periodUs * 51 / 50)
            return repeat;
        // Frames come at about the camera's rate: wait for the next while it is not far late.
        return std::max(repeat, *arrivals.lastUs() + *phonePeriod * 3 / 2);
    }
    // The newest frame, new or not, went to the camera.
    void sent(std::int64_t nowUs)
    {
        paceUs = std::max(paceUs, nowUs) + spacingUs;
        lastSentUs = nowUs;
        fresh = false;
    }

private:
    std::int64_t periodUs;
    std::int64_t spacingUs;  // the fastest sends may come on average
    std::int64_t slackUs;    // how much sooner than that one send may come
    std::int64_t paceUs = 0; // when the next send is due at the fastest average rate
    ArrivalRate arrivals;
    std::optional<std::int64_t> lastSentUs;
    bool fresh = false;
};
