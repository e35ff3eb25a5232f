#pragma once

#include "system/FirewallApi.h"

#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

// In-process stand-ins for the firewall's COM objects (Wine's own store nothing). They count
// references and the strings they hand out, so a test sees leaks and double frees.

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
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT*) override;
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override;
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override;
    HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*,
                                     EXCEPINFO*, UINT*) override;
    HRESULT STDMETHODCALLTYPE get_Name(BSTR* value) override;
    HRESULT STDMETHODCALLTYPE put_Name(BSTR value) override;
    HRESULT STDMETHODCALLTYPE get_Description(BSTR* value) override;
    HRESULT STDMETHODCALLTYPE put_Description(BSTR value) override;
    HRESULT STDMETHODCALLTYPE get_ApplicationName(BSTR* value) override;
    HRESULT STDMETHODCALLTYPE put_ApplicationName(BSTR value) override;
    HRESULT STDMETHODCALLTYPE get_ServiceName(BSTR*) override;
    HRESULT STDMETHODCALLTYPE put_ServiceName(BSTR) override;
    HRESULT STDMETHODCALLTYPE get_Protocol(LONG* value) override;
    HRESULT STDMETHODCALLTYPE put_Protocol(LONG value) override;
    HRESULT STDMETHODCALLTYPE get_LocalPorts(BSTR*) override;
    HRESULT STDMETHODCALLTYPE put_LocalPorts(BSTR) override;
    HRESULT STDMETHODCALLTYPE get_RemotePorts(BSTR*) override;
    HRESULT STDMETHODCALLTYPE put_RemotePorts(BSTR) override;
    HRESULT STDMETHODCALLTYPE get_LocalAddresses(BSTR*) override;
    HRESULT STDMETHODCALLTYPE put_LocalAddresses(BSTR) override;
    HRESULT STDMETHODCALLTYPE get_RemoteAddresses(BSTR*) override;
    HRESULT STDMETHODCALLTYPE put_RemoteAddresses(BSTR) override;
    HRESULT STDMETHODCALLTYPE get_IcmpTypesAndCodes(BSTR*) override;
    HRESULT STDMETHODCALLTYPE put_IcmpTypesAndCodes(BSTR) override;
    HRESULT STDMETHODCALLTYPE get_Direction(NET_FW_RULE_DIRECTION* value) override;
    HRESULT STDMETHODCALLTYPE put_Direction(NET_FW_RULE_DIRECTION value) override;
    HRESULT STDMETHODCALLTYPE get_Interfaces(VARIANT*) override;
    HRESULT STDMETHODCALLTYPE put_Interfaces(VARIANT) override;
    HRESULT STDMETHODCALLTYPE get_InterfaceTypes(BSTR*) override;
    HRESULT STDMETHODCALLTYPE put_InterfaceTypes(BSTR) override;
    HRESULT STDMETHODCALLTYPE get_Enabled(VARIANT_BOOL* value) override;
    HRESULT STDMETHODCALLTYPE put_Enabled(VARIANT_BOOL value) override;
    HRESULT STDMETHODCALLTYPE get_Grouping(BSTR*) override;
    HRESULT STDMETHODCALLTYPE put_Grouping(BSTR) override;
    HRESULT STDMETHODCALLTYPE get_Profiles(LONG* value) override;
    HRESULT STDMETHODCALLTYPE put_Profiles(LONG value) override;
    HRESULT STDMETHODCALLTYPE get_EdgeTraversal(VARIANT_BOOL*) override;
    HRESULT STDMETHODCALLTYPE put_EdgeTraversal(VARIANT_BOOL) override;
    HRESULT STDMETHODCALLTYPE get_Action(NET_FW_ACTION* value) override;
    HRESULT STDMETHODCALLTYPE put_Action(NET_FW_ACTION value) override;

private:
    HRESULT hand(const std::optional<std::wstring>& text, BSTR* value);
    bool take(BSTR value, std::optional<std::wstring>& text);
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
