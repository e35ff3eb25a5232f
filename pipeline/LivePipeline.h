#pragma once

#include "pipeline/CameraOutput.h"
#include "pipeline/Clock.h"
#include "pipeline/FrameFanOut.h"
#include "pipeline/FramePacer.h"
#include "pipeline/FramePool.h"
#include "pipeline/StaleFrames.h"
#include "video/BgrFit.h"
#include "video/H264Decoder.h"
#include "video/Mp4Recorder.h"

#include <QByteArray>
#include <QImage>
#include <QObject>
#include <QSize>

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

// The live path, one stage after the other: the decoder turns the active phone's H.264 into
// pictures, each is turned as the user chose and fitted to the camera's size (cropped of the
// codec's padding, or scaled into a camera that keeps its size for a program reading it or by
// the user's choice), the pacer (phones on Wi-Fi only) evens out the network's jitter, and the fan-out hands each frame to the preview, the recorder and the
// camera. All of it runs on the GUI thread. Nothing leaves decode() before it returns: the
// session first does what a new picture means to it (a paused session resumes), then pass()
// lets the pictures on, restarting the camera first when the stream's size changed.
class LivePipeline : public QObject {
    Q_OBJECT

public:
    explicit LivePipeline(std::unique_ptr<IVirtualCameraSink> sink,
                          const Clock& clock = Clock::steady());

    CameraOutput& camera() { return cameraStage; }
    const CameraOutput& camera() const { return cameraStage; }
    Mp4Recorder& recorder() { return recorderStage; }
    const Mp4Recorder& recorder() const { return recorderStage; }
    FrameFanOut& fanOut() { return fanOutStage; }
    const FrameFanOut& fanOut() const { return fanOutStage; }

    // A new stream at `size`: the decoder starts afresh and nothing waits. `paced`: the phone is
    // on Wi-Fi, so its frames go through the pacer; over USB there is no jitter to smooth out.
    void begin(QSize size, bool paced);
    // The stream ended: the decoder and the pacer are gone.
    void end();
    // The stream paused: the frames waiting are dropped.
    void dropWaiting();
    bool isRunning() const { return decoder.isInitialized(); }

    // One buffer of the stream (its parameter sets, or one access unit); returns how many
    // pictures it completed. Only access units count towards the decode time. `behind`: a later
    // access unit has already arrived, so without a pacer to space them out this one's pictures
    // are only decoded: a thread that falls behind catches up on the newest picture. A stale
    // access unit (see StaleFrames) is only decoded, paced or not.
    int configure(const QByteArray& parameterSets);
    int decode(const QByteArray& accessUnit, std::uint64_t ptsUsec, bool behind = false);
    // Lets on the pictures the last decode() completed.
    void pass();

    // The phone's announced frame rate, which the pacer follows.
    void setPhoneFps(int fps);
    void setLowLatency(bool on);
    // How the phone's pictures become the camera's, for the camera, the preview and a
    // recording alike (the cards are neither turned nor mirrored): turned clockwise by quarter
    // turns, then fitted whole between bars or, `filled`, covering the camera, then turned
    // left for right.
    void setQuarterTurns(int turns) { quarterTurns = turns & 3; }
    void setFilled(bool on) { filled = on; }
    void setMirrored(bool on) { mirrored = on; }
    // A camera of this size whatever the phone sends; an invalid size: the camera follows the
    // stream (turned with it).
    void setFixedCameraSize(QSize size) { fixedSize = size; }
    // The size the camera takes for a stream of `streamSize`.
    QSize cameraSizeFor(QSize streamSize) const;
    // The size the camera wants now: the running stream's, or the one it has.
    QSize wantedCameraSize() const;
    // After a change of the shape: the camera moves to the size it now wants, if it may.
    void refitCamera();
    void setPaceTickMs(int ms);
    // While nobody looks at the pictures, the camera still gets one this often, so that a
    // program that opens it starts on a recent one.
    void setUnreadRefreshMs(int ms) { unreadRefreshMs = ms; }

    std::uint64_t framesDecoded() const { return decoded; }
    // The mean time of one decode() since the last call; none without a call.
    std::optional<int> takeDecodeMs();

Q_SIGNALS:
    void frameReady(QImage image);
    // The camera took the size of the pictures the decoder gave.
    void cameraResized(QSize size);

private:
    struct Picture {
        QSize size;
        BgrBuffer frame; // empty when it was decoded but not converted
    };

    int feed(const QByteArray& bytes, std::uint64_t ptsUsec, bool behind, bool stale);
    bool pictureWanted() const;
    bool planesWanted() const;
    unsigned char* slotFor(QSize size, std::size_t bytes);
    void take(const unsigned char* pixels, QSize size);
    void adopt(QSize size);
    // The camera restarted at `size` unless it keeps its own; the pacer's frames of the old
    // size go.
    bool moveCamera(QSize size);
    // The picture turned, then fitted to the camera's size.
    void shape(Picture& picture);
    BgrBuffer frameOfSize(std::size_t bytes);

    const Clock& clock;
    CameraOutput cameraStage;
    Mp4Recorder recorderStage;
    FrameFanOut fanOutStage;
    H264Decoder decoder;
    FramePool pool;
    BgrFit fitter;
    std::unique_ptr<FramePacer> pacer;
    StaleFrames staleFrames;

    BgrBuffer slot; // where the decoder puts a picture of the camera's size, BGR or planes
    std::vector<Picture> completed; // by the running decode(), for pass()
    bool convert = false;           // whether the running decode() converts its pictures
    bool planes = false;            // ... or copies out its planes, when they fit the camera
    bool decodedBehind = false;     // a later access unit than the running decode()'s arrived
    bool decodedStale = false;      // the running decode()'s access unit is a backlog's
    std::optional<std::int64_t> lastConvertedMs;
    int unreadRefreshMs = 1000;
    std::int64_t phonePeriodUs = 33'333;
    int paceTickMs = 0;
    bool lowLatency = false;
    bool mirrored = false;
    bool filled = false;
    int quarterTurns = 0;
    QSize fixedSize;  // invalid: the camera follows the stream
    QSize streamSize; // the running stream's pictures, as the decoder gives them
    std::uint64_t decoded = 0;
    std::uint64_t decodeNsSum = 0;
    std::uint64_t decodeCalls = 0;
};
