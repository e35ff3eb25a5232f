#pragma once

#include <QObject>
#include <QStringList>
#include <QTimer>

#include <optional>
#include <vector>

// The camera component as the program drives it: a camera made through softcam.h and fed at
// its rate by a timer, each frame a fixed pattern of four coloured quarters with the frame's
// stamp (number and send time) in its top-left corner. It collects the component's log lines.
class TestCamera : public QObject {
    Q_OBJECT
public:
    TestCamera();
    ~TestCamera() override;

    bool create(int width, int height, float fps = 30.0f);
    // The camera made again at another size, as the program does when nobody holds it.
    bool remake(int width, int height, float fps = 30.0f);
    void destroy();
    bool isConnected() const;
    bool isOnPipewire() const;
    bool isReadThroughPipewire() const;
    QStringList log() const { return lines; }
    // While held, every tick sends the last picture again, as the program does for a phone
    // that paused. A camera made afresh is not held.
    void holdPicture(bool hold) { held = hold; }
    // From now on every tick sends this I420 picture through scSendFrameI420() instead of the
    // pattern, as a decoder hands it: `i420` is packed (Y, U, V at the camera's even size), the
    // planes sent have their rows padded to wider strides. A camera made afresh sends the
    // pattern again.
    void sendI420(const std::vector<unsigned char>& i420);
    // The format the last PipeWire reader negotiated, from the component's log, or empty.
    QString negotiatedFormat() const;

    int width() const { return frameWidth; }
    int height() const { return frameHeight; }

    // Whether `bgr`, a frame read back at this camera's size, shows the pattern: each quarter's
    // colour within `tolerance` per channel. Empty when it does, otherwise what differs.
    std::optional<QString> differences(const unsigned char* bgr, int tolerance) const;

private:
    bool take(void* made, int width, int height, float fps);
    void sendNext();

    void* camera = nullptr;
    int frameWidth = 0;
    int frameHeight = 0;
    std::uint32_t number = 0;
    bool held = false;
    bool stamped = false; // the picture has a stamp, which a held one keeps
    std::vector<unsigned char> frame;
    struct Plane {
        std::vector<unsigned char> rows;
        int stride = 0;
    };
    Plane planes[3]; // Y, U, V, while sending I420
    QTimer pacing;
    QStringList lines; // GUI thread; the component logs from any thread, so lines are queued
};
