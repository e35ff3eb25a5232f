#include "softcam/PipewireCameraNode.h"

#include "softcam/BgrToI420.h"
#include "softcam/ComponentLog.h"
#include "system/Product.h"

#include <pipewire/pipewire.h>
#include <spa/param/buffers.h>
#include <spa/param/video/format-utils.h>
#include <spa/pod/builder.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <mutex>

namespace softcam {
namespace {

spa_video_format spaFormat(CameraPixelFormat format)
{
    switch (format) {
    case CameraPixelFormat::I420:
        return SPA_VIDEO_FORMAT_I420;
    case CameraPixelFormat::NV12:
        return SPA_VIDEO_FORMAT_NV12;
    case CameraPixelFormat::YUY2:
        return SPA_VIDEO_FORMAT_YUY2;
    }
    return SPA_VIDEO_FORMAT_UNKNOWN;
}

// A camera without PipeWire is normal (a server, a desktop without it), so the reason is told
// once per process, not at every camera.
void explainMissingNode(const char* why)
{
    static std::once_flag told;
    std::call_once(told, [why] {
        report("Vidlet: no PipeWire camera (%s); programs that read the camera through PipeWire "
               "or the Camera portal will not list it",
               why);
    });
}

// A rate PipeWire and the browsers take as a fraction: whole rates as n/1, others in
// thousandths. Nonsense rates give 30 fps, as the sender paces them.
spa_fraction frameRate(float fps)
{
    if (!std::isfinite(fps) || fps <= 1.0f || fps > 1000.0f)
        return SPA_FRACTION(30, 1);
    const long milli = std::lround(double(fps) * 1000);
    return milli % 1000 == 0 ? SPA_FRACTION(std::uint32_t(milli / 1000), 1)
                             : SPA_FRACTION(std::uint32_t(milli), 1000);
}

// The formats offered, each its own fixed choice: a browser passes over a size given as a range.
struct OfferedFormats {
    OfferedFormats(int width, int height, float fps)
    {
        spa_pod_builder builder = SPA_POD_BUILDER_INIT(buffer, sizeof buffer);
        const spa_rectangle size =
            SPA_RECTANGLE(std::uint32_t(i420Side(width)), std::uint32_t(i420Side(height)));
        const spa_fraction rate = frameRate(fps);
        for (CameraPixelFormat offered : kCameraPixelFormats)
            params[count++] = static_cast<const spa_pod*>(spa_pod_builder_add_object(
                &builder, SPA_TYPE_OBJECT_Format, SPA_PARAM_EnumFormat, SPA_FORMAT_mediaType,
                SPA_POD_Id(SPA_MEDIA_TYPE_video), SPA_FORMAT_mediaSubtype,
                SPA_POD_Id(SPA_MEDIA_SUBTYPE_raw), SPA_FORMAT_VIDEO_format,
                SPA_POD_Id(spaFormat(offered)), SPA_FORMAT_VIDEO_size, SPA_POD_Rectangle(&size),
                SPA_FORMAT_VIDEO_framerate, SPA_POD_Fraction(&rate)));
    }

