#pragma once

#include <QString>

#include <cstdint>
#include <vector>

// The Windows program under Wine, read by a DirectShow program as a video call reads the camera,
// over USB, Wi-Fi with jitter and Wi-Fi under "Low latency" (bench/wine-latency.sh). For
// information: Wine's decoder and timers are not Windows'.
struct WineReaderRun {
    QString path; // usb, wifi or low
    // Per frame from the first the reader got: when the phone stamped it and when the reader
    // had it, on the wall clock; 0 where the reader never saw the frame.
    std::vector<std::int64_t> stampedNs;
    std::vector<std::uint64_t> readNs;

    // Runs every path with the Windows build at `winBuild`; false, with `why`, when it could not.
    static bool runAll(const QString& winBuild, int pictures, std::vector<WineReaderRun>& runs,
                       QString& why);
};
