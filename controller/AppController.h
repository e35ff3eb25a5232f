#pragma once

#include "app/ShotSession.h"
#include "app/TraySession.h"
#include "controller/ConnectedPhone.h"
#include "controller/FirewallWatch.h"
#include "controller/LiveStats.h"
#include "controller/PairingData.h"
#include "controller/SessionSetup.h"
#include "controller/StallWatch.h"
#include "controller/UnfinishedRecordings.h"
#include "link/PhoneServer.h"
#include "pipeline/CardPump.h"
#include "pipeline/LivePipeline.h"
#include "system/DesktopColorScheme.h"
#include "system/SystemIntegration.h"
#include "usb/UsbMuxClient.h"

#include <QImage>
#include <QObject>
#include <QTimer>
#include <QVariantList>

#include <chrono>
#include <memory>
#include <vector>

class AppSettings;

// The one object the window binds to. It keeps the session's state, the roster of phones and
// the pairing data, and lends the live pipeline (decoder, pacer, preview, recorder, camera)
// what it needs; the settings it is lent. Everything here runs on the GUI thread, except the
// card pump's thread and the threads behind the recorder and the camera; the recorder reports
// a failed file, and one it could not complete, through queued calls.
class AppController : public QObject, public TraySession, public ShotSession {
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
    // The port phones were to find, when another program held it and another was chosen; 0
    // otherwise.
    Q_PROPERTY(int portTaken READ portTaken NOTIFY changed)
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
    Q_PROPERTY(bool pipewireReaderSeen READ pipewireReaderSeen NOTIFY changed)
    // Another program cut the camera's shared memory short during this run; it was made again.
    Q_PROPERTY(bool cameraSegmentCutShort READ cameraSegmentCutShort NOTIFY changed)
    Q_PROPERTY(bool recording READ recording NOTIFY changed)
    Q_PROPERTY(QString lastRecordingPath READ lastRecordingPath NOTIFY changed)
    Q_PROPERTY(int recordingFailure READ recordingFailure NOTIFY changed)
    Q_PROPERTY(int recordingDropped READ recordingDropped NOTIFY changed)
    Q_PROPERTY(int recordingsBeingCompleted READ recordingsBeingCompleted NOTIFY changed)
    Q_PROPERTY(QString recordingFolder READ recordingFolder WRITE setRecordingFolder NOTIFY changed)
    Q_PROPERTY(int recordingQuality READ recordingQuality WRITE setRecordingQuality NOTIFY changed)
    // Original recordings can be made here; the running one waits for the phone's key frame.
    Q_PROPERTY(bool originalRecordingAvailable READ originalRecordingAvailable CONSTANT)
    Q_PROPERTY(bool recordingWaitsForKeyframe READ recordingWaitsForKeyframe NOTIFY changed)
    Q_PROPERTY(bool minimizeToTray READ minimizeToTray WRITE setMinimizeToTray NOTIFY changed)
    Q_PROPERTY(bool lowLatency READ lowLatency WRITE setLowLatency NOTIFY changed)
    Q_PROPERTY(bool mirrored READ mirrored WRITE setMirrored NOTIFY changed)
    // The camera's size (0 follows the phone, 1 is 1280x720, 2 is 1920x1080), the phone's
    // picture turned clockwise by quarter turns, and whether it fills the camera.
    Q_PROPERTY(int cameraSize READ cameraSize WRITE setCameraSize NOTIFY changed)
    Q_PROPERTY(int quarterTurns READ quarterTurns WRITE setQuarterTurns NOTIFY changed)
    Q_PROPERTY(bool filled READ filled WRITE setFilled NOTIFY changed)
    Q_PROPERTY(bool trayAvailable READ trayAvailable WRITE setTrayAvailable NOTIFY changed)
    Q_PROPERTY(bool usbAvailable READ usbAvailable NOTIFY changed)
    Q_PROPERTY(bool usbServiceInstalled READ usbServiceInstalled NOTIFY changed)
    // Another program answers where Apple's USB service should be: it is not used.
    Q_PROPERTY(bool usbRefused READ usbRefused NOTIFY changed)
    Q_PROPERTY(bool firewallBlocked READ firewallBlocked NOTIFY changed)
    Q_PROPERTY(bool previewShown READ previewShown WRITE setPreviewShown)

public:
    using Places = ControllerPlaces;
    using Intervals = SessionIntervals;

    AppController(AppSettings& settings, const Places& places, QObject* parent = nullptr);
    ~AppController() override;

