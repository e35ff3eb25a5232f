#pragma once

#include "controller/LowLatencyPacing.h"
#include "link/PhoneServer.h"
#include "system/DesktopColorScheme.h"
#include "system/SystemIntegration.h"
#include "usb/UsbMuxClient.h"
#include "video/H264Decoder.h"
#include "video/Mp4Recorder.h"
#include "video/SoftcamSink.h"

#include <QElapsedTimer>
#include <QHash>
#include <QImage>
#include <QObject>
#include <QPair>
#include <QSettings>
#include <QTimer>
#include <QVariantList>

#include <atomic>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

// The one object the window binds to. It owns the phone link, the USB client, the decoder, the
// recorder and the virtual camera, and publishes the session as properties that notify through
// changed().
// Everything here runs on the GUI thread except pumpCards(), the status-card pump thread. The
// recorder and the camera output run threads of their own behind their interfaces; the
// recorder's reports a failed file through a queued call to onRecordingFailed().
class AppController : public QObject {
    Q_OBJECT
    Q_PROPERTY(QString status READ status NOTIFY changed)
    Q_PROPERTY(bool cameraReady READ cameraReady NOTIFY changed)
    Q_PROPERTY(bool appConnected READ appConnected NOTIFY changed)
    Q_PROPERTY(bool live READ live NOTIFY changed)
    Q_PROPERTY(bool outputEnabled READ outputEnabled NOTIFY changed)
    Q_PROPERTY(qulonglong framesSent READ framesSent NOTIFY changed)
    Q_PROPERTY(bool phoneConnected READ phoneConnected NOTIFY changed)
    Q_PROPERTY(QString phoneName READ phoneName NOTIFY changed)
    Q_PROPERTY(QVariantList phones READ phones NOTIFY changed)
    Q_PROPERTY(int activeId READ activeId NOTIFY changed)
    Q_PROPERTY(QVariantList knownPhones READ knownPhones NOTIFY changed)
    Q_PROPERTY(qulonglong framesReceived READ framesReceived NOTIFY changed)
    Q_PROPERTY(qulonglong framesDecoded READ framesDecoded NOTIFY changed)
    Q_PROPERTY(int fps READ fps NOTIFY changed)
    Q_PROPERTY(int decodeMs READ decodeMs NOTIFY changed)
    Q_PROPERTY(QString serverInfo READ serverInfo NOTIFY changed)
    Q_PROPERTY(QString qrDataUrl READ qrDataUrl NOTIFY changed)
    Q_PROPERTY(QString pairAddress READ pairAddress NOTIFY changed)
    Q_PROPERTY(bool hasLanAddress READ hasLanAddress NOTIFY changed)
    Q_PROPERTY(QString pcName READ pcName NOTIFY changed)
    Q_PROPERTY(bool osDark READ osDark NOTIFY osDarkChanged)
    Q_PROPERTY(int themeMode READ themeMode WRITE setThemeMode NOTIFY themeModeChanged)
    Q_PROPERTY(int port READ port NOTIFY changed)
    Q_PROPERTY(QString appVersion READ appVersion CONSTANT)
    Q_PROPERTY(bool cameraRegistered READ cameraRegistered NOTIFY changed)
    Q_PROPERTY(bool pipewireCamera READ pipewireCamera NOTIFY changed)
    Q_PROPERTY(bool recording READ recording NOTIFY changed)
    Q_PROPERTY(QString lastRecordingPath READ lastRecordingPath NOTIFY changed)
    Q_PROPERTY(int recordingFailure READ recordingFailure NOTIFY changed)
    Q_PROPERTY(QString recordingFolder READ recordingFolder WRITE setRecordingFolder NOTIFY changed)
    Q_PROPERTY(int recordingQuality READ recordingQuality WRITE setRecordingQuality NOTIFY changed)
    Q_PROPERTY(bool minimizeToTray READ minimizeToTray WRITE setMinimizeToTray NOTIFY changed)
    Q_PROPERTY(bool lowLatency READ lowLatency WRITE setLowLatency NOTIFY changed)
    Q_PROPERTY(bool trayAvailable READ trayAvailable WRITE setTrayAvailable NOTIFY changed)
    Q_PROPERTY(bool usbAvailable READ usbAvailable NOTIFY changed)
    Q_PROPERTY(bool usbServiceInstalled READ usbServiceInstalled NOTIFY changed)
    Q_PROPERTY(bool firewallBlocked READ firewallBlocked NOTIFY changed)
    Q_PROPERTY(bool previewShown READ previewShown WRITE setPreviewShown)

public:
    // Where the controller meets the machine. The defaults are the real ones; the command line
    // and tests point them elsewhere, so that a stand-in service can play attached phones and a
    // second copy never meets the first one's port, service or token file.
    struct Places {
        quint16 port = 8788; // tried first for phones; when taken, the system chooses
        UsbMuxEndpoint usbService = UsbMuxEndpoint::platformDefault();
        QString tokenFolder; // for pairing-token.txt; empty: the program's own folder
    };

