#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace softcam {

// Feeds a v4l2loopback output device, so that programs that only know V4L2 cameras (browsers,
// video-call programs) see the frames too. write() runs on the sending thread and
// hasConsumers() on the controlling thread; they share only the descriptor.
class V4l2LoopbackOutput {
public:
    V4l2LoopbackOutput() = default;
    ~V4l2LoopbackOutput();
    V4l2LoopbackOutput(const V4l2LoopbackOutput&) = delete;
    V4l2LoopbackOutput& operator=(const V4l2LoopbackOutput&) = delete;

    // The /dev/videoN whose sysfs name under `sysfsRoot` (normally
    // /sys/devices/virtual/video4linux) is `label`, or empty when there is none.
    static std::string findDevice(const std::string& sysfsRoot, const std::string& label);

    // Configures the device for I420 frames of this size and rate; false, after logging, when
    // it is not a loopback device that takes them.
    bool open(const std::string& devicePath, int width, int height, float fps);
    // `bgr` holds width * height * 3 bytes.
    void write(const unsigned char* bgr);
    // `i420` is a packed I420 picture of an even size, i420Bytes() long: the device's own
    // format, so it is only copied. Ignored at an odd size.
    void writeI420(const unsigned char* i420);
    // Writes the picture of the last write() again, without converting anything.
    void writeAgain();
    // Whether some program is reading, as far as the module tells.
    bool hasConsumers();
    // Whether the module tells at all: older ones send no usage events.
    bool reportsConsumers() const { return usageEvents; }

private:
    void subscribeToClientUsage();

    int fd = -1;
    int width = 0;
    int height = 0;
    std::vector<unsigned char> i420; // write() and writeI420() only
    bool usageEvents = false;
    std::uint32_t consumers = 0;     // hasConsumers() only
    bool writeFailureLogged = false; // write() only
};

} // namespace softcam