    // Replaces the platform's camera and firewall actions, with a stand-in in tests.
    void setSystemIntegration(std::unique_ptr<SystemIntegration> backend);
    // Replaces the virtual camera (the camera component by default) before start().
    void setCameraSink(std::unique_ptr<IVirtualCameraSink> camera);
    void setIntervals(const Intervals& intervals);
    // Set by the screenshot mode before start(): the pairing data then shows demonstration values.
    bool screenshotMode = false;

    QString status() const;
    bool cameraReady() const;
    bool appConnected() const override { return appConnected_; }
    // Paused counts as live: the phone is still the session's, only its video stopped.
    bool live() const override { return session == Session::Live || session == Session::Paused; }
    bool outputEnabled() const override;
    qulonglong framesSent() const;
    bool phoneConnected() const { return !roster.empty(); }
    QString phoneName() const;
    // The connected phones, in the order they were accepted: one map each with "id",
    // "deviceId", "name", "phoneName", "model", "os" and "usb".
    QVariantList phones() const override;
    // The trusted phones, connected or not, in the order they first paired: one map each with
    // "deviceId", "name", "model", "os" and "id" (the connection id, -1 while offline).
    QVariantList knownPhones() const;
    int activeId() const { return activeId_; }
    qulonglong framesReceived() const { return server.framesReceived(); }
    qulonglong framesDecoded() const;
    int fps() const { return stats.fps(); }
    int decodeMs() const { return stats.decodeMs(); }
    QString serverInfo() const { return serverInfo_; }
    int portTaken() const { return portTaken_; }
    QString qrDataUrl() const { return pairing.qrDataUrl; }
    QString pairAddress() const { return pairing.pairAddress; }
    bool hasLanAddress() const { return !pairing.addresses.isEmpty(); }
    QString pcName() const { return pairing.pcName; }
    bool osDark() const;
    int themeMode() const;
    int port() const { return server.port(); }
    QString appVersion() const { return QStringLiteral("1.1"); }
    bool cameraRegistered() const;
    // PipeWire lists the camera now: programs that use it find it with no registration.
    bool pipewireCamera() const;
    // A program has read the camera through PipeWire on this machine: the window stops
    // recommending the registration to browsers.
    bool pipewireReaderSeen() const;
    bool cameraSegmentCutShort() const { return cameraSegmentCutShort_; }
    bool recording() const;
    QString lastRecordingPath() const { return lastRecordingPath_; }
    // Why the last recording stopped by itself: 0 it did not, 1 its file could not be written
    // (the disk is full), 2 its file or folder was deleted, 3 the phone's picture changed size;
    // or 4: it stopped as asked, but the disk filled while it was completed, so it stays as it
    // was recorded (it plays). Cleared by the next start.
    int recordingFailure() const { return recordingFailure_; }
    // Frames the running recording left out because its disk could not keep up.
    int recordingDropped() const;
    // Recordings in the folder that the Vidlet which quit before this start still completes.
    int recordingsBeingCompleted() const { return unfinished.count(); }
    QString recordingFolder() const;
    void setRecordingFolder(const QString& folder);
    // 0 Standard, 1 High: the video bit rate of the next recording; 2 Original: the phone's
    // own stream, where the platform can store it.
    int recordingQuality() const;
    void setRecordingQuality(int quality);
    bool originalRecordingAvailable() const;
    bool recordingWaitsForKeyframe() const;
    bool minimizeToTray() const;
    void setMinimizeToTray(bool on);
    // Wi-Fi frames leave the pacing queue as soon as they may rather than at the phone's rate:
    // less delay, less smoothing of the network's jitter.
    bool lowLatency() const;
    void setLowLatency(bool on);
    bool mirrored() const;
    void setMirrored(bool on);
    int cameraSize() const;
    void setCameraSize(int choice);
    int quarterTurns() const;
    void setQuarterTurns(int turns);
    bool filled() const;
    void setFilled(bool on);
    // The desktop has a notification area to hide into; kept current by the tray icon.
    bool trayAvailable() const override { return trayAvailable_; }
    void setTrayAvailable(bool available) override;
    bool usbAvailable() const { return usb.isAvailable(); }
    bool usbServiceInstalled() const;
    bool usbRefused() const { return usb.isRefused(); }
    bool firewallBlocked() const { return firewallBlocked_; }
    // Whether a window shows the live preview: frameReady is emitted only then. The window
    // keeps it current; true until it says otherwise.
    bool previewShown() const;
    void setPreviewShown(bool shown);
    // Waits at most `bound` for the recordings that stop() ended to be complete on disk; true
    // when they are.
    bool finishRecordings(std::chrono::milliseconds bound);
    QMetaObject::Connection watchChanges(QObject* context, std::function<void()> changed) override;
    QMetaObject::Connection watchPictures(QObject* context,
                                          std::function<void(const QImage&)> picture) override;

public Q_SLOTS:
    void start();
    void stop();
    void setActive(int id) override;
    void toggleOutput() override;
    void setThemeMode(int mode);
    void regeneratePairing();
    void registerCamera();
    void unregisterCamera();
    void allowThroughFirewall();
    void renamePhone(int id, const QString& newName);
    // A paired phone that is away is forgotten: its card goes, and it must pair again. A
    // connected phone is kept (it would pair again at once with the code it holds).
    void forgetPhone(const QString& deviceId);
    void toggleRecording();
    void openRecordingsFolder();
    // Shows the folder of `lastRecordingPath` in the file manager, where the file is.
    void showLastRecording();

Q_SIGNALS:
    void changed();
    void frameReady(QImage image);
    void osDarkChanged();
    void themeModeChanged();
    // A phone was turned away for an old or wrong pairing code. `name` is the phone's own,
    // on one line and cut to 40 characters: text for the window to show as plain text only.
    void pairingRefused(QString name);
    // A recording could not start: its folder or file cannot be written.
    void recordingRefused();

private:
    // The card pump runs, showing a status card, exactly in the states that show one (Idle,
    // NoCamera, Paused). NoCamera is Idle with a camera that would not start.
    enum class Session { NotStarted, Idle, NoCamera, Live, Paused, Stopped };
    // Every change of state passes here: it stops the card pump (which reads the camera's
    // size), moves the camera to `cameraSize` when given, draws and pumps the state's card and
    // notifies once.
    void enterSession(Session next, QSize cameraSize = QSize());
    void renderCard();