    unsigned char buffer[1024];
    const spa_pod* params[std::size(kCameraPixelFormats)];
    std::uint32_t count = 0;
};

} // namespace

const pw_stream_events PipewireCameraNode::streamEvents = [] {
    pw_stream_events events{};
    events.version = PW_VERSION_STREAM_EVENTS;
    events.state_changed = [](void* self, pw_stream_state, pw_stream_state state,
                              const char* error) {
        static_cast<PipewireCameraNode*>(self)->onState(state, error);
    };
    events.param_changed = [](void* self, std::uint32_t id, const spa_pod* param) {
        if (id == SPA_PARAM_Format)
            static_cast<PipewireCameraNode*>(self)->onFormat(param);
    };
    events.process = [](void* self) { static_cast<PipewireCameraNode*>(self)->onProcess(); };
    return events;
}();

PipewireCameraNode::PipewireCameraNode(int frameWidth, int frameHeight)
    : width(frameWidth),
      height(frameHeight),
      streamHook(std::make_unique<spa_hook>()),
      handover(std::size_t(frameWidth) * std::size_t(frameHeight) * 3)
{
}

std::unique_ptr<PipewireCameraNode> PipewireCameraNode::create(int width, int height, float fps)
{
    std::unique_ptr<PipewireCameraNode> node(new PipewireCameraNode(width, height));
    if (!node->connect(fps))
        return nullptr;
    return node;
}

bool PipewireCameraNode::connect(float fps)
{
    if (const std::string why = pipewire.open("vidlet-camera"); !why.empty()) {
        explainMissingNode(why.c_str());
        return false;
    }
    // The role "Camera" is what the Camera portal and the browsers list; the description is
    // the label they show.
    pw_properties* props = pw_properties_new(
        PW_KEY_MEDIA_TYPE, "Video", PW_KEY_MEDIA_CATEGORY, "Capture", PW_KEY_MEDIA_ROLE, "Camera",
        PW_KEY_MEDIA_CLASS, "Video/Source", PW_KEY_NODE_NAME, "vidlet-camera",
        PW_KEY_NODE_DESCRIPTION, Product::cameraName, nullptr);
    stream = pw_stream_new(pipewire.core(), Product::cameraName, props);
    if (!stream) {
        explainMissingNode(std::strerror(errno));
        return false;
    }
    pw_stream_add_listener(stream, streamHook.get(), &streamEvents, this);
    wake = pw_loop_add_event(
        pipewire.loop(),
        [](void* self, std::uint64_t) {
            auto* node = static_cast<PipewireCameraNode*>(self);
            if (node->isStreaming())
                pw_stream_trigger_process(node->stream);
        },
        this);

    OfferedFormats formats(width, height, fps);
    const int connected =
        pw_stream_connect(stream, PW_DIRECTION_OUTPUT, PW_ID_ANY,
                          pw_stream_flags(PW_STREAM_FLAG_DRIVER | PW_STREAM_FLAG_MAP_BUFFERS),
                          formats.params, formats.count);
    if (connected < 0 || !pipewire.start()) {
        explainMissingNode(std::strerror(connected < 0 ? -connected : errno));
        return false;
    }
    return true;
}

PipewireCameraNode::~PipewireCameraNode()
{
    pipewire.stop();
    if (stream)
        pw_stream_destroy(stream);
    if (wake)
        pw_loop_destroy_source(pipewire.loop(), wake);
}

bool PipewireCameraNode::resize(int newWidth, int newHeight, float fps)
{
    std::lock_guard<PipewireConnection> loopHeld(pipewire);
    if (isStreaming() || lost())
        return false;
    OfferedFormats formats(newWidth, newHeight, fps);
    if (pw_stream_update_params(stream, formats.params, formats.count) < 0)
        return false;
    width = newWidth;
    height = newHeight;
    handover.resize(std::size_t(width) * std::size_t(height) * 3);
    handedSinceStreaming = false;
    negotiated = false;
    pictureCurrent = false;
    picture.clear();
    return true;
}

void PipewireCameraNode::offer(const unsigned char* bgr)
{
    hand(bgr, std::size_t(width) * std::size_t(height) * 3, FrameKind::Bgr);
}

void PipewireCameraNode::offerI420(const unsigned char* i420)
{
    hand(i420, i420Bytes(width, height), FrameKind::I420);
}

void PipewireCameraNode::hand(const unsigned char* frame, std::size_t bytes, FrameKind kind)
{
    // Nobody streams: nothing to copy. A reader that starts gets the next frame in full, even
    // when it repeats the last.
    if (!isStreaming()) {
        handedSinceStreaming = false;
        return;
    }
    // A picture sent again (the sender repeats the latest at every tick) is neither copied
    // nor converted again.
    if (!handedSinceStreaming || !handover.repeatsLast(frame, bytes, kind))
        handover.put(frame, bytes, kind);
    handedSinceStreaming = true;
    // An event source's signal is a write to its eventfd: it never blocks.
    pw_loop_signal_event(pipewire.loop(), wake);
}

void PipewireCameraNode::onState(int state, const char* error)
{
    streaming.store(state == PW_STREAM_STATE_STREAMING, std::memory_order_relaxed);
    if (state == PW_STREAM_STATE_PAUSED || state == PW_STREAM_STATE_STREAMING)
        published.store(true);
    if (state == PW_STREAM_STATE_ERROR)
        report("Vidlet: the PipeWire camera failed: %s", error ? error : "unknown error");
    if (state == PW_STREAM_STATE_ERROR || (published && state == PW_STREAM_STATE_UNCONNECTED))
        dropped.store(true);
}

void PipewireCameraNode::onFormat(const spa_pod* param)
{
    spa_video_info_raw info{};
    // Cleared (the node was suspended), or a size the node no longer offers: nothing to serve
    // until a reader chooses again.
    negotiated = false;
    if (!param || spa_format_video_raw_parse(param, &info) < 0
        || int(info.size.width) != i420Side(width) || int(info.size.height) != i420Side(height))
        return;
    const auto chosen =
        std::find_if(std::begin(kCameraPixelFormats), std::end(kCameraPixelFormats),
                     [&](CameraPixelFormat offered) { return spaFormat(offered) == info.format; });
    if (chosen == std::end(kCameraPixelFormats))
        return;
    format = *chosen;
    negotiated = true;
    pictureCurrent = false;
    picture.resize(pictureBytes(format, width, height));
    report("Vidlet: a program reads the PipeWire camera as %s %dx%d", formatName(format),
           i420Side(width), i420Side(height));

    unsigned char buffer[512];
    spa_pod_builder builder = SPA_POD_BUILDER_INIT(buffer, sizeof buffer);
    const spa_pod* buffers = static_cast<const spa_pod*>(spa_pod_builder_add_object(
        &builder, SPA_TYPE_OBJECT_ParamBuffers, SPA_PARAM_Buffers, SPA_PARAM_BUFFERS_buffers,
        SPA_POD_CHOICE_RANGE_Int(4, 2, 8), SPA_PARAM_BUFFERS_blocks, SPA_POD_Int(1),
        SPA_PARAM_BUFFERS_size, SPA_POD_Int(int(picture.size())), SPA_PARAM_BUFFERS_stride,
        SPA_POD_Int(pixelStride(format, width)), SPA_PARAM_BUFFERS_dataType,
        SPA_POD_CHOICE_FLAGS_Int((1 << SPA_DATA_MemFd) | (1 << SPA_DATA_MemPtr))));
    pw_stream_update_params(stream, &buffers, 1);
}

void PipewireCameraNode::onProcess()
{
    pw_buffer* out = pw_stream_dequeue_buffer(stream);
    if (!out)
        return; // the reader holds every buffer; it gets the next cycle's frame
    spa_data& data = out->buffer->datas[0];
    if (handover.take())
        pictureCurrent = false;
    // Planes for a reader of I420 are copied straight from the handover.
    const bool asTheyCame =
        negotiated && format == CameraPixelFormat::I420 && handover.latestKind() == FrameKind::I420;
    if (negotiated && !pictureCurrent && !asTheyCame) {
        if (handover.latestKind() == FrameKind::I420)
            convertI420(format, handover.latest(), width, height, picture.data());
        else
            convertBgr(format, handover.latest(), width, height, picture.data());
        pictureCurrent = true;
    }
    if (data.data && negotiated && data.maxsize >= picture.size()) {
        std::memcpy(data.data, asTheyCame ? handover.latest() : picture.data(), picture.size());
        data.chunk->offset = 0;
        data.chunk->size = std::uint32_t(picture.size());
        data.chunk->stride = pixelStride(format, width);
    } else {
        data.chunk->size = 0;
    }
    pw_stream_queue_buffer(stream, out);
}

} // namespace softcam
