// The module's entry point and the two functions COM looks up by name.
#include <windows.h>

#include <new>

#include "class_id.h"
#include "factory.h"
#include "module.h"

HINSTANCE ModuleInstance = nullptr;
volatile LONG ObjectCount = 0;

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID)
{
    if (reason == DLL_PROCESS_ATTACH)
        ModuleInstance = instance;
    return TRUE;
}

extern "C" HRESULT WINAPI DllGetClassObject(REFCLSID classId, REFIID interfaceId, void** out)
{
    if (!out)
        return E_POINTER;
    *out = nullptr;
    if (!IsEqualCLSID(classId, ExtensionClassId))
        return CLASS_E_CLASSNOTAVAILABLE;
    // Every call makes a factory of its own; none is cached.
    auto* factory = new (std::nothrow) SheetExtensionFactory;
    if (!factory)
        return E_OUTOFMEMORY;
    // Held across QueryInterface so that a factory nobody takes is destroyed
    // here rather than left counted for ever.
    factory->AddRef();
    const HRESULT result = factory->QueryInterface(interfaceId, out);
    factory->Release();
    return result;
}

extern "C" HRESULT WINAPI DllCanUnloadNow()
{
    return ObjectCount == 0 ? S_OK : S_FALSE;
}
