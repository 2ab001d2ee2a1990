// The class factory that makes SheetExtension objects.
#pragma once

#include <windows.h>
#include <unknwn.h>

class SheetExtensionFactory final : public IClassFactory {
public:
    SheetExtensionFactory();

    STDMETHODIMP QueryInterface(REFIID interfaceId, void** out) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;

    STDMETHODIMP CreateInstance(IUnknown* outer, REFIID interfaceId, void** out) override;
    STDMETHODIMP LockServer(BOOL lock) override;

private:
    ~SheetExtensionFactory();

    volatile LONG RefCount = 0;
};
