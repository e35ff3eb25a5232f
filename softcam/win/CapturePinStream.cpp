// The pin's streaming thread, alive from the graph's first pause to its stop.
#include "softcam/win/CapturePin.h"

#include "softcam/win/CameraSection.h"
#include "softcam/win/CaptureFilter.h"
#include "softcam/win/NotRunningCard.h"

#include <algorithm>
#include <chrono>
#include <optional>

namespace softcam {
namespace {

// A camera remade at another size is gone for a moment; one gone longer went with Vidlet.
constexpr std::chrono::milliseconds kCameraGoneAfter{1500};

} // namespace

HRESULT CapturePin::startStreaming()
{
    if (!connected || thread.joinable())
        return S_OK;
    HRESULT result = allocator->Commit();
    if (FAILED(result))
        return result;
    stopEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    if (!stopEvent) {
        allocator->Decommit();
        return E_OUTOFMEMORY;
    }
    try {
        thread = std::thread(&CapturePin::stream, this, stopEvent);
    } catch (const std::system_error&) {
        CloseHandle(stopEvent);
        stopEvent = nullptr;
        allocator->Decommit();
        return E_OUTOFMEMORY;
    }
    return S_OK;
}

void CapturePin::stopStreaming()
{
    if (!thread.joinable())
        return;
    SetEvent(stopEvent);
    // Decommitting wakes a thread that waits for a free sample.
    allocator->Decommit();
    thread.join();
    CloseHandle(stopEvent);
    stopEvent = nullptr;
}

void CapturePin::stream(HANDLE stop)
{
    CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    using Clock = std::chrono::steady_clock;
    const auto period = std::chrono::duration_cast<Clock::duration>(
        std::chrono::nanoseconds(format.frameTime * 100));
    CameraSubscriber camera;
    std::vector<unsigned char> frame;
    int frameWidth = 0;
    int frameHeight = 0;
    bool first = true;
    std::vector<unsigned char> card; // drawn when first needed, at the negotiated size
    std::optional<Clock::time_point> cameraSeen;
    auto deadline = Clock::now();
    for (;;) {
        const auto wait = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
        if (WaitForSingleObject(stop, DWORD(std::max<long long>(wait.count(), 0))) != WAIT_TIMEOUT)
            break;
        deadline += period;
        // A thread that fell far behind (a stalled downstream) starts afresh instead of
        // pushing the missed frames back to back.
        if (deadline < Clock::now() - 4 * period)
            deadline = Clock::now();

        IReferenceClock* clock = nullptr;
        REFERENCE_TIME start = 0;
        const bool running = filter.runningClock(&clock, &start);
        camera.setRunning(running);
        if (!running)
            continue;
        bool live = false;
        camera.readNewFrame(frame, frameWidth, frameHeight, live);
        const auto now = Clock::now();
        if (camera.attached())
            cameraSeen = now;
        // A copy the writer kept lapping may have left another camera's size in `frame`.
        const bool whole = !frame.empty() && frame.size() == frameBytes(frameWidth, frameHeight);
        if (!cameraSeen || now - *cameraSeen > kCameraGoneAfter) {
            // Vidlet is not running (or has no camera): the card says so.
            if (card.empty())
                card =
                    NotRunningCard::draw(format.width, format.height, GetUserDefaultUILanguage());
            frame = card;
            frameWidth = format.width;
            frameHeight = format.height;
        } else if (!live && !whole) {
            // A camera that has sent nothing yet: black at the negotiated size. Otherwise the
            // last picture stays while the camera is made again at another size.
            frameWidth = format.width;
            frameHeight = format.height;
            frame.assign(frameBytes(frameWidth, frameHeight), 0);
        }
        IMediaSample* sample = nullptr;
        if (SUCCEEDED(allocator->GetBuffer(&sample, nullptr, nullptr, 0)) && sample) {
            BYTE* data = nullptr;
            if (SUCCEEDED(sample->GetPointer(&data)) && data
                && std::size_t(sample->GetSize()) >= format.imageBytes()) {
                const unsigned char* picture = frame.data();
                if (frameWidth != format.width || frameHeight != format.height) {
                    scaled.resize(frameBytes(format.width, format.height));
                    fitter.fit(frame.data(), frameWidth, frameHeight, scaled.data(), format.width,
                               format.height);
                    picture = scaled.data();
                }
                format.convert(picture, data);
                sample->SetActualDataLength(long(format.imageBytes()));
                REFERENCE_TIME now = 0;
                if (clock && SUCCEEDED(clock->GetTime(&now))) {
                    REFERENCE_TIME begin = now - start;
                    REFERENCE_TIME end = begin + format.frameTime;
                    sample->SetTime(&begin, &end);
                }
                sample->SetSyncPoint(TRUE);
                sample->SetDiscontinuity(first);
                first = false;
                input->Receive(sample);
                camera.beat();
            }
            sample->Release();
        }
        if (clock)
            clock->Release();
    }
    camera.setRunning(false);
    CoUninitialize();
}

} // namespace softcam
