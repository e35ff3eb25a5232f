#include "video/Mp4Recorder.h"

#include "video/FfmpegLog.h"
#include "video/FfmpegPtr.h"
#include "video/RecordingFile.h"
#include "video/RecordingQueue.h"
#include "video/RecordingSet.h"

#include <QDir>
#include <QFile>
#include <QtGlobal>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

extern "C" {
#include <libavformat/avformat.h>
#include <libavutil/display.h>
#include <libavutil/opt.h>
#include <libswscale/swscale.h>
}

namespace {

// Files of any size up to 8192 a side; the live path gives them at most its own limit.
constexpr int maxSide = 8192;
constexpr int defaultFps = 30;
// Sample times are in 100 ns units, as on every platform's recorder.
constexpr int ticksPerSecond = 10'000'000;
// The ordinary MP4 copy that completes a recording is written beside it under its name and this.
const QString copySuffix = QStringLiteral(".part");

struct SwsContextFree {
    void operator()(SwsContext* context) const { sws_freeContext(context); }
};
using SwsContextPtr = std::unique_ptr<SwsContext, SwsContextFree>;

// An output file: the muxer context and the file it writes, closed together; a file the
// caller supplied (AVFMT_FLAG_CUSTOM_IO) stays the caller's.
struct OutputFree {
    void operator()(AVFormatContext* format) const
    {
        if (!(format->oformat->flags & AVFMT_NOFILE) && !(format->flags & AVFMT_FLAG_CUSTOM_IO))
            avio_closep(&format->pb);
        avformat_free_context(format);
    }
};
using OutputPtr = std::unique_ptr<AVFormatContext, OutputFree>;

QString ffmpegError(int code)
{
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, text, sizeof text);
    return QString::fromUtf8(text);
}

struct InputFree {
    void operator()(AVFormatContext* format) const { avformat_close_input(&format); }
};
using InputPtr = std::unique_ptr<AVFormatContext, InputFree>;

// Named as files outright: FFmpeg would read "pipe:1.mp4" or "tcp:..." as a protocol.
QByteArray fileUrl(const QString& path)
{
    return "file:" + QFile::encodeName(path);
}

// Copies the fragmented recording at `from` into an ordinary MP4 at `to`, its index in front
// where players and editors look first. No picture is decoded or encoded again. Fragments keep
// no duration for their samples, so each gets `frameDuration` (in 100 ns ticks) back: the muxer
// times a sample by the next one's start and only the last one's duration shows.
bool copyToPlainMp4(const QString& from, const QString& to, std::int64_t frameDuration)
{
    AVFormatContext* opened = nullptr;
    if (avformat_open_input(&opened, fileUrl(from).constData(), nullptr, nullptr) < 0)
        return false;
    const InputPtr input(opened);
    if (avformat_find_stream_info(input.get(), nullptr) < 0 || input->nb_streams != 1)
        return false;
    // The muxer reads its own file back to move the index to the front, so it needs the name.
    const QByteArray target = fileUrl(to);
    AVFormatContext* created = nullptr;
    if (avformat_alloc_output_context2(&created, nullptr, "mp4", target.constData()) < 0)
        return false;
    const OutputPtr output(created);
    AVStream* in = input->streams[0];
    AVStream* out = avformat_new_stream(created, nullptr);
    if (!out || avcodec_parameters_copy(out->codecpar, in->codecpar) < 0)
        return false;
    out->codecpar->codec_tag = 0;
    out->time_base = in->time_base;
    out->avg_frame_rate = in->avg_frame_rate;
    // The display matrix of an Original recording's turn.
    for (int i = 0; i < in->nb_side_data; ++i) {
        const AVPacketSideData& side = in->side_data[i];
        std::uint8_t* copy = av_stream_new_side_data(out, side.type, side.size);
        if (!copy)
            return false;
        std::memcpy(copy, side.data, side.size);
    }
    if (avio_open(&created->pb, target.constData(), AVIO_FLAG_WRITE) < 0)
        return false;
    AVDictionary* options = nullptr;
    av_dict_set(&options, "movflags", "faststart", 0);
    const int headerWritten = avformat_write_header(created, &options);
    av_dict_free(&options);
    if (headerWritten < 0)
        return false;
    const AvPacketPtr packet{av_packet_alloc()};
    int result = 0;
    while ((result = av_read_frame(input.get(), packet.get())) >= 0) {
        packet->stream_index = 0;
        if (packet->duration <= 0)
            packet->duration =
                av_rescale_q(frameDuration, AVRational{1, ticksPerSecond}, in->time_base);
        av_packet_rescale_ts(packet.get(), in->time_base, out->time_base);
        packet->pos = -1;
        result = av_interleaved_write_frame(created, packet.get());
        av_packet_unref(packet.get());
        if (result < 0)
            return false;
    }
    return result == AVERROR_EOF && av_write_trailer(created) == 0;
}

