#pragma once

#include "tests/pipewire/PageServer.h"

#include <QJsonObject>
#include <QProcess>
#include <QSize>
#include <QString>

#include <memory>
#include <vector>

// One headless browser opening the camera page, with a profile of its own in the test sandbox
// that lets it open a camera without asking, and, unless told otherwise, the switch that makes
// it read PipeWire cameras (which no browser has by default today). Collects what the page
// reports until it is done, fails or the deadline passes.
class BrowserRun : public QObject {
    Q_OBJECT
public:
    struct Frame {
        int width = 0;
        int height = 0;
        std::vector<unsigned char> bgr;
        QSize video;             // the camera's picture as the browser got it, before any scaling
        quint64 arrivedUsec = 0; // when the report reached the server
        quint64 heldUsec = 0;    // how long the page took from drawing the frame to posting it
    };

    enum class PipewireSwitch { On, Off };
    // `browser` is "chromium" or "firefox-esr".
    BrowserRun(QString browser, PageServer& server, PipewireSwitch pipewire = PipewireSwitch::On);
    ~BrowserRun() override;

    // The browser's program, or empty when its Debian package is not installed.
    QString program() const;
    // Starts the browser on the page, asking for `frames` frames, and waits until the page is
    // done. False with why() when it could not start, the page failed, the deadline passed or
    // the page had to ask for the camera again where the browser's log does not say why. A
    // browser that aborts its own capture on a race check gets a second attempt.
    bool run(int frames, int timeoutMs);
    // Starts the browser on the page with `query` and returns at once: the test acts while the
    // page reports into `frames`, and why() tells when the page failed.
    bool start(const QString& query);
    // Ends the browser (it closes the camera with it).
    void close();
    QString why() const { return failure; }
    QJsonObject settings;
    std::vector<Frame> frames;
    int cameraRetries = 0; // times the page found no camera and asked again
    int browserAborts = 0; // times the browser aborted its own capture and was started again

private:
    bool attempt(int frames, int timeoutMs);
    bool finish(int timeoutMs);
    bool accountForRetries();
    QByteArray browserLog() const;
    QString logPath() const;
    void onReport(const QString& path, const QUrlQuery& query, const QByteArray& body,
                  quint64 arrivedUsec);

    QString browser;
    PageServer& server;
    PipewireSwitch pipewire;
    QProcess process;
    QString failure;
    QString step; // how far the page got
    bool finished = false;
};
