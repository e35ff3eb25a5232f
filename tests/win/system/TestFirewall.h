#pragma once

#include "system/FirewallApi.h"

#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

// In-process stand-ins for the firewall's COM objects (Wine's own store nothing). They count
// references and the strings they hand out, so a test sees leaks and double frees.

// IDispatch's late binding, which FirewallRules never uses.
#define VIDLET_DISPATCH_STUBS                                                                      \
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT*) override                                     \
    {                                                                                              \
        return E_NOTIMPL;                                                                          \
    }                                                                                              \
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override                        \
    {                                                                                              \
        return E_NOTIMPL;                                                                          \
    }                                                                                              \
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override       \
    {                                                                                              \
        return E_NOTIMPL;                                                                          \
    }                                                                                              \
    HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*,            \
                                     EXCEPINFO*, UINT*) override                                   \
    {                                                                                              \
        return E_NOTIMPL;                                                                          \
    }

#define VIDLET_PLAIN_PROPERTY(name, type, field)                                                   \
    HRESULT STDMETHODCALLTYPE get_##name(type* value) override                                     \
    {                                                                                              \
        *value = field;                                                                            \
        return S_OK;                                                                               \
    }                                                                                              \
    HRESULT STDMETHODCALLTYPE put_##name(type value) override                                      \
    {                                                                                              \
        field = value;                                                                             \
        return S_OK;                                                                               \
    }

#define VIDLET_STRING_PROPERTY(name, field)                                                        \
    HRESULT STDMETHODCALLTYPE get_##name(BSTR* value) override                                     \
    {                                                                                              \
        return hand(field, value);                                                                 \
    }                                                                                              \
    HRESULT STDMETHODCALLTYPE put_##name(BSTR value) override                                      \
    {                                                                                              \
        return take(value, field);                                                                 \
    }

#define VIDLET_UNUSED_PROFILE_PROPERTY(name, type)                                                 \
    HRESULT STDMETHODCALLTYPE get_##name(NET_FW_PROFILE_TYPE2, type*) override                     \
    {                                                                                              \
        return E_NOTIMPL;                                                                          \
    }                                                                                              \
    HRESULT STDMETHODCALLTYPE put_##name(NET_FW_PROFILE_TYPE2, type) override                      \
    {                                                                                              \
        return E_NOTIMPL;                                                                          \
    }

#define VIDLET_UNUSED_PROPERTY(name, type)                                                         \
    HRESULT STDMETHODCALLTYPE get_##name(type*) override                                           \
    {                                                                                              \
        return E_NOTIMPL;                                                                          \
    }                                                                                              \
    HRESULT STDMETHODCALLTYPE put_##name(type) override                                            \
    {                                                                                              \
        return E_NOTIMPL;                                                                          \
    }

// Every BSTR that crosses between FirewallRules and the test objects comes from here.
struct StringLedger {
    std::set<BSTR> live;
    int allocations = 0;
    int frees = 0;
    int badFrees = 0;
    std::wstring refuse; // allocating this text fails

    BSTR allocate(const OLECHAR* text);
    void free(BSTR text);
};

struct TestRule : INetFwRule {
    explicit TestRule(StringLedger& ledger);
    StringLedger& ledger;
    long references = 0; // held by others than the test
    std::wstring name;
    bool nameReadable = true;
    std::optional<std::wstring> application;
    std::optional<std::wstring> description;
    NET_FW_ACTION action = NET_FW_ACTION_BLOCK;
    NET_FW_RULE_DIRECTION direction = NET_FW_RULE_DIR_IN;
    VARIANT_BOOL enabled = VARIANT_TRUE;
    LONG profiles = NET_FW_PROFILE2_ALL;
    LONG protocol = 256; // any

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID id, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references; }
    ULONG STDMETHODCALLTYPE Release() override { return --references; }
    VIDLET_DISPATCH_STUBS
    HRESULT STDMETHODCALLTYPE get_Name(BSTR* value) override;
    HRESULT STDMETHODCALLTYPE put_Name(BSTR value) override;
    VIDLET_STRING_PROPERTY(Description, description)
    VIDLET_STRING_PROPERTY(ApplicationName, application)
    VIDLET_PLAIN_PROPERTY(Protocol, LONG, protocol)
    VIDLET_PLAIN_PROPERTY(Direction, NET_FW_RULE_DIRECTION, direction)
    VIDLET_PLAIN_PROPERTY(Enabled, VARIANT_BOOL, enabled)
    VIDLET_PLAIN_PROPERTY(Profiles, LONG, profiles)
    VIDLET_PLAIN_PROPERTY(Action, NET_FW_ACTION, action)
    VIDLET_UNUSED_PROPERTY(ServiceName, BSTR)
    VIDLET_UNUSED_PROPERTY(LocalPorts, BSTR)
    VIDLET_UNUSED_PROPERTY(RemotePorts, BSTR)
    VIDLET_UNUSED_PROPERTY(LocalAddresses, BSTR)
    VIDLET_UNUSED_PROPERTY(RemoteAddresses, BSTR)
    VIDLET_UNUSED_PROPERTY(IcmpTypesAndCodes, BSTR)
    VIDLET_UNUSED_PROPERTY(Interfaces, VARIANT)
    VIDLET_UNUSED_PROPERTY(InterfaceTypes, BSTR)
    VIDLET_UNUSED_PROPERTY(Grouping, BSTR)
    VIDLET_UNUSED_PROPERTY(EdgeTraversal, VARIANT_BOOL)

private:
    HRESULT hand(const std::optional<std::wstring>& text, BSTR* value);
    HRESULT take(BSTR value, std::optional<std::wstring>& text);
};

// The firewall: a policy with its rule collection, and the factory FirewallRules is given.
class TestFirewall {
public:
    TestFirewall();
    ~TestFirewall();

    TestRule& addRule(const std::wstring& name, const std::wstring& application);
    // The rules in the collection now, in order.
    std::vector<TestRule*> rules() const;
    FirewallApi api();
    // Every reference handed out was given back, and every string freed exactly once.
    bool balanced() const;

    StringLedger ledger;
    LONG activeProfiles = NET_FW_PROFILE2_PRIVATE;
    bool failPolicy = false;
    bool failProfiles = false;
    bool failEnumeration = false;
    bool failRemove = false;
    bool failCreateRule = false;
    bool listNonRule = false; // the enumeration also yields a number, which is no rule
    int enumerations = 0;
    int removals = 0;

private:
    struct Objects;
    std::unique_ptr<Objects> objects;
};
