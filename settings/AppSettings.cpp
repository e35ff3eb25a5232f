#include "settings/AppSettings.h"
#include "settings/PrivateFiles.h"
#include "settings/DeviceKey.h"

#include <QStandardPaths>

namespace {
const QString themeKey = QStringLiteral("theme/mode");
const QString trayKey = QStringLiteral("options/minimizeToTray");
const QString lowLatencyKey = QStringLiteral("options/lowLatency");
const QString mirroredKey = QStringLiteral("camera/mirrored");
const QString cameraSizeKey = QStringLiteral("camera/size");
const QString rotationKey = QStringLiteral("camera/rotation");
const QString fillKey = QStringLiteral("camera/fill");
const QString folderKey = QStringLiteral("recording/folder");
const QString qualityKey = QStringLiteral("recording/quality");
const QString languageKey = QStringLiteral("language");
const QString pipewireReaderKey = QStringLiteral("camera/pipewireReaderSeen");
const QString trustedGroup = QStringLiteral("trusted");
const QString namesGroup = QStringLiteral("names");
const QString knownGroup = QStringLiteral("known");
const QString orderKey = QStringLiteral("phoneOrder");

QString phoneKey(const QString& group, const QString& deviceId)
{
    return group + QLatin1Char('/') + DeviceKey::fromDeviceId(deviceId);
}
} // namespace

AppSettings::AppSettings()
    : store(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("Vidlet"),
            QStringLiteral("Vidlet"))
{
    // The store holds every trusted phone's token.
    PrivateFiles::restrictFile(store.fileName());
}

int AppSettings::themeMode() const
{
    return store.value(themeKey, 0).toInt();
}

void AppSettings::setThemeMode(int mode)
{
    store.setValue(themeKey, mode);
}

bool AppSettings::minimizeToTray() const
{
    return store.value(trayKey, true).toBool();
}

void AppSettings::setMinimizeToTray(bool on)
{
    store.setValue(trayKey, on);
}

bool AppSettings::pipewireReaderSeen() const
{
    return store.value(pipewireReaderKey, false).toBool();
}

void AppSettings::setPipewireReaderSeen()
{
    store.setValue(pipewireReaderKey, true);
}

bool AppSettings::lowLatency() const
{
    return store.value(lowLatencyKey, false).toBool();
}

void AppSettings::setLowLatency(bool on)
{
    store.setValue(lowLatencyKey, on);
}

bool AppSettings::mirrored() const
{
    return store.value(mirroredKey, false).toBool();
}

void AppSettings::setMirrored(bool on)
{
    store.setValue(mirroredKey, on);
}

int AppSettings::cameraSize() const
{
    return choice(cameraSizeKey, 3);
}

void AppSettings::setCameraSize(int choice)
{
    store.setValue(cameraSizeKey, choice);
}

int AppSettings::quarterTurns() const
{
    const int degrees = store.value(rotationKey, 0).toInt();
    return degrees % 90 == 0 && degrees >= 0 && degrees < 360 ? degrees / 90 : 0;
}

void AppSettings::setQuarterTurns(int turns)
{
    store.setValue(rotationKey, turns * 90);
}

bool AppSettings::filled() const
{
    return store.value(fillKey, false).toBool();
}

void AppSettings::setFilled(bool on)
{
    store.setValue(fillKey, on);
}

// The window reads this at every change of the session: the default, which reads the user's
// folder configuration from disk, is worked out only when no folder was chosen.
QString AppSettings::recordingFolder() const
{
    const QVariant chosen = store.value(folderKey);
    if (chosen.isValid())
        return chosen.toString();
    return QStandardPaths::writableLocation(QStandardPaths::MoviesLocation)
        + QStringLiteral("/Vidlet");
}

void AppSettings::setRecordingFolder(const QString& folder)
{
    store.setValue(folderKey, folder);
}

int AppSettings::recordingQuality() const
{
    return choice(qualityKey, 3);
}

// One of `count` choices, the first for anything else a hand-edited file may hold.
int AppSettings::choice(const QString& key, int count) const
{
    const int chosen = store.value(key, 0).toInt();
    return chosen >= 0 && chosen < count ? chosen : 0;
}

void AppSettings::setRecordingQuality(int quality)
{
    store.setValue(qualityKey, quality);
}

QString AppSettings::language() const
{
    return store.value(languageKey, QStringLiteral("auto")).toString();
}

void AppSettings::setLanguage(const QString& code)
{
    store.setValue(languageKey, code);
}

QHash<QString, QString> AppSettings::trustedPhones() const
{
    QHash<QString, QString> trusted;
    store.beginGroup(trustedGroup);
    for (const QString& key : store.childKeys())
        trusted.insert(DeviceKey::toDeviceId(key), store.value(key).toString());
    store.endGroup();
    return trusted;
}

void AppSettings::trustPhone(const QString& deviceId, const QString& token)
{
    store.setValue(phoneKey(trustedGroup, deviceId), token);
}

QString AppSettings::phoneName(const QString& deviceId, const QString& otherwise) const
{
    const QString name = store.value(phoneKey(namesGroup, deviceId)).toString();
    return name.isEmpty() ? otherwise : name;
}

void AppSettings::setPhoneName(const QString& deviceId, const QString& name)
{
    if (name.isEmpty())
        store.remove(phoneKey(namesGroup, deviceId));
    else
        store.setValue(phoneKey(namesGroup, deviceId), name);
}

QStringList AppSettings::phoneOrder() const
{
    return store.value(orderKey).toStringList();
}

void AppSettings::setPhoneOrder(const QStringList& order)
{
    store.setValue(orderKey, order);
}

QStringList AppSettings::phoneSeen(const QString& deviceId) const
{
    return store.value(phoneKey(knownGroup, deviceId)).toStringList();
}

void AppSettings::setPhoneSeen(const QString& deviceId, const QStringList& seen)
{
    store.setValue(phoneKey(knownGroup, deviceId), seen);
}

void AppSettings::forgetPhone(const QString& deviceId)
{
    for (const QString& group : {trustedGroup, knownGroup, namesGroup})
        store.remove(phoneKey(group, deviceId));
    QStringList order = phoneOrder();
    if (order.removeAll(deviceId) > 0)
        setPhoneOrder(order);
}

void AppSettings::forgetPairedPhones()
{
    store.remove(trustedGroup);
    store.remove(knownGroup);
    store.remove(orderKey);
}
