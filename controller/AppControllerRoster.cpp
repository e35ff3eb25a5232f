#include "controller/AppController.h"
#include "settings/AppSettings.h"

#include <algorithm>

// The roster: every accepted connection in the order it was accepted, and the one active phone
// that feeds the camera.

ConnectedPhone* AppController::findPhone(int id)
{
    const auto it = std::find_if(roster.begin(), roster.end(),
                                 [id](const ConnectedPhone& phone) { return phone.id == id; });
    return it == roster.end() ? nullptr : &*it;
}

const ConnectedPhone* AppController::findPhone(int id) const
{
    return const_cast<AppController*>(this)->findPhone(id);
}

QVariantList AppController::phones() const
{
    QVariantList list;
    for (const ConnectedPhone& phone : roster)
        list << phone.toVariant();
    return list;
}

QString AppController::phoneName() const
{
    const ConnectedPhone* active = findPhone(activeId_);
    return active ? active->name : QString();
}

void AppController::onPhoneConnected(int id, const QString& deviceId, const QString& name,
                                     const QString& model, const QString& os, bool usb)
{
    rememberPhone(deviceId, name, model, os);
    // A connection that says HELLO again is the same phone: its entry is refreshed in place,
    // keeping the size it announced, so that its one disconnect empties its place.
    ConnectedPhone* phone = findPhone(id);
    if (!phone) {
        roster.push_back({});
        phone = &roster.back();
    }
    const QSize announced = phone->streamSize;
    *phone = {id, deviceId, settings.phoneName(deviceId, name), name, model, os, usb, announced};

    // The session goes live later, when this phone announces its stream.
    if (activeId_ < 0) {
        activeId_ = id;
        server.setPhoneActive(id, true);
    }
    Q_EMIT changed();
}

void AppController::onPhoneDisconnected(int id)
{
    const auto gone = std::remove_if(roster.begin(), roster.end(),
                                     [id](const ConnectedPhone& phone) { return phone.id == id; });
    if (gone == roster.end())
        return; // not on the roster: the session that listed it has stopped
    roster.erase(gone, roster.end());
    if (id != activeId_) {
        Q_EMIT changed();
        return;
    }
    activeId_ = -1;
    if (roster.empty()) {
        goIdle();
        Q_EMIT changed();
        return;
    }
    // The longest-connected remaining phone takes over.
    activate(roster.front().id);
    Q_EMIT changed();
}

void AppController::setActive(int id)
{
    if (!findPhone(id) || id == activeId_)
        return;
    if (activeId_ >= 0)
        server.setPhoneActive(activeId_, false);
    activate(id);
    Q_EMIT changed();
}

// A phone whose stream size is known goes live at once; the others when they announce it.
void AppController::activate(int id)
{
    activeId_ = id;
    server.setPhoneActive(id, true);
    const ConnectedPhone* phone = findPhone(id);
    if (phone && phone->hasStreamSize())
        goLive(phone->streamSize.width(), phone->streamSize.height());
}

void AppController::renamePhone(int id, const QString& newName)
{
    ConnectedPhone* phone = findPhone(id);
    if (!phone)
        return;
    const QString name = newName.trimmed();
    const bool own = name.isEmpty() || name == phone->phoneName;
    phone->name = own ? phone->phoneName : name;
    if (!phone->deviceId.isEmpty())
        settings.setPhoneName(phone->deviceId, own ? QString() : name);
    Q_EMIT changed();
}
