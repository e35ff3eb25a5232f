// The firewall's class ids are in no MinGW import library: <initguid.h> before the first
// <netfw.h> defines them here.
#include <windows.h>
#include <initguid.h>
#include <netfw.h>

#include "system/FirewallApi.h"
#include "system/FirewallRules.h"

#include <vector>

namespace {

// Removal goes by name while matching goes by path, so a round may leave rules behind (two
// rules of one name); it is repeated, but not forever when Remove keeps failing.
constexpr int maxRemovalPasses = 16;
constexpr wchar_t ruleDescription[] = L"Lets your phone reach Vidlet on this PC.";

// One reference to a COM object, released when the scope ends.
template <typename T> class ComRef {
public:
    ComRef() = default;
    ComRef(const ComRef&) = delete;
    ComRef& operator=(const ComRef&) = delete;
    ~ComRef()
    {
        if (object)
            object->Release();
    }
    T* get() const { return object; }
    T* operator->() const { return object; }
    T** put() { return &object; }
    void** putVoid() { return reinterpret_cast<void**>(&object); }

private:
    T* object = nullptr;
};

// Joins the calling thread to a single-threaded apartment for one operation. A thread that
// already lives in the other kind of apartment can use COM as it is.
class ComScope {
public:
    ComScope()
    {
        const HRESULT result = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        initialised = SUCCEEDED(result);
        usable = initialised || result == RPC_E_CHANGED_MODE;
    }
    ComScope(const ComScope&) = delete;
    ComScope& operator=(const ComScope&) = delete;
    ~ComScope()
    {
        if (initialised)
            CoUninitialize();
    }
    bool isUsable() const { return usable; }

private:
    bool initialised = false;
    bool usable = false;
};

// The COM objects of one operation: the policy and its rule collection.
struct Policy {
    ComScope com;
    ComRef<INetFwPolicy2> policy;
    ComRef<INetFwRules> rules;
};

bool openFirewallPolicy(const FirewallApi& api, Policy& firewall)
{
    if (!firewall.com.isUsable())
        return false;
    if (FAILED(api.createPolicy(firewall.policy.put())) || !firewall.policy.get())
        return false;
    return SUCCEEDED(firewall.policy->get_Rules(firewall.rules.put())) && firewall.rules.get();
}

// Calls `visit` with each rule of the collection; false when the enumeration cannot start.
template <typename Visit> bool forEachRule(INetFwRules* rules, Visit visit)
{
    ComRef<IUnknown> enumerator;
    if (FAILED(rules->get__NewEnum(enumerator.put())) || !enumerator.get())
        return false;
    ComRef<IEnumVARIANT> items;
    if (FAILED(enumerator->QueryInterface(IID_IEnumVARIANT, items.putVoid())) || !items.get())
        return false;
    for (;;) {
        VARIANT item;
        VariantInit(&item);
        ULONG fetched = 0;
        const HRESULT result = items->Next(1, &item, &fetched);
        if (FAILED(result) || fetched != 1) {
            VariantClear(&item);
            return true;
        }
        ComRef<INetFwRule> rule;
        if (item.vt == VT_DISPATCH && item.pdispVal)
            item.pdispVal->QueryInterface(__uuidof(INetFwRule), rule.putVoid());
        VariantClear(&item);
        if (rule.get())
            visit(rule.get());
    }
}

bool appliesTo(const FirewallApi& api, INetFwRule* rule, const std::wstring& programPath)
{
    BSTR application = nullptr;
    const bool matches = SUCCEEDED(rule->get_ApplicationName(&application)) && application
        && _wcsicmp(application, programPath.c_str()) == 0;
    if (application)
        api.freeString(application);
    return matches;
}

bool isBlockingInbound(INetFwRule* rule, LONG activeProfiles)
{
    NET_FW_ACTION action = NET_FW_ACTION_ALLOW;
    NET_FW_RULE_DIRECTION direction = NET_FW_RULE_DIR_OUT;
    VARIANT_BOOL enabled = VARIANT_FALSE;
    LONG profiles = 0;
    return SUCCEEDED(rule->get_Action(&action)) && SUCCEEDED(rule->get_Direction(&direction))
        && SUCCEEDED(rule->get_Enabled(&enabled)) && SUCCEEDED(rule->get_Profiles(&profiles))
        && action == NET_FW_ACTION_BLOCK && direction == NET_FW_RULE_DIR_IN
        && enabled != VARIANT_FALSE && (profiles & activeProfiles) != 0;
}

bool removeRules(const FirewallApi& api, INetFwRules* rules, const std::wstring& programPath)
{
    for (int pass = 0; pass < maxRemovalPasses; ++pass) {
        std::vector<std::wstring> names;
        // A matching rule whose name cannot be read cannot be removed: it keeps the answer false.
        bool unnamed = false;
        const bool listed = forEachRule(rules, [&](INetFwRule* rule) {
            if (!appliesTo(api, rule, programPath))
                return;
            BSTR name = nullptr;
            if (SUCCEEDED(rule->get_Name(&name)) && name)
                names.emplace_back(name);
            else
                unnamed = true;
            if (name)
                api.freeString(name);
        });
        if (!listed)
            return false;
        if (names.empty() && !unnamed)
            return true;
        for (const std::wstring& name : names) {
            BSTR text = api.allocString(name.c_str());
            if (!text)
                continue;
            rules->Remove(text);
            api.freeString(text);
        }
    }
    return false;
}

// The strings a new rule is given; the caller keeps ownership across the COM calls.
class RuleStrings {
public:
    RuleStrings(const FirewallApi& api, const std::wstring& programPath,
                const std::wstring& ruleName)
        : api(api),
          name(api.allocString(ruleName.c_str())),
          application(api.allocString(programPath.c_str())),
          description(api.allocString(ruleDescription))
    {
    }
    RuleStrings(const RuleStrings&) = delete;
    RuleStrings& operator=(const RuleStrings&) = delete;
    ~RuleStrings()
    {
        for (BSTR text : {name, application, description})
            if (text)
                api.freeString(text);
    }