// One file being recorded. The GUI thread sets it up in start(), then only hands frames to its
// queue; the queue's worker thread converts, encodes and writes them, and after stop() completes
// the file, including the rewrite into an ordinary MP4, which reads and writes the whole file
// (2.7 GB for an hour at 6 Mbit/s). libx264's own threads do the encoding proper, beside it.
// An Original recording has no encoder: the worker writes the phone's access units as they are.
struct Recording : RecordingQueue::Worker {
    Recording(int width, int height, bool original)
        : original(original),
          width(width),
          height(height),
          // An access unit is far smaller than a picture: the queue holds its most.
          queue(original ? RecordingQueue::maxQueuedBytes / RecordingQueue::maxQueued
                         : std::size_t(width) * std::size_t(height) * 3)
    {
    }

    const bool original;
    std::vector<unsigned char> parameterSets; // Original: SPS and PPS, Annex B
    int quarterTurns = 0;                     // Original: the display matrix's turn
    int fps = defaultFps;
    bool sawKeyframe = false; // Original, GUI thread: access units are taken from the first

    // Set in start(), then the worker's alone.
    AvCodecContextPtr encoder;
    RecordingFile file;
    OutputPtr output;
    AVStream* stream = nullptr; // owned by output
    SwsContextPtr toYuv;
    AvFramePtr picture{av_frame_alloc()};
    AvPacketPtr packet{av_packet_alloc()};
    std::vector<unsigned char> padded; // odd-sized frames, widened to even sides
    QString path;
    const int width; // the frames' own size; the encoder's is even
    const int height;
    std::int64_t frameDuration = 0;
    std::function<void(Mp4Recorder::Failure)> failureCallback;
    std::function<void(const std::filesystem::path&)> keptFragmentedCallback;
    // Last, so that its worker is joined before the members it uses go.
    RecordingQueue queue;

    // libx264's fastest preset, which has no look-ahead and no B frames, with two frame threads
    // of its own.
    bool openEncoder(int evenWidth, int evenHeight, int fps, int bitRate)
    {
        const AVCodec* codec = avcodec_find_encoder_by_name("libx264");
        if (!codec) {
            qWarning("Vidlet: cannot record, no H.264 encoder (libx264) available");
            return false;
        }
        encoder.reset(avcodec_alloc_context3(codec));
        if (!encoder)
            return false;
        AVCodecContext* c = encoder.get();
        c->width = evenWidth;
        c->height = evenHeight;
        c->pix_fmt = AV_PIX_FMT_YUV420P;
        c->time_base = AVRational{1, ticksPerSecond};
        c->framerate = AVRational{fps, 1};
        c->sample_aspect_ratio = AVRational{1, 1};
        // The same BT.601 limited-range matrix the decoder's conversion uses.
        c->colorspace = AVCOL_SPC_SMPTE170M;
        c->color_range = AVCOL_RANGE_MPEG;
        c->bit_rate = bitRate;
        c->gop_size = fps; // a key frame every second, for seeking
        c->max_b_frames = 0;
        c->thread_count = 2;
        c->thread_type = FF_THREAD_FRAME;
        c->flags |= AV_CODEC_FLAG_GLOBAL_HEADER; // mp4 keeps SPS and PPS in the header
        av_opt_set(c->priv_data, "preset", "ultrafast", 0);
        av_opt_set(c->priv_data, "profile", "main", 0);
        const int result = avcodec_open2(c, codec, nullptr);
        if (result < 0) {
            qWarning("Vidlet: cannot open the H.264 encoder for %dx%d: %s", evenWidth, evenHeight,
                     qPrintable(ffmpegError(result)));
            return false;
        }
        return true;
    }

