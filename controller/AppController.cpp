#include "controller/AppController.h"
#include "controller/PhoneText.h"
#include "settings/AppSettings.h"
#include "camera/SoftcamSink.h"

#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QMetaMethod>
#include <QStandardPaths>
#include <QUrl>

AppController::AppController(AppSettings& settings, const Places& places, QObject* parent)
    : QObject(parent),
      settings(settings),
      places(places),
      pipeline(std::make_unique<SoftcamSink>()),
      usb(places.usbService)
{
    server.setTrustedDevices(settings.trustedPhones());
    applyRecordingQuality();
    pipeline.setLowLatency(settings.lowLatency());
    pipeline.setMirrored(settings.mirrored());
    applyCameraShape();

    // Phones, over the LAN and through the USB service's tunnels.
    connect(&usb, &UsbMuxClient::tunnelReady, &server, &PhoneServer::adoptUsbSocket);
    connect(&usb, &UsbMuxClient::availabilityChanged, this, &AppController::changed);
    connect(&usb, &UsbMuxClient::refusalChanged, this, &AppController::changed);
    connect(&server, &PhoneServer::usbByeReceived, &usb, &UsbMuxClient::noteUsbBye);
    connect(&server, &PhoneServer::devicePaired, this,
            [this](const QString& deviceId, const QString& token) {
                this->settings.trustPhone(deviceId, token);
            });
    connect(&server, &PhoneServer::pairingRefused, this,
            [this](const QString& name) { Q_EMIT pairingRefused(PhoneText::oneLine(name, 40)); });
    connect(&server, &PhoneServer::phoneConnected, this, &AppController::onPhoneConnected);
    connect(&server, &PhoneServer::phoneDisconnected, this, &AppController::onPhoneDisconnected);

    // The active phone's stream into the live pipeline, and its pictures to the window.
    connect(&server, &PhoneServer::streamInfo, this, &AppController::onStreamInfo);
    connect(&server, &PhoneServer::videoConfig, this, &AppController::onVideoConfig);
    connect(&server, &PhoneServer::videoFrame, this, &AppController::onVideoFrame);
    connect(&firewallWatch, &FirewallWatch::answered, this, &AppController::takeFirewallVerdict);
    connect(&unfinished, &UnfinishedRecordings::countChanged, this, &AppController::changed);
    connect(&pipeline, &LivePipeline::frameReady, this, &AppController::frameReady);
    connect(&pipeline, &LivePipeline::cameraResized, this, &AppController::endRecordingOfOtherSize);
    pipeline.fanOut().setPreviewWatched(
        [this] { return isSignalConnected(QMetaMethod::fromSignal(&AppController::frameReady)); });
    // The recorder notices a full disk or a deleted file on its own thread.
    pipeline.recorder().failureCallback = [this](Mp4Recorder::Failure) {
        QMetaObject::invokeMethod(this, &AppController::onRecordingFailed, Qt::QueuedConnection);
    };
    pipeline.recorder().keptFragmentedCallback = [this](const std::filesystem::path& file) {
        const QString path = QString::fromStdU16String(file.u16string());
        QMetaObject::invokeMethod(
            this, [this, path] { onRecordingKeptFragmented(path); }, Qt::QueuedConnection);
    };

    // The session's own clocks. The stats timer is found by name, so that tests can tick it.
    stallTimer.setInterval(intervals.stallCheckMs);
    connect(&stallTimer, &QTimer::timeout, this, &AppController::checkStall);
    stallTimer.start();
    firewallWatch.setParent(this);
    firewallWatch.setObjectName(QStringLiteral("firewallWatch"));
    statsTimer.setParent(this);
    statsTimer.setObjectName(QStringLiteral("statsTimer"));
    connect(&statsTimer, &QTimer::timeout, this, &AppController::updateStats);
    connect(&colorScheme, &DesktopColorScheme::schemeChanged, this, &AppController::osDarkChanged);
    usb.start();
}

QMetaObject::Connection AppController::watchChanges(QObject* context, std::function<void()> changed)
{
    return connect(this, &AppController::changed, context, std::move(changed));
}

QMetaObject::Connection AppController::watchPictures(QObject* context,
                                                     std::function<void(const QImage&)> picture)
{
    return connect(this, &AppController::frameReady, context, std::move(picture));
}

AppController::~AppController()
{
    stop();
}

void AppController::setCameraSink(std::unique_ptr<IVirtualCameraSink> camera)
{
    pipeline.camera().setSink(std::move(camera));
}

bool AppController::osDark() const
{
    // No answer and no preference count as dark.
    return colorScheme.scheme() != DesktopColorScheme::Scheme::Light;
}

void AppController::toggleOutput()
{
    // Only the GUI thread writes the flag; the pump sees either value whole.
    pipeline.camera().setEnabled(!pipeline.camera().enabled());
    Q_EMIT changed();
}

int AppController::themeMode() const
{
    return settings.themeMode();
}

void AppController::setThemeMode(int mode)
{
    if (mode < 0 || mode > 2 || mode == themeMode())
        return;
    settings.setThemeMode(mode);
    Q_EMIT themeModeChanged();
}

bool AppController::minimizeToTray() const
{
    return settings.minimizeToTray();
}

void AppController::setMinimizeToTray(bool on)
{
    if (on == minimizeToTray())
        return;
    settings.setMinimizeToTray(on);
    Q_EMIT changed();
}

bool AppController::usbServiceInstalled() const
{
    return usb.isAvailable() || UsbMuxEndpoint::serviceInstalled();
}

void AppController::setTrayAvailable(bool available)
{
    if (available == trayAvailable_)
        return;
    trayAvailable_ = available;
    Q_EMIT changed();
}

QString AppController::recordingFolder() const
{
    return settings.recordingFolder();
}

void AppController::setRecordingFolder(const QString& folder)
{
    QString path = folder.trimmed();
    if (path.startsWith(QLatin1String("file:")))
        path = QUrl(path, QUrl::TolerantMode).toLocalFile();
    if (path.isEmpty() || path == recordingFolder())
        return;
    settings.setRecordingFolder(path);
    unfinished.look(path);
    Q_EMIT changed();
}

void AppController::openRecordingsFolder()
{
    QDir().mkpath(recordingFolder());
    QDesktopServices::openUrl(QUrl::fromLocalFile(recordingFolder()));
}

void AppController::showLastRecording()
{
    if (!lastRecordingPath_.isEmpty())
        QDesktopServices::openUrl(
            QUrl::fromLocalFile(QFileInfo(lastRecordingPath_).absolutePath()));
}
