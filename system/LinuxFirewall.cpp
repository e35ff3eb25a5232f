#include "system/LinuxFirewall.h"

#include "system/RunProgram.h"

#include <fstream>
#include <sstream>
#include <vector>

namespace {

// A query of a firewall that hangs must not hold the caller (the window) for long.
constexpr int kQueryTimeoutMs = 5000;

// The value of `key` in a shell-style KEY=value file, quotes removed; empty when absent.
std::string shellValue(const std::string& file, const std::string& key)
{
    std::ifstream in(file);
    std::string line;
    std::string value;
    while (std::getline(in, line)) {
        if (line.rfind(key + "=", 0) != 0)
            continue;
        value = line.substr(key.size() + 1);
        if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'')
            && value.back() == value.front())
            value = value.substr(1, value.size() - 2);
    }
    return value;
}

// Whether a ufw port field ("any", "8788", "8000:9000", "80,443,8000:9000") takes the port.
bool portFieldMatches(const std::string& field)
{
    if (field == "any")
        return true;
    std::stringstream parts(field);
    std::string part;
    while (std::getline(parts, part, ',')) {
        const std::size_t colon = part.find(':');
        try {
            const int low = std::stoi(part.substr(0, colon));
            const int high = colon == std::string::npos ? low : std::stoi(part.substr(colon + 1));
            if (low <= Product::phonePort && Product::phonePort <= high)
                return true;
        } catch (const std::exception&) {
            // An application name or a field we do not know: not our port.
        }
    }
    return false;
}

} // namespace

LinuxFirewall::LinuxFirewall(std::string root)
    : root(std::move(root))
{
}

std::string LinuxFirewall::portSpec()
{
    return std::to_string(Product::phonePort) + "/tcp";
}

LinuxFirewall::Verdict LinuxFirewall::firewalld(bool permanent) const
{
    std::vector<std::string> query{"firewall-cmd"};
    if (permanent)
        query.push_back("--permanent");
    query.push_back("--query-port=" + portSpec());
    // 0 and 1 answer the query; anything else (252: not running; no program) tells nothing.
    switch (runProgram(query, kQueryTimeoutMs)) {
    case 0:
        return Verdict::Open;
    case 1:
        return Verdict::Closed;
    default:
        return Verdict::Unknown;
    }
}

bool LinuxFirewall::ufwEnabled() const
{
    return shellValue(root + "/etc/ufw/ufw.conf", "ENABLED") == "yes";
}

// user.rules keeps each rule the user made as a comment line ahead of its iptables lines:
//
//   ### tuple ### <action> <proto> <dport> <dst> <sport> <src> [<dapp> <sapp>] <dir> [comment=..]
//   ### tuple ### allow tcp 8788 0.0.0.0/0 any 0.0.0.0/0 in comment=566964...
//
// action is allow, deny, reject or limit (with "_log..." when logged); dir is "in", "out" or
// "in_<interface>"; forwarding rules start "route:". Input rules apply in order, first match
// wins, and the default input policy takes what none matches.
LinuxFirewall::Verdict LinuxFirewall::ufwRule() const
{
    std::ifstream rules(root + "/etc/ufw/user.rules");
    const std::string marker = "### tuple ### ";
    std::string line;
    while (std::getline(rules, line)) {
        if (line.rfind(marker, 0) != 0)
            continue;
        std::vector<std::string> fields;
        std::stringstream words(line.substr(marker.size()));
        for (std::string word; words >> word;) {
            if (word.rfind("comment=", 0) != 0)
                fields.push_back(word);
        }
        if (fields.size() < 7)
            continue;
        const std::string action = fields[0].substr(0, fields[0].find('_'));
        const std::string& direction = fields.back();
        if ((fields[1] != "tcp" && fields[1] != "any") || !portFieldMatches(fields[2])
            || (direction != "in" && direction.rfind("in_", 0) != 0))
            continue;
        if (action == "allow" || action == "limit")
            return Verdict::Open;
        if (action == "deny" || action == "reject")
            return Verdict::Closed;
    }
    return Verdict::Unknown;
}

LinuxFirewall::Verdict LinuxFirewall::ufw() const
{
    if (!ufwEnabled() || !std::ifstream(root + "/etc/ufw/user.rules"))
        return Verdict::Unknown;
    const Verdict rule = ufwRule();
    if (rule != Verdict::Unknown)
        return rule;
    // DROP is ufw's own default when the file does not say.
    const std::string policy = shellValue(root + "/etc/default/ufw", "DEFAULT_INPUT_POLICY");
    return policy == "ACCEPT" ? Verdict::Open : Verdict::Closed;
}

bool LinuxFirewall::isPortBlocked() const
{
    return firewalld(false) == Verdict::Closed || ufw() == Verdict::Closed;
}
