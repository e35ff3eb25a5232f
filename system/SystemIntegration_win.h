#pragma once

#include "system/SystemIntegration.h"

#include <QObject>

#include <string>

// The camera is registered when its class key exists for 64-bit programs; the firewall verdict
// comes from FirewallRules. Each action runs vidlet-regtool.exe, the helper the installer runs,
// through the shell's "runas" verb, which shows the consent prompt. The shell holds its caller
// until the prompt is answered, so the helper is started from a short-lived thread of its own,
// and its end is awaited on its process handle by the GUI thread's event loop: the window, the
// phones and the camera go on meanwhile. One action runs at a time.
class WindowsSystemIntegration : public SystemIntegration {
public:
    // `programPath` is the running program's full path (empty when it cannot be read: the
    // actions then do nothing); the helper is looked for in its folder.
    explicit WindowsSystemIntegration(std::wstring programPath);

    bool isCameraRegistered() const override;
    bool isInboundBlocked() const override;
    void registerCamera(std::function<void()> done) override;
    void unregisterCamera(std::function<void()> done) override;
    void allowThroughFirewall(std::function<void()> done) override;

private:
    void runHelper(const std::wstring& command, std::function<void()> done);

    const std::wstring programPath;
    bool running = false;
    // Context of the notifiers that report back: a helper still running when we go finishes on
    // its own, and nobody hears of it.
    QObject lifetime;
};
