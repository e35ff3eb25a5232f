#include "controller/AppController.h"
#include "controller/DeviceKey.h"
#include "controller/PrivateFiles.h"
#include "video/SoftcamSink.h"

#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QMetaMethod>
#include <QStandardPaths>
#include <QUrl>

AppController::AppController(QObject* parent)
    : AppController(Places{}, parent)
{
}

AppController::AppController(const Places& places, QObject* parent)
    : QObject(parent),
      places(places),
      pipeline(std::make_unique<SoftcamSink>()),
      usb(places.usbService),
      settings(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("Vidlet"),
               QStringLiteral("Vidlet"))
{
    loadSettings();

    connect(&server, &PhoneServer::devicePaired, this, &AppController::storePairedDevice);
    connect(&server, &PhoneServer::pairingRefused, this,
            [this](const QString& name) { emit pairingRefused(name.simplified().left(40)); });
    connect(&colorScheme, &DesktopColorScheme::schemeChanged, this, &AppController::osDarkChanged);
    fpsClock.start();
    stallClock.start();
    stallTimer.setInterval(intervals.stallCheckMs);
    connect(&stallTimer, &QTimer::timeout, this, &AppController::checkStall);
    stallTimer.start();
    connect(&usb, &UsbMuxClient::tunnelReady, &server, &PhoneServer::adoptUsbSocket);
    connect(&usb, &UsbMuxClient::availabilityChanged, this, &AppController::changed);
    connect(&server, &PhoneServer::usbByeReceived, &usb, &UsbMuxClient::noteUsbBye);
    usb.start();
    // Found by name, so that tests can tick it without waiting.
    statsTimer.setParent(this);
    statsTimer.setObjectName(QStringLiteral("statsTimer"));
    connect(&statsTimer, &QTimer::timeout, this, &AppController::updateStats);
    connect(&server, &PhoneServer::phoneConnected, this, &AppController::onPhoneConnected);
    connect(&server, &PhoneServer::phoneDisconnected, this, &AppController::onPhoneDisconnected);
    connect(&server, &PhoneServer::streamInfo, this, &AppController::onStreamInfo);
    connect(&server, &PhoneServer::videoConfig, this, &AppController::onVideoConfig);
    connect(&server, &PhoneServer::videoFrame, this, &AppController::onVideoFrame);

    // The recorder notices a full disk or a deleted file on its own thread.
    pipeline.recorder().failureCallback = [this](Mp4Recorder::Failure) {
        QMetaObject::invokeMethod(this, &AppController::onRecordingFailed, Qt::QueuedConnection);
    };
    connect(&pipeline, &LivePipeline::frameReady, this, &AppController::frameReady);
    pipeline.fanOut().setPreviewWatched(
        [this] { return isSignalConnected(QMetaMethod::fromSignal(&AppController::frameReady)); });
    pipeline.setLowLatency(lowLatency_);
}

void AppController::loadSettings()
{
    // The settings hold every trusted phone's token.
    PrivateFiles::restrictFile(settings.fileName());
    themeMode_ = settings.value(QStringLiteral("theme/mode"), 0).toInt();
    recordingFolder_ = settings
                           .value(QStringLiteral("recording/folder"),
                                  QStandardPaths::writableLocation(QStandardPaths::MoviesLocation)
                                      + QStringLiteral("/Vidlet"))
                           .toString();
    minimizeToTray_ = settings.value(QStringLiteral("options/minimizeToTray"), true).toBool();
    lowLatency_ = settings.value(QStringLiteral("options/lowLatency"), false).toBool();
    applyRecordingQuality(settings.value(QStringLiteral("recording/quality"), 0).toInt());

    QHash<QString, QString> trusted;
    settings.beginGroup(QStringLiteral("trusted"));
    for (const QString& key : settings.childKeys())
        trusted.insert(DeviceKey::toDeviceId(key), settings.value(key).toString());
    settings.endGroup();
    server.setTrustedDevices(trusted);

    settings.beginGroup(QStringLiteral("names"));
    for (const QString& key : settings.childKeys())
        names.insert(DeviceKey::toDeviceId(key), settings.value(key).toString());
    settings.endGroup();
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
    emit changed();
}

void AppController::setThemeMode(int mode)
{
    if (mode < 0 || mode > 2 || mode == themeMode_)
        return;
    themeMode_ = mode;
    settings.setValue(QStringLiteral("theme/mode"), mode);
    emit themeModeChanged();
}

void AppController::setMinimizeToTray(bool on)
{
    if (on == minimizeToTray_)
        return;
    minimizeToTray_ = on;
    settings.setValue(QStringLiteral("options/minimizeToTray"), on);
    emit changed();
}

void AppController::setTrayAvailable(bool available)
{
    if (available == trayAvailable_)
        return;
    trayAvailable_ = available;
    emit changed();
}

void AppController::setRecordingFolder(const QString& folder)
{
    QString path = folder.trimmed();
    if (path.startsWith(QLatin1String("file:")))
        path = QUrl(path, QUrl::TolerantMode).toLocalFile();
    if (path.isEmpty() || path == recordingFolder_)
        return;
    recordingFolder_ = path;
    settings.setValue(QStringLiteral("recording/folder"), path);
    emit changed();
}

void AppController::openRecordingsFolder()
{
    QDir().mkpath(recordingFolder_);
    QDesktopServices::openUrl(QUrl::fromLocalFile(recordingFolder_));
}

void AppController::showLastRecording()
{
    if (!lastRecordingPath_.isEmpty())
        QDesktopServices::openUrl(
            QUrl::fromLocalFile(QFileInfo(lastRecordingPath_).absolutePath()));
}