    bool allocatePicture()
    {
        picture->format = AV_PIX_FMT_YUV420P;
        picture->width = encoder->width;
        picture->height = encoder->height;
        if (av_frame_get_buffer(picture.get(), 0) < 0)
            return false;
        // Exact rounding also steers swscale past its old special case for this conversion,
        // which is slower than the general vector code.
        toYuv.reset(sws_getContext(encoder->width, encoder->height, AV_PIX_FMT_BGR24,
                                   encoder->width, encoder->height, AV_PIX_FMT_YUV420P,
                                   SWS_POINT | SWS_ACCURATE_RND, nullptr, nullptr, nullptr));
        return toYuv != nullptr;
    }

    // The file is written as fragmented MP4, an index per key frame (one a second), so that a
    // crash or a power cut leaves a file that plays up to its last fragment. finish() then
    // turns it into an ordinary MP4.
    bool openFile()
    {
        if (!file.open(path))
            return false;
        AVFormatContext* format = nullptr;
        if (avformat_alloc_output_context2(&format, nullptr, "mp4",
                                           QFile::encodeName(path).constData())
            < 0)
            return false;
        output.reset(format);
        format->pb = file.io();
        format->flags |= AVFMT_FLAG_CUSTOM_IO;
        stream = avformat_new_stream(format, nullptr);
        if (!stream || !describeStream())
            return false;
        stream->time_base = AVRational{1, ticksPerSecond};
        stream->avg_frame_rate = AVRational{fps, 1};
        // Each finished fragment leaves the process at once rather than waiting in a buffer.
        format->flags |= AVFMT_FLAG_FLUSH_PACKETS;
        AVDictionary* options = nullptr;
        av_dict_set(&options, "movflags", "frag_keyframe+empty_moov+default_base_moof", 0);
        int written = avformat_write_header(format, &options);
        av_dict_free(&options);
        // The header reaches the disk now, so that a full one fails the start.
        if (written >= 0) {
            avio_flush(format->pb);
            written = format->pb->error;
        }
        if (written < 0) {
            qWarning("Vidlet: cannot start the recording %s: %s", qPrintable(path),
                     qPrintable(ffmpegError(written)));
            return false;
        }
        return true;
    }

    // The encoder's stream, or the phone's as it came: its parameter sets, which the muxer
    // turns into the file's own form, and the turn players apply.
    bool describeStream()
    {
        if (!original)
            return avcodec_parameters_from_context(stream->codecpar, encoder.get()) >= 0;
        AVCodecParameters* p = stream->codecpar;
        p->codec_type = AVMEDIA_TYPE_VIDEO;
        p->codec_id = AV_CODEC_ID_H264;
        p->width = width;
        p->height = height;
        p->extradata = static_cast<std::uint8_t*>(
            av_mallocz(parameterSets.size() + AV_INPUT_BUFFER_PADDING_SIZE));
        if (!p->extradata)
            return false;
        std::memcpy(p->extradata, parameterSets.data(), parameterSets.size());
        p->extradata_size = int(parameterSets.size());
        if (quarterTurns % 4 == 0)
            return true;
        auto* matrix = reinterpret_cast<std::int32_t*>(
            av_stream_new_side_data(stream, AV_PKT_DATA_DISPLAYMATRIX, sizeof(std::int32_t) * 9));
        if (!matrix)
            return false;
        // Set clockwise; players read it back as -90 (anticlockwise) and turn the picture
        // clockwise.
        av_display_rotation_set(matrix, 90.0 * (quarterTurns % 4));
        return true;
    }

