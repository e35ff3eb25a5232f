#include "softcam/V4l2LoopbackOutput.h"

#include "softcam/BgrToI420.h"
#include "softcam/ComponentLog.h"
#include "system/LoopbackDevices.h"

#include <cerrno>
#include <cmath>
#include <cstring>
#include <string>

#include <fcntl.h>
#include <linux/videodev2.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace softcam {
namespace {

// v4l2loopback 0.13 and later announce the number of readers with this private event, its
// payload a 32-bit count. Older modules refuse the subscription.
constexpr std::uint32_t kClientUsageEvent = 0x10E00001;

int ioctlRetry(int fd, unsigned long request, void* arg)
{
    int result;
    do
        result = ioctl(fd, request, arg);
    while (result < 0 && errno == EINTR);
    return result;
}

} // namespace

V4l2LoopbackOutput::~V4l2LoopbackOutput()
{
    if (fd >= 0)
        ::close(fd);
}

std::string V4l2LoopbackOutput::findDevice(const std::string& sysfsRoot, const std::string& label)
{
    const LoopbackDevice device = findLoopbackDevice(sysfsRoot, label);
    return device.number < 0 ? std::string() : "/dev/video" + std::to_string(device.number);
}

bool V4l2LoopbackOutput::open(const std::string& devicePath, int frameWidth, int frameHeight,
                              float fps)
{
    // Non-blocking, so a stalled device drops a frame instead of holding up the sender.
    fd = ::open(devicePath.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        report("Vidlet: cannot open %s: %s", devicePath.c_str(), std::strerror(errno));
        return false;
    }
    width = frameWidth;
    height = frameHeight;
    i420.resize(i420Bytes(width, height));

    v4l2_format format{};
    format.type = V4L2_BUF_TYPE_VIDEO_OUTPUT;
    // I420 has no agreed layout for odd sizes between drivers and readers, so the device gets
    // the even size the conversion pads to.
    format.fmt.pix.width = std::uint32_t(i420Side(width));
    format.fmt.pix.height = std::uint32_t(i420Side(height));
    format.fmt.pix.pixelformat = V4L2_PIX_FMT_YUV420;
    format.fmt.pix.field = V4L2_FIELD_NONE;
    format.fmt.pix.bytesperline = std::uint32_t(i420Side(width));
    format.fmt.pix.sizeimage = std::uint32_t(i420.size());
    format.fmt.pix.colorspace = V4L2_COLORSPACE_SMPTE170M;

    const bool rateUsable = std::isfinite(fps) && fps > 0;
    v4l2_streamparm parm{};
    parm.type = V4L2_BUF_TYPE_VIDEO_OUTPUT;
    parm.parm.output.timeperframe.numerator = 1000;
    parm.parm.output.timeperframe.denominator =
        std::uint32_t(std::lround((rateUsable ? fps : 30.0f) * 1000));

    if (ioctlRetry(fd, VIDIOC_S_FMT, &format) < 0 || ioctlRetry(fd, VIDIOC_S_PARM, &parm) < 0) {
        report("Vidlet: %s does not take %dx%d I420 output: %s", devicePath.c_str(), width, height,
               std::strerror(errno));
        ::close(fd);
        fd = -1;
        return false;
    }
    subscribeToClientUsage();
    return true;
}

void V4l2LoopbackOutput::subscribeToClientUsage()
{
    v4l2_event_subscription sub{};
    sub.type = kClientUsageEvent;
    // SEND_INITIAL queues the current count at once, so readers already present are counted.
    sub.flags = V4L2_EVENT_SUB_FL_SEND_INITIAL;
    usageEvents = ioctlRetry(fd, VIDIOC_SUBSCRIBE_EVENT, &sub) == 0;
}

void V4l2LoopbackOutput::write(const unsigned char* bgr)
{
    if (fd < 0)
        return;
    bgrToI420(bgr, width, height, i420.data());
    writeAgain();
}

void V4l2LoopbackOutput::writeI420(const unsigned char* picture)
{
    if (fd < 0 || width % 2 || height % 2)
        return;
    std::memcpy(i420.data(), picture, i420.size());
    writeAgain();
}

void V4l2LoopbackOutput::writeAgain()
{
    if (fd < 0)
        return;
    const ssize_t written = ::write(fd, i420.data(), i420.size());
    if (written != ssize_t(i420.size()) && !writeFailureLogged) {
        report("Vidlet: camera device refused a frame: %s",
               written < 0 ? std::strerror(errno) : "short write");
        writeFailureLogged = true;
    }
}

bool V4l2LoopbackOutput::hasConsumers()
{
    if (fd < 0 || !usageEvents)
        return false;
    // Only the newest count matters; the descriptor is non-blocking, so an empty queue ends
    // the loop with ENOENT.
    v4l2_event event{};
    while (ioctlRetry(fd, VIDIOC_DQEVENT, &event) == 0) {
        if (event.type == kClientUsageEvent)
            std::memcpy(&consumers, event.u.data, sizeof consumers);
    }
    return consumers > 0;
}

} // namespace softcam
