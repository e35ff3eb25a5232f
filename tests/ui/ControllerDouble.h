#pragma once

#include <QImage>
#include <QObject>
#include <QStringList>
#include <QVariantList>
#include <QVariantMap>

// Stands in for AppController as the window's "app": the same property, slot and signal names,
// with every property settable by the test (setProperty emits changed()) and every action
// recorded in `calls`, so a test can put the window in any state and see what it asked for.
class ControllerDouble : public QObject {
    Q_OBJECT
    Q_PROPERTY(QString status MEMBER status NOTIFY changed)
    Q_PROPERTY(bool cameraReady MEMBER cameraReady NOTIFY changed)
    Q_PROPERTY(bool appConnected MEMBER appConnected NOTIFY changed)
    Q_PROPERTY(bool live MEMBER live NOTIFY changed)
    Q_PROPERTY(bool outputEnabled MEMBER outputEnabled NOTIFY changed)
    Q_PROPERTY(qulonglong framesSent MEMBER framesSent NOTIFY changed)
    Q_PROPERTY(bool phoneConnected READ phoneConnected NOTIFY changed)
    Q_PROPERTY(QString phoneName READ phoneName NOTIFY changed)
    Q_PROPERTY(QVariantList phones MEMBER phones NOTIFY changed)
    Q_PROPERTY(int activeId MEMBER activeId NOTIFY changed)
    Q_PROPERTY(QVariantList knownPhones MEMBER knownPhones NOTIFY changed)
    Q_PROPERTY(int fps MEMBER fps NOTIFY changed)
    Q_PROPERTY(int decodeMs MEMBER decodeMs NOTIFY changed)
    Q_PROPERTY(QString serverInfo MEMBER serverInfo NOTIFY changed)
    Q_PROPERTY(int portTaken MEMBER portTaken NOTIFY changed)
    Q_PROPERTY(QString qrDataUrl MEMBER qrDataUrl NOTIFY changed)
    Q_PROPERTY(QString pairAddress MEMBER pairAddress NOTIFY changed)
    Q_PROPERTY(bool hasLanAddress MEMBER hasLanAddress NOTIFY changed)
    Q_PROPERTY(QString pcName MEMBER pcName NOTIFY changed)
    Q_PROPERTY(bool osDark MEMBER osDark NOTIFY osDarkChanged)
    Q_PROPERTY(int themeMode READ themeMode WRITE setThemeMode NOTIFY themeModeChanged)
    Q_PROPERTY(int port MEMBER port NOTIFY changed)
    Q_PROPERTY(QString appVersion READ appVersion CONSTANT)
    Q_PROPERTY(bool cameraRegistered MEMBER cameraRegistered NOTIFY changed)
    Q_PROPERTY(bool pipewireCamera MEMBER pipewireCamera NOTIFY changed)
    Q_PROPERTY(bool pipewireReaderSeen MEMBER pipewireReaderSeen NOTIFY changed)
    Q_PROPERTY(bool cameraSegmentCutShort MEMBER cameraSegmentCutShort NOTIFY changed)
    Q_PROPERTY(bool recording MEMBER recording NOTIFY changed)
    Q_PROPERTY(QString lastRecordingPath MEMBER lastRecordingPath NOTIFY changed)
    Q_PROPERTY(int recordingFailure MEMBER recordingFailure NOTIFY changed)
    Q_PROPERTY(int recordingDropped MEMBER recordingDropped NOTIFY changed)
    Q_PROPERTY(int recordingsBeingCompleted MEMBER recordingsBeingCompleted NOTIFY changed)
    Q_PROPERTY(bool previewShown MEMBER previewShown)
    Q_PROPERTY(QString recordingFolder MEMBER recordingFolder NOTIFY changed)
    Q_PROPERTY(int recordingQuality MEMBER recordingQuality NOTIFY changed)
    Q_PROPERTY(bool originalRecordingAvailable MEMBER originalRecordingAvailable CONSTANT)
    Q_PROPERTY(bool recordingWaitsForKeyframe MEMBER recordingWaitsForKeyframe NOTIFY changed)
    Q_PROPERTY(bool minimizeToTray MEMBER minimizeToTray NOTIFY changed)
    Q_PROPERTY(bool lowLatency MEMBER lowLatency NOTIFY changed)
    Q_PROPERTY(bool mirrored MEMBER mirrored NOTIFY changed)
    Q_PROPERTY(int cameraSize MEMBER cameraSize NOTIFY changed)
    Q_PROPERTY(int quarterTurns MEMBER quarterTurns NOTIFY changed)
    Q_PROPERTY(bool filled MEMBER filled NOTIFY changed)
    Q_PROPERTY(bool trayAvailable MEMBER trayAvailable NOTIFY changed)
    Q_PROPERTY(bool usbAvailable MEMBER usbAvailable NOTIFY changed)
    Q_PROPERTY(bool usbServiceInstalled MEMBER usbServiceInstalled NOTIFY changed)
    Q_PROPERTY(bool usbRefused MEMBER usbRefused NOTIFY changed)
    Q_PROPERTY(bool firewallBlocked MEMBER firewallBlocked NOTIFY changed)

public:
    static QVariantMap phone(int id, const QString& name, const QString& model = QString(),
                             const QString& os = QString(), bool usb = false)
    {
        return {{"id", id},       {"deviceId", QStringLiteral("dev-%1").arg(id)},
                {"name", name},   {"phoneName", name},
                {"model", model}, {"os", os},
                {"usb", usb}};
    }

