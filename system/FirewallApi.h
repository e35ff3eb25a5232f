#pragma once

#include <windows.h>
#include <netfw.h>

#include <functional>
#include <string>

// What FirewallRules reaches the firewall through: the system's COM classes and BSTR functions.
// Tests pass their own objects and allocator to check the rule logic and who frees which string,
// since Wine's firewall stores nothing.
struct FirewallApi {
    std::function<HRESULT(INetFwPolicy2**)> createPolicy;
    std::function<HRESULT(INetFwRule**)> createRule;
    std::function<BSTR(const OLECHAR*)> allocString;
    std::function<void(BSTR)> freeString;

    static FirewallApi system();
};

namespace FirewallRules {

bool isInboundBlocked(const FirewallApi& api, const std::wstring& programPath);
bool addAllowRule(const FirewallApi& api, const std::wstring& programPath,
                  const std::wstring& ruleName);
bool removeRulesFor(const FirewallApi& api, const std::wstring& programPath);

} // namespace FirewallRules
