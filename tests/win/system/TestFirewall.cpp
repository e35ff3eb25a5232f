#include "tests/win/system/TestFirewall.h"

#include <algorithm>

BSTR StringLedger::allocate(const OLECHAR* text)
{
    if (!refuse.empty() && refuse == text)
        return nullptr;
    BSTR copy = SysAllocString(text);
    live.insert(copy);
    ++allocations;
    return copy;
}

void StringLedger::free(BSTR text)
{
    ++frees;
    if (live.erase(text) == 0) {
        ++badFrees; // never ours, or freed before: leave it alone
        return;
    }
    SysFreeString(text);
}

namespace {

// IUnknown of the firewall's interfaces.
template <typename Interface>
HRESULT answer(Interface* self, long& references, REFIID id, void** object)
{
    if (id == IID_IUnknown || id == IID_IDispatch || id == __uuidof(Interface)) {
        *object = self;
        ++references;
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

struct TestEnum : IEnumVARIANT {
    std::vector<TestRule*> items;
    bool withNumber = false;
    size_t next = 0;
    long references = 0;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID id, void** object) override
    {
        if (id == IID_IUnknown || id == IID_IEnumVARIANT) {
            *object = this;
            ++references;
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references; }
    ULONG STDMETHODCALLTYPE Release() override
    {
        if (references == 1)
            for (TestRule* rule : items)
                rule->Release();
        return --references;
    }
    HRESULT STDMETHODCALLTYPE Next(ULONG count, VARIANT* values, ULONG* fetched) override
    {
        if (count != 1)
            return E_INVALIDARG; // FirewallRules fetches one at a time
        *fetched = 0;
        if (withNumber && next == 0) {
            withNumber = false;
            values->vt = VT_I4;
            values->lVal = 7;
            *fetched = 1;
            return S_OK;
        }
        if (next == items.size())
            return S_FALSE;
        values->vt = VT_DISPATCH;
        values->pdispVal = items[next++];
        values->pdispVal->AddRef();
        *fetched = 1;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Skip(ULONG) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Reset() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Clone(IEnumVARIANT**) override { return E_NOTIMPL; }
};

struct TestRules : INetFwRules {
    TestFirewall& firewall;
    std::vector<TestRule*> items;
    std::vector<std::unique_ptr<TestEnum>> enumerators;
    long references = 0;

    explicit TestRules(TestFirewall& firewall)
        : firewall(firewall)
    {
    }
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID id, void** object) override
    {
        return answer<INetFwRules>(this, references, id, object);
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references; }
    ULONG STDMETHODCALLTYPE Release() override { return --references; }
    VIDLET_DISPATCH_STUBS
    HRESULT STDMETHODCALLTYPE get_Count(LONG* count) override
    {
        *count = LONG(items.size());
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Add(INetFwRule* rule) override
    {
        rule->AddRef();
        items.push_back(static_cast<TestRule*>(rule));
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Remove(BSTR name) override
    {
        ++firewall.removals;
        if (!firewall.ledger.live.count(name))
            return E_POINTER; // a string the caller does not own (any more)
        if (firewall.failRemove)
            return E_ACCESSDENIED;
        // The platform removes one rule of that name, ignoring case.
        const auto found = std::find_if(items.begin(), items.end(), [&](TestRule* rule) {
            return _wcsicmp(rule->name.c_str(), name) == 0;
        });
        if (found != items.end()) {
            (*found)->Release();
            items.erase(found);
        }
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Item(BSTR, INetFwRule**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get__NewEnum(IUnknown** enumerator) override
    {
        ++firewall.enumerations;
        if (firewall.failEnumeration)
            return E_NOTIMPL;
        auto created = std::make_unique<TestEnum>();
        created->items = items;
        for (TestRule* rule : items)
            rule->AddRef();
        created->withNumber = firewall.listNonRule;
        created->references = 1;
        *enumerator = created.get();
        enumerators.push_back(std::move(created));
        return S_OK;
    }
};

struct TestPolicy : INetFwPolicy2 {
    TestFirewall& firewall;
    TestRules& rules;
    long references = 0;

    TestPolicy(TestFirewall& firewall, TestRules& rules)
        : firewall(firewall),
          rules(rules)
    {
    }
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID id, void** object) override
    {
        return answer<INetFwPolicy2>(this, references, id, object);
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references; }
    ULONG STDMETHODCALLTYPE Release() override { return --references; }
    VIDLET_DISPATCH_STUBS
    HRESULT STDMETHODCALLTYPE get_CurrentProfileTypes(LONG* profiles) override
    {
        *profiles = firewall.activeProfiles;
        return firewall.failProfiles ? E_NOTIMPL : S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_Rules(INetFwRules** out) override
    {
        rules.AddRef();
        *out = &rules;
        return S_OK;
    }
    VIDLET_UNUSED_PROFILE_PROPERTY(FirewallEnabled, VARIANT_BOOL)
    VIDLET_UNUSED_PROFILE_PROPERTY(ExcludedInterfaces, VARIANT)
    VIDLET_UNUSED_PROFILE_PROPERTY(BlockAllInboundTraffic, VARIANT_BOOL)
    VIDLET_UNUSED_PROFILE_PROPERTY(NotificationsDisabled, VARIANT_BOOL)
    VIDLET_UNUSED_PROFILE_PROPERTY(UnicastResponsesToMulticastBroadcastDisabled, VARIANT_BOOL)
    HRESULT STDMETHODCALLTYPE get_ServiceRestriction(INetFwServiceRestriction**) override
    {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE EnableRuleGroup(LONG, BSTR, VARIANT_BOOL) override
    {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE IsRuleGroupEnabled(LONG, BSTR, VARIANT_BOOL*) override
    {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE RestoreLocalFirewallDefaults() override { return E_NOTIMPL; }
    VIDLET_UNUSED_PROFILE_PROPERTY(DefaultInboundAction, NET_FW_ACTION)
    VIDLET_UNUSED_PROFILE_PROPERTY(DefaultOutboundAction, NET_FW_ACTION)
    HRESULT STDMETHODCALLTYPE get_IsRuleGroupCurrentlyEnabled(BSTR, VARIANT_BOOL*) override
    {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE get_LocalPolicyModifyState(NET_FW_MODIFY_STATE*) override
    {
        return E_NOTIMPL;
    }
};

} // namespace

struct TestFirewall::Objects {
    explicit Objects(TestFirewall& firewall)
        : rules(firewall),
          policy(firewall, rules)
    {
    }
    TestRules rules;
    TestPolicy policy;
    std::vector<std::unique_ptr<TestRule>> allRules;
};

TestFirewall::TestFirewall()
    : objects(std::make_unique<Objects>(*this))
{
}

TestFirewall::~TestFirewall()
{
    for (BSTR text : ledger.live)
        SysFreeString(text);
}

TestRule& TestFirewall::addRule(const std::wstring& name, const std::wstring& application)
{
    objects->allRules.push_back(std::make_unique<TestRule>(ledger));
    TestRule& rule = *objects->allRules.back();
    rule.name = name;
    rule.application = application;
    objects->rules.Add(&rule);
    return rule;
}

std::vector<TestRule*> TestFirewall::rules() const
{
    return objects->rules.items;
}

FirewallApi TestFirewall::api()
{
    FirewallApi api;
    api.createPolicy = [this](INetFwPolicy2** policy) {
        *policy = nullptr;
        if (failPolicy)
            return REGDB_E_CLASSNOTREG;
        objects->policy.AddRef();
        *policy = &objects->policy;
        return S_OK;
    };
    api.createRule = [this](INetFwRule** rule) {
        *rule = nullptr;
        if (failCreateRule)
            return REGDB_E_CLASSNOTREG;
        objects->allRules.push_back(std::make_unique<TestRule>(ledger));
        objects->allRules.back()->AddRef();
        *rule = objects->allRules.back().get();
        return S_OK;
    };
    api.allocString = [this](const OLECHAR* text) { return ledger.allocate(text); };
    api.freeString = [this](BSTR text) { ledger.free(text); };
    return api;
}

bool TestFirewall::balanced() const
{
    const auto& listed = objects->rules.items;
    for (const auto& rule : objects->allRules) {
        const bool inCollection =
            std::find(listed.begin(), listed.end(), rule.get()) != listed.end();
        if (rule->references != (inCollection ? 1 : 0))
            return false;
    }
    for (const auto& enumerator : objects->rules.enumerators)
        if (enumerator->references != 0)
            return false;
    return objects->policy.references == 0 && objects->rules.references == 0 && ledger.live.empty()
        && ledger.badFrees == 0;
}

TestRule::TestRule(StringLedger& ledger)
    : ledger(ledger)
{
}

HRESULT TestRule::QueryInterface(REFIID id, void** object)
{
    return answer<INetFwRule>(this, references, id, object);
}

// A string handed out belongs to the caller; a string handed in stays the caller's.
HRESULT TestRule::hand(const std::optional<std::wstring>& text, BSTR* value)
{
    *value = text ? ledger.allocate(text->c_str()) : nullptr;
    return S_OK;
}

HRESULT TestRule::take(BSTR value, std::optional<std::wstring>& text)
{
    if (!ledger.live.count(value))
        return E_POINTER; // not a string the caller owns
    text = std::wstring(value);
    return S_OK;
}

HRESULT TestRule::get_Name(BSTR* value)
{
    *value = nullptr;
    return nameReadable ? hand(name, value) : E_ACCESSDENIED;
}

HRESULT TestRule::put_Name(BSTR value)
{
    std::optional<std::wstring> text;
    const HRESULT result = take(value, text);
    if (SUCCEEDED(result))
        name = *text;
    return result;
}
