#include "app/RecordingRequests.h"

#include "controller/AppController.h"

RecordingRequests::RecordingRequests(AppController& controller)
    : controller(controller)
{
    connect(&controller, &AppController::changed, this, &RecordingRequests::startIfLive);
}

void RecordingRequests::start()
{
    if (controller.recording()) {
        qInfo("Vidlet: asked to record; a recording already runs");
        return;
    }
    waiting = true;
    startIfLive();
}

void RecordingRequests::stop()
{
    waiting = false;
    if (controller.recording())
        controller.toggleRecording();
    else
        qInfo("Vidlet: asked to end the recording; none runs");
}

void RecordingRequests::startIfLive()
{
    if (!waiting || !controller.live() || controller.framesDecoded() == 0)
        return;
    waiting = false;
    if (!controller.recording())
        controller.toggleRecording();
}