    // Roster
    void onPhoneConnected(int id, const QString& deviceId, const QString& name,
                          const QString& model, const QString& os, bool usb);
    void onPhoneDisconnected(int id);
    ConnectedPhone* findPhone(int id);
    const ConnectedPhone* findPhone(int id) const;
    void activate(int id);
    void rememberPhone(const QString& deviceId, const QString& name, const QString& model,
                       const QString& os);

    // Session
    void goLive(int width, int height);
    void goIdle();
    void onStreamInfo(int id, int width, int height, int fps);
    void onVideoConfig(int id, const QByteArray& config);
    void onVideoFrame(int id, const QByteArray& accessUnit, qulonglong ptsUsec, bool keyframe,
                      bool newerWaiting);
    void afterDecode(int pictures);
    void updateStats();
    void checkStall();
    void pauseForStall();
    void resumeFromStall();

    void stopRecording();
    void onRecordingFailed();
    void onRecordingKeptFragmented(const QString& path);
    // A file holds one size: a picture of another ends the recording, and the window says why.
    void endRecordingOfOtherSize(QSize size);
    // Opens the next recording file; Original takes the active phone's parameter sets.
    bool startRecordingFile(const QString& path);
    // An Original recording of other parameter sets (a new size, another phone) goes on in a
    // new file, with those the active phone's record now holds.
    void continueOriginal();
    void applyRecordingQuality();
    void applyCameraShape();
    void refreshPairing();
    void refreshFirewallBlocked();
    void takeFirewallVerdict(bool blocked);
    void countIdleTick();
    void followAddresses();

    AppSettings& settings;
    const Places places;
    LivePipeline pipeline;
    CardPump cardPump{pipeline.camera()};
    PhoneServer server;
    UsbMuxClient usb;
    // Shared with the firewall watch's thread while it asks.
    std::shared_ptr<SystemIntegration> systemIntegration = createSystemIntegration();
    FirewallWatch firewallWatch;
    UnfinishedRecordings unfinished;
    DesktopColorScheme colorScheme;

    Session session = Session::NotStarted;
    Intervals intervals;
    std::vector<ConnectedPhone> roster;
    int activeId_ = -1;
    PairingData pairing;
    QString serverInfo_ = QStringLiteral("Not listening");
    int portTaken_ = 0;
    QString lastRecordingPath_;
    QByteArray recordedParameterSets_; // the running Original recording's
    int recordingFailure_ = 0;
    bool appConnected_ = false;
    bool cameraSegmentCutShort_ = false;
    bool trayAvailable_ = true;
    bool firewallBlocked_ = false;
    int idleTicks = 0; // stats ticks without a phone since the firewall and addresses were read
    QTimer statsTimer;
    QTimer stallTimer;
    StallWatch stall{Clock::steady()};
    LiveStats stats{Clock::steady()};
};
