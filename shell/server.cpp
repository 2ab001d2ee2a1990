// The module's entry point, the two functions COM looks up by name, and the
// three regsvr32 calls to register the library where it lies.
#include <windows.h>

#include <cwchar>
#include <new>

#include "class_id.h"
#include "factory.h"
#include "module.h"
#include "registration.h"

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

namespace {

// Registers the library at the path it was loaded from, or removes its
// registration, with the entries and rules of setup.exe; no copy is made.
// Every step is tried; the result is the first failure's.
HRESULT RegisterLibrary(RegistrationScope scope, bool install)
{
    Outcome outcome;
    if (install) {
        wchar_t widePath[MAX_PATH];
        char libraryPath[PathBufferSize];
        const DWORD length = GetModuleFileNameW(ModuleInstance, widePath, MAX_PATH);
        const DWORD error = length == 0          ? GetLastError()
                            : length >= MAX_PATH ? ERROR_FILENAME_EXCED_RANGE
                                                 : ToAnsiPath(widePath, libraryPath);
        if (error != ERROR_SUCCESS)
            return HRESULT_FROM_WIN32(error);
        Register(scope, libraryPath, outcome);
    } else {
        Unregister(scope, outcome);
    }
    NotifyShell(outcome);
    if (!outcome.failed)
        return S_OK;
    return outcome.firstError != ERROR_SUCCESS ? HRESULT_FROM_WIN32(outcome.firstError) : E_FAIL;
}

}  // namespace

extern "C" HRESULT WINAPI DllRegisterServer()
{
    return RegisterLibrary(RegistrationScope::Machine, true);
}

extern "C" HRESULT WINAPI DllUnregisterServer()
{
    return RegisterLibrary(RegistrationScope::Machine, false);
}

// regsvr32 /n /i:user registers for the current user alone (and /u /n
// /i:user removes that); without a command line it is the machine-wide
// registration of DllRegisterServer.
extern "C" HRESULT WINAPI DllInstall(BOOL install, LPCWSTR commandLine)
{
    if (commandLine == nullptr || *commandLine == 0)
        return RegisterLibrary(RegistrationScope::Machine, install != FALSE);
    if (_wcsicmp(commandLine, L"user") == 0)
        return RegisterLibrary(RegistrationScope::User, install != FALSE);
    return E_INVALIDARG;
}
