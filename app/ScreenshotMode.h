#pragma once

#include "app/ShotOptions.h"
#include "app/ShotSession.h"

#include <QImage>
#include <QObject>

class QQuickWindow;

// Renders the main window to a PNG file for documentation and quits. It sizes, themes and opens
// a view in the window, optionally makes a named phone active, and takes the shot shortly after
// the first live picture or after the delay, whichever comes first. The session and the window
// are borrowed for the object's life; the window's own functions are QML's, reached through the
// meta-object system. GUI thread only.
class ScreenshotMode : public QObject {
    Q_OBJECT

public:
    // The caller has already switched the controller to its demonstration data.
    ScreenshotMode(const ShotOptions& options, ShotSession& session, QQuickWindow* window,
                   QObject* parent = nullptr);

    bool taken() const { return shotTaken; }
    // A live picture has started the countdown to the shot.
    bool scheduled() const { return shotScheduled; }

    // How long a newly chosen phone has to send a fresh key frame before a picture counts, and
    // how long after the first picture that counts the shot is taken.
    int keyFramePauseMs = 1200;
    int afterPicturePauseMs = 500;

Q_SIGNALS:
    // The chosen phone has had its time for a key frame: the next picture counts.
    void picturesCount();

private:
    void choosePhone();
    void onFrameReady(const QImage& image);
    void takeShot();

    ShotOptions options;
    ShotSession& session;
    QQuickWindow* window; // borrowed; null when the window failed to load
    bool shotReady = true;
    bool shotScheduled = false;
    bool shotTaken = false;
    bool phoneChosen = false;
};
