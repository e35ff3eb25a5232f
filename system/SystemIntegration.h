#pragma once

#include <functional>
#include <memory>

// The machine-wide actions that need administrator rights, and the state they change: the
// camera that every program can list, and the firewall's verdict on incoming phones.
// Called on the GUI thread only, but for isInboundBlocked(), which the controller asks on a
// thread of its own since it may start a program and wait for it. An action starts its elevated child and calls `done` once,
// on the GUI thread, when the child has ended or could not start; the caller then reads the
// state again, whatever the child did. `done` may run before the action returns.
class SystemIntegration {
public:
    virtual ~SystemIntegration() = default;

    // True while other programs can list the camera; read afresh from the system on each call.
    virtual bool isCameraRegistered() const = 0;
    // True when the firewall blocks phones from reaching this program; false when unknown.
    virtual bool isInboundBlocked() const = 0;

    virtual void registerCamera(std::function<void()> done) = 0;
    virtual void unregisterCamera(std::function<void()> done) = 0;
    virtual void allowThroughFirewall(std::function<void()> done) = 0;
};

// The backend of this platform. It finds the camera component and the helper program in the
// running program's own folder.
std::unique_ptr<SystemIntegration> createSystemIntegration();