    // Closes everything start() opened; the file is deleted only when it was created here.
    void abandon()
    {
        output.reset();
        const bool created = file.createdHere();
        file.close();
        if (created)
            QFile::remove(path);
    }

    bool failed() const { return queue.failure() != Mp4Recorder::Failure::None; }

    void fail(Mp4Recorder::Failure why)
    {
        if (!queue.fail(why))
            return;
        const char* reason = why == Mp4Recorder::Failure::FileRemoved
            ? "was deleted while it was written"
            : "cannot be written (is the disk full?)";
        qWarning("Vidlet: the recording %s %s", qPrintable(path), reason);
        if (failureCallback)
            failureCallback(why);
    }

    void encode(const RecordingQueue::Frame& frame) override
    {
        if (original)
            return store(frame);
        // The encoder may still hold the previous picture; take a fresh buffer if so.
        if (av_frame_make_writable(picture.get()) < 0)
            return;
        if (frame.pixels.size() == std::size_t(width) * std::size_t(height) * 3 / 2) {
            copyPlanes(frame.pixels.data());
        } else {
            const uint8_t* source[1] = {padToEven(frame.pixels.data())};
            const int sourceStride[1] = {encoder->width * 3};
            sws_scale(toYuv.get(), source, sourceStride, 0, encoder->height, picture->data,
                      picture->linesize);
        }
        picture->pts = frame.time;
        if (avcodec_send_frame(encoder.get(), picture.get()) == 0 && drain() < 0)
            fail(Mp4Recorder::Failure::WriteFailed);
        if (file.removed())
            fail(Mp4Recorder::Failure::FileRemoved);
    }

    // One access unit of the phone's, timed by its arrival as encoded pictures are.
    void store(const RecordingQueue::Frame& unit)
    {
        if (av_new_packet(packet.get(), int(unit.pixels.size())) < 0)
            return fail(Mp4Recorder::Failure::WriteFailed);
        std::memcpy(packet->data, unit.pixels.data(), unit.pixels.size());
        packet->pts = packet->dts = unit.time;
        packet->duration = frameDuration;
        packet->flags = unit.keyframe ? AV_PKT_FLAG_KEY : 0;
        packet->stream_index = stream->index;
        av_packet_rescale_ts(packet.get(), AVRational{1, ticksPerSecond}, stream->time_base);
        const int written = av_interleaved_write_frame(output.get(), packet.get());
        av_packet_unref(packet.get());
        if (written < 0)
            fail(Mp4Recorder::Failure::WriteFailed);
        if (file.removed())
            fail(Mp4Recorder::Failure::FileRemoved);
    }

    // 4:2:0 needs even sides, so an odd width or height is encoded one pixel larger, the extra
    // column or row repeating the picture's edge. Returns the frame to convert.
    // An I420 frame of the recording's own (even) size into the encoder's picture.
    void copyPlanes(const unsigned char* i420)
    {
        for (int plane = 0; plane < 3; ++plane) {
            const int w = plane ? width / 2 : width;
            const int h = plane ? height / 2 : height;
            for (int y = 0; y < h; ++y, i420 += w)
                std::memcpy(picture->data[plane] + std::ptrdiff_t(picture->linesize[plane]) * y,
                            i420, std::size_t(w));
        }
    }

    const unsigned char* padToEven(const unsigned char* bgr)
    {
        const int evenWidth = encoder->width;
        if (width == evenWidth && height == encoder->height)
            return bgr;
        const std::size_t row = std::size_t(width) * 3;
        const std::size_t evenRow = std::size_t(evenWidth) * 3;
        padded.resize(evenRow * std::size_t(encoder->height));
        for (int y = 0; y < encoder->height; ++y) {
            unsigned char* out = padded.data() + evenRow * std::size_t(y);
            std::memcpy(out, bgr + row * std::size_t(std::min(y, height - 1)), row);
            if (width != evenWidth)
                std::memcpy(out + row, out + row - 3, 3);
        }
        return padded.data();
    }

