#include "regtool/FirewallSetup_linux.h"

#include "regtool/HelperExit_linux.h"
#include "regtool/HelperLog_linux.h"
#include "system/LinuxFirewall.h"
#include "system/RunProgram.h"

#include <filesystem>
#include <fstream>
#include <vector>

namespace {

// firewall-cmd --permanent and ufw rewrite their configuration and reload rules: seconds.
constexpr int kChangeTimeoutMs = 60000;

using Verdict = LinuxFirewall::Verdict;

// The port is ours to close only where we opened it: an administrator may have opened it for
// something else. A mark in the helper's state folder remembers each firewalld configuration
// the helper opened (ufw's rule carries the comment "Vidlet" instead); the package's purge
// reads the same marks.
std::string markOf(const std::string& root, bool permanent)
{
    return root + "/var/lib/vidlet/firewalld-" + (permanent ? "permanent" : "runtime");
}

// Brings the port to `wanted` (Open or Closed) in every firewall that is on; true when that
// holds afterwards, read back from the firewall itself.
bool setPort(const std::string& root, Verdict wanted, HelperLog& log)
{
    const LinuxFirewall firewall(root);
    const bool open = wanted == Verdict::Open;
    const std::string port = LinuxFirewall::portSpec();
    bool anyOn = false;
    bool ok = true;
    for (const bool permanent : {false, true}) {
        const Verdict now = firewall.firewalld(permanent);
        if (now == Verdict::Unknown)
            continue;
        anyOn = true;
        std::error_code ec;
        const std::string mark = markOf(root, permanent);
        if (now == wanted) {
            if (!open && std::filesystem::exists(mark, ec))
                std::filesystem::remove(mark, ec); // closed since by someone else
            continue;
        }
        if (!open && !std::filesystem::exists(mark, ec)) {
            log.line("firewalld%s: %s was opened by someone else: left open",
                     permanent ? " (permanent)" : "", port.c_str());
            continue;
        }
        std::vector<std::string> change{"firewall-cmd"};
        if (permanent)
            change.push_back("--permanent");
        change.push_back((open ? "--add-port=" : "--remove-port=") + port);
        const int code = runProgram(change, kChangeTimeoutMs);
        const bool done = firewall.firewalld(permanent) == wanted;
        log.line("firewalld%s: %s %s: %s (exit %d)", permanent ? " (permanent)" : "",
                 open ? "open" : "close", port.c_str(), done ? "done" : "failed", code);
        if (done && open)
            std::ofstream(mark) << "opened by vidlet-regtool\n";
        else if (done)
            std::filesystem::remove(mark, ec);
        ok = ok && done;
    }
    if (firewall.ufwEnabled()) {
        anyOn = true;
        // Closing takes away an allowing rule; a default policy that accepts everything stays.
        if (open ? firewall.ufw() != Verdict::Open : firewall.ufwRule() == Verdict::Open) {
            const int code = open
                ? runProgram({"ufw", "allow", port, "comment", "Vidlet"}, kChangeTimeoutMs)
                : runProgram({"ufw", "delete", "allow", port}, kChangeTimeoutMs);
            // Read back from ufw's rules: an earlier deny rule still wins over a new allow rule.
            const bool done = code == 0
                && (open ? firewall.ufw() == Verdict::Open : firewall.ufwRule() != Verdict::Open);
            log.line("ufw: %s %s: %s (exit %d)", open ? "open" : "close", port.c_str(),
                     done ? "done" : "failed", code);
            ok = ok && done;
        }
    }
    if (!anyOn)
        log.line("no firewall is on: nothing to change");
    return ok;
}

int finish(bool ok, HelperLog& log)
{
    log.line(ok ? "firewall rules updated" : "firewall update failed");
    return ok ? kExitOk : kExitFirewall;
}

} // namespace

int openPhonePort(const std::string& root, HelperLog& log)
{
    log.line("--- firewall: %s", LinuxFirewall::portSpec().c_str());
    return finish(setPort(root, Verdict::Open, log), log);
}

int closePhonePort(const std::string& root, HelperLog& log)
{
    log.line("--- unfirewall: %s", LinuxFirewall::portSpec().c_str());
    return finish(setPort(root, Verdict::Closed, log), log);
}