    const FirewallApi& api;
    const BSTR name;
    const BSTR application;
    const BSTR description;
};

} // namespace

FirewallApi FirewallApi::system()
{
    FirewallApi api;
    api.createPolicy = [](INetFwPolicy2** policy) {
        return CoCreateInstance(CLSID_NetFwPolicy2, nullptr, CLSCTX_INPROC_SERVER,
                                __uuidof(INetFwPolicy2), reinterpret_cast<void**>(policy));
    };
    api.createRule = [](INetFwRule** rule) {
        return CoCreateInstance(CLSID_NetFwRule, nullptr, CLSCTX_INPROC_SERVER,
                                __uuidof(INetFwRule), reinterpret_cast<void**>(rule));
    };
    api.allocString = SysAllocString;
    api.freeString = SysFreeString;
    return api;
}

namespace FirewallRules {

bool isInboundBlocked(const FirewallApi& api, const std::wstring& programPath)
{
    if (programPath.empty())
        return false;
    Policy firewall;
    if (!openFirewallPolicy(api, firewall))
        return false;
    LONG activeProfiles = 0;
    if (FAILED(firewall.policy->get_CurrentProfileTypes(&activeProfiles)))
        return false;
    bool blocked = false;
    const bool listed = forEachRule(firewall.rules.get(), [&](INetFwRule* rule) {
        if (appliesTo(api, rule, programPath) && isBlockingInbound(rule, activeProfiles))
            blocked = true;
    });
    return listed && blocked;
}

bool removeRulesFor(const FirewallApi& api, const std::wstring& programPath)
{
    if (programPath.empty())
        return false;
    Policy firewall;
    if (!openFirewallPolicy(api, firewall))
        return false;
    return removeRules(api, firewall.rules.get(), programPath);
}

bool addAllowRule(const FirewallApi& api, const std::wstring& programPath,
                  const std::wstring& ruleName)
{
    if (programPath.empty() || ruleName.empty())
        return false;
    Policy firewall;
    if (!openFirewallPolicy(api, firewall))
        return false;
    removeRules(api, firewall.rules.get(), programPath);

    ComRef<INetFwRule> rule;
    if (FAILED(api.createRule(rule.put())) || !rule.get())
        return false;
    const RuleStrings strings(api, programPath, ruleName);
    if (!strings.name || !strings.application)
        return false;
    rule->put_Name(strings.name);
    rule->put_ApplicationName(strings.application);
    if (strings.description)
        rule->put_Description(strings.description);
    rule->put_Protocol(NET_FW_IP_PROTOCOL_TCP);
    rule->put_Direction(NET_FW_RULE_DIR_IN);
    rule->put_Action(NET_FW_ACTION_ALLOW);
    rule->put_Profiles(NET_FW_PROFILE2_ALL);
    rule->put_Enabled(VARIANT_TRUE);
    return SUCCEEDED(firewall.rules->Add(rule.get()));
}

bool isInboundBlocked(const std::wstring& programPath)
{
    return isInboundBlocked(FirewallApi::system(), programPath);
}

bool addAllowRule(const std::wstring& programPath, const std::wstring& ruleName)
{
    return addAllowRule(FirewallApi::system(), programPath, ruleName);
}

bool removeRulesFor(const std::wstring& programPath)
{
    return removeRulesFor(FirewallApi::system(), programPath);
}

} // namespace FirewallRules
