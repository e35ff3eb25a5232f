#pragma once

#include <QMetaObject>

#include <functional>

class QObject;

// What the tray icon reads of the session and asks of it. The controller is one; a test hands
// in one of its own.
class TraySession {
public:
    virtual bool live() const = 0;
    // A program reads the camera.
    virtual bool appConnected() const = 0;
    virtual bool outputEnabled() const = 0;
    virtual void toggleOutput() = 0;
    virtual bool trayAvailable() const = 0;
    virtual void setTrayAvailable(bool available) = 0;
    // Calls `changed` in `context`'s thread after any of the above changed.
    virtual QMetaObject::Connection watchChanges(QObject* context,
                                                 std::function<void()> changed) = 0;

protected:
    ~TraySession() = default;
};
