#include "support.h"

#include <shellapi.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

const TarvoDll& Tarvo()
{
    static const TarvoDll dll = [] {
        // The program's own folder comes first in the search.
        TarvoDll loaded;
        loaded.Module = LoadLibraryA("tarvo.dll");
        loaded.GetClassObject = reinterpret_cast<decltype(loaded.GetClassObject)>(
            reinterpret_cast<void*>(GetProcAddress(loaded.Module, "DllGetClassObject")));
        loaded.CanUnloadNow = reinterpret_cast<decltype(loaded.CanUnloadNow)>(
            reinterpret_cast<void*>(GetProcAddress(loaded.Module, "DllCanUnloadNow")));
        return loaded;
    }();
    if (!dll.GetClassObject || !dll.CanUnloadNow) {
        std::fprintf(stderr, "tarvo.dll or its exports not found beside the test program\n");
        std::abort();
    }
    return dll;
}

STDMETHODIMP TestDataObject::QueryInterface(REFIID interfaceId, void** out)
{
    const bool known = IsEqualIID(interfaceId, IID_IUnknown) || IsEqualIID(interfaceId, IID_IDataObject);
    *out = known ? static_cast<IDataObject*>(this) : nullptr;
    if (known)
        AddRef();
    return known ? S_OK : E_NOINTERFACE;
}

STDMETHODIMP TestDataObject::GetData(FORMATETC* format, STGMEDIUM* medium)
{
    if (format->cfFormat != CF_HDROP || format->ptd || format->dwAspect != DVASPECT_CONTENT ||
        format->lindex != -1 || !(format->tymed & TYMED_HGLOBAL))
        return DV_E_FORMATETC;
    if (FAILED(GetDataResult))
        return GetDataResult;
    // DROPFILES, then each path with its NUL, then one more NUL (two for no
    // paths): the memory comes zeroed.
    std::string list;
    for (const std::string& file : Files)
        list += file + '\0';
    HGLOBAL memory = GlobalAlloc(GHND, sizeof(DROPFILES) + list.size() + 2);
    auto* drop = static_cast<DROPFILES*>(GlobalLock(memory));
    drop->pFiles = sizeof(DROPFILES);
    std::memcpy(drop + 1, list.data(), list.size());
    GlobalUnlock(memory);
    Media.push_back(memory);
    medium->tymed = TYMED_HGLOBAL;
    medium->hGlobal = memory;
    medium->pUnkForRelease = this;
    AddRef();
    return S_OK;
}