    // Moves every packet the encoder has ready into the file; negative when a write failed.
    int drain()
    {
        while (avcodec_receive_packet(encoder.get(), packet.get()) == 0) {
            packet->stream_index = stream->index;
            packet->duration = frameDuration;
            av_packet_rescale_ts(packet.get(), encoder->time_base, stream->time_base);
            const int written = av_interleaved_write_frame(output.get(), packet.get());
            av_packet_unref(packet.get());
            if (written < 0)
                return written;
        }
        return 0;
    }

    // Flushes the encoder and closes the last fragment, then replaces the fragmented file with
    // an ordinary MP4 copy of it, written aside and renamed over it in one step: whatever
    // happens meanwhile, a playable file stays at `path`. A file that failed, or whose copy
    // fails, stays fragmented, which plays as well.
    void finish() override
    {
        if (!failed()) {
            if (encoder)
                avcodec_send_frame(encoder.get(), nullptr);
            if ((encoder && drain() < 0) || av_write_trailer(output.get()) < 0)
                fail(Mp4Recorder::Failure::WriteFailed);
        }
        output.reset();
        encoder.reset();
        toYuv.reset();
        picture.reset();
        padded = {};
        const bool removed = file.removed();
        file.close();
        if (failed() || removed)
            return;
        // The copy's name is claimed like the recording's: a file already there is not ours.
        // It stays locked while it is written, which tells sweepUnfinished() that it is not
        // left over.
        const QString plain = path + copySuffix;
        const int claimed = ::open(QFile::encodeName(plain).constData(),
                                   O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
        if (claimed < 0 || flock(claimed, LOCK_EX | LOCK_NB) != 0) {
            if (claimed >= 0)
                ::close(claimed);
            return keptFragmented();
        }
        if (!copyToPlainMp4(path, plain, frameDuration)
            || std::rename(QFile::encodeName(plain).constData(),
                           QFile::encodeName(path).constData())
                != 0) {
            QFile::remove(plain);
            ::close(claimed);
            return keptFragmented();
        }
        ::close(claimed);
        // Until here the file at `path` was the fragmented one: an editor opening it now gets
        // the ordinary file.
        qInfo("Vidlet: recording complete: %s", qPrintable(path));
    }

    void keptFragmented()
    {
        qWarning("Vidlet: the recording %s stays fragmented", qPrintable(path));
        if (keptFragmentedCallback)
            keptFragmentedCallback(path.toStdU16String());
    }
};

} // namespace

struct Mp4Recorder::Impl : RecordingSet<Recording> {
    // Opens the file of `r` and starts its worker; false, leaving no file it created.
    bool begin(std::unique_ptr<Recording> r, const Mp4Recorder& recorder)
    {
        reap();
        r->failureCallback = recorder.failureCallback;
        r->keptFragmentedCallback = recorder.keptFragmentedCallback;
        if (!r->openFile()) {
            r->abandon();
            return false;
        }
        if (!r->queue.start(*r)) {
            qWarning("Vidlet: cannot start the recording thread");
            r->abandon();
            return false;
        }
        open = std::move(r);
        return true;
    }
};

Mp4Recorder::Mp4Recorder()
    : d(std::make_unique<Impl>())
{
    FfmpegLog::install();
}

Mp4Recorder::~Mp4Recorder()
{
    stop();
    waitForFinished();
}

namespace {

// The checks and the parts of a start both kinds of recording share.
std::unique_ptr<Recording> prepare(const std::filesystem::path& file, int width, int height,
                                   int fps, bool original)
{
    if (width < 1 || width > maxSide || height < 1 || height > maxSide)
        return nullptr;
    auto r = std::make_unique<Recording>(width, height, original);
    r->path = QString::fromStdU16String(file.u16string());
    r->fps = fps > 0 ? fps : defaultFps;
    r->frameDuration = ticksPerSecond / r->fps;
    return r;
}

} // namespace