    // Two phones, the first one active and live: the live screen with a full rail.
    void connectTwoPhones()
    {
        phones = {phone(1, "Pixel 8", "Pixel 8"), phone(2, "iPhone", QString(), "iOS 17", true)};
        activeId = 1;
        live = true;
    }

    bool phoneConnected() const { return !phones.isEmpty(); }
    QString phoneName() const
    {
        for (const QVariant& p : phones)
            if (p.toMap().value("id").toInt() == activeId)
                return p.toMap().value("name").toString();
        return QString();
    }
    int themeMode() const { return themeMode_; }
    QString appVersion() const { return QStringLiteral("1.1"); }

    QString status = QStringLiteral("Idle");
    bool cameraReady = true;
    bool appConnected = false;
    bool live = false;
    bool outputEnabled = true;
    qulonglong framesSent = 0;
    QVariantList phones;
    int activeId = -1;
    QVariantList knownPhones;
    int fps = 0;
    int decodeMs = 0;
    QString serverInfo;
    int portTaken = 0;
    QString qrDataUrl;
    QString pairAddress = QStringLiteral("192.168.1.42:8788");
    bool hasLanAddress = true;
    QString pcName = QStringLiteral("DESKTOP-VIDLET");
    bool osDark = true;
    int port = 8788;
    bool cameraRegistered = false;
    bool pipewireCamera = false;
    bool pipewireReaderSeen = false;
    bool cameraSegmentCutShort = false;
    bool recording = false;
    QString lastRecordingPath;
    int recordingFailure = 0;
    int recordingDropped = 0;
    int recordingsBeingCompleted = 0;
    bool previewShown = true;
    QString recordingFolder = QStringLiteral("/home/user/Videos/Vidlet");
    int recordingQuality = 0;
    bool originalRecordingAvailable = true;
    bool recordingWaitsForKeyframe = false;
    bool minimizeToTray = true;
    bool lowLatency = false;
    bool mirrored = false;
    int cameraSize = 0;
    int quarterTurns = 0;
    bool filled = false;
    bool trayAvailable = true;
    bool usbAvailable = true;
    bool usbServiceInstalled = true;
    bool usbRefused = false;
    bool firewallBlocked = false;
    bool screenshotMode = false;

    QStringList calls;

public Q_SLOTS:
    void start() { calls << QStringLiteral("start"); }
    void stop() { calls << QStringLiteral("stop"); }
    void setActive(int id)
    {
        calls << QStringLiteral("setActive %1").arg(id);
        activeId = id;
        Q_EMIT changed();
    }
    void toggleOutput()
    {
        calls << QStringLiteral("toggleOutput");
        outputEnabled = !outputEnabled;
        Q_EMIT changed();
    }
    void setThemeMode(int mode)
    {
        calls << QStringLiteral("setThemeMode %1").arg(mode);
        if (mode < 0 || mode > 2 || mode == themeMode_)
            return;
        themeMode_ = mode;
        Q_EMIT themeModeChanged();
    }
    void regeneratePairing() { calls << QStringLiteral("regeneratePairing"); }
    void registerCamera() { calls << QStringLiteral("registerCamera"); }
    void unregisterCamera() { calls << QStringLiteral("unregisterCamera"); }
    void allowThroughFirewall() { calls << QStringLiteral("allowThroughFirewall"); }
    void forgetPhone(const QString& deviceId)
    {
        calls << QStringLiteral("forgetPhone %1").arg(deviceId);
    }
    void renamePhone(int id, const QString& newName)
    {
        calls << QStringLiteral("renamePhone %1 %2").arg(id).arg(newName);
    }
    void toggleRecording() { calls << QStringLiteral("toggleRecording"); }
    void openRecordingsFolder() { calls << QStringLiteral("openRecordingsFolder"); }
    void showLastRecording() { calls << QStringLiteral("showLastRecording"); }

Q_SIGNALS:
    void changed();
    void frameReady(QImage image);
    void osDarkChanged();
    void themeModeChanged();
    void pairingRefused(QString name);
    void recordingRefused();

private:
    int themeMode_ = 0;
};

// Stands in for UpdateChecker as "updater", so a test can announce a newer version.
class UpdaterDouble : public QObject {
    Q_OBJECT
    Q_PROPERTY(bool available MEMBER available NOTIFY availableChanged)
    Q_PROPERTY(QString latestVersion MEMBER latestVersion NOTIFY availableChanged)

public:
    bool available = false;
    QString latestVersion;
    int downloads = 0;

public Q_SLOTS:
    void check() {}
    void openDownload() { ++downloads; }

Q_SIGNALS:
    void availableChanged();
};
