#include "tools/vidlet-camview/PipewireCameraReader.h"

#include "video/FrameLimits.h"
#include "video/YuvToBgr.h"

#include <pipewire/pipewire.h>
#include <spa/param/video/format-utils.h>
#include <spa/pod/builder.h>

#include <cstdio>

PipewireCameraReader::PipewireCameraReader(std::string name)
    : nodeName(std::move(name)),
      hook(std::make_unique<spa_hook>())
{
}

PipewireCameraReader::~PipewireCameraReader()
{
    pipewire.stop();
    if (stream)
        pw_stream_destroy(stream);
}

bool PipewireCameraReader::attach()
{
    if (!connectTried) {
        connectTried = true;
        connect();
    }
    return streaming.load();
}

bool PipewireCameraReader::connect()
{
    if (const std::string why = pipewire.open("camview"); !why.empty()) {
        std::fprintf(stderr, "vidlet-camview: %s\n", why.c_str());
        return false;
    }
    pw_properties* props = pw_properties_new(PW_KEY_MEDIA_TYPE, "Video", PW_KEY_MEDIA_CATEGORY,
                                             "Capture", PW_KEY_MEDIA_ROLE, "Camera",
                                             PW_KEY_TARGET_OBJECT, nodeName.c_str(), nullptr);
    stream = pw_stream_new(pipewire.core(), "vidlet-camview", props);
    static const pw_stream_events events = [] {
        pw_stream_events e{};
        e.version = PW_VERSION_STREAM_EVENTS;
        e.state_changed = [](void* self, pw_stream_state, pw_stream_state state, const char*) {
            static_cast<PipewireCameraReader*>(self)->streaming =
                state == PW_STREAM_STATE_STREAMING;
        };
        e.param_changed = [](void* self, std::uint32_t id, const spa_pod* param) {
            if (id == SPA_PARAM_Format)
                static_cast<PipewireCameraReader*>(self)->onFormat(param);
        };
        e.process = [](void* self) { static_cast<PipewireCameraReader*>(self)->onProcess(); };
        return e;
    }();
    pw_stream_add_listener(stream, hook.get(), &events, this);

    unsigned char buffer[512];
    spa_pod_builder builder = SPA_POD_BUILDER_INIT(buffer, sizeof buffer);
    const spa_rectangle smallest = SPA_RECTANGLE(1, 1);
    const spa_rectangle largest = SPA_RECTANGLE(FrameLimits::maxSide, FrameLimits::maxSide);
    const spa_rectangle usual = SPA_RECTANGLE(1280, 720);
    const spa_pod* params[] = {static_cast<const spa_pod*>(spa_pod_builder_add_object(
        &builder, SPA_TYPE_OBJECT_Format, SPA_PARAM_EnumFormat, SPA_FORMAT_mediaType,
        SPA_POD_Id(SPA_MEDIA_TYPE_video), SPA_FORMAT_mediaSubtype,
        SPA_POD_Id(SPA_MEDIA_SUBTYPE_raw), SPA_FORMAT_VIDEO_format,
        SPA_POD_Id(SPA_VIDEO_FORMAT_I420), SPA_FORMAT_VIDEO_size,
        SPA_POD_CHOICE_RANGE_Rectangle(&usual, &smallest, &largest)))};
    return pw_stream_connect(
               stream, PW_DIRECTION_INPUT, PW_ID_ANY,
               pw_stream_flags(PW_STREAM_FLAG_AUTOCONNECT | PW_STREAM_FLAG_MAP_BUFFERS), params, 1)
        == 0
        && pipewire.start();
}

void PipewireCameraReader::onFormat(const spa_pod* param)
{
    spa_video_info_raw info{};
    if (!param || spa_format_video_raw_parse(param, &info) < 0)
        return;
    streamWidth = int(info.size.width);
    streamHeight = int(info.size.height);
    rate = info.framerate.denom ? float(info.framerate.num) / float(info.framerate.denom) : 0.0f;
}

void PipewireCameraReader::onProcess()
{
    pw_buffer* in = pw_stream_dequeue_buffer(stream);
    if (!in)
        return;
    const spa_data& data = in->buffer->datas[0];
    const std::size_t luma = std::size_t(streamWidth) * streamHeight;
    if (data.data && streamWidth > 0 && data.chunk->size >= luma + luma / 2) {
        const auto* y = static_cast<const std::uint8_t*>(data.data) + data.chunk->offset;
        const auto* u = y + luma;
        const auto* v = u + luma / 4;
        std::lock_guard<std::mutex> guard(lock);
        latest.width = streamWidth;
        latest.height = streamHeight;
        latest.bgr.resize(luma * 3);
        YuvToBgr::fromI420(y, streamWidth, u, streamWidth / 2, v, streamWidth / 2, streamWidth,
                           streamHeight, latest.bgr.data());
        latest.publishedNs = softcam::monotonicNs();
        ++latest.number;
    }
    pw_stream_queue_buffer(stream, in);
}

bool PipewireCameraReader::readNewFrame(softcam::CameraFrame& frame)
{
    std::lock_guard<std::mutex> guard(lock);
    if (latest.number == lastReturned)
        return false;
    frame = latest;
    lastReturned = latest.number;
    return true;
}
