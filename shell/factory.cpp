#include "factory.h"

#include <new>

#include "extension.h"
#include "module.h"

SheetExtensionFactory::SheetExtensionFactory() { CountObjectMade(); }

SheetExtensionFactory::~SheetExtensionFactory() { CountObjectGone(); }

STDMETHODIMP SheetExtensionFactory::QueryInterface(REFIID interfaceId, void** out)
{
    if (!out)
        return E_POINTER;
    *out = nullptr;
    if (!IsEqualIID(interfaceId, IID_IUnknown) && !IsEqualIID(interfaceId, IID_IClassFactory))
        return E_NOINTERFACE;
    *out = static_cast<IClassFactory*>(this);
    AddRef();
    return S_OK;
}

STDMETHODIMP_(ULONG) SheetExtensionFactory::AddRef() { return InterlockedIncrement(&RefCount); }

STDMETHODIMP_(ULONG) SheetExtensionFactory::Release()
{
    const LONG count = InterlockedDecrement(&RefCount);
    if (count == 0)
        delete this;
    return count;
}

STDMETHODIMP SheetExtensionFactory::CreateInstance(IUnknown* outer, REFIID interfaceId, void** out)
{
    if (!out)
        return E_POINTER;
    *out = nullptr;
    if (outer)
        return CLASS_E_NOAGGREGATION;
    auto* extension = new (std::nothrow) SheetExtension;
    if (!extension)
        return E_OUTOFMEMORY;
    // Held across QueryInterface so that an object nobody takes is destroyed
    // here rather than left counted for ever.
    extension->AddRef();
    const HRESULT result = extension->QueryInterface(interfaceId, out);
    extension->Release();
    return result;
}

// Objects alone keep the library loaded; a lock adds nothing to them.
STDMETHODIMP SheetExtensionFactory::LockServer(BOOL) { return S_OK; }
