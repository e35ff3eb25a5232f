#pragma once

#include "system/SystemIntegration.h"

#include <string>

// The camera is registered when its class key exists for 64-bit programs; the firewall verdict
// comes from FirewallRules. The actions start regsvr32 or vidlet-regtool.exe through the shell's
// "runas" verb, which shows the consent prompt, wait a bounded time for them and then call
// `done`: the shell holds the calling thread through the consent prompt anyway.
class WindowsSystemIntegration : public SystemIntegration {
public:
    // `programPath` is the running program's full path (empty when it cannot be read: the
    // actions then do nothing); softcam.dll and the helper are looked for in its folder.
    explicit WindowsSystemIntegration(std::wstring programPath, unsigned long maxWaitMs = 30000);

    bool isCameraRegistered() const override;
    bool isInboundBlocked() const override;
    void registerCamera(std::function<void()> done) override;
    void unregisterCamera(std::function<void()> done) override;
    void allowThroughFirewall(std::function<void()> done) override;

private:
    void runRegsvr32(bool unregister) const;
    void launchElevated(const std::wstring& file, const std::wstring& parameters) const;
    std::wstring programFolder() const;

    const std::wstring programPath;
    const unsigned long maxWaitMs;
};
