#include "system/FirewallApi.h"
#include "system/FirewallRules.h"
#include "tests/win/WinTest.h"
#include "tests/win/system/TestFirewall.h"

namespace {

const std::wstring program = L"C:\\Program Files\\Vidlet\\Vidlet.exe";

size_t rulesFor(const TestFirewall& firewall, const std::wstring& path)
{
    size_t count = 0;
    for (TestRule* rule : firewall.rules())
        count += rule->application && _wcsicmp(rule->application->c_str(), path.c_str()) == 0;
    return count;
}

} // namespace

WIN_TEST(onlyAnEnabledInboundBlockForAnActiveProfileCounts)
{
    TestFirewall firewall;
    firewall.listNonRule = true;
    firewall.addRule(L"disabled", program).enabled = VARIANT_FALSE;
    firewall.addRule(L"outbound", program).direction = NET_FW_RULE_DIR_OUT;
    firewall.addRule(L"public only", program).profiles = NET_FW_PROFILE2_PUBLIC;
    firewall.addRule(L"allow", program).action = NET_FW_ACTION_ALLOW;
    firewall.addRule(L"other program", L"C:\\Other\\Vidlet.exe");
    TestRule& nameless = firewall.addRule(L"no path", L"");
    nameless.application.reset();
    CHECK(!FirewallRules::isInboundBlocked(firewall.api(), program));

    // Windows compares paths without regard to case.
    firewall.addRule(L"user said no", L"c:\\program files\\VIDLET\\vidlet.EXE").profiles =
        NET_FW_PROFILE2_PRIVATE | NET_FW_PROFILE2_PUBLIC;
    CHECK(FirewallRules::isInboundBlocked(firewall.api(), program));
    firewall.activeProfiles = NET_FW_PROFILE2_DOMAIN;
    CHECK(!FirewallRules::isInboundBlocked(firewall.api(), program));
    CHECK(firewall.balanced());
}

WIN_TEST(aFirewallThatCannotBeReadIsNotBlocking)
{
    TestFirewall firewall;
    firewall.addRule(L"block", program);
    CHECK(FirewallRules::isInboundBlocked(firewall.api(), program));
    CHECK(!FirewallRules::isInboundBlocked(firewall.api(), L""));
    firewall.failProfiles = true;
    CHECK(!FirewallRules::isInboundBlocked(firewall.api(), program));
    firewall.failProfiles = false;
    firewall.failEnumeration = true;
    CHECK(!FirewallRules::isInboundBlocked(firewall.api(), program));
    firewall.failPolicy = true;
    CHECK(!FirewallRules::isInboundBlocked(firewall.api(), program));
    CHECK(firewall.balanced());
}

WIN_TEST(allowRuleReplacesEveryRuleOfTheProgram)
{
    TestFirewall firewall;
    firewall.addRule(L"Vidlet.exe", program);
    firewall.addRule(L"Vidlet.exe", L"C:\\PROGRAM FILES\\VIDLET\\VIDLET.EXE").action =
        NET_FW_ACTION_ALLOW; // same name: needs a second round
    firewall.addRule(L"Keep", L"C:\\Other\\Other.exe");

    CHECK(FirewallRules::addAllowRule(firewall.api(), program, L"Vidlet"));
    CHECK(FirewallRules::addAllowRule(firewall.api(), program, L"Vidlet"));

    CHECK_EQ(rulesFor(firewall, program), size_t(1));
    CHECK_EQ(firewall.rules().size(), size_t(2));
    const TestRule& rule = *firewall.rules().back();
    CHECK_EQ(rule.name, std::wstring(L"Vidlet"));
    CHECK_EQ(*rule.application, program);
    CHECK_EQ(*rule.description, std::wstring(L"Lets your phone reach Vidlet on this PC."));
    CHECK_EQ(rule.protocol, LONG(6));
    CHECK_EQ(int(rule.direction), 1);
    CHECK_EQ(int(rule.action), 1);
    CHECK_EQ(rule.profiles, LONG(0x7FFFFFFF));
    CHECK_EQ(rule.enabled, VARIANT_BOOL(-1));
    CHECK(!FirewallRules::isInboundBlocked(firewall.api(), program));
    CHECK(firewall.balanced());
    CHECK(firewall.ledger.allocations > 0);
    CHECK_EQ(firewall.ledger.allocations, firewall.ledger.frees);
}

WIN_TEST(removalStopsAfterSixteenRounds)
{
    TestFirewall firewall;
    CHECK(FirewallRules::removeRulesFor(firewall.api(), program));
    CHECK_EQ(firewall.enumerations, 1);

    firewall.addRule(L"stuck", program);
    firewall.failRemove = true;
    firewall.enumerations = 0;
    CHECK(!FirewallRules::removeRulesFor(firewall.api(), program));
    CHECK_EQ(firewall.enumerations, 16);
    CHECK_EQ(firewall.removals, 16);

    // A rule that matches but whose name cannot be read cannot be removed: that is no success.
    firewall.failRemove = false;
    firewall.rules().front()->nameReadable = false;
    firewall.enumerations = 0;
    CHECK(!FirewallRules::removeRulesFor(firewall.api(), program));
    CHECK_EQ(firewall.enumerations, 16);
    CHECK(firewall.balanced());
}

WIN_TEST(aRuleIsOnlyAddedWhenItsStringsExist)
{
    TestFirewall firewall;
    firewall.addRule(L"block", program);
    CHECK(!FirewallRules::addAllowRule(firewall.api(), program, L""));
    CHECK(!FirewallRules::addAllowRule(firewall.api(), L"", L"Vidlet"));
    CHECK_EQ(firewall.enumerations, 0);

    firewall.ledger.refuse = L"Vidlet";
    CHECK(!FirewallRules::addAllowRule(firewall.api(), program, L"Vidlet"));
    CHECK(firewall.rules().empty()); // the old rule went first, nothing came back

    firewall.ledger.refuse = L"Lets your phone reach Vidlet on this PC.";
    CHECK(FirewallRules::addAllowRule(firewall.api(), program, L"Vidlet"));
    CHECK(!firewall.rules().front()->description);

    firewall.ledger.refuse.clear();
    firewall.failCreateRule = true;
    CHECK(!FirewallRules::addAllowRule(firewall.api(), program, L"Vidlet"));
    CHECK(firewall.balanced());
}

WIN_TEST(wineFirewallAnswersWithoutBlocking)
{
    // Wine's firewall objects exist but store nothing and cannot list rules.
    CHECK(!FirewallRules::isInboundBlocked(program));
}
