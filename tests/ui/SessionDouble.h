#pragma once

#include "app/ShotSession.h"
#include "app/TraySession.h"
#include "tests/ui/ControllerDouble.h"

// The controller double as the tray and the screenshot mode see the session: what they read
// and ask goes to the double's fields and recorded calls.
class SessionDouble : public TraySession, public ShotSession {
public:
    explicit SessionDouble(ControllerDouble& app)
        : app(app)
    {
    }

    bool live() const override { return app.live; }
    bool appConnected() const override { return app.appConnected; }
    bool outputEnabled() const override { return app.outputEnabled; }
    void toggleOutput() override { app.toggleOutput(); }
    bool trayAvailable() const override { return app.trayAvailable; }
    void setTrayAvailable(bool available) override
    {
        if (available == app.trayAvailable)
            return;
        app.trayAvailable = available;
        Q_EMIT app.changed();
    }
    QVariantList phones() const override { return app.phones; }
    void setActive(int id) override { app.setActive(id); }
    QMetaObject::Connection watchChanges(QObject* context, std::function<void()> changed) override
    {
        return QObject::connect(&app, &ControllerDouble::changed, context, std::move(changed));
    }
    QMetaObject::Connection watchPictures(QObject* context,
                                          std::function<void(const QImage&)> picture) override
    {
        return QObject::connect(&app, &ControllerDouble::frameReady, context, std::move(picture));
    }

private:
    ControllerDouble& app;
};