bool Mp4Recorder::start(const std::filesystem::path& file, int width, int height, int fps)
{
    if (isOpen())
        return false;
    auto r = prepare(file, width, height, fps, false);
    // The encoder comes first: a size or encoder problem then leaves no file behind.
    if (!r || !r->picture || !r->packet
        || !r->openEncoder(width + width % 2, height + height % 2, r->fps, bitRate_)
        || !r->allocatePicture() || !d->begin(std::move(r), *this))
        return false;
    width_ = width;
    height_ = height;
    return true;
}

bool Mp4Recorder::startOriginal(const std::filesystem::path& file, int width, int height, int fps,
                                const std::vector<unsigned char>& parameterSets, int quarterTurns)
{
    if (isOpen() || parameterSets.empty())
        return false;
    auto r = prepare(file, width, height, fps, true);
    if (!r || !r->packet)
        return false;
    r->parameterSets = parameterSets;
    r->quarterTurns = quarterTurns;
    if (!d->begin(std::move(r), *this))
        return false;
    width_ = width;
    height_ = height;
    return true;
}

bool Mp4Recorder::supportsOriginal()
{
    return true;
}

void Mp4Recorder::writeFrame(const unsigned char* bgr)
{
    if (!isOriginal())
        d->hand(bgr);
}

bool Mp4Recorder::takesPlanes()
{
    return true;
}

void Mp4Recorder::writePlanes(const unsigned char* i420)
{
    Recording* r = d->open.get();
    if (!r || r->original || !i420 || width_ % 2 || height_ % 2)
        return;
    r->queue.hand(i420, std::size_t(width_) * std::size_t(height_) * 3 / 2, false);
}

void Mp4Recorder::writeAccessUnit(const unsigned char* data, std::size_t size, bool keyframe)
{
    Recording* r = d->open.get();
    if (!r || !r->original || !data || size == 0 || !(r->sawKeyframe || keyframe))
        return;
    r->sawKeyframe = true;
    r->queue.hand(data, size, keyframe);
}

void Mp4Recorder::stop()
{
    d->stop();
    width_ = 0;
    height_ = 0;
}

void Mp4Recorder::waitForFinished()
{
    d->waitForAll();
}

bool Mp4Recorder::waitForFinished(std::chrono::milliseconds bound)
{
    return d->waitForAll(std::chrono::steady_clock::now() + bound);
}

// Only a copy beside its recording, under a recording's name: another program's ".mp4.part"
// (a browser's unfinished download) is not ours to touch.
int Mp4Recorder::sweepUnfinished(const std::filesystem::path& folder)
{
    const QDir dir(QString::fromStdU16String(folder.u16string()));
    int held = 0;
    const QStringList copies = dir.entryList({QStringLiteral("Vidlet_*.mp4") + copySuffix},
                                             QDir::Files | QDir::Hidden | QDir::System);
    for (const QString& name : copies) {
        const QString copy = dir.filePath(name);
        if (!QFile::exists(copy.chopped(copySuffix.size())))
            continue;
        const QByteArray path = QFile::encodeName(copy);
        const int fd = ::open(path.constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0)
            continue;
        struct stat opened {};
        struct stat named {};
        if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
            ++held;
        } else if (fstat(fd, &opened) == 0 && S_ISREG(opened.st_mode)
                   && lstat(path.constData(), &named) == 0 && named.st_ino == opened.st_ino
                   && named.st_dev == opened.st_dev) {
            qInfo("Vidlet: removing %s, left by a Vidlet that was stopped while it completed "
                  "the recording",
                  qPrintable(copy));
            ::unlink(path.constData());
        }
        ::close(fd);
    }
    return held;
}

Mp4Recorder::Failure Mp4Recorder::failure() const
{
    return d->failure();
}

std::uint64_t Mp4Recorder::framesDropped() const
{
    return d->dropped();
}

std::size_t Mp4Recorder::framesWaiting() const
{
    return d->waiting();
}

bool Mp4Recorder::isOpen() const
{
    return d->open != nullptr;
}

bool Mp4Recorder::isOriginal() const
{
    return d->open && d->open->original;
}

bool Mp4Recorder::waitsForKeyframe() const
{
    return isOriginal() && !d->open->sawKeyframe;
}
