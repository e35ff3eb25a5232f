#include "controller/AppController.h"
#include "settings/AppSettings.h"

// The machine-wide camera and the firewall's verdict. Each action hands the work to an
// elevated child and reads the state again once the child has ended, whatever it reported.

namespace {
// Stats ticks (500 ms each, unless a test shortens them) between two background firewall
// checks: about 10 s.
constexpr int kIdleTicksPerFirewallCheck = 20;
} // namespace

void AppController::setSystemIntegration(std::unique_ptr<SystemIntegration> backend)
{
    systemIntegration = std::move(backend);
}

bool AppController::cameraRegistered() const
{
    return systemIntegration->isCameraRegistered();
}

bool AppController::pipewireCamera() const
{
    return pipeline.camera().isOnPipewire();
}

bool AppController::pipewireReaderSeen() const
{
    return settings.pipewireReaderSeen();
}

void AppController::registerCamera()
{
    systemIntegration->registerCamera([this] { Q_EMIT changed(); });
}

void AppController::unregisterCamera()
{
    systemIntegration->unregisterCamera([this] { Q_EMIT changed(); });
}

void AppController::allowThroughFirewall()
{
    systemIntegration->allowThroughFirewall([this] {
        refreshFirewallBlocked();
        Q_EMIT changed();
    });
}

// The verdict comes later, from the firewall watch's thread: the question may take most of a
// second, which the window, the phones and the camera must not wait for.
void AppController::refreshFirewallBlocked()
{
    firewallWatch.ask([system = systemIntegration] { return system->isInboundBlocked(); });
}

void AppController::takeFirewallVerdict(bool blocked)
{
    if (blocked == firewallBlocked_)
        return;
    firewallBlocked_ = blocked;
    Q_EMIT changed();
}

// While the program waits for a phone, a block made or lifted outside it, and a network
// joined or left, show within about 10 s; with a phone connected the count stands still.
void AppController::countIdleTick()
{
    if (++idleTicks < kIdleTicksPerFirewallCheck)
        return;
    idleTicks = 0;
    refreshFirewallBlocked();
    followAddresses();
}