    explicit AppController(QObject* parent = nullptr);
    explicit AppController(const Places& places, QObject* parent = nullptr);
    ~AppController() override;

    QString status() const { return status_; }
    bool cameraReady() const { return sink.isRunning(); }
    bool appConnected() const { return appConnected_; }
    bool live() const { return live_; }
    bool outputEnabled() const { return outputEnabled_.load(); }
    qulonglong framesSent() const { return framesSent_.load(); }
    bool phoneConnected() const { return !phones_.isEmpty(); }
    QString phoneName() const;
    QVariantList phones() const { return phones_; }
    // The trusted phones, connected or not, in the order they first paired: one map each with
    // "deviceId", "name", "model", "os" and "id" (the connection id, -1 while offline).
    QVariantList knownPhones() const;
    int activeId() const { return activeId_; }
    qulonglong framesReceived() const { return server.framesReceived(); }
    qulonglong framesDecoded() const { return framesDecoded_.load(); }
    int fps() const { return fps_; }
    int decodeMs() const { return decodeMs_; }
    QString serverInfo() const { return serverInfo_; }
    QString qrDataUrl() const { return qrDataUrl_; }
    QString pairAddress() const { return pairAddress_; }
    bool hasLanAddress() const { return hasLanAddress_; }
    QString pcName() const { return pcName_; }
    bool osDark() const;
    int themeMode() const { return themeMode_; }
    int port() const { return server.port(); }
    QString appVersion() const { return QStringLiteral("1.1"); }
    bool cameraRegistered() const { return systemIntegration->isCameraRegistered(); }
    // Programs find the camera through PipeWire, with no registration.
    bool pipewireCamera() const { return systemIntegration->hasPipewireCamera(); }
    bool recording() const { return recorder.isOpen(); }
    QString lastRecordingPath() const { return lastRecordingPath_; }
    // Why the last recording stopped by itself: 0 it did not, 1 its file could not be written
    // (the disk is full), 2 its file or folder was deleted. Cleared by the next start.
    int recordingFailure() const { return recordingFailure_; }
    QString recordingFolder() const { return recordingFolder_; }
    void setRecordingFolder(const QString& folder);
    // 0 Standard, 1 High: the video bit rate of the next recording ("recording/quality").
    int recordingQuality() const { return recordingQuality_; }
    void setRecordingQuality(int quality);
    bool minimizeToTray() const { return minimizeToTray_; }
    void setMinimizeToTray(bool on);
    // Wi-Fi frames leave the pacing queue as soon as they may rather than at the phone's rate:
    // less delay, less smoothing of the network's jitter ("options/lowLatency").
    bool lowLatency() const { return lowLatency_; }
    void setLowLatency(bool on);
    // The desktop has a notification area to hide into; kept current by the tray icon.
    bool trayAvailable() const { return trayAvailable_; }
    void setTrayAvailable(bool available);
    bool usbAvailable() const { return usb.isAvailable(); }
    bool usbServiceInstalled() const
    {
        return usb.isAvailable() || UsbMuxEndpoint::serviceInstalled();
    }
    bool firewallBlocked() const { return firewallBlocked_; }
    // Whether a window shows the live preview: frameReady is emitted only then. The window
    // keeps it current; true until it says otherwise.
    bool previewShown() const { return previewShown_; }
    void setPreviewShown(bool shown);

    // Set by the screenshot mode before start(): the pairing data then shows demonstration values.
    bool screenshotMode = false;

    // Replaces the platform's camera and firewall actions, with a stand-in in tests.
    void setSystemIntegration(std::unique_ptr<SystemIntegration> backend);

public slots:
    void start();
    void stop();
    void setActive(int id);
    void toggleOutput();
    void setThemeMode(int mode);
    void regeneratePairing();
    void registerCamera();
    void unregisterCamera();
    void allowThroughFirewall();
    void renamePhone(int id, const QString& newName);
    void toggleRecording();
    void openRecordingsFolder();
    // Shows the folder of `lastRecordingPath` in the file manager, where the file is.
    void showLastRecording();

signals:
    void changed();
    void frameReady(QImage image);
    void osDarkChanged();
    void themeModeChanged();
    // A phone was turned away for an old or wrong pairing code. `name` is the phone's own,
    // on one line and cut to 40 characters: text for the window to show as plain text only.
    void pairingRefused(QString name);

private:
    using Frame = std::vector<unsigned char>;

    // Roster
    void onPhoneConnected(int id, const QString& deviceId, const QString& name,
                          const QString& model, const QString& os, bool usb);
    void onPhoneDisconnected(int id);
    int rosterIndex(int id) const;

