#pragma once

#include "softcam/win/Module.h"

#include <objbase.h>

#include <atomic>
#include <new>
#include <utility>
#include <vector>

namespace softcam {

// IEnumPins or IEnumMediaTypes over a list fixed when the enumerator is made. `handOut` gives
// the caller its own reference or copy of an entry. The enumerator holds the filter that made
// it, so entries that point into the filter stay valid.
template <typename Interface, const IID& interfaceId, typename Item, typename Entry,
          Item (*handOut)(const Entry&)>
class ListEnumerator final : public Interface {
public:
    ListEnumerator(std::vector<Entry> entries, IUnknown* owner, std::size_t position = 0)
        : entries(std::move(entries)),
          owner(owner),
          position(position)
    {
        owner->AddRef();
    }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override
    {
        if (!object)
            return E_POINTER;
        if (iid == IID_IUnknown || iid == interfaceId) {
            *object = static_cast<Interface*>(this);
            AddRef();
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references; }
    ULONG STDMETHODCALLTYPE Release() override
    {
        const ULONG left = --references;
        if (left == 0)
            delete this;
        return left;
    }

    HRESULT STDMETHODCALLTYPE Next(ULONG count, Item* items, ULONG* fetched) override
    {
        if (!items || (count != 1 && !fetched))
            return E_POINTER;
        ULONG done = 0;
        while (done < count && position < entries.size()) {
            items[done] = handOut(entries[position]);
            if (!items[done])
                break;
            ++done;
            ++position;
        }
        if (fetched)
            *fetched = done;
        return done == count ? S_OK : S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE Skip(ULONG count) override
    {
        const std::size_t left = entries.size() - position;
        position += count < left ? count : left;
        return count <= left ? S_OK : S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE Reset() override
    {
        position = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Clone(Interface** copy) override
    {
        if (!copy)
            return E_POINTER;
        *copy = new (std::nothrow) ListEnumerator(entries, owner, position);
        return *copy ? S_OK : E_OUTOFMEMORY;
    }

private:
    ~ListEnumerator() { owner->Release(); }

    ModuleReference moduleReference;
    std::atomic<ULONG> references{1};
    const std::vector<Entry> entries;
    IUnknown* const owner;
    std::size_t position;
};

} // namespace softcam
