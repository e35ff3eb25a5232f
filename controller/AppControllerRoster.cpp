#include "controller/AppController.h"
#include "controller/DeviceKey.h"

// The roster: every accepted connection in the order it was accepted, and the one active phone
// that feeds the camera.

int AppController::rosterIndex(int id) const
{
    for (int i = 0; i < phones_.size(); ++i) {
        if (phones_.at(i).toMap().value(QStringLiteral("id")).toInt() == id)
            return i;
    }
    return -1;
}

void AppController::onPhoneConnected(int id, const QString& deviceId, const QString& name,
                                     const QString& model, const QString& os, bool usb)
{
    QVariantMap entry;
    entry.insert(QStringLiteral("id"), id);
    entry.insert(QStringLiteral("deviceId"), deviceId);
    entry.insert(QStringLiteral("name"), names.value(deviceId, name));
    entry.insert(QStringLiteral("phoneName"), name);
    entry.insert(QStringLiteral("model"), model);
    entry.insert(QStringLiteral("os"), os);
    entry.insert(QStringLiteral("usb"), usb);
    rememberPhone(deviceId, name, model, os);
    // A connection that says HELLO again is the same phone: its entry is refreshed in place,
    // so that its one disconnect empties its place.
    const int known = rosterIndex(id);
    if (known >= 0)
        phones_[known] = entry;
    else
        phones_.append(entry);

    // The session goes live later, when this phone announces its stream.
    if (activeId_ < 0) {
        activeId_ = id;
        server.setPhoneActive(id, true);
    }
    emit changed();
}

void AppController::onPhoneDisconnected(int id)
{
    const int i = rosterIndex(id);
    if (i >= 0)
        phones_.removeAt(i);
    streamSizes.remove(id);
    if (id != activeId_) {
        emit changed();
        return;
    }
    activeId_ = -1;
    if (phones_.isEmpty()) {
        goIdle();
        emit changed();
        return;
    }
    // The longest-connected remaining phone takes over.
    activeId_ = phones_.first().toMap().value(QStringLiteral("id")).toInt();
    server.setPhoneActive(activeId_, true);
    const auto size = streamSizes.constFind(activeId_);
    if (size != streamSizes.constEnd() && size->first >= 0 && size->second >= 0)
        goLive(size->first, size->second);
    emit changed();
}

void AppController::setActive(int id)
{
    if (rosterIndex(id) < 0 || id == activeId_)
        return;
    if (activeId_ >= 0)
        server.setPhoneActive(activeId_, false);
    activeId_ = id;
    server.setPhoneActive(id, true);
    const auto size = streamSizes.constFind(id);
    if (size != streamSizes.constEnd() && size->first >= 0 && size->second >= 0)
        goLive(size->first, size->second);
    emit changed();
}

void AppController::renamePhone(int id, const QString& newName)
{
    const int i = rosterIndex(id);
    if (i < 0)
        return;
    const QString name = newName.trimmed();
    QVariantMap entry = phones_.at(i).toMap();
    const QString deviceId = entry.value(QStringLiteral("deviceId")).toString();
    const QString ownName = entry.value(QStringLiteral("phoneName")).toString();
    const QString key = QStringLiteral("names/") + DeviceKey::fromDeviceId(deviceId);

    if (!name.isEmpty() && name != ownName) {
        entry.insert(QStringLiteral("name"), name);
        if (!deviceId.isEmpty()) {
            names.insert(deviceId, name);
            settings.setValue(key, name);
        }
    } else {
        entry.insert(QStringLiteral("name"), ownName);
        if (!deviceId.isEmpty()) {
            names.remove(deviceId);
            settings.remove(key);
        }
    }
    phones_[i] = entry;
    emit changed();
}