    // Session pipeline
    void startWorker();
    void stopWorker();
    void pumpCards();
    void goLive(int width, int height);
    void goIdle();
    void onStreamInfo(int id, int width, int height, int fps);
    void onVideoConfig(int id, const QByteArray& config);
    void onVideoFrame(int id, const QByteArray& accessUnit, qulonglong ptsUsec, bool keyframe);
    unsigned char* queueSlot(int width, int height);
    void onDecodedFrame(const unsigned char* pixels, int width, int height);
    void adoptDecoderSize(int width, int height);
    void outputFrame(const unsigned char* frame);
    void outputFrame(BgrBuffer& frame);
    void record(const unsigned char* frame);
    bool copyForPreview(const unsigned char* frame);
    void onPaceTick();
    void armPacing();
    void drainWithLowLatency();
    void outputOldestPending();
    void updateStats();
    void checkStall();
    void showPausedCard();
    void resumeFromStall();

    // Status cards
    void renderIdleCard(int width, int height);
    void renderPausedCard(int width, int height);
    void storeCard(const QImage& card);

    // Recording
    void stopRecording();
    void onRecordingFailed();
    void applyRecordingQuality(int quality);

    // Pairing
    void refreshPairing();
    void storePairedDevice(const QString& deviceId, const QString& token);
    void rememberPhone(const QString& deviceId, const QString& name, const QString& model,
                       const QString& os);

    // Camera registration and firewall
    void refreshFirewallBlocked();
    void countIdleTick();

    const Places places;
    SoftcamSink sink;
    PhoneServer server;
    UsbMuxClient usb;
    H264Decoder decoder;
    Mp4Recorder recorder;
    std::unique_ptr<SystemIntegration> systemIntegration = createSystemIntegration();

    std::thread worker;
    std::atomic<bool> workerRunning{false};    // GUI thread writes, pump reads
    std::atomic<std::uint64_t> framesSent_{0}; // GUI thread and pump add
    std::atomic<std::uint64_t> framesDecoded_{0};
    std::atomic<bool> outputEnabled_{true}; // GUI thread flips, pump reads
    // Read by the pump once at its start; the GUI thread changes them only while it is stopped.
    int outputWidth = 1280;
    int outputHeight = 720;
    bool live_ = false;
    bool activeIsUsb = false;
    bool appConnected_ = false;
    // The card the pump sends. The GUI thread rewrites it with the pump stopped, except the
    // redraw after new pairing data, which happens while the pump runs: cardLock guards both.
    Frame cardFrame;
    std::mutex cardLock;
    QVariantList phones_;
    int activeId_ = -1;
    QHash<int, QPair<int, int>> streamSizes;
    QHash<QString, QString> names;
    QString status_ = QStringLiteral("Idle");
    QString serverInfo_ = QStringLiteral("Not listening");
    QString qrDataUrl_;
    QString pairAddress_;
    bool hasLanAddress_ = false; // false: pairAddress_ says that none was found
    QString pcName_;
    QString pairingToken;
    QString lastRecordingPath_;
    std::uint64_t recordedFrames = 0; // frames written to the open recording
    int recordingFailure_ = 0;
    QString recordingFolder_;
    int recordingQuality_ = 0;
    bool minimizeToTray_ = true;
    bool trayAvailable_ = true;
    QSettings settings;
    DesktopColorScheme colorScheme;
    int themeMode_ = 0;
    QTimer statsTimer;
    // Live frames, in buffers the decoder converts into and the camera takes over.
    std::deque<BgrBuffer> pendingFrames;
    std::vector<BgrBuffer> spareFrames; // output frames' buffers, for the next ones to queue
    BgrBuffer decodeSlot; // where the decoder converts the next picture that will be queued
    QImage previewImage;  // the last frame shown, when the window still holds it
    bool previewShown_ = true;
    QTimer paceTimer;
    int paceIntervalMs = 33;
    bool lowLatency_ = false;
    LowLatencyPacing lowLatencyPacing; // on stallClock's milliseconds
    QElapsedTimer fpsClock;
    std::uint64_t lastDecodedCount = 0;
    int fps_ = 0;
    QTimer stallTimer;
    QElapsedTimer stallClock;
    bool pausedCardShown = false;
    bool decodedSinceLive = false;
    std::uint64_t lastSeenDecodedCount = 0;
    std::int64_t lastProgressMs = 0;
    std::uint64_t decodeNsSum = 0;
    std::uint64_t decodeCalls = 0;
    int decodeMs_ = 0;
    bool firewallBlocked_ = false;
    int idleTicks = 0; // stats ticks without a phone since the firewall was last re-checked
    Frame cropBuffer;  // reused for frames a few pixels larger than the output

    friend class RecordingTest;
    friend class RosterTest;
    friend class SessionPipelineTest;
    friend class StatusCardsTest;
};
