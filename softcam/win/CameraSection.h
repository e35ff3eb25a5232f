#pragma once

#include "softcam/SharedFrameLayout.h"

#include <windows.h>

#include <cstdint>
#include <memory>
#include <vector>

namespace softcam {

// The named sections that carry the camera from Vidlet to the programs that read it, within
// one session ("Local\"):
//
//   Local\VidletCameraDirectory       CameraDirectory, one page, made by whoever comes first
//   Local\VidletCameraFrames.<serial> SharedFrameLayout.h's header and two frame slots
//
// Every camera gets a fresh frame section, named by a serial unique on the machine (the
// writer's process id and a count), because a reader may still map the previous camera's
// section and a section cannot grow: a size change is a new camera. The directory names the
// live camera and counts the graphs running on it.
struct CameraDirectory {
    std::atomic<std::uint64_t> liveSerial;     // 0 while no camera lives
    std::atomic<std::uint32_t> runningReaders; // graphs running on the camera, any process
    std::atomic<std::uint64_t> readerBeatMs;   // GetTickCount64 when one of them took a frame
};

// A mapped view of a named section, unmapped and closed together.
class SectionView {
public:
    SectionView() = default;
    ~SectionView() { close(); }
    SectionView(const SectionView&) = delete;
    SectionView& operator=(const SectionView&) = delete;

    // Creates the section or opens the existing one; `existed` tells which.
    bool create(const wchar_t* name, std::size_t bytes, bool* existed = nullptr);
    bool open(const wchar_t* name);
    void close();
    void* data() const { return view; }
    std::size_t size() const { return bytes; }

private:
    HANDLE section = nullptr;
    void* view = nullptr;
    std::size_t bytes = 0;
};

// The writer: one per camera, in the Vidlet process. Only one lives per session, held by a
// named mutex object whose existence is the lock (it dies with the process). sendFrame() never
// waits for a reader; it and isConnected() may run on two threads at once.
class CameraPublisher {
public:
    static std::unique_ptr<CameraPublisher> create(int width, int height, float fps);
    ~CameraPublisher();
    CameraPublisher(const CameraPublisher&) = delete;
    CameraPublisher& operator=(const CameraPublisher&) = delete;

    void sendFrame(const unsigned char* bgr);
    // A program's graph is running on the camera.
    bool isConnected() const;
    // Every reader runs a graph, so isConnected() sees them all.
    bool seesEveryReader() const { return true; }

private:
    CameraPublisher() = default;

    HANDLE writerLock = nullptr;
    SectionView directoryView;
    SectionView frameView;
    CameraDirectory* directory = nullptr;
    SharedFrameHeader* header = nullptr;
    std::uint64_t serial = 0;
    std::size_t slotBytes = 0;
    std::uint64_t published = 0;
    WriterState writer; // sendFrame() only
};

// The reader, inside a program's capture filter: follows the live camera across restarts and
// size changes. Not thread-safe: the filter's streaming thread uses it, apart from the static
// peek at the live camera's format.
class CameraSubscriber {
public:
    CameraSubscriber() = default;
    ~CameraSubscriber();
    CameraSubscriber(const CameraSubscriber&) = delete;
    CameraSubscriber& operator=(const CameraSubscriber&) = delete;

    // The live camera's size and rate; false when no camera lives.
    static bool peekLiveCamera(int& width, int& height, float& fps);

    // Copies the newest frame into `bgr` (top row first) when a new one exists. False when the
    // frame did not change, or when there is no live camera or it has not sent a frame yet:
    // `live` then tells the two apart.
    bool readNewFrame(std::vector<unsigned char>& bgr, int& width, int& height, bool& live);

    // A live camera was there at the last readNewFrame().
    bool attached() const { return header != nullptr; }

    // Counts this reader among the running graphs, or no longer; beat() says it took a frame.
    void setRunning(bool running);
    void beat();

private:
    bool attach();
    void detach();
    bool writerAlive() const;
    bool openDirectory();

    SectionView directoryView;
    CameraDirectory* directory = nullptr;
    SectionView frameView;
    SharedFrameHeader* header = nullptr;
    HANDLE writerProcess = nullptr;
    std::uint64_t serial = 0;
    std::size_t slotBytes = 0;
    int width = 0;
    int height = 0;
    std::uint64_t lastNumber = 0;
    bool counted = false;
};

// How long after its last frame a running graph still counts as a reader.
inline constexpr std::uint64_t kReaderBeatWindowMs = 2000;

} // namespace softcam
