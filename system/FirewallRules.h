#pragma once

#include <string>

// The Windows Firewall rules that concern one program, matched by the program's full path
// (ignoring case). The main program only asks whether phones are blocked; the elevated helper
// repairs that by replacing the program's rules. Each call makes its own COM objects on the
// calling thread; none throws.
namespace FirewallRules {

// True when an enabled inbound block rule for the program applies to an active profile; false
// when none does or the firewall cannot be read.
bool isInboundBlocked(const std::wstring& programPath);

// Replaces every rule for the program by one inbound TCP allow rule named `ruleName`; true when
// the new rule was added. Needs administrator rights.
bool addAllowRule(const std::wstring& programPath, const std::wstring& ruleName);

// Removes every rule for the program; true when none remains. Needs administrator rights.
bool removeRulesFor(const std::wstring& programPath);

} // namespace FirewallRules
