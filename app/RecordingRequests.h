#pragma once

#include <QObject>

class AppController;

// Recordings asked for from outside the window: "--record" at start, or a later start asked to
// record or to stop by a script or a keyboard shortcut. A recording asked for starts as soon as
// video flows, once; a stop ends the recording, or cancels one still waiting for video.
// GUI thread only.
class RecordingRequests : public QObject {
    Q_OBJECT

public:
    explicit RecordingRequests(AppController& controller);

    void start();
    void stop();

private:
    void startIfLive();

    AppController& controller;
    bool waiting = false;
};
