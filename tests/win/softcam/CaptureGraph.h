#pragma once

#define STRSAFE_NO_DEPRECATE
#include <dshow.h>

#include <string>
#include <vector>

// What a video-call program does with a camera, reduced to what a test can check: find it by
// name among the system's video input devices, and run it into a sample grabber (which keeps
// the newest sample) and a null renderer. Needs COM started on the calling thread.
class CaptureGraph {
public:
    CaptureGraph() = default;
    ~CaptureGraph();
    CaptureGraph(const CaptureGraph&) = delete;
    CaptureGraph& operator=(const CaptureGraph&) = delete;

    // The friendly names the system device enumerator lists under video input.
    static std::vector<std::wstring> videoInputNames();
    // The named device's filter, or null.
    static IBaseFilter* bindVideoInput(const std::wstring& name);

    // Connects camera -> grabber in `subtype` (GUID_NULL: the camera's choice) -> null
    // renderer, pin to pin or through the capture graph builder.
    enum class Connection { Direct, CaptureGraphBuilder };
    bool build(IBaseFilter* camera, const GUID& subtype, Connection how = Connection::Direct);
    bool run();
    void stop();
    // The connected picture size and the newest sample's bytes; false before the first.
    int width() const { return connectedWidth; }
    int height() const { return connectedHeight; }
    const GUID& subtype() const { return connectedSubtype; }
    bool latestSample(std::vector<unsigned char>& bytes);
    // Polls the newest sample until `accept` takes it or `timeoutMs` passes.
    template <typename Accept> bool waitForSample(Accept accept, int timeoutMs = 5000)
    {
        std::vector<unsigned char> bytes;
        for (int waited = 0; waited <= timeoutMs; waited += 20) {
            if (latestSample(bytes) && accept(bytes))
                return true;
            Sleep(20);
        }
        return false;
    }

private:
    IGraphBuilder* graph = nullptr;
    IMediaControl* control = nullptr;
    IBaseFilter* grabberFilter = nullptr;
    IBaseFilter* renderer = nullptr;
    int connectedWidth = 0;
    int connectedHeight = 0;
    GUID connectedSubtype = GUID_NULL;
};
