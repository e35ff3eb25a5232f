#pragma once

#include "controller/AppController.h"
#include "settings/AppSettings.h"
#include "tests/controller/TestCameraSink.h"
#include "tests/link/TestPhone.h"
#include "tests/usb/FakeMuxService.h"
#include "tests/video/TestEncoder.h"

#include <QImage>

#include <memory>
#include <vector>

// A started controller with a camera of the test's, and one phone paired with it that streams
// as a real phone does: over Wi-Fi on loopback, or over USB through a stand-in usbmux service.
// The video is what libx264 makes of its test pattern; the controller decodes it for real.
class StreamingPhone {
public:
    explicit StreamingPhone(bool usb, const AppController::Intervals& intervals = {});
    ~StreamingPhone();

    // Connects the phone and waits until it is the active one; false when it could not.
    bool connect();
    void send(quint8 type, quint8 flags, const QByteArray& payload);
    // Announces the stream; over Wi-Fi, returns once the controller has read it.
    bool announce(int width, int height, int fps = 30);
    // Sends the stream's headers (when `first` is 0) and `count` of its pictures, and waits
    // until the controller has decoded them.
    bool sendVideo(const TestEncoder& stream, int first, int count);
    // The phone goes away: its tunnel or its connection closes.
    void leave();
    // Whatever the controller wrote to the phone before this has arrived, and whatever the
    // phone sent before it has been read.
    bool settle();

    // The stream's pictures as the controller's decoder makes them.
    static std::vector<QImage> reference(const TestEncoder& stream);

    AppSettings settings; // the test's sandbox
    std::unique_ptr<AppController> app;
    TestCameraSink* camera = nullptr;

private:
    const bool usb;
    FakeMuxService usbService;
    FakeMuxService::Peer* tunnel = nullptr;
    TestPhone wifi;
    int pings = 0;
};
